#include "engine/raw/TiffDocument.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "raw/TiffBytes.h"

namespace kyp {
namespace {

using test::TiffBytes;

// Parses bytes held by the test; the document reads them in place.
bool Parse(TiffDocument& document, const TiffBytes& tiff) { return document.openMemory(tiff.view()) && document.parse(); }

// How many directories (or, with entries, entries) a walk from the root visits.
int Visited(const TiffDocument& document, bool entries) {
    int n = 0;
    document.root()->walk([&](const TiffDirectory&, const TiffEntry* e) {
        n += (e != nullptr) == entries;
        return 0;
    });
    return n;
}

std::vector<uint16_t> Tags(const TiffDirectory& directory) {
    std::vector<uint16_t> tags;
    for (const TiffEntry& e : directory.entries) tags.push_back(e.tag);
    return tags;
}

TEST(TiffDocumentTest, ChainKindsAndLookupAcrossDirectories) {
    TiffBytes t(true);
    t.header(8);
    t.directory(8, {t.longRecord(256, kTiffLong, 1, 640), t.longRecord(34665, kTiffLong, 1, 200)}, 60);
    t.directory(60, {t.longRecord(256, kTiffLong, 1, 160), t.longRecord(305, kTiffAscii, 2, 0x41000000)}, 100);
    t.directory(100, {t.longRecord(256, kTiffLong, 1, 1)}, 0);
    t.directory(200, {t.longRecord(256, kTiffLong, 1, 999), t.longRecord(37500, kTiffUndefined, 2, 0)});

    TiffDocument document;
    ASSERT_TRUE(Parse(document, t));
    const TiffDirectory* root = document.root();
    ASSERT_TRUE(root->next && root->next->next);
    EXPECT_EQ(root->kind, DirectoryKind::MainImage);
    EXPECT_EQ(root->next->kind, DirectoryKind::Thumbnail);
    EXPECT_EQ(root->next->next->kind, DirectoryKind::Unknown);
    EXPECT_STREQ(DirectoryKindName(root->next->kind), "Thumbnail");
    EXPECT_STREQ(DirectoryKindName(DirectoryKind::Unknown), "<unknown>");

    const TiffDirectory* exif = document.findDirectory(DirectoryKind::Exif);
    ASSERT_NE(exif, nullptr);
    EXPECT_EQ(exif->position, 200u);
    // The main directory's entry wins over the Exif directory's; a tag only the
    // second directory holds is found there.
    const TiffDirectory* holder = nullptr;
    EXPECT_EQ(document.findEntryAnywhere(256, &holder)->intValue(), 640u);
    EXPECT_EQ(holder, root);
    EXPECT_EQ(document.findEntryAnywhere(305, &holder)->text(), "A");
    EXPECT_EQ(holder, root->next.get());
    EXPECT_EQ(document.findEntryAnywhere(37500, &holder), &exif->entries[1]);
    EXPECT_EQ(document.findEntryAnywhere(1234, &holder), nullptr);
    EXPECT_EQ(holder, nullptr);

    // Walk order: directory, its entries, its sub-directories, then the chain.
    std::vector<uint32_t> order;
    root->walk([&](const TiffDirectory& d, const TiffEntry* e) {
        order.push_back(e ? e->tag : 100000 + d.position);
        return 0;
    });
    EXPECT_EQ(order, (std::vector<uint32_t>{100008, 256, 34665, 100200, 256, 37500, 100060, 256, 305, 100100, 256}));
    EXPECT_EQ(root->walk([](const TiffDirectory&, const TiffEntry* e) { return e && e->tag == 37500 ? 7 : 0; }), 7);
}

TEST(TiffDocumentTest, TagsOutOfOrderAreSortedSoLookupsFindThem) {
    TiffBytes t(true);
    t.header(8);
    t.directory(8, {t.longRecord(300, kTiffLong, 1, 3), t.longRecord(100, kTiffLong, 1, 1),
                    t.longRecord(200, kTiffLong, 1, 2), t.longRecord(100, kTiffLong, 1, 4)});
    TiffDocument document;
    ASSERT_TRUE(Parse(document, t));
    EXPECT_EQ(Tags(*document.root()), (std::vector<uint16_t>{100, 100, 200, 300}));
    EXPECT_EQ(document.root()->find(100)->intValue(), 1u);  // of two, the first in the file
    EXPECT_EQ(document.root()->find(300)->intValue(), 3u);
}

TEST(TiffDocumentTest, SubIfdKindsComeFromNewSubfileType) {
    TiffBytes t(false);
    t.header(8);
    t.directory(8, {t.longRecord(330, kTiffLong, 1, 100), t.longRecord(40965, kTiffLong, 1, 200)}, 300);
    t.directory(100, {t.longRecord(254, kTiffLong, 1, 3)});
    t.directory(200, {t.longRecord(1, kTiffAscii, 4, 0x00383952)});
    t.directory(300, {t.longRecord(256, kTiffLong, 1, 1)});  // the chain's thumbnail
    TiffDocument document;
    ASSERT_TRUE(Parse(document, t));
    EXPECT_EQ(document.root()->find(330)->child->kind, DirectoryKind::Thumbnail);
    // Of two thumbnails the first in walk order (sub-directories before the chain) is found.
    EXPECT_EQ(document.findDirectory(DirectoryKind::Thumbnail), document.root()->find(330)->child.get());
    EXPECT_EQ(document.findDirectory(DirectoryKind::Interoperability)->position, 200u);

    t.u32(100 + 2 + 8, 2);  // bit 0 clear
    ASSERT_TRUE(Parse(document, t));
    EXPECT_EQ(document.root()->find(330)->child->kind, DirectoryKind::FullResolutionImage);
    t.u16(100 + 2, 255);  // no NewSubfileType any more
    ASSERT_TRUE(Parse(document, t));
    EXPECT_EQ(document.root()->find(330)->child->kind, DirectoryKind::SubIfd);
}

TEST(TiffDocumentTest, EntryLimitIsOneHundred) {
    for (uint16_t count : {100, 101}) {
        TiffBytes t(true);
        t.header(8);
        std::vector<TiffBytes::Record> records;
        for (uint16_t i = 0; i < count; ++i) records.push_back(t.longRecord(static_cast<uint16_t>(1000 + i), kTiffLong, 1, i));
        t.directory(8, records, 2000);
        t.directory(2000, {t.longRecord(256, kTiffLong, 1, 1)});
        TiffDocument document;
        EXPECT_EQ(Parse(document, t), count == 100);
        // A later directory of 101 entries only ends the chain.
        TiffBytes second(true);
        second.header(8);
        second.directory(8, {second.longRecord(256, kTiffLong, 1, 1)}, 100);
        second.directory(100, records);
        ASSERT_TRUE(Parse(document, second));
        EXPECT_EQ(document.root()->next != nullptr, count == 100);
    }
}

TEST(TiffDocumentTest, UnreadableEntriesAreDroppedAndTheirNeighboursKept) {
    TiffBytes t(true);
    t.header(8);
    // The directory ends at 134; the file is 200 bytes long.
    t.directory(8, {t.longRecord(256, kTiffLong, 1, 1),
                    t.longRecord(257, kTiffFloat, 1, 0x3F800000),    // FLOAT is never read
                    t.longRecord(258, 13, 1, 0),                      // unknown type
                    t.longRecord(259, kTiffShort, 3, 196),            // 6 bytes at 196: past the end
                    t.longRecord(260, kTiffLong, 0x40000001, 8),      // byte size needs 33 bits
                    t.longRecord(261, kTiffByte, 8, 0xFFFFFFFC),      // offset + size wraps 32 bits
                    t.longRecord(262, kTiffRational, 0x20000000, 0),  // 4 GiB of rationals
                    t.longRecord(263, kTiffShort, 3, 194),            // ends exactly at the end: kept
                    t.longRecord(34665, kTiffLong, 1, 5000),          // sub-directory beyond the file
                    t.longRecord(40965, kTiffLong, 1, 190)});         // sub-directory running past the end
    t.bytes.resize(200);
    t.u16(190, 1);
    TiffDocument document;
    ASSERT_TRUE(Parse(document, t));
    EXPECT_EQ(Tags(*document.root()), (std::vector<uint16_t>{256, 263}));
    EXPECT_EQ(document.findEntryAnywhere(257), nullptr);
    EXPECT_EQ(Visited(document, true), 2);
}

// Many entries sharing one block must not multiply memory: copies stop at
// twice the file size plus 64 KiB, later entries are dropped.
TEST(TiffDocumentTest, CopiesOfSharedDataAreBounded) {
    TiffBytes t(false);
    t.header(8);
    std::vector<TiffBytes::Record> records;
    for (uint16_t i = 0; i < 100; ++i) records.push_back(t.longRecord(static_cast<uint16_t>(i + 1), kTiffByte, 2000, 2000));
    t.directory(8, records);
    t.bytes.resize(4000);
    TiffDocument document;
    ASSERT_TRUE(Parse(document, t));
    const size_t kept = document.root()->entries.size();
    EXPECT_EQ(kept, (2 * 4000 + 65536) / 2000);
    EXPECT_EQ(document.root()->entries.back().tag, kept);
}

TEST(TiffDocumentTest, BadHeadersAndDirectoriesFailTheParse) {
    TiffDocument document;
    TiffBytes t(true);
    t.header(8);
    const size_t end = t.directory(8, {t.longRecord(256, kTiffLong, 1, 1)});
    ASSERT_TRUE(Parse(document, t));

    TiffBytes cut = t;
    cut.bytes.resize(end - 1);  // next offset runs past the end
    EXPECT_FALSE(Parse(document, cut));
    EXPECT_EQ(document.root(), nullptr);
    TiffBytes far = t;
    far.u32(4, static_cast<uint32_t>(t.bytes.size()) + 1);
    EXPECT_FALSE(Parse(document, far));
    far.u32(4, static_cast<uint32_t>(t.bytes.size()));  // at the end: seek works, the read does not
    EXPECT_FALSE(Parse(document, far));
    EXPECT_FALSE(Parse(document, TiffBytes(true, 5)));
    EXPECT_FALSE(document.openMemory(ByteView()) && document.parse());
    EXPECT_FALSE(document.open("/nonexistent/missing.tif"));
    document.close();
    EXPECT_FALSE(document.parse());
}

// Loops end where a directory would be read a second time.
TEST(TiffDocumentTest, LoopsInChainsAndSubDirectoriesEnd) {
    TiffBytes t(true);
    t.header(8);
    t.directory(8, {t.longRecord(256, kTiffLong, 1, 1), t.longRecord(34665, kTiffLong, 1, 100)}, 50);
    t.directory(50, {t.longRecord(256, kTiffLong, 1, 2)}, 8);  // chain back to the first
    t.directory(100, {t.longRecord(256, kTiffLong, 1, 3), t.longRecord(330, kTiffLong, 1, 100),  // itself
                      t.longRecord(40965, kTiffLong, 1, 8)},                                    // its parent
                100);                                                                           // chain to itself
    TiffDocument document;
    ASSERT_TRUE(Parse(document, t));
    ASSERT_NE(document.root()->next, nullptr);
    EXPECT_EQ(document.root()->next->next, nullptr);
    const TiffDirectory* exif = document.findDirectory(DirectoryKind::Exif);
    ASSERT_NE(exif, nullptr);
    EXPECT_EQ(Tags(*exif), (std::vector<uint16_t>{256}));
    EXPECT_EQ(Visited(document, false), 3);

    // A chain of directories each pointing at the next stops at the directory budget.
    TiffBytes chain(false);
    chain.header(8);
    const uint32_t n = TiffDocument::kMaxDirectories + 10;
    for (uint32_t i = 0; i < n; ++i) chain.directory(8 + 6 * i, {}, i + 1 < n ? 8 + 6 * (i + 1) : 0);
    ASSERT_TRUE(Parse(document, chain));
    int length = 0;
    for (const TiffDirectory* d = document.root(); d; d = d->next.get()) ++length;
    EXPECT_EQ(length, TiffDocument::kMaxDirectories);

    // Nesting deeper than kMaxDepth drops the innermost pointer.
    TiffBytes nest(true);
    nest.header(8);
    for (uint32_t i = 0; i < 12; ++i) nest.directory(8 + 20 * i, {nest.longRecord(34665, kTiffLong, 1, 8 + 20 * (i + 1))});
    nest.directory(8 + 20 * 12, {});
    ASSERT_TRUE(Parse(document, nest));
    int depth = 0;
    for (const TiffDirectory* d = document.root(); d && !d->entries.empty(); d = d->entries[0].child.get()) ++depth;
    EXPECT_EQ(depth, TiffDocument::kMaxDepth);
}

TEST(TiffEntryTest, IntValueDataSizeAndClone) {
    TiffEntry e = TiffEntry::makeShort(1, 0xBEEF);
    EXPECT_EQ(e.intValue(), 0xBEEFu);
    e.type = kTiffSShort;
    EXPECT_EQ(e.intValue(), 0xBEEFu);  // zero-extended
    const uint8_t bytes[4] = {0xF0, 2, 3, 4};
    e = TiffEntry::makeBytes(2, kTiffSByte, bytes);
    EXPECT_EQ(e.intValue(), 0xF0u);
    EXPECT_EQ(TiffEntry::makeLong(3, 0xFFFFFFFF).intValue(), 0xFFFFFFFFu);
    const uint32_t pair[2] = {1, 2};
    EXPECT_EQ(TiffEntry::makeRationals(4, pair).intValue(), 0u);

    // Out-of-line bytes: none when inline or of an unknown type; 64-bit, so 4 Gi rationals do not wrap.
    const std::tuple<uint16_t, uint32_t, uint64_t> sizes[] = {{kTiffShort, 2, 0},  {kTiffShort, 3, 6}, {kTiffAscii, 5, 5},
                                                             {kTiffFloat, 1, 0},  {kTiffDouble, 1, 8}, {99, 100, 0},
                                                             {kTiffSRational, 0xFFFFFFFF, 0xFFFFFFFFull * 8}};
    for (auto [type, count, size] : sizes) EXPECT_EQ(TiffEntry::create(0, type, count, 0).dataSize(), size) << type;

    const uint16_t shorts[5] = {1, 2, 3, 4, 5};
    uint16_t s = 0;
    EXPECT_TRUE(TiffEntry::makeShorts(20, shorts).shortAt(4, s) && s == 5);
    EXPECT_FALSE(TiffEntry::makeShorts(20, shorts).shortAt(5, s));
    auto directory = TiffDirectory::create(0);
    directory->add(TiffEntry::makeShorts(20, shorts));
    directory->add(TiffEntry::makeAscii(10, "text"));
    EXPECT_EQ(Tags(*directory), (std::vector<uint16_t>{10, 20}));
    std::optional<TiffEntry> copy = TiffEntry::cloneFrom(*directory, 20);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->count, 5u);
    EXPECT_EQ(copy->data, directory->find(20)->data);
    EXPECT_NE(copy->data.data(), directory->find(20)->data.data());
    EXPECT_FALSE(TiffEntry::cloneFrom(*directory, 30));
    EXPECT_FALSE(TiffEntry::create(5, kTiffDouble, 1, 0, std::vector<uint8_t>(8)).clone());
}

// The writers' layout in the usual case shows in the output digests.
TEST(TiffDocumentTest, LayoutHeadersAndRefusals) {
    TiffDocument document;
    document.initHeader(kByteOrderMotorola, 42);
    EXPECT_EQ(document.headerBytes(), (std::array<uint8_t, 8>{'M', 'M', 0, 42, 0, 0, 0, 8}));
    document.initHeader(kByteOrderIntel, 42);
    EXPECT_EQ(document.headerBytes(), (std::array<uint8_t, 8>{'I', 'I', 42, 0, 8, 0, 0, 0}));

    auto directory = TiffDirectory::create(0);
    directory->add(TiffEntry::makeAscii(270, "abcde"));
    document.startLayout();
    ASSERT_TRUE(document.placeDirectory(*directory));
    ASSERT_TRUE(document.placeData(directory->entries[0]));
    const uint32_t end = document.layoutCursor();
    uint32_t offset = 0;
    EXPECT_FALSE(document.reserve(0xFFFFFFFFull, 1, offset));
    EXPECT_EQ(document.layoutCursor(), end);
    std::vector<uint8_t> out(end), small(end - 1);
    EXPECT_TRUE(TiffDocument::writeDirectoryData(out, *directory));
    EXPECT_FALSE(TiffDocument::writeDirectoryData(small, *directory));
}

}  // namespace
}  // namespace kyp

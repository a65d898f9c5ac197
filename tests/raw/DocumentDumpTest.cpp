// The TIFF reader over hand-made documents in both byte orders and over a
// generated ORF file cut at every length, the camera texts over generated
// files of many settings, and the maker-note settings and embedded preview of
// ORF files: what was read, written as one line per case, is compared with
// the results recorded in raw/*.golden.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/core/PathText.h"
#include "engine/output/Bitmap.h"
#include "engine/output/JpegPreview.h"
#include "engine/raw/CameraInfo.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/TagVocabulary.h"
#include "engine/raw/TiffDocument.h"
#include "output/OutputTestSupport.h"
#include "platform/Golden.h"
#include "platform/TestFolder.h"
#include "raw/TiffText.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

// kind@position{tag:type*count=value ...} with sub-directories after "->" and
// the chain after "next".
void DumpDirectory(const TiffDirectory& d, std::string& out) {
    char text[96];
    std::snprintf(text, sizeof text, "%s@%u{", DirectoryKindName(d.kind), d.position);
    out += text;
    for (const TiffEntry& e : d.entries) {
        std::snprintf(text, sizeof text, " %u:%u*%u=%u", e.tag, e.type, e.count, e.intValue());
        out += text;
        if (!e.data.empty()) out += "+" + std::to_string(e.data.size()) + "b";
        if (e.child) {
            out += "->";
            DumpDirectory(*e.child, out);
        }
    }
    out += " }";
    if (d.next) {
        out += " next ";
        DumpDirectory(*d.next, out);
    }
}

uint32_t Fnv(const std::string& text) {
    uint32_t h = 2166136261u;
    for (const char c : text) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return h;
}

// The tree (or, when long, its size and a hash of it), the first directory of
// each kind, the holder of some tags and the order of a walk.
std::string Dump(TiffDocument& document, bool parsed) {
    if (!parsed || !document.root()) return parsed ? "no root" : "refused";
    std::string tree;
    DumpDirectory(*document.root(), tree);
    int directories = 0, entries = 0;
    std::string walk;
    document.root()->walk([&](const TiffDirectory& d, const TiffEntry* e) {
        ++(e ? entries : directories);
        if (walk.size() < 200) walk += " " + std::to_string(e ? e->tag : 100000 + d.position);
        return 0;
    });
    std::string out = std::to_string(directories) + " dirs " + std::to_string(entries) + " entries";
    if (tree.size() > 400) {
        char hash[16];
        std::snprintf(hash, sizeof hash, "%08X", Fnv(tree));
        out += " tree#" + std::string(hash);
    } else {
        out += " " + tree;
    }
    out += " | first";
    for (const DirectoryKind kind : {DirectoryKind::MainImage, DirectoryKind::Thumbnail,
                                     DirectoryKind::FullResolutionImage, DirectoryKind::Exif, DirectoryKind::SubIfd,
                                     DirectoryKind::Interoperability})
        if (const TiffDirectory* d = document.findDirectory(kind)) out += " " + std::to_string(static_cast<int>(kind)) + "@" + std::to_string(d->position);
    out += " | holders";
    for (const uint16_t tag : {100, 256, 305, 37500, 1234}) {
        const TiffDirectory* holder = &*document.root();
        const TiffEntry* e = document.findEntryAnywhere(tag, &holder);
        if (e) out += " " + std::to_string(tag) + "=" + std::to_string(e->intValue()) + "@" + std::to_string(holder->position);
        else if (holder) out += " " + std::to_string(tag) + " holder not cleared";
    }
    // A callback's non-zero result ends the walk and is its result.
    int calls = 0;
    const int stop = document.root()->walk([&calls](const TiffDirectory&, const TiffEntry* e) {
        ++calls;
        return e && e->tag == 256 ? 7 : 0;
    });
    return out + " | walk" + walk + " | stop " + std::to_string(stop) + " after " + std::to_string(calls);
}

std::string Parse(const std::vector<uint8_t>& bytes) {
    TiffDocument document;
    const bool parsed = document.openMemory(ByteView(bytes.data(), bytes.size())) && document.parse();
    return Dump(document, parsed);
}

// Every cut of the bytes from 0 up to limit bytes (past the directories and
// their data the cuts only shorten the raw samples), then the whole.
void EveryCut(test::GoldenFile& golden, const std::string& name, const std::vector<uint8_t>& bytes,
              const std::function<std::string(const std::vector<uint8_t>&)>& read, size_t limit = 2048) {
    golden.CheckRuns(name + " cut", std::min(bytes.size(), limit) + 1, [&](size_t n) {
        return read(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n)));
    });
    golden.Check(name + " whole", read(bytes));
}

sample::SampleOrfOptions Small() {
    sample::SampleOrfOptions o;
    o.width = 64;
    o.height = 48;
    o.previewWidth = 16;
    o.minimumFileSize = 0;
    return o;
}

// The hand-made documents of one use in raw/hand-made.txt: names and contents.
std::vector<std::pair<std::string, std::string>> HandMade(const std::string& use) {
    std::vector<std::pair<std::string, std::string>> documents;
    std::ifstream in(std::string(KYP_SOURCE_DIR) + "/tests/raw/hand-made.txt");
    for (std::string line; std::getline(in, line);) {
        const size_t a = line.find('\t'), b = line.find('\t', a + 1);
        if (b != std::string::npos && line.compare(0, a, use) == 0 && a == use.size())
            documents.emplace_back(line.substr(a + 1, b - a - 1), line.substr(b + 1));
    }
    EXPECT_FALSE(documents.empty()) << "no \"" << use << "\" documents in raw/hand-made.txt";
    return documents;
}

TEST(DocumentDump, TiffReaderGivesTheRecordedTrees) {
    test::GoldenFile golden("raw/documents.golden");
    // With the hand-made ones, documents too long to write by hand: 100
    // entries sharing 2000 bytes of a 4000-byte file, a chain longer than the
    // reader follows, Exif pointers nested 12 deep, and directories of 100
    // and 101 entries, first in the file or second.
    std::vector<std::pair<std::string, std::string>> documents = HandMade("tree");
    std::ostringstream shared, chain, nested;
    shared << "@8";
    for (int i = 1; i <= 100; ++i) shared << ' ' << i << ":1*2000=2000";
    const int n = TiffDocument::kMaxDirectories + 10;
    for (int i = 0; i < n; ++i) chain << '@' << 8 + 6 * i << " >" << (i + 1 < n ? 14 + 6 * i : 0) << ' ';
    for (int i = 0; i < 12; ++i) nested << '@' << 8 + 20 * i << " 34665:4*1=" << 28 + 20 * i << ' ';
    documents.insert(documents.end(), {{"100 entries sharing 2000 bytes of a 4000-byte file", shared.str() + " size=4000"},
                                       {"chain of 522 empty directories", chain.str()},
                                       {"Exif pointers nested 12 deep", nested.str() + "@248"}});
    for (const int count : {100, 101}) {
        std::ostringstream entries;
        for (int i = 0; i < count; ++i) entries << ' ' << 1000 + i << ":4*1=" << i;
        const std::string name = std::to_string(count) + " entries in the ";
        documents.emplace_back(name + "first directory", "@8" + entries.str() + " >4000 @4000 256:4*1=1");
        documents.emplace_back(name + "second directory", "@8 256:4*1=1 >2000 @2000" + entries.str() + " @4000 256:4*1=1");
    }
    for (const bool big : {true, false}) {
        const std::string order = big ? "MM " : "II ";
        for (const auto& [name, text] : documents) golden.Check(order + name, Parse(test::TiffFromText(big, text)));
        EveryCut(golden, order + "one directory", test::TiffFromText(big, "@8 256:4*1=1 258:3*2=8,16"), Parse);
    }
    std::vector<uint8_t> orf;
    ASSERT_TRUE(sample::BuildSampleOrf(Small(), orf));
    EveryCut(golden, "generated ORF", orf, Parse, 1100);
}

std::string CameraTexts(TiffDocument& document) {
    return cameraInfoText(document).value_or("(no text)") + " || " + cameraSummary(document).value_or("(no summary)") +
           " || " + cameraCaption(document);
}

TEST(DocumentDump, CameraTextsGiveTheRecordedResults) {
    std::setlocale(LC_TIME, "C");
    test::GoldenFile golden("raw/camera.golden");
    using Options = sample::SampleOrfOptions;
    const std::pair<std::string, std::function<void(Options&)>> files[] = {
        {"defaults", [](Options&) {}},
        {"unfired flash, zero biases and other words", [](Options& o) {
             o.meteringMode = 2, o.flash = 0x10, o.exposureBias[0] = 0, o.flashBias[0] = 0, o.bracketBias[0] = 2;
             o.macro = 1, o.focusMode = 1, o.zoomStep = 32, o.sharpness = 2, o.contrast = 7, o.whiteBalance[0] = 3;
             o.exposureProgram = 9;
         }},
        {"foreign maker note", [](Options& o) { o.makerNoteSignature = "NIKON"; }},
        {"no maker note", [](Options& o) { o.writeMakerNote = false; }},
        {"no flash, red-eye, hard, high contrast", [](Options& o) {
             o.flash = 0x20, o.flashMode = 1, o.sharpness = 1, o.contrast = 0, o.meteringMode = 1, o.exposureProgram = 1;
         }},
        {"fill flash, low contrast, zoom 1", [](Options& o) {
             o.flash = 0x0F, o.flashMode = 2, o.contrast = 2, o.zoomStep = 1, o.meteringMode = 3, o.exposureProgram = 3;
         }},
        {"flash off, spot, 7500K", [](Options& o) {
             o.flash = 0x14, o.flashMode = 3, o.meteringMode = 4, o.exposureProgram = 4, o.whiteBalance[1] = 8;
         }},
        {"unknown flash mode, other metering, auto white balance", [](Options& o) {
             o.flashMode = 4, o.meteringMode = 255, o.exposureProgram = 8, o.whiteBalance[0] = 1, o.sharpness = 3;
         }},
        {"long exposure, F8, positive biases", [](Options& o) {
             o.exposureTime[0] = 2, o.exposureTime[1] = 1, o.fNumber[0] = 8, o.fNumber[1] = 1, o.exposureBias[0] = 7;
             o.exposureBias[1] = 10, o.flashBias[0] = 1, o.flashBias[1] = 3, o.meteringMode = 6, o.exposureProgram = 5;
         }},
        {"odd dates and a zero denominator", [](Options& o) {
             o.dateTime = "2003:13:01 00:00:00", o.fNumber[1] = 0, o.exposureProgram = 6, o.meteringMode = 0;
         }},
    };
    for (const auto& [name, edit] : files) {
        Options o = Small();
        edit(o);
        std::vector<uint8_t> bytes;
        TiffDocument document;
        ASSERT_TRUE(sample::BuildSampleOrf(o, bytes) && document.openMemory(ByteView(bytes.data(), bytes.size())) &&
                    document.parse())
            << name;
        golden.Check("in memory, " + name, CameraTexts(document));
    }
    // Through a file the texts name it.
    test::TestFolder folder;
    TiffDocument named;
    ASSERT_TRUE(sample::WriteSampleOrf(folder / "P6140001.ORF", Small()) && named.open(folder / "P6140001.ORF") &&
                named.parse());
    golden.Check("file P6140001.ORF", CameraTexts(named));
    const std::vector<uint8_t> bare = test::TiffFromText(true, "@8 256:4*1=64");
    TiffDocument noExif;
    ASSERT_TRUE(noExif.openMemory(ByteView(bare.data(), bare.size())) && noExif.parse());
    golden.Check("a TIFF without Exif", CameraTexts(noExif));
    TiffDocument closed;
    golden.Check("a closed document", CameraTexts(closed));

    const std::string_view dates[] = {"2003:12:31 23:59:58", "2004-01-02T03:04:05", "2004:01:02 03:04:05extra",
                                        "0000:00:00 00:00:00", "    :  :     :  :  ", "2003:13:01 00:00:00",
                                        "2003:12:31", std::string_view("20\n3:1", 6), "2003:12:32 24:00:00",
                                        "1999:02:29 12:60:61", "2003/06/14 10:31:07", ""};
    for (const std::string_view date : dates) golden.Check("date " + std::string(date), exifDateText(date));

    // The vocabulary: words computed from values.
    for (const auto& [n, d] : {std::pair{10u, 1250u}, {1u, 60u}, {2u, 1u}, {0u, 1u}, {3u, 10u}, {10u, 0u}, {0u, 0u}})
        golden.Check("exposure time " + std::to_string(n) + "/" + std::to_string(d), exposureTimeText(n, d));
    for (const auto& [n, d] : {std::pair{8u, 1u}, {11u, 1u}, {28u, 0u}, {28u, 10u}, {56u, 10u}, {0xFFFFFFFFu, 1u}})
        golden.Check("f-number " + std::to_string(n) + "/" + std::to_string(d), fNumberText(n, d));
    for (const uint32_t flash : {0x00u, 0x01u, 0x05u, 0x07u, 0x08u, 0x0Fu, 0x10u, 0x14u, 0x18u, 0x19u, 0x20u, 0x40u,
                                 0x41u, 0x5Fu, 0xFFu, 0x10000u})
        golden.Check("flash " + std::to_string(flash), flashText(flash));
    for (const auto& [n, d, isSigned] : {std::tuple{7u, 0u, false}, {0xFFFFFFFFu, 1u, false}, {static_cast<uint32_t>(-5), 0u, true},
                                         {3u, 10u, false}, {static_cast<uint32_t>(-7), 0u, true}, {static_cast<uint32_t>(-1), 3u, true},
                                         {1u, 3u, true}, {0u, 5u, true}, {2u, 3u, false}}) {
        const std::string key = std::to_string(n) + "/" + std::to_string(d) + (isSigned ? " signed" : "");
        golden.Check("rational " + key, rationalText(n, d, isSigned) + " caption " + captionRationalText(n, d, isSigned));
    }
    for (const uint32_t v : {0u, 1u, 2u, 3u, 4u, 0xFFFFFFFFu})
        golden.Check("words for " + std::to_string(v), std::string(flashModeWord(v)) + ", " + focusWord(v) + ", " +
                                                           macroWord(v) + ", " + sharpnessWord(v) + ", " + contrastWord(v));
    for (const uint32_t step : {0u, 1u, 2u, 16u, 17u, 32u, 0xFFFFFFFFu}) golden.Check("zoom step " + std::to_string(step), std::to_string(zoomPercent(step)));
    for (const auto& [tag, value] : {std::pair<uint16_t, uint16_t>{34850, 8}, {34850, 0}, {34850, 9}, {37383, 1}, {37383, 6},
                                     {37383, 255}, {37383, 32768}, {37383, 65535}, {33437, 28}, {33434, 5}, {34855, 100},
                                     {37384, 1}, {37385, 0x19}, {41986, 1}})
        golden.Check("format SHORT " + std::to_string(tag) + " = " + std::to_string(value),
                     formatValue(TiffEntry::makeShort(tag, value)).value_or("(none)"));
}

TEST(TagVocabulary, FormatValueFromManyThreadsAtOnce) {
    // Each thread keeps formatting its own value; shared state would mix them up.
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &mismatches] {
            const TiffEntry entry = TiffEntry::makeShort(37383, static_cast<uint16_t>(100 + t));
            const std::string expected = "<unknown> " + std::to_string(100 + t);
            for (int i = 0; i < 2000; ++i)
                if (formatValue(entry) != expected) ++mismatches[t];
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// Geometry, first strip and camera settings ("no raw image" when refused),
// and where the embedded preview lies and what it decodes to.
std::string RawInfoOf(const std::vector<uint8_t>& bytes) {
    TiffDocument document;
    if (!document.openMemory(ByteView(bytes.data(), bytes.size())) || !document.parse()) return "refused";
    uint32_t offset = 0, length = 0;
    Bitmap decoded;
    std::string preview = " | no preview";
    if (findEmbeddedPreview(document, offset, length)) {
        const test::MessageCapture messages;
        const bool ok = decodeEmbeddedPreview(decoded, document) && test::MessageCapture::count == 0;
        preview = " | preview " + std::to_string(offset) + "+" + std::to_string(length) + " " +
                  (ok ? std::to_string(decoded.width()) + "x" + std::to_string(decoded.height()) + "/" +
                             std::to_string(decoded.bitsPerPixel())
                           : "not decoded without messages");
    }
    RawInfo info;
    if (!readRawInfo(document, info)) return "no raw image" + preview;
    const CameraSettings& c = info.camera;
    char text[256];
    std::snprintf(text, sizeof text, "%ux%u strip %u%s wb %u red %u blue %u matrix %d %d %d %d %d %d %d %d %d black %u %u %u %u",
                  info.width, info.height, info.rawOffset, info.raw == bytes.data() + info.rawOffset ? "" : " (no bytes)",
                  c.whiteBalanceMode, c.redBalance, c.blueBalance, c.colourMatrix[0], c.colourMatrix[1], c.colourMatrix[2],
                  c.colourMatrix[3], c.colourMatrix[4], c.colourMatrix[5], c.colourMatrix[6], c.colourMatrix[7],
                  c.colourMatrix[8], c.blackLevels[0], c.blackLevels[1], c.blackLevels[2], c.blackLevels[3]);
    return text + preview;
}

TEST(DocumentDump, OrfReaderGivesTheRecordedCameraSettings) {
    test::GoldenFile golden("raw/orf.golden");
    const std::string base = HandMade("orf base").at(0).second;
    for (const bool big : {true, false})
        for (const auto& [name, edits] : HandMade("orf"))
            golden.Check(std::string(big ? "MM " : "II ") + name, RawInfoOf(test::TiffFromText(big, base + " " + edits)));
    std::vector<uint8_t> orf;
    ASSERT_TRUE(sample::BuildSampleOrf(Small(), orf));
    EveryCut(golden, "generated ORF", orf, RawInfoOf, 1900);
    // The preview's pointers (JPEGInterchangeFormat at +8 of the 513 record,
    // its length in the 514 record) moved about.
    TiffDocument probe;
    ASSERT_TRUE(probe.openMemory(ByteView(orf.data(), orf.size())) && probe.parse());
    const TiffEntry* start = probe.findEntryAnywhere(513);
    const TiffEntry* size = probe.findEntryAnywhere(514);
    ASSERT_TRUE(start && size);
    const auto size32 = static_cast<uint32_t>(orf.size());
    for (const auto& [name, at, value] : {std::tuple{"length one past the end", size->position + 8, size32 - start->value + 1},
                                          {"length up to the end", size->position + 8, size32 - start->value},
                                          {"length 0xFFFFFFFF", size->position + 8, 0xFFFFFFFFu},
                                          {"length 0", size->position + 8, 0u},
                                          {"start at the end", start->position + 8, size32},
                                          {"length of tag 515", size->position, 515u << 16}}) {
        std::vector<uint8_t> patched = orf;
        for (size_t i = 0; i < 4; ++i) patched[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
        golden.Check(std::string("generated ORF, preview ") + name, RawInfoOf(patched));
    }

    for (uint16_t first = 0; first <= 3; ++first) {
        std::string modes;
        for (const uint16_t second : {0, 1, 2, 5, 7, 8, 9}) modes += std::to_string(WhiteBalanceModeFrom(first, second)) + ' ';
        golden.Check("white balance modes of (" + std::to_string(first) + ", 0 1 2 5 7 8 9)", modes);
    }
    std::string names;
    for (int mode = 0; mode <= 10; ++mode) names += std::string(mode ? ", " : "") + WhiteBalanceName(mode);
    golden.Check("white balance names 0 to 10", names);
}

}  // namespace
}  // namespace kyp

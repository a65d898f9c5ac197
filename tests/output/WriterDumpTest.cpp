#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "engine/output/JpegPreview.h"
#include "engine/output/JpegWriter.h"
#include "engine/output/TiffWriter.h"
#include "engine/raw/TiffDocument.h"
#include "output/OutputTestSupport.h"
#include "platform/Golden.h"
#include "raw/TiffText.h"

namespace kyp {
namespace {

using test::Segment;
using test::WrittenEntry;

std::string Hash(const uint8_t* data, size_t size) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001B3ull;
    char text[24];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(hash));
    return text;
}

// A directory's records as tag:type:count=value; texts of up to 24 bytes as
// themselves, the DateTime (the time of writing) as its length only.
void DumpDirectory(std::ostream& out, const std::vector<uint8_t>& f, const std::vector<WrittenEntry>& entries) {
    for (const WrittenEntry& e : entries) {
        out << ' ' << e.tag << ':' << e.type << ':' << e.count;
        if (e.tag == 306) continue;
        if (e.type == 2 && e.count <= 24) out << "=\"" << test::Escaped(test::WrittenText(f, e)) << '"';
        else out << '=' << e.value;
    }
}

// A written TIFF: its directories, its pixel bytes when few (else their hash)
// and the hash of the whole file with the DateTime blanked.
std::string TiffDump(std::vector<uint8_t> f) {
    const std::vector<WrittenEntry> main = test::ReadDirectory(f, 8);
    if (main.empty()) return "no directory, " + std::to_string(f.size()) + " bytes";
    std::ostringstream out;
    out << "main";
    DumpDirectory(out, f, main);
    if (const WrittenEntry* exif = test::FindWritten(main, 34665)) {
        out << " | exif";
        DumpDirectory(out, f, test::ReadDirectory(f, exif->value));
    }
    const WrittenEntry* strip = test::FindWritten(main, 273);
    const WrittenEntry* bytes = test::FindWritten(main, 279);
    if (strip && bytes && size_t{strip->value} + bytes->value <= f.size()) {
        out << " | pixels";
        if (bytes->value <= 18) {
            for (uint32_t i = 0; i < bytes->value; ++i) out << ' ' << unsigned{f[strip->value + i]};
        } else {
            out << ' ' << Hash(f.data() + strip->value, bytes->value);
        }
    }
    for (const WrittenEntry& e : main)
        if (e.tag == 306 && e.count == 20 && e.value + size_t{20} <= f.size()) std::fill_n(f.begin() + e.value, 20, 0);
    out << " | " << f.size() << " bytes " << Hash(f.data(), f.size());
    return out.str();
}

// A written JPEG: its segments up to the scan (marker:size, the first and last
// step of each quantisation table, the Exif directories, the comments' hash),
// the hash of the scan, and whether it decodes again without a message.
std::string JpegDump(bool ok, const std::vector<uint8_t>& bytes) {
    std::ostringstream out;
    out << (ok ? "written" : "refused");
    const std::vector<Segment> segments = test::Segments(bytes);
    size_t scan = 0;
    for (const Segment& s : segments) {
        scan += s.marker == 0xD8 ? 2 : 4 + s.data.size();
        out << " | " << std::hex << unsigned{s.marker} << std::dec << ':' << s.data.size();
        if (s.marker == 0xDB && s.data.size() >= 65) out << " q " << unsigned{s.data[1]} << ".." << unsigned{s.data[64]};
        if (s.marker == 0xFE) out << ' ' << Hash(s.data.data(), s.data.size());
        if (s.marker == 0xE1 && s.data.size() > 6) {
            const std::vector<uint8_t> tiff(s.data.begin() + 6, s.data.end());
            const std::vector<WrittenEntry> first = test::ReadDirectory(tiff, 8);
            DumpDirectory(out, tiff, first);
            if (const WrittenEntry* exif = test::FindWritten(first, 34665)) {
                out << " exif";
                DumpDirectory(out, tiff, test::ReadDirectory(tiff, exif->value));
            }
        }
    }
    if (scan < bytes.size()) out << " | scan " << bytes.size() - scan << ' ' << Hash(bytes.data() + scan, bytes.size() - scan);
    if (!bytes.empty()) {
        const test::MessageCapture messages;
        JpegPreviewImage decoded;
        const bool again = decodeEmbeddedPreview(decoded, bytes.data(), bytes.size());
        out << " | decodes " << again << " messages " << test::MessageCapture::count;
    }
    return out.str();
}

// Sources: the generated camera file; one without Exif; one whose Exif
// directory holds none of the carried tags (a maker note only).
struct Sources {
    Sources() {
        EXPECT_TRUE(test::CameraSource(cameraBytes, camera));
        for (const bool withExif : {false, true}) {
            // Make "X", the Exif pointer, a maker note "note".
            bare[withExif] = test::TiffFromText(true, withExif ? "@8 271:2*2=0x58000000 34665:4*1=40 @40 37500:7*4=0x6E6F7465"
                                                               : "@8 271:2*2=0x58000000 @40 37500:7*4=0x6E6F7465");
            const std::vector<uint8_t>& t = bare[withExif];
            EXPECT_TRUE(plain[withExif].openMemory(ByteView(t.data(), t.size())) && plain[withExif].parse());
        }
    }
    std::vector<uint8_t> cameraBytes;
    TiffDocument camera;
    std::vector<uint8_t> bare[2];
    TiffDocument plain[2];  // without Exif, with an Exif directory of nothing carried
    TiffDocument closed;
};

// Both writers over a table of settings and sources, each file checked whole:
// samples are clamped to 1023 before the scaling (never wrapped), grey files
// take the green samples, texts need ta/ja and are left out when empty,
// Exif needs tx/jx and a source with tags to carry, the JPEG quality scales
// the baseline tables (5000 / q below 50, else 200 − 2q percent, kept in
// 1..255, q kept in 1..100, 90 without settings), and oversized texts are
// cut at a whole character to fit their segment or Exif entry.
TEST(WriterDump, WrittenFilesGiveTheRecordedStructure) {
    test::GoldenFile golden("output/writers.golden");
    const test::TestFolder folder;
    const Sources sources;
    const uint16_t s[9] = {1023, 1021, 1, 2, 0, 512, 4000, 65535, 3};
    const test::OwnedImage clamped = test::MakeImage(3, 1, 3, [&](size_t i) { return s[i]; });
    const test::OwnedImage gradient = test::Gradient(16, 16, 3);
    const test::OwnedImage grey = test::Gradient(16, 8, 1);
    std::string accents = "x";  // two-byte characters at odd offsets: a cut at 65532 would split one
    for (int i = 0; i < 50000; ++i) accents += "\xC3\xA9";

    const struct {
        const char* name;
        std::function<void(OutputSettings&, ImportSettings&)> set;
        const TiffDocument* source;
    } cases[] = {
        {"8-bit", [](OutputSettings&, ImportSettings&) {}, &sources.camera},
        {"16-bit", [](OutputSettings& o, ImportSettings&) { o.t16 = true; }, &sources.camera},
        {"8-bit grey", [](OutputSettings&, ImportSettings& i) { i.options = opt::gray; }, &sources.camera},
        {"16-bit grey", [](OutputSettings& o, ImportSettings& i) { o.t16 = true, i.options = opt::gray; }, &sources.camera},
        {"texts", [](OutputSettings& o, ImportSettings&) { o.artist = "Ann", o.copyright = "(c) Bo", o.description = "Sea"; },
         &sources.camera},
        {"texts without ta and ja", [](OutputSettings& o, ImportSettings&) {
             o.artist = o.copyright = o.description = "x";
             o.ta = o.ja = false;
         }, &sources.camera},
        {"empty texts", [](OutputSettings& o, ImportSettings&) { o.artist = o.copyright = o.description = ""; }, &sources.camera},
        {"without tx and jx", [](OutputSettings& o, ImportSettings&) { o.tx = o.jx = false; }, &sources.camera},
        {"source without Exif", [](OutputSettings&, ImportSettings&) {}, &sources.plain[0]},
        {"source with nothing to carry", [](OutputSettings&, ImportSettings&) {}, &sources.plain[1]},
        {"no source", [](OutputSettings&, ImportSettings&) {}, nullptr},
        {"closed source", [](OutputSettings&, ImportSettings&) {}, &sources.closed},
        {"oversized texts", [&](OutputSettings& o, ImportSettings&) {
             o.description = std::string(100 * 1024, 'd');
             o.artist = accents;
             o.copyright = "";
         }, &sources.camera},
    };
    for (const auto& c : cases) {
        const bool depths = &c < &cases[4];  // the one-channel image only with the sample depths
        OutputSettings output;
        output.tx = output.ta = output.jx = output.ja = true;
        output.t16 = false;
        ImportSettings settings;
        c.set(output, settings);
        for (const test::OwnedImage* in : {&clamped, &grey}) {
            if (in == &grey && !depths) continue;
            const std::string path = folder / "out.tif";
            const bool ok = writeTiff(path, c.source, in->image, settings, output);
            const std::vector<uint8_t> written = test::ReadBytes(path);
            const bool made = std::remove(path.c_str()) == 0;
            golden.Check(std::string("tiff ") + c.name + (in == &grey ? ", one channel" : ""),
                         ok == made ? (ok ? TiffDump(written) : "refused") : "reported " + std::to_string(ok) + ", file " + std::to_string(made));
        }
        const test::OwnedImage& in = settings.options & opt::gray ? grey : gradient;
        JpegOutputBuffer buffer;
        const bool ok = writeJpeg(in.image, c.source, &output, buffer);
        golden.Check(std::string("jpeg ") + c.name, JpegDump(ok, buffer.contiguous()));
    }
    for (const int quality : {50, 90, 95, 99, 100, 10, 0, 250, -1}) {
        OutputSettings output;
        output.jx = output.ja = false;
        output.jpegQuality = quality;
        JpegOutputBuffer buffer;
        // Without settings: Exif, no comments, quality 90.
        const bool ok = quality < 0 ? writeJpeg(gradient.image, &sources.camera, nullptr, buffer)
                                    : writeJpeg(gradient.image, nullptr, &output, buffer);
        golden.Check("jpeg quality " + (quality < 0 ? std::string("without settings") : std::to_string(quality)),
                     JpegDump(ok, buffer.contiguous()));
    }
}

}  // namespace
}  // namespace kyp

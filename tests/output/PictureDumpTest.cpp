// Picture operations over small numbered pictures of both depths and of odd
// widths (so that rows have padding), and the preview decoder over streams
// cut at every length: every stored byte of each result (or what the decoder
// made of the stream), written as one line per case, is compared with the
// results recorded in output/*.golden.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/output/Bitmap.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/JpegPreview.h"
#include "engine/output/JpegWriter.h"
#include "output/OutputTestSupport.h"
#include "platform/Golden.h"

namespace kyp {
namespace {

// 24-bit: pixel (x, y) from the top is (10x + y, 100 + x, 200 + y); 8-bit: y * w + x.
Bitmap Numbered(int32_t w, int32_t h, int channels) {
    Bitmap b;
    EXPECT_TRUE(b.create(w, h, channels));
    std::memset(b.pixels(), 0xEE, b.size());  // padding too, so that a copy that skips it shows
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = b.row(y) + x * b.bytesPerPixel();
            if (channels == 1) {
                p[0] = static_cast<uint8_t>(y * w + x);
            } else {
                p[2] = static_cast<uint8_t>(10 * x + y);
                p[1] = static_cast<uint8_t>(100 + x);
                p[0] = static_cast<uint8_t>(200 + y);
            }
        }
    return b;
}

// Size, depth, stride and every stored byte (bottom row first, as stored);
// for 8-bit pictures a hash of the palette.
std::string Dump(bool ok, const Bitmap& b) {
    std::string out = ok ? "ok " : "refused ";
    if (!b.hasPixels()) return out + "(no pixels)";
    char text[64];
    std::snprintf(text, sizeof text, "%dx%d/%d stride %zu:", b.width(), b.height(), b.bitsPerPixel(), b.stride());
    out += text;
    for (size_t i = 0; i < b.size(); ++i) {
        std::snprintf(text, sizeof text, "%s%02X", i % b.stride() == 0 ? " " : "", b.pixels()[i]);
        out += text;
    }
    if (b.bitsPerPixel() == 8) {
        uint32_t h = 2166136261u;
        for (int i = 0; i < 1024; ++i) h = (h ^ b.palette()[i]) * 16777619u;
        std::snprintf(text, sizeof text, " palette#%08X", h);
        out += text;
    }
    return out;
}

std::string Pixel(const PixelRgb& p) {
    char text[48];
    std::snprintf(text, sizeof text, " (%d,%d,%d)", p.red, p.green, p.blue);
    return text;
}

TEST(PictureDump, OperationsGiveTheRecordedPixels) {
    test::GoldenFile golden("output/pictures.golden");
    const struct {
        int32_t w, h;
        int channels;
    } sources[] = {{3, 2, 3}, {4, 3, 3}, {5, 1, 3}, {1, 1, 3}, {3, 3, 1}, {5, 2, 1}};
    for (const auto& s : sources) {
        const std::string name = std::to_string(s.w) + "x" + std::to_string(s.h) + "/" + std::to_string(8 * s.channels) + " ";
        const Bitmap source = Numbered(s.w, s.h, s.channels);
        golden.Check(name + "as made", Dump(true, source));
        for (const bool h : {false, true})
            for (const bool v : {false, true}) {
                Bitmap b = Numbered(s.w, s.h, s.channels);
                const bool ok = b.flip(h, v);
                golden.Check(name + "flip" + (h ? " across" : "") + (v ? " down" : ""), Dump(ok, b));
            }
        for (int turns = -5; turns <= 5; ++turns) {
            // Into a picture of stale bytes, which must not survive.
            Bitmap into;
            ASSERT_TRUE(into.create(s.h, s.w, s.channels));
            std::memset(into.pixels(), 0xAB, into.size());
            const bool ok = source.rotate(turns, into);
            golden.Check(name + "rotate " + std::to_string(turns), Dump(ok, into));
            Bitmap self = Numbered(s.w, s.h, s.channels);
            if (s.channels == 1) self.palette()[4 * 7] = 99;  // a custom palette travels with the picture
            const bool inPlace = self.rotateInPlace(turns);
            golden.Check(name + "rotate in place " + std::to_string(turns), Dump(inPlace, self));
        }
        for (const int channel : {0, 1, 2, 3, 4, 9}) {
            Bitmap into;
            ASSERT_TRUE(into.create(s.w, s.h, 1));
            std::memset(into.pixels(), 7, into.size());
            const bool ok = source.extractChannel(channel, into);
            golden.Check(name + "channel " + std::to_string(channel), Dump(ok, into));
        }
        Bitmap self = Numbered(s.w, s.h, s.channels);
        const bool ok = self.extractChannel(1, self);
        golden.Check(name + "channel 1 in place", Dump(ok, self));

        std::string pixels;
        for (const auto& [x, y] : {std::pair{0, 0}, {1, 2}, {-5, 99}, {s.w - 1, s.h - 1}, {s.w, 0}, {0, -1}})
            pixels += Pixel(source.pixelAt(x, y));
        golden.Check(name + "pixels at (0,0) (1,2) (-5,99) (w-1,h-1) (w,0) (0,-1)", pixels);
        std::string averages;
        for (const auto& [x, y, w, h] : {std::tuple{1, 0, 2, 2}, {3, 2, 5, 5}, {4, 0, 1, 1}, {0, 0, 0, 1}, {0, 0, 1, 0},
                                         {0x7FFFFFF0, 0, 0x7FFFFFF0, 1}, {-1, -1, 2, 2}, {0, 0, s.w, s.h}, {2, 1, 1, 1}})
            averages += Pixel(source.averageAt(x, y, w, h));
        golden.Check(name + "averages over (1,0 2x2) (3,2 5x5) (4,0 1x1) (0,0 0x1) (0,0 1x0) (huge) (-1,-1 2x2) "
                            "(all) (2,1 1x1)",
                     averages);
    }
    // Rendered from 10-bit samples (beyond 1023 taken as 1023): colour, grey
    // from the green samples, grey from one channel, and without samples.
    const std::vector<uint16_t> samples = {1023, 512, 0, 2, 6, 10, 0, 0, 0, 1021, 1021, 1021, 1021, 1021, 1021, 1021, 1021, 4000};
    for (const bool grey : {false, true}) {
        Bitmap b;
        const bool ok = renderColour(b, samples.data(), 3, 2, grey, nullptr);
        golden.Check(std::string("rendered 3x2 colour") + (grey ? " as grey" : ""), Dump(ok, b));
    }
    Bitmap grey, none, into;
    golden.Check("rendered 3x2 grey", Dump(renderGray(grey, samples.data() + 9, 3, 2, nullptr), grey));
    golden.Check("rendered without samples", Dump(renderGray(none, nullptr, 5, 2, nullptr), none) + ", " +
                                                  Dump(renderColour(none, nullptr, 5, 2, false, nullptr), none));
    golden.Check("empty picture: pixel, rotate, flip, channel",
                 Pixel(none.pixelAt(0, 0)) + " " + Dump(none.rotate(1, into), into) + " " +
                     Dump(none.flip(true, true), none) + " " + Dump(none.extractChannel(1, into), into));
}

// What the decoder made of a stream: the picture's shape, how many of its rows
// (from the top) equal those of the whole stream's picture, and the library's
// messages.
std::string Decoded(const uint8_t* bytes, size_t length, const JpegPreviewImage& whole) {
    test::MessageCapture messages;
    JpegPreviewImage out;
    const bool ok = decodeEmbeddedPreview(out, bytes, length);
    int same = 0;
    while (ok && same < out.height && same < whole.height && out.stride == whole.stride &&
           std::memcmp(out.row(same), whole.row(same), out.stride) == 0)
        ++same;
    char text[96];
    std::snprintf(text, sizeof text, "%s %dx%dx%d, %d rows as whole, %d messages", ok ? "ok" : "refused", out.width,
                  out.height, out.channels, same, test::MessageCapture::count.load());
    return text + (test::MessageCapture::count ? ", last: " + test::MessageCapture::last : std::string());
}

TEST(PictureDump, PreviewsOfDamagedStreamsGiveTheRecordedResults) {
    test::GoldenFile golden("output/previews.golden");
    for (const uint16_t channels : {3, 1}) {
        // Smooth, and bright in every channel even in the first column.
        const test::OwnedImage in = test::MakeImage(16, 64, channels, [=](size_t i) {
            const size_t pixel = i / channels;
            return 100 + pixel % 16 * 40 + pixel / 16 * 8 + i % channels * 50;
        });
        OutputSettings settings;
        settings.jx = settings.ja = false;
        JpegOutputBuffer buffer;
        ASSERT_TRUE(writeJpeg(in.image, nullptr, &settings, buffer));
        std::vector<uint8_t> jpeg = buffer.contiguous();
        JpegPreviewImage whole;
        ASSERT_TRUE(decodeEmbeddedPreview(whole, jpeg.data(), jpeg.size()));
        uint32_t hash = 2166136261u;
        for (const uint8_t b : whole.pixels) hash = (hash ^ b) * 16777619u;
        const std::string name = channels == 3 ? "colour 16x64" : "grey 16x64";
        golden.Check(name + " whole picture", std::to_string(hash));
        golden.CheckRuns(name + " cut", jpeg.size() + 1, [&](size_t n) { return Decoded(jpeg.data(), n, whole); });
        // A frame header claiming 60000 × 60000 pixels.
        size_t sof = 2;
        while (sof + 4 < jpeg.size() && jpeg[sof + 1] != 0xC0) sof += 2 + (size_t{jpeg[sof + 2]} << 8 | jpeg[sof + 3]);
        ASSERT_LT(sof + 9, jpeg.size());
        for (const size_t at : {sof + 5, sof + 7}) jpeg[at] = 60000 >> 8, jpeg[at + 1] = 60000 & 0xFF;
        golden.Check(name + " claiming 60000x60000", Decoded(jpeg.data(), jpeg.size(), whole));
    }
    std::mt19937 random(7);
    std::vector<uint8_t> junk(4096);
    for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
    const JpegPreviewImage none;
    golden.Check("4096 random bytes", Decoded(junk.data(), junk.size(), none));
    junk[0] = 0xFF, junk[1] = 0xD8;
    golden.Check("4096 random bytes after a start of image", Decoded(junk.data(), junk.size(), none));
    golden.Check("no bytes", Decoded(nullptr, 100, none));
}

}  // namespace
}  // namespace kyp

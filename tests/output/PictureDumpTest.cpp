// Picture operations over small numbered pictures of both depths and of odd
// widths (so that rows have padding), and the preview decoder over streams
// cut at every length: every stored byte of each result (or what the decoder
// made of the stream), written as one line per case, is compared with the
// results recorded in output/*.golden.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
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

// Size, depth, stride, where the top row is stored and whether the pixels
// are in the block given (a picture made again keeps its block until too small).
std::string Shape(bool ok, const Bitmap& b, const uint8_t* block) {
    if (!b.hasPixels()) return std::string(ok ? "ok" : "refused") + " (no pixels) size " + std::to_string(b.size());
    char text[128];
    std::snprintf(text, sizeof text, "%s %dx%d/%d stride %zu size %zu, top row at %td, %s block", ok ? "ok" : "refused",
                  b.width(), b.height(), b.bitsPerPixel(), b.stride(), b.size(), b.row(0) - b.pixels(),
                  b.pixels() == block ? "the same" : "another");
    return text;
}

// A long dump as its shape (up to the ':') and a hash of the rest.
std::string Hashed(const std::string& dump) {
    if (dump.size() <= 300) return dump;
    uint32_t h = 2166136261u;
    for (const char c : dump) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "%08X", h);
    return dump.substr(0, dump.find(':')) + " bytes#" + text;
}

TEST(PictureDump, BitmapsMadeAgainRenderedAndDecodedGiveTheRecordedResults) {
    test::GoldenFile golden("output/bitmaps.golden");
    // One picture made again and again, refusals (empty, or beyond what a
    // .BMP file holds, or wrapping 32 bits) between good ones; any channel
    // count but 1 makes a 24-bit picture.
    Bitmap again;
    golden.Check("made again 0: none yet", Shape(true, again, nullptr));
    int step = 0;
    for (const auto& [w, h, c] : {std::tuple{3, 2, 3}, {10, 10, 3}, {5, 3, 1}, {10, 10, 7}, {11, 11, 3}, {40000, 20000, 3},
                                  {2, 2, 1}, {0, 5, 3}, {2, 2, 1}, {5, -1, 1}, {2, 2, 1}, {0x7FFFFFFF, 0x7FFFFFFF, 3}}) {
        const uint8_t* block = again.pixels();
        const bool ok = again.create(w, h, c);
        golden.Check("made again " + std::to_string(++step) + ": " + std::to_string(w) + "x" + std::to_string(h) + " of " +
                         std::to_string(c) + " channels",
                     Shape(ok, again, block));
    }
    // Taken over: the pixels (and the palette of an 8-bit picture) move with
    // their block, the source is left empty; taken over by itself, nothing
    // changes.
    for (const int channels : {3, 1}) {
        Bitmap source = Numbered(3, 2, channels), taker;
        if (channels == 1) source.palette()[4 * 7] = 99;
        const uint8_t* block = source.pixels();
        ASSERT_TRUE(taker.create(1, 1, 4 - channels));
        taker.takeOver(source);
        const std::string name = "3x2/" + std::to_string(8 * channels) + " taken over";
        golden.Check(name, Shape(true, taker, block) + " " + Dump(true, taker) + " | source " + Shape(true, source, nullptr));
        taker.takeOver(taker);
        golden.Check(name + " by itself", Shape(true, taker, block));
        const bool made = taker.create(1, 1, channels);
        golden.Check(name + " and made again smaller", Shape(made, taker, block));
    }
    // Tall pictures tick every ten rows (colour from 401 rows, grey from 501);
    // a tick answered false stops the rendering and lets the pixels go.
    const std::vector<uint16_t> flat(size_t{2} * 3 * 501, 100);
    for (const auto& [grey, rows, cancelAfter] :
         {std::tuple{false, 400, -1}, {false, 401, -1}, {true, 500, -1}, {true, 501, -1}, {false, 401, 1}}) {
        Bitmap b;
        test::RecordingProgress progress;
        progress.cancelAfter = cancelAfter;
        const bool ok = grey ? renderGray(b, flat.data(), 2, rows, &progress) : renderColour(b, flat.data(), 2, rows, false, &progress);
        std::string calls;
        for (const std::string& call : progress.calls) calls += call + ", ";
        golden.Check(std::string(grey ? "rendered grey 2x" : "rendered colour 2x") + std::to_string(rows) +
                         (cancelAfter < 0 ? "" : " cancelled at the second tick"),
                     std::string(ok ? "ok, " : "refused, ") + calls + "ticks " + std::to_string(progress.ticks) + " counting " +
                         std::to_string(progress.tickTotal) + (b.hasPixels() ? ", pixels" : ", no pixels"));
    }
    // The JPEG buffer fills its last block before it opens one of at least
    // 2048 bytes, and is written whole, in block order.
    std::vector<uint8_t> bytes(8000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    JpegOutputBuffer buffer;
    std::string appends;
    for (const auto& [from, count] : {std::pair{0, 1000}, {1000, 2000}, {3000, 5000}, {0, 0}}) {
        appends += buffer.append(bytes.data() + from, count) ? "size " : "refused, size ";
        appends += std::to_string(buffer.size()) + " in";
        for (size_t i = 0; i < buffer.blockCount(); ++i) appends += ' ' + std::to_string(buffer.blockSize(i));
        appends += "; ";
    }
    const test::TestFolder folder;
    const bool written = writeBufferToFile(folder / "buffer.bin", buffer) && test::ReadBytes(folder / "buffer.bin") == bytes;
    appends += std::string(buffer.contiguous() == bytes ? "joined" : "not joined") + (written ? ", written" : ", not written") +
               (writeBufferToFile(folder / "missing/out.jpg", buffer) ? ", written into a missing folder" : "");
    buffer.clear();
    golden.Check("JPEG buffer after 1000, 2000, 5000 and 0 bytes, then cleared",
                 appends + "; cleared: size " + std::to_string(buffer.size()) + " in " + std::to_string(buffer.blockCount()));
    // Previews decoded into one bitmap after another: red over blue, then a
    // smaller grey picture in the same block, then a stream cut short.
    const test::OwnedImage redOverBlue = test::MakeImage(16, 16, 3, [](size_t i) {
        return i % 3 == 1 ? 0 : (i % 3 == 0) == (i / 3 < 16 * 8) ? 1023 : 0;
    });
    const test::OwnedImage grey = test::Gradient(5, 3, 1);
    const test::MessageCapture messages;
    Bitmap decoded;
    for (const auto& [name, image, quality, length] : {std::tuple{"16x16 red over blue", &redOverBlue, 100, SIZE_MAX},
                                                       {"5x3 grey", &grey, 95, SIZE_MAX},
                                                       {"5x3 grey cut to 10 bytes", &grey, 95, size_t{10}}}) {
        OutputSettings settings;
        settings.jx = settings.ja = false;
        settings.jpegQuality = quality;
        JpegOutputBuffer jpeg;
        ASSERT_TRUE(writeJpeg(image->image, nullptr, &settings, jpeg)) << name;
        const std::vector<uint8_t> stream = jpeg.contiguous();
        const bool ok = decodeEmbeddedPreview(decoded, stream.data(), std::min(length, stream.size()));
        golden.Check(std::string("preview into a bitmap, ") + name,
                     Pixel(decoded.pixelAt(3, 0)) + Pixel(decoded.pixelAt(3, 15)) + " " + Hashed(Dump(ok, decoded)) + ", " +
                         std::to_string(test::MessageCapture::count.exchange(0)) + " messages");
    }
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

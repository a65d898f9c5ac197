#include "engine/output/TiffWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "engine/core/KernelTargets.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/ExifCarry.h"
#include "platform/AtomicFile.h"
#include "platform/LargeBlock.h"
#include "platform/Parallel.h"

namespace kyp {

namespace {

// Pixels are converted into this much memory at a time (whole rows, at least
// one), in two buffers: one is written while the next is converted.
constexpr size_t kChunkBytes = size_t{1} << 18;

struct PixelFormat {
    bool rgb = false;
    uint32_t samplesPerPixel = 1;
    uint32_t bits = 8;
    uint64_t dataSize = 0;  // bytes of pixel data
    uint64_t rowBytes = 0;
};

void AddCopy(TiffDirectory& directory, const TiffDirectory& source, uint16_t tag) {
    std::optional<TiffEntry> copy = TiffEntry::cloneFrom(source, tag);
    if (copy) directory.entries.push_back(std::move(*copy));
}

// The annotation text when it replaces or adds a tag: only with ta and a non-empty text.
const std::string* Annotation(const OutputSettings& output, const std::optional<std::string>& text) {
    return output.ta && text && !text->empty() ? &*text : nullptr;
}

// ---- pixel conversion; n counts output components ----
void Samples8(const uint16_t* __restrict in, uint8_t* __restrict out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = SampleTo8Bit(in[i]);
}
void Green8(const uint16_t* __restrict in, uint8_t* __restrict out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = SampleTo8Bit(in[i * 3 + 1]);
}
// Samples above 1023 are taken as 1023 so that × 64 cannot wrap.
inline uint16_t To16(uint16_t sample) { return static_cast<uint16_t>((sample < 1023 ? sample : 1023) << 6); }
KYP_ALWAYS_INLINE void Samples16Body(const uint16_t* __restrict in, uint16_t* __restrict out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = To16(in[i]);
}
KYP_KERNEL_VARIANTS(Samples16For, Samples16Body, (const uint16_t* __restrict in, uint16_t* __restrict out, size_t n),
                    (in, out, n))
void Samples16(const uint16_t* in, uint16_t* out, size_t n) { PickSamples16For(KernelTargetInUse())(in, out, n); }
void Green16(const uint16_t* __restrict in, uint16_t* __restrict out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = To16(in[i * 3 + 1]);
}

// Converts whole rows into a chunk buffer and writes it; while one chunk is
// being written the next one is converted, by the pool's threads.
bool WritePixels(AtomicFile& file, const ProcessedImage& image, const PixelFormat& format) {
    const bool greenOnly = image.channels == 3 && !format.rgb;
    const uint64_t rowComponents = uint64_t{image.width} * format.samplesPerPixel;
    const uint64_t rowsPerChunk = std::max<uint64_t>(1, kChunkBytes / format.rowBytes);
    const uint64_t chunkComponents = rowComponents * std::min<uint64_t>(rowsPerChunk, image.height);
    const size_t chunkBytes = static_cast<size_t>(chunkComponents * sizeof(uint16_t));
    struct Release {
        void operator()(void* block) const { ReleaseLargeBlock(block); }
    };
    std::unique_ptr<void, Release> block(AllocateLargeBlock(2 * chunkBytes));
    if (!block) {
        errno = ENOMEM;
        return false;
    }
    uint8_t* const buffers[2] = {static_cast<uint8_t*>(block.get()), static_cast<uint8_t*>(block.get()) + chunkBytes};
    const size_t componentBytes = format.bits / 8;

    // Components [first, end) of the chunk starting at `row` into buffer.
    auto convert = [&](uint64_t row, size_t first, size_t end, uint8_t* buffer) {
        const uint16_t* in = image.samples + row * image.width * image.channels;
        auto* words = reinterpret_cast<uint16_t*>(buffer);
        if (format.bits == 16) {
            if (greenOnly)
                Green16(in + 3 * first, words + first, end - first);
            else
                Samples16(in + first, words + first, end - first);
        } else {
            if (greenOnly)
                Green8(in + 3 * first, buffer + first, end - first);
            else
                Samples8(in + first, buffer + first, end - first);
        }
    };
    auto components = [&](uint64_t row) {
        return static_cast<size_t>(rowComponents * std::min<uint64_t>(rowsPerChunk, image.height - row));
    };

    // Unit 0 writes the previous chunk; the others convert parts of this one.
    constexpr size_t kParts = 8;
    bool written = true;
    size_t pending = 0;  // components of the previous chunk, still to be written
    size_t chunk = 0;
    for (uint64_t row = 0; row < image.height; row += rowsPerChunk, ++chunk) {
        const size_t n = components(row);
        uint8_t* const target = buffers[chunk % 2];
        uint8_t* const previous = buffers[(chunk + 1) % 2];
        const size_t part = (n + kParts - 1) / kParts;
        ParallelFor(kParts + 1, [&](size_t unit, unsigned) {
            if (unit == 0) {
                if (pending != 0) written = file.Write(previous, pending * componentBytes);
                return;
            }
            const size_t first = std::min(n, (unit - 1) * part);
            const size_t end = std::min(n, first + part);
            if (first < end) convert(row, first, end, target);
        });
        if (!written) return false;
        pending = n;
    }
    return pending == 0 || file.Write(buffers[(chunk + 1) % 2], pending * componentBytes);
}

}  // namespace

bool writeTiff(const std::string& path, const TiffDocument* source, const ProcessedImage& image,
               const ImportSettings& settings, const OutputSettings& output, int* error) {
    auto fail = [error](int reason) {
        if (error) *error = reason != 0 ? reason : EIO;
        return false;
    };
    // ---- inputs ----
    const TiffDirectory* sourceMain = source ? source->findDirectory(DirectoryKind::MainImage) : nullptr;
    if (!sourceMain) return fail(EINVAL);
    if (image.width == 0 || image.height == 0 || !image.samples || (image.channels != 1 && image.channels != 3))
        return fail(EINVAL);

    PixelFormat format;
    format.bits = output.t16 ? 16 : 8;
    format.rgb = image.channels == 3 && (settings.options & opt::gray) == 0;
    format.samplesPerPixel = format.rgb ? 3 : 1;
    format.rowBytes = uint64_t{image.width} * format.samplesPerPixel * (format.bits / 8);
    format.dataSize = format.rowBytes * image.height;
    if (format.dataSize > UINT32_MAX) return fail(EFBIG);  // StripByteCounts is 32-bit

    const std::string dateTime = currentExifDateTime();

    try {
        // ---- main directory, in ascending tag order ----
        auto main = std::make_unique<TiffDirectory>();
        std::vector<TiffEntry>& e = main->entries;
        e.reserve(22);
        e.push_back(TiffEntry::makeLong(tag::kImageWidth, image.width));
        e.push_back(TiffEntry::makeLong(tag::kImageLength, image.height));
        if (format.rgb) {
            const uint16_t bits[3] = {static_cast<uint16_t>(format.bits), static_cast<uint16_t>(format.bits),
                                      static_cast<uint16_t>(format.bits)};
            e.push_back(TiffEntry::makeShorts(tag::kBitsPerSample, bits));
        } else {
            e.push_back(TiffEntry::makeShort(tag::kBitsPerSample, static_cast<uint16_t>(format.bits)));
        }
        e.push_back(TiffEntry::makeShort(tag::kCompression, 1));
        e.push_back(TiffEntry::makeShort(tag::kPhotometricInterpretation, format.rgb ? 2 : 1));
        if (const std::string* description = Annotation(output, output.description))
            e.push_back(TiffEntry::makeAscii(tag::kImageDescription, *description));
        else
            AddCopy(*main, *sourceMain, tag::kImageDescription);
        AddCopy(*main, *sourceMain, tag::kMake);
        AddCopy(*main, *sourceMain, tag::kModel);
        const size_t stripOffsetsIndex = e.size();
        e.push_back(TiffEntry::makeLong(tag::kStripOffsets, 0));  // set once laid out
        e.push_back(TiffEntry::makeShort(tag::kOrientation, 1));
        e.push_back(TiffEntry::makeShort(tag::kSamplesPerPixel, static_cast<uint16_t>(format.samplesPerPixel)));
        e.push_back(TiffEntry::makeLong(tag::kRowsPerStrip, image.height));
        e.push_back(TiffEntry::makeLong(tag::kStripByteCounts, static_cast<uint32_t>(format.dataSize)));
        const uint32_t resolution[2] = {kTiffResolutionDpi, 1};
        e.push_back(TiffEntry::makeRationals(tag::kXResolution, resolution));
        e.push_back(TiffEntry::makeRationals(tag::kYResolution, resolution));
        e.push_back(TiffEntry::makeShort(tag::kPlanarConfiguration, 1));
        e.push_back(TiffEntry::makeShort(tag::kResolutionUnit, 2));  // inch
        e.push_back(TiffEntry::makeAscii(tag::kSoftware, kSoftwareName));
        e.push_back(TiffEntry::makeAscii(tag::kDateTime, dateTime));
        if (const std::string* artist = Annotation(output, output.artist))
            e.push_back(TiffEntry::makeAscii(tag::kArtist, *artist));
        if (const std::string* copyright = Annotation(output, output.copyright))
            e.push_back(TiffEntry::makeAscii(tag::kCopyright, *copyright));

        // ---- Exif directory ----
        std::unique_ptr<TiffDirectory> exif;
        const TiffDirectory* sourceExif = output.tx ? source->findDirectory(DirectoryKind::Exif) : nullptr;
        if (sourceExif) {
            exif = std::make_unique<TiffDirectory>();
            exif->kind = DirectoryKind::Exif;
            addCarriedExifEntries(*exif, *sourceExif, format.rgb);
            // A directory without entries is not valid TIFF: no Exif pointer then.
            if (exif->entries.empty())
                exif.reset();
            else
                e.push_back(TiffEntry::makeLong(tag::kExifIfd, 0));  // set once laid out
        }

        // ---- layout: header, directories, their data, then the pixels ----
        TiffDocument file;
        file.initHeader(kByteOrderIntel, 42);
        file.startLayout();
        if (!file.placeDirectory(*main)) return fail(EFBIG);
        if (exif) {
            if (!file.placeDirectory(*exif)) return fail(EFBIG);
            e.back().value = exif->position;
        }
        for (TiffEntry& entry : main->entries)
            if (!file.placeData(entry)) return fail(EFBIG);
        if (exif) {
            for (TiffEntry& entry : exif->entries)
                if (!file.placeData(entry)) return fail(EFBIG);
        }
        uint32_t pixelOffset = 0;
        if (!file.reserve(format.dataSize, kTiffPixelAlignment, pixelOffset)) return fail(EFBIG);
        e[stripOffsetsIndex].value = pixelOffset;

        // ---- everything before the pixels, built in memory ----
        std::vector<uint8_t> head(pixelOffset, 0);
        const std::array<uint8_t, 8> header = file.headerBytes();
        std::memcpy(head.data(), header.data(), header.size());
        putTiffDirectory(head.data(), *main);
        if (exif) putTiffDirectory(head.data(), *exif);
        if (!TiffDocument::writeDirectoryData(head, *main)) return fail(EFBIG);
        if (exif && !TiffDocument::writeDirectoryData(head, *exif)) return fail(EFBIG);

        // ---- the file: appears under path only when complete ----
        AtomicFile out;
        out.SetDurable(false);  // an image remade at will: the rename is protection enough
        if (!out.Open(path) || !out.Write(head.data(), head.size())) return fail(out.Error());
        errno = 0;
        if (!WritePixels(out, image, format)) return fail(out.Error() != 0 ? out.Error() : errno);
        return out.Commit() || fail(out.Error());
    } catch (const std::bad_alloc&) {
        return fail(ENOMEM);
    }
}

}  // namespace kyp

#include "engine/raw/OrfRaw.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "engine/core/KernelTargets.h"
#include "engine/raw/TiffDocument.h"
#include "engine/raw/TiffReadContext.h"
#include "platform/Parallel.h"

namespace kyp {

namespace {

// Samples per unit of work of the unpacking.
constexpr size_t kUnpackGrain = 65536;

// An Olympus maker note starts "OLYMP\0", two more bytes, then its directory.
constexpr uint8_t kOlympusSignature[6] = {'O', 'L', 'Y', 'M', 'P', 0};
constexpr uint32_t kOlympusHeaderSize = 8;

constexpr const char* kWhiteBalanceNames[] = {"Auto",  "Quick Reference", "3000K", "3700K", "4000K",
                                              "4500K", "5500K",           "6500K", "7500K"};

}  // namespace

bool isOrfFile(const std::string& path, LoadError* why) {
    LoadError error = LoadError::none;
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = path.empty() || errno == ENOENT || errno == ENOTDIR ? LoadError::missing
                : errno == EACCES || errno == EPERM                 ? LoadError::denied
                : errno == ENXIO || errno == ENODEV                 ? LoadError::notRegular
                                                                    : LoadError::readFailed;
    } else {
        struct stat info {};
        uint8_t head[8] = {};
        if (::fstat(fd, &info) != 0) {
            error = LoadError::readFailed;
        } else if (!S_ISREG(info.st_mode)) {
            error = LoadError::notRegular;
        } else if (info.st_size < static_cast<off_t>(kOrfMinimumFileSize) ||
                   // Sizes are 32-bit: a file of 4 GiB or more cannot be read.
                   static_cast<uint64_t>(info.st_size) > 0xFFFFFFFFull) {
            error = LoadError::notOrf;
        } else {
            (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) {
                error = LoadError::changed;  // shorter now than fstat said
            } else if (!(head[0] == 'M' && head[1] == 'M' && head[2] == 'O' && head[3] == 'R')) {
                error = LoadError::notOrf;
            }
        }
        ::close(fd);
    }
    if (why) *why = error;
    return error == LoadError::none;
}

uint16_t WhiteBalanceModeFrom(uint16_t first, uint16_t second) {
    if (first == 1) return 0;
    if (first == 3) return 1;
    if (second >= 2 && second <= 8) return second;
    return 0;
}

const char* WhiteBalanceName(uint32_t index) {
    return index < std::size(kWhiteBalanceNames) ? kWhiteBalanceNames[index] : kWhiteBalanceNames[0];
}

std::unique_ptr<TiffDirectory> readOlympusMakerNote(TiffDocument& document, uint32_t minimumSize) {
    const TiffDirectory* exif = document.findDirectory(DirectoryKind::Exif);
    const TiffEntry* note = exif ? exif->find(tag::kMakerNote) : nullptr;
    if (!note || note->count < minimumSize || note->count < sizeof kOlympusSignature) return nullptr;
    // The six signature bytes are inline only for counts of 4 or less, which
    // the test above already refused; the copy in data is what we compare.
    if (note->isInline() || note->data.size() < sizeof kOlympusSignature ||
        std::memcmp(note->data.data(), kOlympusSignature, sizeof kOlympusSignature) != 0) {
        return nullptr;
    }
    InputFile& file = document.file();
    if (!file.seek(uint64_t{note->value} + kOlympusHeaderSize)) return nullptr;
    return TiffDirectory::read(file);
}

void readCameraSettings(const TiffDirectory& makerNote, CameraSettings& camera) {
    if (const TiffEntry* mode = makerNote.find(tag::kOlympusWhiteBalanceMode)) {
        uint16_t first = 0, second = 0;
        if (mode->shortAt(0, first)) {
            (void)mode->shortAt(1, second);
            camera.whiteBalanceMode = WhiteBalanceModeFrom(first, second);
        }
    }
    if (const TiffEntry* red = makerNote.find(tag::kOlympusRedBalance)) {
        camera.redBalance = static_cast<uint16_t>(red->intValue());
    }
    if (const TiffEntry* blue = makerNote.find(tag::kOlympusBlueBalance)) {
        camera.blueBalance = static_cast<uint16_t>(blue->intValue());
    }
    const TiffEntry* matrix = makerNote.find(tag::kOlympusColourMatrix);
    uint16_t v = 0;
    if (matrix && matrix->count >= 9 && matrix->shortAt(8, v)) {
        for (uint32_t i = 0; i < 9; ++i) {
            (void)matrix->shortAt(i, v);
            camera.colourMatrix[i] = static_cast<int16_t>(v);
        }
    } else {
        camera.colourMatrix[0] = camera.colourMatrix[4] = camera.colourMatrix[8] = 256;
        camera.colourMatrix[1] = camera.colourMatrix[2] = camera.colourMatrix[3] = 0;
        camera.colourMatrix[5] = camera.colourMatrix[6] = camera.colourMatrix[7] = 0;
    }
    const TiffEntry* black = makerNote.find(tag::kOlympusBlackLevels);
    if (black && black->count >= 4 && black->shortAt(3, v)) {
        for (uint32_t i = 0; i < 4; ++i) {
            (void)black->shortAt(i, v);
            camera.blackLevels[i] = v;
        }
    } else {
        for (uint16_t& level : camera.blackLevels) level = 0;
    }
}

bool readRawInfo(TiffDocument& document, RawInfo& info) {
    info = RawInfo{};

    // Geometry and the first strip from the main directory.
    const TiffDirectory* main = document.findDirectory(DirectoryKind::MainImage);
    if (!main) return false;
    const TiffEntry* width = main->find(tag::kImageWidth);
    const TiffEntry* height = main->find(tag::kImageLength);
    const TiffEntry* strips = main->find(tag::kStripOffsets);
    uint32_t offset = 0;
    if (!width || !height || !strips || !strips->valueAt(0, offset)) return false;
    info.width = width->intValue();
    info.height = height->intValue();
    info.rawOffset = offset;
    info.raw = document.file().view().at(offset, 0);

    // Camera settings from the Olympus maker note; without one the defaults stand.
    if (std::unique_ptr<TiffDirectory> makerNote = readOlympusMakerNote(document)) {
        readCameraSettings(*makerNote, info.camera);
    }
    return true;
}

namespace {

KYP_ALWAYS_INLINE void UnpackRangeBody(uint16_t* __restrict out, const uint8_t* __restrict in, size_t first,
                                       size_t end) {
    for (size_t i = first; i < end; ++i) out[i] = static_cast<uint16_t>((in[2 * i] << 8 | in[2 * i + 1]) >> 6);
}

KYP_KERNEL_VARIANTS(UnpackRange, UnpackRangeBody,
                    (uint16_t* __restrict out, const uint8_t* __restrict in, size_t first, size_t end),
                    (out, in, first, end))

// The same on words that already hold the file's bytes: sample i replaces the
// word it comes from.
KYP_ALWAYS_INLINE void UnpackWordsBody(uint16_t* __restrict words, size_t first, size_t end) {
    for (size_t i = first; i < end; ++i) {
        uint16_t word = words[i];
        if constexpr (std::endian::native == std::endian::little) word = static_cast<uint16_t>(word >> 8 | word << 8);
        words[i] = static_cast<uint16_t>(word >> 6);
    }
}

KYP_KERNEL_VARIANTS(UnpackWords, UnpackWordsBody, (uint16_t* __restrict words, size_t first, size_t end),
                    (words, first, end))

}  // namespace

void unpack(uint16_t* destination, const uint8_t* source, size_t count) {
    // Each sample is a big-endian word with the value in its upper 10 bits.
    // A plain loop over independent samples that the compiler keeps in vector
    // registers; ranges of it go to the threads.
    const auto kernel = PickUnpackRange(KernelTargetInUse());
    ParallelRanges(count, kUnpackGrain,
                   [&](size_t first, size_t end, unsigned) { kernel(destination, source, first, end); });
}

void unpackInPlace(uint16_t* words, size_t count) {
    const auto kernel = PickUnpackWords(KernelTargetInUse());
    ParallelRanges(count, kUnpackGrain, [&](size_t first, size_t end, unsigned) { kernel(words, first, end); });
}

}  // namespace kyp

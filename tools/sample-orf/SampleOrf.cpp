#include "tools/sample-orf/SampleOrf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "tools/sample-orf/SampleScene.h"
#include "tools/sample-orf/TiffBuilder.h"

namespace kyp::sample {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
struct JpegFailure {};
[[noreturn]] void ThrowJpegError(j_common_ptr) { throw JpegFailure{}; }
void SilentMessage(j_common_ptr) {}

bool CompressPreview(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height, std::vector<uint8_t>& out) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jerr.error_exit = ThrowJpegError;
    jerr.output_message = SilentMessage;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool ok = false;
    try {
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = width;
        cinfo.image_height = height;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 85, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + size_t{cinfo.next_scanline} * width * 3);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        out.assign(buffer, buffer + size);
        ok = true;
    } catch (const JpegFailure&) {
        ok = false;
    }
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return ok;
}

bool LoadScene(const SampleOrfOptions& options, SampleScene& scene) {
    return options.photo.empty() ? scene.loadChart(options.width, options.height)
                                 : scene.loadPhoto(options.photo, options.width, options.height);
}

// Mosaic of the scene as the camera records it; see RenderSampleMosaic.
void MosaicRows(const SampleOrfOptions& options, const SampleScene& scene, uint32_t firstRow, uint32_t rows,
                uint16_t* out) {
    const uint32_t w = options.width;
    std::vector<uint16_t> rgb(size_t{w} * 3);
    // Per site of the 2 × 2 cell (red, green, green, blue): balance divisor
    // in 1/256, black level, and the scale that maps the scene onto what is
    // left of the 10-bit range above the black level.
    uint32_t divisor[4] = {std::max<uint32_t>(1, options.redBalance), 256, 256,
                           std::max<uint32_t>(1, options.blueBalance)};
    for (uint32_t y = firstRow; y < firstRow + rows; ++y) {
        scene.renderRow(y, rgb.data());
        uint16_t* row = out + size_t{y - firstRow} * w;
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t site = (y & 1) * 2 + (x & 1);
            const uint32_t channel = (x & 1) + (y & 1);
            const uint32_t black = std::min<uint32_t>(options.blackLevels[site], 1023);
            const uint32_t balanced = rgb[3 * size_t{x} + channel] * 256u / divisor[site];
            const uint32_t value = black + balanced * (1023 - black) / 1023;
            row[x] = static_cast<uint16_t>(std::min<uint32_t>(value, 1023));
        }
    }
}

BeDirectory MakerNoteDirectory(const SampleOrfOptions& o) {
    BeDirectory d;
    d.addShort(0x0201, o.quality);
    d.addShort(0x0202, o.macro);
    d.addRational(0x0204, o.digitalZoom[0], o.digitalZoom[1]);
    d.addAscii(0x0207, o.firmware);
    d.addShort(0x1004, o.flashMode);
    d.addSRational(0x1006, o.bracketBias[0], o.bracketBias[1]);
    d.addShort(0x100B, o.focusMode);
    d.addShort(0x100D, o.zoomStep);
    d.addShort(0x100F, o.sharpness);
    uint16_t matrix[9];
    for (int i = 0; i < 9; ++i) matrix[i] = static_cast<uint16_t>(o.colourMatrix[i]);
    d.addShorts(0x1011, matrix);
    d.addShorts(0x1012, o.blackLevels);
    d.addShorts(0x1015, o.whiteBalance);
    // Cameras store each balance with a second value (64); readers use the first.
    const uint16_t red[2] = {o.redBalance, 64}, blue[2] = {o.blueBalance, 64};
    d.addShorts(0x1017, red);
    d.addShorts(0x1018, blue);
    d.addSRational(0x1023, o.flashBias[0], o.flashBias[1]);
    d.addShort(0x1029, o.contrast);
    return d;
}

uint32_t Even(uint32_t v) { return (v + 1) & ~1u; }

}  // namespace

bool RenderSampleMosaic(const SampleOrfOptions& options, std::vector<uint16_t>& samples) {
    SampleScene scene;
    if (!LoadScene(options, scene)) return false;
    samples.resize(size_t{options.width} * options.height);
    MosaicRows(options, scene, 0, options.height, samples.data());
    return true;
}

bool BuildSampleOrf(const SampleOrfOptions& o, std::vector<uint8_t>& file) {
    if (o.width == 0 || o.height == 0 || o.rowsPerStrip == 0) return false;
    const uint64_t rawBytes = uint64_t{o.width} * o.height * 2;
    if (rawBytes > 0x7FFFFFFF) return false;
    SampleScene scene;
    if (!LoadScene(o, scene)) return false;

    // ---- embedded preview ----
    std::vector<uint8_t> jpeg;
    uint32_t previewWidth = 0, previewHeight = 0;
    if (o.writePreview && o.previewWidth > 0) {
        previewWidth = std::min(o.previewWidth, o.width);
        previewHeight = std::max<uint32_t>(1, static_cast<uint32_t>(uint64_t{o.height} * previewWidth / o.width));
        std::vector<uint8_t> rgb;
        scene.renderPreview(previewWidth, previewHeight, rgb);
        if (!CompressPreview(rgb, previewWidth, previewHeight, jpeg)) return false;
    }

    // ---- directories (offsets filled in once the layout is known) ----
    const uint32_t strips = (o.height + o.rowsPerStrip - 1) / o.rowsPerStrip;
    std::vector<uint32_t> stripOffsets(strips), stripBytes(strips);
    for (uint32_t i = 0; i < strips; ++i) {
        stripBytes[i] = std::min(o.rowsPerStrip, o.height - i * o.rowsPerStrip) * o.width * 2;
    }

    BeDirectory main;
    main.addLong(254, 0);
    main.addLong(256, o.width);
    main.addLong(257, o.height);
    main.addShort(258, 16);
    main.addShort(259, 1);
    main.addShort(262, 32803);  // colour filter array
    main.addAscii(271, o.make);
    main.addAscii(272, o.model);
    main.addLongs(273, stripOffsets);
    main.addShort(274, 1);
    main.addShort(277, 1);
    main.addLong(278, o.rowsPerStrip);
    main.addLongs(279, stripBytes);
    main.addRational(282, 72, 1);
    main.addRational(283, 72, 1);
    main.addShort(284, 1);
    main.addShort(296, 2);
    main.addAscii(305, o.software);
    main.addAscii(306, o.dateTime);
    main.addLong(34665, 0);

    BeDirectory interop;
    interop.addAscii(1, "R98");
    interop.addBytes(2, 7, std::vector<uint8_t>{'0', '1', '0', '0'});

    std::vector<uint8_t> makerNote;
    if (o.writeMakerNote) {
        // "OLYMP\0", version 1, then the directory; its offsets count from the file start.
        makerNote.assign(o.makerNoteSignature.begin(), o.makerNoteSignature.end());
        makerNote.resize(std::max<size_t>(makerNote.size(), 5), ' ');
        makerNote.resize(5);
        makerNote.insert(makerNote.end(), {0, 1, 0});
        makerNote.resize(8 + MakerNoteDirectory(o).size());
    }

    BeDirectory exif;
    exif.addRational(33434, o.exposureTime[0], o.exposureTime[1]);
    exif.addRational(33437, o.fNumber[0], o.fNumber[1]);
    exif.addShort(34850, o.exposureProgram);
    exif.addShort(34855, o.isoSpeed);
    exif.addBytes(36864, 7, std::vector<uint8_t>{'0', '2', '1', '0'});
    exif.addAscii(36867, o.dateTime);
    exif.addAscii(36868, o.dateTime);
    exif.addSRational(37380, o.exposureBias[0], o.exposureBias[1]);
    exif.addRational(37381, o.maxAperture[0], o.maxAperture[1]);
    exif.addShort(37383, o.meteringMode);
    exif.addShort(37384, o.lightSource);
    exif.addShort(37385, o.flash);
    exif.addRational(37386, o.focalLength[0], o.focalLength[1]);
    if (o.writeMakerNote) exif.addBytes(37500, 7, makerNote);
    exif.addShort(40961, o.colourSpace);
    exif.addLong(40962, o.width);
    exif.addLong(40963, o.height);
    if (o.writeInteroperability) exif.addLong(40965, 0);

    BeDirectory thumbnail;
    thumbnail.addLong(254, 1);
    thumbnail.addShort(259, 6);
    thumbnail.addLong(256, previewWidth);
    thumbnail.addLong(257, previewHeight);
    thumbnail.addLong(513, 0);
    thumbnail.addLong(514, static_cast<uint32_t>(jpeg.size()));

    // ---- layout: header, main, Exif, Interoperability, thumbnail, JPEG, raw ----
    const uint32_t mainAt = 8;
    const uint32_t exifAt = Even(mainAt + main.size());
    const uint32_t interopAt = Even(exifAt + exif.size());
    const uint32_t thumbnailAt = Even(interopAt + (o.writeInteroperability ? interop.size() : 0));
    const bool withThumbnail = !jpeg.empty();
    const uint32_t jpegAt = Even(thumbnailAt + (withThumbnail ? thumbnail.size() : 0));
    const uint32_t rawAt = (jpegAt + static_cast<uint32_t>(jpeg.size()) + 15) & ~15u;
    const uint64_t end = std::max<uint64_t>(rawAt + rawBytes, o.minimumFileSize);
    if (end > 0xFFFFFFFFull) return false;

    for (uint32_t i = 0; i < strips; ++i) stripOffsets[i] = rawAt + i * o.rowsPerStrip * o.width * 2;
    main.setLongs(273, stripOffsets);
    main.addLong(34665, exifAt);
    if (o.writeInteroperability) exif.addLong(40965, interopAt);
    thumbnail.addLong(513, jpegAt);
    if (o.writeMakerNote) {
        const uint32_t noteAt = exif.dataOffset(37500, exifAt);
        std::vector<uint8_t> directory;
        MakerNoteDirectory(o).serialise(noteAt + 8, 0, directory);
        std::copy(directory.begin(), directory.end(), makerNote.begin() + 8);
        exif.addBytes(37500, 7, makerNote);
    }

    // ---- serialise ----
    file.clear();
    file.reserve(static_cast<size_t>(end));
    file.insert(file.end(), {'M', 'M', 'O', 'R', 0, 0, 0, 8});
    main.serialise(mainAt, withThumbnail ? thumbnailAt : 0, file);
    file.resize(exifAt, 0);
    exif.serialise(exifAt, 0, file);
    if (o.writeInteroperability) {
        file.resize(interopAt, 0);
        interop.serialise(interopAt, 0, file);
    }
    if (withThumbnail) {
        file.resize(thumbnailAt, 0);
        thumbnail.serialise(thumbnailAt, 0, file);
        file.resize(jpegAt, 0);
        file.insert(file.end(), jpeg.begin(), jpeg.end());
    }
    file.resize(static_cast<size_t>(end), 0);

    // Raw strips, back to back: big-endian words, value in the upper 10 bits.
    std::vector<uint16_t> rows(size_t{o.width} * o.rowsPerStrip);
    for (uint32_t first = 0; first < o.height; first += o.rowsPerStrip) {
        const uint32_t count = std::min(o.rowsPerStrip, o.height - first);
        MosaicRows(o, scene, first, count, rows.data());
        uint8_t* p = file.data() + rawAt + size_t{first} * o.width * 2;
        for (size_t i = 0; i < size_t{count} * o.width; ++i) PutBe16(p + 2 * i, static_cast<uint16_t>(rows[i] << 6));
    }
    return true;
}

bool WriteSampleOrf(const std::string& path, const SampleOrfOptions& options) {
    std::vector<uint8_t> bytes;
    if (path.empty() || !BuildSampleOrf(options, bytes)) return false;
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool written = done == bytes.size() && ::fchmod(fd, 0644) == 0;
    if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool WriteStripedOrf(const std::string& path, uint32_t width, uint32_t height, const StripedScene& scene) {
    // The scene goes to the generator as a PPM photo beside the target.
    const std::string photo = path + ".ppm";
    std::FILE* out = std::fopen(photo.c_str(), "wb");
    if (out == nullptr || width == 0 || height == 0) {
        if (out != nullptr) std::fclose(out);
        return false;
    }
    std::fprintf(out, "P6\n%u %u\n255\n", width, height);
    std::vector<uint8_t> row(size_t{width} * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* pixel = &row[size_t{x} * 3];
            pixel[0] = static_cast<uint8_t>(scene.redBase + x * scene.redSpan / width);
            pixel[1] = y % 2 ? scene.greenOdd : scene.greenEven;
            pixel[2] = static_cast<uint8_t>(scene.blueBase + y * scene.blueSpan / height);
            if (scene.dotPeriod != 0 && (x * 7 + y * 13) % scene.dotPeriod == 0) {
                pixel[0] = pixel[1] = pixel[2] = (x + y) % 2 ? 255 : 0;
            }
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    const bool written = std::fclose(out) == 0;
    SampleOrfOptions options;
    options.width = width;
    options.height = height;
    options.previewWidth = 64;
    options.photo = photo;
    const bool ok = written && WriteSampleOrf(path, options);
    std::remove(photo.c_str());
    return ok;
}

}  // namespace kyp::sample

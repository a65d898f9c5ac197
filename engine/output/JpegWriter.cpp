#include "engine/output/JpegWriter.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "engine/output/JpegExifSegment.h"
#include "engine/output/JpegGlue.h"

namespace kyp {

namespace {

// Everything the library calls need, prepared beforehand so that the frame
// that arms setjmp holds only plain data.
struct CompressPlan {
    const ProcessedImage* image = nullptr;
    int quality = kDefaultJpegQuality;
    const uint8_t* exifSegment = nullptr;  // complete APP1 segment, marker included
    size_t exifSize = 0;
    const uint8_t* comments[3] = {};
    unsigned commentSizes[3] = {};
    int commentCount = 0;
    uint8_t* row = nullptr;  // width × channels bytes
    JpegOutputBuffer* output = nullptr;
};

// Samples 0..1023 to bytes: (s + 2) / 4, at most 255.
void convertRow(const uint16_t* samples, uint8_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const unsigned v = (samples[i] + 2u) >> 2;
        out[i] = static_cast<uint8_t>(v > 255u ? 255u : v);
    }
}

// The libjpeg call sequence. A library error longjmps back into the if below;
// no object with a destructor lives in this frame.
bool runCompress(const CompressPlan& plan) {
    jpeg_compress_struct cinfo;
    CMyJPEGError error;
    JpegMemoryDestination destination;
    cinfo.err = installJpegErrorManager(error);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    installJpegMemoryDestination(&cinfo, destination, *plan.output);

    const ProcessedImage& image = *plan.image;
    cinfo.image_width = image.width;
    cinfo.image_height = image.height;
    cinfo.input_components = image.channels;
    cinfo.in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);  // includes the JFIF APP0 segment
    jpeg_set_quality(&cinfo, plan.quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);  // writes SOI and APP0

    if (plan.exifSize > 0) {
        // The library buffers what it wrote; move it out first so the segment follows it.
        flushJpegMemoryDestination(&cinfo);
        if (!plan.output->append(plan.exifSegment, plan.exifSize)) raiseJpegError(reinterpret_cast<j_common_ptr>(&cinfo), "Insufficient memory for the Exif segment");
    }
    for (int i = 0; i < plan.commentCount; ++i) jpeg_write_marker(&cinfo, JPEG_COM, plan.comments[i], plan.commentSizes[i]);

    const size_t rowSamples = static_cast<size_t>(image.width) * image.channels;
    const uint16_t* samples = image.samples;
    JSAMPROW rows[1] = {plan.row};
    while (cinfo.next_scanline < cinfo.image_height) {
        convertRow(samples + static_cast<size_t>(cinfo.next_scanline) * rowSamples, plan.row, rowSamples);
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// text and its zero byte, cut to fit one marker segment. A cut never splits a
// UTF-8 sequence.
std::string commentData(const std::string& text) {
    std::string data(cutAtCharacter(text, kJpegMaxSegmentData - 1));
    data.push_back('\0');
    return data;
}

}  // namespace

bool writeJpeg(const ProcessedImage& image, const TiffDocument* source, const OutputSettings* settings,
               JpegOutputBuffer& output) {
    if (image.channels != 1 && image.channels != 3) return false;
    // Larger images are refused by the library anyway; checking first keeps the
    // row buffer allocation sane.
    if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) return false;
    if (!image.samples && image.width > 0 && image.height > 0) return false;

    CompressPlan plan;
    plan.image = &image;
    plan.output = &output;
    plan.quality = settings ? std::clamp<int>(settings->jpegQuality, 1, 100) : kDefaultJpegQuality;

    std::vector<uint8_t> exif;
    if (source && (!settings || settings->jx)) {
        if (!buildJpegExifSegment(*source, settings, image.channels, currentExifDateTime(), exif)) return false;
        plan.exifSegment = exif.data();
        plan.exifSize = exif.size();
    }

    std::string comments[3];
    if (settings && settings->ja) {
        for (const std::optional<std::string>* text : {&settings->artist, &settings->copyright, &settings->description}) {
            if (!text->has_value()) continue;
            std::string& data = comments[plan.commentCount];
            data = commentData(**text);
            plan.comments[plan.commentCount] = reinterpret_cast<const uint8_t*>(data.data());
            plan.commentSizes[plan.commentCount] = static_cast<unsigned>(data.size());
            ++plan.commentCount;
        }
    }

    const size_t rowBytes = std::max<size_t>(1, static_cast<size_t>(image.width) * image.channels);
    std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[rowBytes]);
    if (!row) return false;
    plan.row = row.get();
    return runCompress(plan);
}

}  // namespace kyp

#include "engine/output/JpegPreview.h"

#include <cstring>
#include <memory>
#include <new>

#include "engine/output/Bitmap.h"
#include "engine/output/JpegGlue.h"
#include "engine/raw/TiffDocument.h"
#include "engine/raw/TiffTags.h"

namespace kyp {

bool JpegPreviewImage::create(int32_t w, int32_t h, int c) noexcept {
    if (w <= 0 || h <= 0 || (c != 1 && c != 3)) return false;
    const size_t rowStride = (static_cast<size_t>(w) * c + 3) & ~size_t{3};
    try {
        pixels.assign(rowStride * static_cast<size_t>(h), 0);
    } catch (...) {
        pixels.clear();
        return false;
    }
    width = w;
    height = h;
    channels = c;
    stride = rowStride;
    return true;
}

uint8_t* JpegPreviewImage::storedRow(int32_t index) noexcept {
    return pixels.data() + static_cast<size_t>(index) * stride;
}

namespace {

struct DecodePlan {
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    JpegPreviewTarget* target = nullptr;
};

// Ends progressive streams with an absurd number of scans, which would
// otherwise keep the decoder busy for a long time on a few bytes of input.
void limitScans(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxPreviewScans) raiseJpegError(cinfo, "Too many scans in the JPEG stream");
}

void storeRow(const uint8_t* in, uint8_t* out, JDIMENSION width, int components) {
    if (components == 1) {
        for (JDIMENSION x = 0; x < width; ++x) out[x] = in[x];
        return;
    }
    for (JDIMENSION x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
}

// The libjpeg call sequence; a library error longjmps back into the if below.
// Only plain data lives in this frame. The row buffer comes from the
// library's own pool so that it goes away with the decompressor.
bool runDecompress(const DecodePlan& plan) {
    jpeg_decompress_struct cinfo;
    CMyJPEGError error;
    JpegMemorySource source;
    jpeg_progress_mgr progress;
    cinfo.err = installJpegErrorManager(error);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxPreviewLibraryMemory;
    progress.progress_monitor = &limitScans;
    cinfo.progress = &progress;
    installJpegMemorySource(&cinfo, source, plan.bytes, plan.length);

    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    jpeg_calc_output_dimensions(&cinfo);

    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    const int components = cinfo.output_components;
    if (width == 0 || height == 0 || width > kMaxPreviewSide || height > kMaxPreviewSide ||
        uint64_t{width} * height > kMaxPreviewPixels) {
        raiseJpegError(reinterpret_cast<j_common_ptr>(&cinfo), "JPEG preview is too large");
    }
    if (components != 1 && components != 3)
        raiseJpegError(reinterpret_cast<j_common_ptr>(&cinfo), "Unsupported JPEG colour space for a preview");
    if (!plan.target->create(static_cast<int32_t>(width), static_cast<int32_t>(height), components))
        raiseJpegError(reinterpret_cast<j_common_ptr>(&cinfo), "Insufficient memory for the JPEG preview");

    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                   width * static_cast<JDIMENSION>(components), 1);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < height) {
        if (jpeg_read_scanlines(&cinfo, buffer, 1) != 1) break;
        // The first row read lands at the bottom of storage.
        const auto stored = static_cast<int32_t>(height - cinfo.output_scanline);
        storeRow(buffer[0], plan.target->storedRow(stored), width, components);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Decodes straight into a Bitmap's stored rows.
class BitmapTarget final : public JpegPreviewTarget {
public:
    explicit BitmapTarget(Bitmap& bitmap) : bitmap_(bitmap) {}
    bool create(int32_t width, int32_t height, int channels) noexcept override {
        if (!bitmap_.create(width, height, channels)) return false;
        std::memset(bitmap_.pixels(), 0, bitmap_.size());
        return true;
    }
    uint8_t* storedRow(int32_t index) noexcept override {
        return bitmap_.pixels() + static_cast<size_t>(index) * bitmap_.stride();
    }

private:
    Bitmap& bitmap_;
};

}  // namespace

bool decodeEmbeddedPreview(JpegPreviewTarget& target, const uint8_t* bytes, size_t length) {
    if (!bytes || length == 0) return false;
    DecodePlan plan;
    plan.bytes = bytes;
    plan.length = length;
    plan.target = &target;
    return runDecompress(plan);
}

bool findEmbeddedPreview(const TiffDocument& document, uint32_t& offset, uint32_t& length) {
    if (!document.isOpen()) return false;
    const TiffDirectory* holder = nullptr;
    const TiffEntry* start = document.findEntryAnywhere(tag::kJpegInterchangeFormat, &holder);
    if (!start || !holder) return false;
    const TiffEntry* size = holder->find(tag::kJpegInterchangeFormatLength);
    if (!size) return false;
    offset = start->intValue();
    length = size->intValue();
    return length > 0 && document.file().view().contains(offset, length);
}

bool decodeEmbeddedPreview(JpegPreviewTarget& target, const TiffDocument& document) {
    uint32_t offset = 0;
    uint32_t length = 0;
    if (!findEmbeddedPreview(document, offset, length)) return false;
    return decodeEmbeddedPreview(target, document.file().data() + offset, length);
}

bool decodeEmbeddedPreview(Bitmap& bitmap, const uint8_t* bytes, size_t length) {
    BitmapTarget target(bitmap);
    return decodeEmbeddedPreview(target, bytes, length);
}

bool decodeEmbeddedPreview(Bitmap& bitmap, const TiffDocument& document) {
    BitmapTarget target(bitmap);
    return decodeEmbeddedPreview(target, document);
}

}  // namespace kyp

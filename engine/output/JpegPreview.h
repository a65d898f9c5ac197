#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kyp {

class Bitmap;
class TiffDocument;

// Limits on what the preview decoder accepts. Camera previews are at most a
// few megapixels; the caps keep a damaged or hostile stream from making the
// decoder allocate or spin without bound.
inline constexpr uint32_t kMaxPreviewSide = 16384;
inline constexpr uint64_t kMaxPreviewPixels = uint64_t{1} << 25;  // 32 Mpixel
inline constexpr int kMaxPreviewScans = 500;                      // progressive streams
inline constexpr long kMaxPreviewLibraryMemory = 512L << 20;      // the library's own working memory

// Where decoded rows go. The picture is laid out as a Windows device-independent
// bitmap: stored row 0 is the bottom row, 3-channel pixels are blue, green, red.
class JpegPreviewTarget {
public:
    virtual ~JpegPreviewTarget() = default;
    // Shape the picture: channels 1 (grey) or 3. False when it cannot be held.
    [[nodiscard]] virtual bool create(int32_t width, int32_t height, int channels) noexcept = 0;
    // Stored row index (0 = bottom of the picture), at least width × channels bytes.
    [[nodiscard]] virtual uint8_t* storedRow(int32_t index) noexcept = 0;
};

// A plain owned picture in that layout (rows of width × channels bytes rounded
// up to a multiple of 4).
class JpegPreviewImage final : public JpegPreviewTarget {
public:
    int32_t width = 0;
    int32_t height = 0;
    int channels = 0;
    size_t stride = 0;
    std::vector<uint8_t> pixels;

    [[nodiscard]] bool create(int32_t width, int32_t height, int channels) noexcept override;
    [[nodiscard]] uint8_t* storedRow(int32_t index) noexcept override;
    // Row y counted from the top.
    [[nodiscard]] const uint8_t* row(int32_t y) const { return pixels.data() + static_cast<size_t>(height - 1 - y) * stride; }
};

// Decodes the JPEG stream [bytes, bytes + length) into target, quickly rather
// than finely (fast integer transform, no fancy upsampling, no block smoothing).
// Never reads outside the given bytes.
//
// A stream that ends inside its entropy-coded data still decodes: the library
// warns ("Premature end of JPEG file", shown through the JPEG message sink) and
// fills the part the data does not cover; the result is true. A stream that
// ends before its first scan starts, a library error, a picture beyond the
// limits above or with other than 1 or 3 output components, and a target that
// cannot hold the picture give false.
[[nodiscard]] bool decodeEmbeddedPreview(JpegPreviewTarget& target, const uint8_t* bytes, size_t length);

// Where the preview an ORF file embeds lies: the file offset held by
// JPEGInterchangeFormat (513), found anywhere in the tree, and the length held
// by JPEGInterchangeFormatLength (514) of the same directory. False when
// either is missing, the length is 0, or the bytes do not lie inside the file.
[[nodiscard]] bool findEmbeddedPreview(const TiffDocument& document, uint32_t& offset, uint32_t& length);

// Finds and decodes the embedded preview of an open, parsed document.
[[nodiscard]] bool decodeEmbeddedPreview(JpegPreviewTarget& target, const TiffDocument& document);

// The same into a Bitmap: one component gives an 8-bit grey bitmap, three a
// 24-bit one; row padding is zero. The bitmap's pixel block is reused when
// large enough.
[[nodiscard]] bool decodeEmbeddedPreview(Bitmap& bitmap, const uint8_t* bytes, size_t length);
[[nodiscard]] bool decodeEmbeddedPreview(Bitmap& bitmap, const TiffDocument& document);

}  // namespace kyp

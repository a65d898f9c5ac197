#include "engine/output/OutputWriter.h"

#include <cstring>

#include "engine/output/BitmapRender.h"
#include "engine/output/BitmapWriter.h"
#include "engine/output/JpegOutputBuffer.h"
#include "engine/output/JpegWriter.h"
#include "engine/output/TiffWriter.h"
#include "platform/AtomicFile.h"

namespace kyp {

namespace {

OutputResult FileFailure(int error) { return {OutputStatus::fileFailed, error}; }

OutputResult WriteBitmap(const std::string& path, const OutputImage& picture) {
    int error = 0;
    if (picture.rendering != nullptr) {
        if (writeBmp(*picture.rendering, path, &error)) return {OutputStatus::written};
        return FileFailure(error);
    }
    // A colour image becomes grey when the grayscale step ran; a one-channel
    // image is grey anyway. The rendering is dropped on the way out.
    Bitmap bitmap;
    if (!renderImage(bitmap, picture.image, (picture.settings.options & opt::gray) != 0, picture.progress))
        return {OutputStatus::notRendered};
    if (writeBmp(bitmap, path, &error)) return {OutputStatus::written};
    return FileFailure(error);
}

OutputResult WriteJpegFile(const std::string& path, const OutputSettings& output, const OutputImage& picture) {
    JpegOutputBuffer buffer;
    if (!writeJpeg(picture.image, picture.source, &output, buffer)) return {OutputStatus::notEncoded};
    int error = 0;
    if (writeBufferToFile(path, buffer, &error)) return {OutputStatus::written};
    return FileFailure(error);
}

}  // namespace

std::string OutputResult::reason() const {
    switch (status) {
        case OutputStatus::notRendered: return "Bitmap not made (out of memory or too large)";
        case OutputStatus::notEncoded: return "JPEG not encoded (out of memory or too large)";
        case OutputStatus::fileFailed: return error != 0 ? std::strerror(error) : std::string();
        case OutputStatus::written:
        case OutputStatus::noWriter: break;
    }
    return {};
}

OutputResult writeOutput(const std::string& path, uint32_t outputFormat, const OutputSettings& output,
                         const OutputImage& picture, bool checkTargetFirst) {
    if (outputFormat != format::tiff && outputFormat != format::bitmap && outputFormat != format::jpeg)
        return {OutputStatus::noWriter};
    if (checkTargetFirst) {
        AtomicFile probe;
        if (!probe.Open(path)) return FileFailure(probe.Error());
        probe.Discard();
    }
    switch (outputFormat) {
        case format::tiff: {
            int error = 0;
            if (writeTiff(path, picture.source, picture.image, picture.settings, output, &error))
                return {OutputStatus::written};
            return FileFailure(error);
        }
        case format::bitmap: return WriteBitmap(path, picture);
        default: return WriteJpegFile(path, output, picture);
    }
}

}  // namespace kyp

#include "console/SessionConverter.h"

#include <cstring>
#include <new>

#include "engine/output/Bitmap.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/BitmapWriter.h"
#include "engine/output/JpegOutputBuffer.h"
#include "engine/output/JpegWriter.h"
#include "engine/output/TiffWriter.h"

namespace kyp {

SessionConverter::SessionConverter() = default;
SessionConverter::~SessionConverter() = default;

bool SessionConverter::Process(const std::string& input, const ImportSettings& settings, const CurveTables& curves,
                               ProgressCallback* progress) {
    reason_.clear();
    if (!session_) {
        try {
            session_ = std::make_unique<ProcessingSession>(SessionKind::console);
        } catch (const std::bad_alloc&) {
            reason_ = LoadErrorText(LoadError::outOfMemory);
            return false;
        }
    }
    session_->SetProgress(progress);
    // The file name first: setting it resets the session's settings copy.
    session_->SetFileName(input.c_str());
    session_->SetSettings(settings);
    session_->SetCurves(&curves);
    if (session_->Process()) return true;
    if (session_->LastError() != LoadError::none) reason_ = LoadErrorText(session_->LastError());
    return false;
}

WriteResult SessionConverter::Write(const std::string& output, const ImportSettings& settings,
                                    const OutputSettings& outputSettings) {
    reason_.clear();
    if (!session_) return WriteResult::notRendered;
    const ProcessedImage& image = session_->Image();
    int error = 0;
    bool written = false;
    switch (outputSettings.format) {
        case format::tiff:
            written = writeTiff(output, session_->InputDocument(), image, settings, outputSettings, &error);
            break;
        case format::bitmap: {
            // A colour image becomes grey when the grayscale step ran; a
            // one-channel image is grey anyway.
            Bitmap bitmap;
            if (!renderImage(bitmap, image, (settings.options & opt::gray) != 0, session_->Progress())) {
                reason_ = "Bitmap not made (out of memory or too large)";
                return WriteResult::notRendered;
            }
            written = writeBmp(bitmap, output, &error);
            break;
        }
        case format::jpeg: {
            JpegOutputBuffer buffer;
            if (!writeJpeg(image, session_->InputDocument(), &outputSettings, buffer)) {
                reason_ = "JPEG not encoded (out of memory or too large)";
                return WriteResult::notRendered;
            }
            written = writeBufferToFile(output, buffer, &error);
            break;
        }
        default:
            return WriteResult::skipped;
    }
    if (written) return WriteResult::written;
    if (error != 0) reason_ = std::strerror(error);
    return WriteResult::writeFailed;
}

}  // namespace kyp

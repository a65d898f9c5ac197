#include "console/SessionConverter.h"

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
    if (!session_) session_ = std::make_unique<ProcessingSession>(SessionKind::console);
    session_->SetProgress(progress);
    // The file name first: setting it resets the session's settings copy.
    session_->SetFileName(input.c_str());
    session_->SetSettings(settings);
    session_->SetCurves(&curves);
    return session_->Process();
}

WriteResult SessionConverter::Write(const std::string& output, const ImportSettings& settings,
                                    const OutputSettings& outputSettings) {
    if (!session_) return WriteResult::notRendered;
    const ProcessedImage& image = session_->Image();
    switch (outputSettings.format) {
        case format::tiff:
            return writeTiff(output, session_->InputDocument(), image, settings, outputSettings)
                       ? WriteResult::written
                       : WriteResult::writeFailed;
        case format::bitmap: {
            // A colour image becomes grey when the grayscale step ran; a
            // one-channel image is grey anyway.
            Bitmap bitmap;
            if (!renderImage(bitmap, image, (settings.options & opt::gray) != 0, session_->Progress())) {
                return WriteResult::notRendered;
            }
            return writeBmp(bitmap, output) ? WriteResult::written : WriteResult::writeFailed;
        }
        case format::jpeg: {
            JpegOutputBuffer buffer;
            if (!writeJpeg(image, session_->InputDocument(), &outputSettings, buffer)) return WriteResult::notRendered;
            return writeBufferToFile(output, buffer) ? WriteResult::written : WriteResult::writeFailed;
        }
        default:
            return WriteResult::skipped;
    }
}

}  // namespace kyp

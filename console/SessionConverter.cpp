#include "console/SessionConverter.h"

#include <new>

#include "engine/output/OutputWriter.h"

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
    OutputImage picture{session_->Image(), session_->InputDocument(), settings};
    picture.progress = session_->Progress();
    const OutputResult result = writeOutput(output, outputSettings.format, outputSettings, picture);
    reason_ = result.reason();
    switch (result.status) {
        case OutputStatus::written: return WriteResult::written;
        case OutputStatus::notRendered:
        case OutputStatus::notEncoded: return WriteResult::notRendered;
        case OutputStatus::fileFailed: return WriteResult::writeFailed;
        case OutputStatus::noWriter: break;
    }
    return WriteResult::skipped;
}

}  // namespace kyp

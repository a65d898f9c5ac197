#include "gui/frame/CameraText.h"

#include "engine/process/ProcessingSession.h"
#include "engine/raw/CameraInfo.h"
#include "engine/raw/TiffDocument.h"

namespace kyp {

std::optional<std::string> CameraText::Info(const ProcessingSession& session) {
    if (!infoRead_) {
        auto* document = const_cast<TiffDocument*>(session.InputDocument());
        info_ = document != nullptr ? cameraInfoText(*document) : std::nullopt;
        infoRead_ = true;
    }
    return info_;
}

std::optional<std::string> CameraText::Summary(const ProcessingSession& session) {
    if (!summaryRead_) {
        auto* document = const_cast<TiffDocument*>(session.InputDocument());
        summary_ = document != nullptr ? cameraSummary(*document) : std::nullopt;
        summaryRead_ = true;
    }
    return summary_;
}

void CameraText::Forget() {
    info_.reset();
    summary_.reset();
    infoRead_ = summaryRead_ = false;
}

}  // namespace kyp

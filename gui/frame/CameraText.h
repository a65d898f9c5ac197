#pragma once
#include <optional>
#include <string>

namespace kyp {

class ProcessingSession;

// The camera texts of the open document (the Image Info page's text and the
// thumbnail's caption), each read from the session's input document the
// first time it is asked for and kept until Forget.
class CameraText {
public:
    [[nodiscard]] std::optional<std::string> Info(const ProcessingSession& session);
    [[nodiscard]] std::optional<std::string> Summary(const ProcessingSession& session);
    // The document changed or closed.
    void Forget();

private:
    std::optional<std::string> info_;
    std::optional<std::string> summary_;
    bool infoRead_ = false;
    bool summaryRead_ = false;
};

}  // namespace kyp

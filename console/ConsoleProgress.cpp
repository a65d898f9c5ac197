#include "console/ConsoleProgress.h"

namespace kyp {

namespace {
constexpr char kSpinner[4] = {'-', '\\', '|', '/'};
constexpr uint32_t kTicksPerTurn = 16;
}  // namespace

void ConsoleProgress::SetText(const char* text) {
    Erase();
    if (text == nullptr) {
        text_.reset();
        return;
    }
    text_ = text;
    stream_.Write(*text_);
}

void ConsoleProgress::Begin(int32_t) {
    spinner_ = 0;
    ticks_ = 0;
}

bool ConsoleProgress::Tick(int32_t count) {
    ticks_ += static_cast<uint32_t>(count);
    if (ticks_ % kTicksPerTurn == 0) {
        const char frame[] = {'\b', '\b', '\b', '(', kSpinner[spinner_], ')'};
        stream_.Write(std::string_view(frame, sizeof frame));
        spinner_ = (spinner_ + 1) % 4;
    }
    return true;
}

void ConsoleProgress::End() {
    Erase();
    text_.reset();
}

void ConsoleProgress::Erase() {
    std::string erase = "\b\b\b   \b\b\b";
    if (text_) {
        const size_t length = text_->size();
        erase.append(length, '\b');
        erase.append(length, ' ');
        erase.append(length, '\b');
    }
    stream_.Write(erase);
}

}  // namespace kyp

#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "console/ConsoleStream.h"
#include "engine/core/ProgressCallback.h"

namespace kyp {

// The console's progress display on the error stream: the step text, then a
// spinner "(-)", "(\)", "(|)", "(/)" that overwrites the text's last three
// characters (the step texts end in "..."), advanced every 16 ticks. The
// console run cannot be cancelled from here: Tick always answers true.
//
// Erasing assumes the text began at the start of the line: it backs over
// the spinner and the text with backspaces and blanks them out.
class ConsoleProgress final : public ProgressCallback {
public:
    explicit ConsoleProgress(ConsoleStream& stream) : stream_(stream) {}

    void SetText(const char* text) override;
    void Begin(int32_t count) override;
    [[nodiscard]] bool Tick(int32_t count) override;
    void End() override;

    [[nodiscard]] const std::optional<std::string>& Text() const { return text_; }

private:
    void Erase();

    ConsoleStream& stream_;
    std::optional<std::string> text_;
    uint32_t spinner_ = 0;
    uint32_t ticks_ = 0;  // wraps; only its value modulo 16 matters
};

}  // namespace kyp

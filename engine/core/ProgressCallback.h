#pragma once
#include <cstdint>

namespace kyp {

// What a long run reports to its owner: the console draws a spinner, the desktop
// program pumps its event queue. Tick returning false cancels the run.
class ProgressCallback {
public:
    virtual ~ProgressCallback() = default;
    virtual void SetText(const char* text) = 0;
    virtual void Begin(int32_t count) = 0;
    [[nodiscard]] virtual bool Tick(int32_t count) = 0;
    virtual void End() = 0;
};

// Steps accept a null callback; this keeps their tick calls short.
[[nodiscard]] inline bool Tick(ProgressCallback* progress, int32_t count = 1) {
    return progress == nullptr || progress->Tick(count);
}

}  // namespace kyp

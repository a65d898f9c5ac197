#pragma once
#include <string>
#include <vector>

#include "engine/process/ProgressCallback.h"

namespace kyp::test {

// Records what a step reports; answers false from tick number `cancelAt` (1-based) on.
class RecordingProgress : public ProgressCallback {
public:
    explicit RecordingProgress(int cancelAt = 0) : cancelAt_(cancelAt) {}
    void SetText(const char* text) override { texts.emplace_back(text); }
    void Begin(int32_t) override {}
    bool Tick(int32_t count) override {
        ticks += count;
        return cancelAt_ == 0 || ticks < cancelAt_;
    }
    void End() override {}

    int ticks = 0;
    std::vector<std::string> texts;

private:
    int cancelAt_;
};

}  // namespace kyp::test

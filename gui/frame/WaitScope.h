#pragma once
#include "gui/frame/MainFrame.h"
#include "gui/frame/StatusStrip.h"

namespace kyp {

// Brackets a stretch of work with the frame's BeginWait/EndWait, so every way
// out ends it.
class WaitScope {
public:
    explicit WaitScope(MainFrame& frame) : frame_(frame) { frame_.BeginWait(); }
    ~WaitScope() { frame_.EndWait(); }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    MainFrame& frame_;
};

// ShowStatus ... EndStatus.
class StatusScope {
public:
    StatusScope(StatusStrip& strip, const char* text) : strip_(strip) { strip_.ShowStatus(text); }
    ~StatusScope() { strip_.EndStatus(); }
    StatusScope(const StatusScope&) = delete;
    StatusScope& operator=(const StatusScope&) = delete;

private:
    StatusStrip& strip_;
};

}  // namespace kyp

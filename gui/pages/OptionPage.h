#pragma once
#include <optional>

#include <QCursor>

#include "gui/view/SampleRecord.h"

class QWidget;

namespace kyp {

// The interface every tab page of the main frame offers, in slot order. Each
// operation has a do-nothing default, so a page implements only what it uses.
class OptionPage {
public:
    virtual ~OptionPage() = default;

    // 1. The page's widget (the tab's contents).
    [[nodiscard]] virtual QWidget* GetWindow() = 0;
    // 2. The sampler's record for the pixel under the pointer; current page only.
    virtual void ShowSample(const SampleRecord& /*record*/) {}
    // 3. The left button was released over the image; current page only.
    virtual void EndSample() {}
    // 4. A cursor for the image window while this page is current, or none.
    [[nodiscard]] virtual std::optional<QCursor> GetCursor(bool /*buttonDown*/) { return std::nullopt; }
    // 5. False on the page being left, true on the page being shown.
    virtual void Activate(bool /*shown*/) {}
    // 6. After each processing run, on every page.
    virtual void DocumentChanged() {}
    // 7. When the document is closed, on every page.
    virtual void DocumentClosed() {}
    // 8. Default Settings, on every page.
    virtual void ResetToDefaults() {}
    // 9. Page commands 0 to 3 (Ctrl+F1 to Ctrl+F4); current page only.
    virtual void PageCommand(int /*command*/) {}
};

}  // namespace kyp

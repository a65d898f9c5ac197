#pragma once
#include <QWidget>

#include "gui/pages/OptionPage.h"

namespace kyp {

// The size every tab page's contents is laid out for; the tab panel is the
// union of its pages' sizes.
inline constexpr int kPageWidth = 330;
inline constexpr int kPageHeight = 360;

// Marks a page whose controls are not built yet, so the frame knows to do for
// that page what the page would do itself.
class BlankPageMarker {
public:
    virtual ~BlankPageMarker() = default;
};

// A tab page whose controls are not built yet: an empty, inert widget.
class BlankPage : public QWidget, public OptionPage, public BlankPageMarker {
    Q_OBJECT
public:
    explicit BlankPage(const QString& name, QWidget* parent = nullptr);
    [[nodiscard]] QWidget* GetWindow() override { return this; }
    [[nodiscard]] QSize sizeHint() const override { return {kPageWidth, kPageHeight}; }
};

}  // namespace kyp

#pragma once
#include <array>
#include <functional>

class QTabWidget;
class QWidget;

namespace kyp {

class MainFrame;
class OptionPage;
class OptionsPage;
class SaveFormatPage;
class SharpenPage;

// The tab pages, in tab order.
namespace page {
inline constexpr int options = 0;
inline constexpr int curves = 1;
inline constexpr int sharpen = 2;
inline constexpr int histogram = 3;
inline constexpr int imageInfo = 4;
inline constexpr int saveFormat = 5;
inline constexpr int count = 6;
}  // namespace page

// The main frame's tab panel: one page per tab, the page shown, and the
// plug-in point where a page replaces a blank one. The pages work on the
// frame's settings and document.
class PagePanel {
public:
    // Makes the tab widget in parent with the Curves, Histogram and Image
    // Info pages and blank ones in the other tabs.
    void Build(QWidget* parent, MainFrame& frame);
    // The Options, Sharpen and Save Format pages in place of their blank
    // ones; laidOut runs after each.
    void BuildSettingsPages(MainFrame& frame, const std::function<void()>& laidOut);
    // Replaces the page at index (the old one is deleted).
    void Install(int index, QWidget* widget, OptionPage* page);
    // The page left is told, the tab follows, and the page shown takes the
    // focus and is told.
    void Show(int index);

    [[nodiscard]] QTabWidget* Tabs() const { return tabs_; }
    [[nodiscard]] int CurrentIndex() const { return current_; }
    [[nodiscard]] OptionPage* Page(int index) const { return pages_[static_cast<size_t>(index)]; }
    [[nodiscard]] OptionPage* Current() const { return Page(current_); }
    [[nodiscard]] QWidget* CurrentWidget() const { return widgets_[static_cast<size_t>(current_)]; }
    [[nodiscard]] const std::array<OptionPage*, page::count>& Pages() const { return pages_; }
    [[nodiscard]] OptionsPage* Options() const { return options_; }
    [[nodiscard]] SharpenPage* Sharpen() const { return sharpen_; }
    [[nodiscard]] SaveFormatPage* SaveFormat() const { return saveFormat_; }

private:
    QTabWidget* tabs_ = nullptr;
    std::array<OptionPage*, page::count> pages_{};
    std::array<QWidget*, page::count> widgets_{};
    int current_ = page::options;
    OptionsPage* options_ = nullptr;
    SharpenPage* sharpen_ = nullptr;
    SaveFormatPage* saveFormat_ = nullptr;
};

}  // namespace kyp

#include "gui/frame/PagePanel.h"

#include <QTabBar>
#include <QTabWidget>

#include "gui/frame/MainFrame.h"
#include "gui/pages/BlankPage.h"
#include "gui/pages/CurvesPage.h"
#include "gui/pages/HistogramPage.h"
#include "gui/pages/ImageInfoPage.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/pages/SharpenPage.h"

namespace kyp {

namespace {

const char* const kTabCaptions[page::count] = {"Options", "Curves", "Sharpen", "Histogram", "Image Info",
                                              "Save Format"};
const char* const kPageNames[page::count] = {"optionsPage", "curvesPage", "sharpenPage", "histogramPage",
                                            "imageInfoPage", "saveFormatPage"};

}  // namespace

void PagePanel::Build(QWidget* parent, MainFrame& frame) {
    tabs_ = new QTabWidget(parent);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->setFocusPolicy(Qt::NoFocus);
    tabs_->tabBar()->setFocusPolicy(Qt::NoFocus);
    // All six captions in view: the panel is as wide as they need.
    tabs_->tabBar()->setUsesScrollButtons(false);
    tabs_->tabBar()->setElideMode(Qt::ElideNone);
    for (int i = 0; i < page::count; ++i) {
        if (i == page::curves) {
            auto* curves = new CurvesPage(frame);
            pages_[static_cast<size_t>(i)] = curves;
            widgets_[static_cast<size_t>(i)] = curves;
        } else if (i == page::histogram) {
            auto* histogram = new HistogramPage(frame);
            pages_[static_cast<size_t>(i)] = histogram;
            widgets_[static_cast<size_t>(i)] = histogram;
        } else if (i == page::imageInfo) {
            MainFrame* owner = &frame;
            auto* info = new ImageInfoPage([owner] { return owner->CameraInfoText(); },
                                           [owner] { return owner->DocumentLoaded(); });
            pages_[static_cast<size_t>(i)] = info;
            widgets_[static_cast<size_t>(i)] = info;
        } else {
            auto* blank = new BlankPage(QString::fromLatin1(kPageNames[i]));
            pages_[static_cast<size_t>(i)] = blank;
            widgets_[static_cast<size_t>(i)] = blank;
        }
        tabs_->addTab(widgets_[static_cast<size_t>(i)], QString::fromLatin1(kTabCaptions[i]));
    }
}

void PagePanel::BuildSettingsPages(MainFrame& frame, const std::function<void()>& laidOut) {
    options_ = new OptionsPage(frame);
    Install(page::options, options_, options_);
    laidOut();
    sharpen_ = new SharpenPage(frame);
    Install(page::sharpen, sharpen_, sharpen_);
    laidOut();
    saveFormat_ = new SaveFormatPage(frame);
    Install(page::saveFormat, saveFormat_, saveFormat_);
    laidOut();
}

void PagePanel::Install(int index, QWidget* widget, OptionPage* optionPage) {
    if (index < 0 || index >= page::count || widget == nullptr || optionPage == nullptr) return;
    const bool current = tabs_->currentIndex() == index;
    QSignalBlocker block(tabs_);
    QWidget* old = widgets_[static_cast<size_t>(index)];
    tabs_->removeTab(index);
    tabs_->insertTab(index, widget, QString::fromLatin1(kTabCaptions[index]));
    pages_[static_cast<size_t>(index)] = optionPage;
    widgets_[static_cast<size_t>(index)] = widget;
    delete old;
    if (current) tabs_->setCurrentIndex(index);
}

void PagePanel::Show(int index) {
    if (index < 0 || index >= page::count) return;
    if (index != current_) Current()->Activate(false);
    current_ = index;
    if (tabs_->currentIndex() != index) {
        QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(index);
    }
    QWidget* widget = widgets_[static_cast<size_t>(index)];
    widget->show();
    widget->setFocus();
    Current()->Activate(true);
}

}  // namespace kyp

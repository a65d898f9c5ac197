#include "gui/frame/MainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>

#include <algorithm>

#include "gui/dialogs/AboutBox.h"
#include "gui/pages/BlankPage.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/CurvesPage.h"
#include "gui/pages/HistogramPage.h"
#include "gui/frame/FolderScan.h"
#include "gui/view/ImageWindow.h"
#include "gui/pages/ImageInfoPage.h"
#include "gui/frame/Messages.h"
#include "gui/frame/PumpedMemory.h"
#include "gui/frame/StatusStrip.h"
#include "engine/raw/TiffDocument.h"

namespace kyp {

// The frame's client area: paints the background, the thumbnail and its caption,
// and turns a double-click into Open.
class FrameClient : public QWidget {
public:
    explicit FrameClient(MainFrame* frame) : QWidget(frame), frame_(frame) {
        setObjectName(QStringLiteral("frameClient"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        frame_->PaintClient(painter);
    }
    void mouseDoubleClickEvent(QMouseEvent*) override { frame_->Command(cmd::open); }
    void resizeEvent(QResizeEvent*) override { frame_->LayOut(); }

private:
    MainFrame* frame_;
};

namespace {

const char* const kTabCaptions[page::count] = {"Options", "Curves", "Sharpen", "Histogram", "Image Info",
                                              "Save Format"};
const char* const kPageNames[page::count] = {"optionsPage", "curvesPage", "sharpenPage", "histogramPage",
                                            "imageInfoPage", "saveFormatPage"};

// The commands a run refuses with a beep.
bool RefusedWhenBusy(int id) {
    switch (id) {
        case cmd::open: case cmd::close: case cmd::saveAs: case cmd::reopen: case cmd::convertAll:
        case cmd::defaultSettings: case cmd::fileList: case cmd::apply: case cmd::openCurrent:
        case cmd::nextFile: case cmd::previousFile:
            return true;
        default:
            return false;
    }
}

constexpr int kStartWidth = 1111;
constexpr int kStartHeight = 621;

}  // namespace

MainFrame::MainFrame() {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setAcceptDrops(true);
    programFolder = ProgramFolder();
    quitHandler = [] { QCoreApplication::exit(0); };
    openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    startDetached = [](const QString& program, const QStringList& arguments, const QString& folder) {
        return QProcess::startDetached(program, arguments, folder);
    };

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(kStartWidth, kStartHeight);
    resize(std::min(screenSize.width(), kStartWidth), std::min(screenSize.height(), kStartHeight));

    SetDefaults(settings_);
    ResetCurves(curves_);
    output_.ResetToDefaults();
    session_.SetProgress(nullptr);
    session_.SetMemoryFunctions(AllocatePumped, ReleasePumped);
    session_.SetTextureConfirmation([this](int32_t defect, int32_t threshold) { return ConfirmTexture(defect, threshold); });
    // Previews are reduced more on small screens.
    session_.SetReduction(screenSize.height() < 601 ? 14 : 12);

    BuildChildren();
    BuildImageParts();
    BuildMenus();
    session_.SetProgress(strip_);
    SetAllocationPump([this] { (void)strip_->PumpIfDue(); });
    LoadLayoutFromStore();
    ShowPagesSettings();
    LayOut();
    UpdateTitle();
    UpdateApplyButton();
    ShowPage(page::options);
    // Alt and a letter are routed by the frame (MainFrameKeys.cpp).
    qApp->installEventFilter(this);
}

MainFrame::~MainFrame() {
    // Out of sight while the frame is whole: hiding moves the focus, and a
    // page's field that loses it applies the page to the frame.
    hide();
    qApp->removeEventFilter(this);
    // The strip is the session's progress object and its allocation pump; it goes first.
    session_.SetProgress(nullptr);
    SetAllocationPump(nullptr);
    // A separate image window has no parent to take it along.
    DestroyImageWindow();
    // The pages go after the frame's members: no tab change may reach them then.
    if (tabs_ != nullptr) tabs_->blockSignals(true);
}

void MainFrame::BuildChildren() {
    client_ = new FrameClient(this);
    setCentralWidget(client_);

    applyButton_ = new QPushButton(QStringLiteral("Apply (F5)"), client_);
    applyButton_->setObjectName(QStringLiteral("applyButton"));
    applyButton_->setFocusPolicy(Qt::NoFocus);
    connect(applyButton_, &QPushButton::clicked, this, [this] { Command(cmd::apply); });

    strip_ = new StatusStrip(client_);
    strip_->pump = [this] { return PumpMessages(); };
    strip_->isBusy = [this] { return Busy(); };
    strip_->defaultText = [this] { return loaded_ ? fileName_ : std::string("Ready"); };
    strip_->list = &files_;
    strip_->onListCommand = [this](int id) {
        if (id == listcmd::open) {
            RunOpenDialog();
        } else if (id == listcmd::clear) {
            files_.Clear();
        } else if (id >= 1 && id <= files_.Count()) {
            (void)files_.OpenEntry(id - 1, [this](const std::string& name) { return OpenByName(name); });
        }
    };
    files_.onRebuild = [this] { strip_->RebuildMenu(files_); };

    tabs_ = new QTabWidget(client_);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->setFocusPolicy(Qt::NoFocus);
    tabs_->tabBar()->setFocusPolicy(Qt::NoFocus);
    // All six captions in view: the panel is as wide as they need.
    tabs_->tabBar()->setUsesScrollButtons(false);
    tabs_->tabBar()->setElideMode(Qt::ElideNone);
    for (int i = 0; i < page::count; ++i) {
        if (i == page::curves) {
            auto* curves = new CurvesPage(*this);
            pages_[static_cast<size_t>(i)] = curves;
            pageWidgets_[static_cast<size_t>(i)] = curves;
        } else if (i == page::histogram) {
            auto* histogram = new HistogramPage(*this);
            pages_[static_cast<size_t>(i)] = histogram;
            pageWidgets_[static_cast<size_t>(i)] = histogram;
        } else if (i == page::imageInfo) {
            auto* info = new ImageInfoPage([this] { return CameraInfoText(); }, [this] { return loaded_; });
            pages_[static_cast<size_t>(i)] = info;
            pageWidgets_[static_cast<size_t>(i)] = info;
        } else {
            auto* blank = new BlankPage(QString::fromLatin1(kPageNames[i]));
            pages_[static_cast<size_t>(i)] = blank;
            pageWidgets_[static_cast<size_t>(i)] = blank;
        }
        tabs_->addTab(pageWidgets_[static_cast<size_t>(i)], QString::fromLatin1(kTabCaptions[i]));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { ShowPage(index); });
}

void MainFrame::InstallPage(int index, QWidget* widget, OptionPage* optionPage) {
    if (index < 0 || index >= page::count || widget == nullptr || optionPage == nullptr) return;
    const bool current = tabs_->currentIndex() == index;
    QSignalBlocker block(tabs_);
    QWidget* old = pageWidgets_[static_cast<size_t>(index)];
    tabs_->removeTab(index);
    tabs_->insertTab(index, widget, QString::fromLatin1(kTabCaptions[index]));
    pages_[static_cast<size_t>(index)] = optionPage;
    pageWidgets_[static_cast<size_t>(index)] = widget;
    delete old;
    if (current) tabs_->setCurrentIndex(index);
    LayOut();
}

void MainFrame::BuildMenus() {
    QMenuBar* bar = menuBar();
    fileMenu_ = bar->addMenu(QStringLiteral("&File"));
    viewMenu_ = bar->addMenu(QStringLiteral("&View"));
    zoomMenu_ = bar->addMenu(QStringLiteral("&Zoom"));
    QMenu* helpMenu = bar->addMenu(QStringLiteral("&Help"));
    auto* channels = new QActionGroup(this);
    QActionGroup* zooms = nullptr;
    for (const CommandEntry& entry : CommandTable()) {
        auto* action = new QAction(QString::fromLatin1(entry.text), this);
        action->setData(entry.id);
        action->setShortcuts(entry.keys);
        // Like an accelerator table: the keys work in every window of the program.
        action->setShortcutContext(Qt::ApplicationShortcut);
        addAction(action);
        const int id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { Command(id); });
        actions_[id] = action;
        QMenu* menu = nullptr;
        switch (entry.menu) {
            case MenuGroup::file: menu = fileMenu_; break;
            case MenuGroup::view: menu = viewMenu_; break;
            case MenuGroup::zoom: menu = zoomMenu_; break;
            case MenuGroup::help: menu = helpMenu; break;
            case MenuGroup::none: break;
        }
        if (id >= cmd::channelAll && id <= cmd::channelBlue) {
            action->setCheckable(true);
            action->setActionGroup(channels);
        }
        if (id == cmd::separateWindow) action->setCheckable(true);
        if (id >= cmd::zoomFit && id <= cmd::zoom1600) {
            if (zooms == nullptr) zooms = new QActionGroup(this);
            action->setCheckable(true);
            action->setActionGroup(zooms);
        }
        if (menu == nullptr) continue;
        if (entry.separatorBefore) menu->addSeparator();
        menu->addAction(action);
    }
    for (QMenu* menu : {fileMenu_, viewMenu_, zoomMenu_}) {
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
        // Menu states only hold while a menu is open: keys must still reach the
        // commands, which refuse (with a beep) on their own.
        connect(menu, &QMenu::aboutToHide, this, [this] {
            for (auto& [id, action] : actions_) action->setEnabled(true);
        });
    }
    UpdateMenuStates();
    for (auto& [id, action] : actions_) action->setEnabled(true);
}

QAction* MainFrame::Action(int id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void MainFrame::UpdateMenuStates() {
    const bool busy = Busy();
    for (int id : {cmd::close, cmd::reopen, cmd::saveAs}) Action(id)->setEnabled(loaded_ && !busy);
    for (int id : {cmd::open, cmd::convertAll, cmd::loadSettings, cmd::saveSettings, cmd::defaultSettings}) {
        Action(id)->setEnabled(!busy);
    }
    for (int id = cmd::channelAll; id <= cmd::channelBlue; ++id) {
        Action(id)->setEnabled(loaded_);
        Action(id)->setChecked(id - cmd::channelLuminance == channel_);
    }
    Action(cmd::separateWindow)->setChecked(layout_.viewSeparate);
    // The zoom level of the image, radio-checked.
    for (int id = cmd::zoomFit; id <= cmd::zoom1600; ++id) {
        if (QAction* zoom = Action(id)) zoom->setChecked(imageWindow_ != nullptr && ZoomForCommand(id) == Zoom());
    }
    // "&Image window" is at the end of the View menu only while the image has a window of its own.
    QAction* imageWindow = Action(cmd::imageWindow);
    viewMenu_->removeAction(imageWindow);
    if (layout_.viewSeparate) viewMenu_->addAction(imageWindow);
}

void MainFrame::Command(int id) {
    if (RefusedWhenBusy(id) && Busy()) {
        Beep();
        return;
    }
    if (id >= cmd::zoomFit && id <= cmd::zoom1600) {
        SetZoom(ZoomForCommand(id));
        return;
    }
    if (id >= cmd::channelAll && id <= cmd::channelBlue) {
        SetChannel(id - cmd::channelLuminance);
        return;
    }
    if (id >= cmd::pageCommand0 && id <= cmd::pageCommand3) {
        pages_[static_cast<size_t>(currentPage_)]->PageCommand(id - cmd::pageCommand0);
        return;
    }
    switch (id) {
        case cmd::open: RunOpenDialog(); break;
        case cmd::close: CloseDocument(); break;
        case cmd::saveAs: {
            ApplySaveFormatPage();
            // The dialog works on a copy, which decides this save.
            OutputSettings chosenSettings = output_;
            const auto chosen = RunSaveAsDialog(&chosenSettings);
            if (chosen) (void)SaveDocument(chosen->first, chosen->second, &chosenSettings);
            break;
        }
        case cmd::reopen:
            if (!fileName_.empty()) (void)OpenByName(fileName_);
            break;
        case cmd::convertAll: ConvertAll(); break;
        case cmd::loadSettings: {
            const auto path = RunSettingsDialog(false);
            if (path) (void)LoadSettingsFile(*path);
            break;
        }
        case cmd::saveSettings: {
            const auto path = RunSettingsDialog(true);
            if (path) (void)SaveSettingsFile(*path);
            break;
        }
        case cmd::defaultSettings: DefaultSettings(); break;
        case cmd::snapSettings: (void)SnapSettings(); break;
        case cmd::exit: Exit(); break;
        case cmd::fileList: strip_->PopupFileList(files_); break;
        case cmd::separateWindow:
            layout_.viewSeparate = !layout_.viewSeparate;
            ShowSeparateState();
            break;
        case cmd::imageWindow:
            if (layout_.viewSeparate && imageWindow_ != nullptr && imageWindow_->isWindow() &&
                !imageWindow_->isActiveWindow()) {
                pages_[static_cast<size_t>(currentPage_)]->Activate(false);
                imageWindow_->showNormal();
                imageWindow_->raise();
                imageWindow_->activateWindow();
            } else {
                raise();
                activateWindow();
                ShowPage(currentPage_);
            }
            break;
        case cmd::help: Help(); break;
        case cmd::about: About(); break;
        case cmd::apply:
            if (loaded_) {
                if (ApplyOptionsPage(false)) (void)Processing();
            } else {
                OpenCurrentEntry();
            }
            break;
        case cmd::openCurrent: OpenCurrentEntry(); break;
        case cmd::nextFile: StepFile(true); break;
        case cmd::previousFile: StepFile(false); break;
        case cmd::tabOptions: tabs_->setCurrentIndex(page::options); break;
        case cmd::tabCurves: tabs_->setCurrentIndex(page::curves); break;
        case cmd::tabSharpen: tabs_->setCurrentIndex(page::sharpen); break;
        case cmd::tabHistogram: tabs_->setCurrentIndex(page::histogram); break;
        case cmd::tabImageInfo: tabs_->setCurrentIndex(page::imageInfo); break;
        case cmd::tabSaveFormat: tabs_->setCurrentIndex(page::saveFormat); break;
        default: break;  // F11 and the commands of the pages' own menus
    }
}

void MainFrame::OpenCurrentEntry() {
    if (files_.Current() >= 0) {
        (void)files_.OpenEntry(files_.Current(), [this](const std::string& name) { return OpenByName(name); });
    } else if (!fileName_.empty()) {
        (void)OpenByName(fileName_);
    }
}

void MainFrame::ShowPage(int index) {
    if (index < 0 || index >= page::count) return;
    if (index != currentPage_) pages_[static_cast<size_t>(currentPage_)]->Activate(false);
    currentPage_ = index;
    if (tabs_->currentIndex() != index) {
        QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(index);
    }
    QWidget* widget = pageWidgets_[static_cast<size_t>(index)];
    widget->show();
    widget->setFocus();
    pages_[static_cast<size_t>(index)]->Activate(true);
}

void MainFrame::BeginWait() {
    if (busy_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainFrame::EndWait() {
    if (busy_ <= 0) return;
    if (--busy_ == 0) {
        QApplication::restoreOverrideCursor();
        // An Exit asked for during the run finishes now that nothing uses the document.
        if (exitRequested_ && !exited_) QMetaObject::invokeMethod(this, [this] { FinishExit(); }, Qt::QueuedConnection);
    }
}

bool MainFrame::PumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !exitRequested_;
}

void MainFrame::MarkChanged(bool pending) {
    PostRefresh();
    processingPending_ = pending;
    UpdateApplyButton();
}

void MainFrame::MarkReloadNeeded() {
    reloadPending_ = true;
    MarkChanged(true);
}

void MainFrame::MarkReloadDone() {
    reloadPending_ = false;
    MarkChanged(processingPending_);
}

int MainFrame::PagesDifference() const {
    if (!lastRunValid_) return 2;
    const uint32_t options = settings_.options;
    int level = CompareSettings(settings_, lastRun_);
    if (curves_ != lastRunCurves_) {
        if ((options & opt::rawcurves) != 0) level = 2;
        if ((options & opt::curves) != 0) level = std::max(level, 1);
    }
    // A repair the user declined when asked holds only while the page still asks.
    if (lastRunTextureDeclined_ && (options & opt::tt) != 0 && (options & opt::asktt) == 0) level = 2;
    return level;
}

void MainFrame::SettingsEdited() {
    switch (PagesDifference()) {
        case 0:
            MarkChanged(false);
            MarkReloadDone();
            break;
        case 1:
            // Back from a raw-stage difference to one after the demosaic.
            reloadPending_ = false;
            MarkChanged(true);
            break;
        default: MarkReloadNeeded(); break;
    }
}

void MainFrame::PostRefresh() {
    // Repeated requests collapse into one refresh.
    if (refreshPosted_) return;
    refreshPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshPosted_ = false;
            if (!Busy() && loaded_) RefreshPreview();
        },
        Qt::QueuedConnection);
}

void MainFrame::UpdateApplyButton() {
    applyButton_->setEnabled(loaded_ && (processingPending_ || reloadPending_));
}

void MainFrame::UpdateTitle() {
    if (loaded_ && !layout_.viewSeparate) {
        setWindowTitle(QStringLiteral("Kyp Suite (%1)").arg(QString::fromStdString(fileName_)));
    } else {
        setWindowTitle(QString::fromLatin1(kAppTitle));
    }
    if (imageWindow_ != nullptr && imageWindow_->isWindow()) {
        imageWindow_->setWindowTitle(loaded_ ? QString::fromStdString(fileName_) : QString());
    }
}

void MainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOut();
}

void MainFrame::LayOut() {
    if (client_ == nullptr || strip_ == nullptr) return;
    const QRect client = client_->rect();
    // 1. The status strip takes the bottom 20 pixels.
    strip_->setGeometry(0, client.height() - StatusStrip::kHeight, client.width(), StatusStrip::kHeight);
    // 2. The working area: the rest, 2 pixels in on every side and 18 more at the bottom.
    const QRect working(2, 2, client.width() - 4, client.height() - StatusStrip::kHeight - 4 - 18);
    // 3. The tab panel at its natural size (the union of its pages), top-right.
    const QSize tabSize = tabs_->sizeHint();
    const QRect tabRect(working.right() + 1 - tabSize.width(), working.top(), tabSize.width(), tabSize.height());
    tabs_->setGeometry(tabRect);
    // 5. The Apply button under the panel, 8 pixels in from its right edge.
    const QSize button = applyButton_->sizeHint();
    applyButton_->setGeometry(tabRect.right() + 1 - 8 - button.width(), tabRect.bottom() + 1 + 4, button.width(),
                              button.height());
    // 6. The image area: what the panel leaves, less 2 pixels.
    imageRect_ = QRect(working.left(), working.top(), std::max(0, working.width() - tabSize.width() - 2),
                       std::max(0, working.height()));
    // The image window, the sampler readout and the thumbnail.
    LayOutImageParts(client, tabRect);
    // The frame may not shrink below the panel.
    client_->setMinimumSize(tabSize.width() + 4, tabSize.height() + 22);
    client_->update();
}

void MainFrame::PaintClient(QPainter& painter) {
    const QPalette& colours = client_->palette();
    const QColor face = colours.color(QPalette::Button);
    painter.fillRect(client_->rect(), face);
    PaintImageParts(painter);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    // Closing the frame by any means is Exit.
    Exit();
    if (!exited_) event->ignore();
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    event->acceptProposedAction();
    if (!paths.empty()) DropFiles(paths, shift);
}

void MainFrame::ShowStartupText(const std::string& text) {
    if (splash != nullptr) splash->ShowText(text);
}

}  // namespace kyp

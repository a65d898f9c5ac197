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

#include "engine/raw/TiffDocument.h"
#include "gui/dialogs/AboutBox.h"
#include "gui/frame/AltLetterRouter.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/Messages.h"
#include "gui/frame/PumpedMemory.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/view/ImageWindow.h"

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
    ResetCurves(curves_.Curves());
    output_.ResetToDefaults();
    session_.SetProgress(nullptr);
    session_.SetMemoryFunctions(AllocatePumped, ReleasePumped);
    session_.SetTextureConfirmation([this](int32_t defect, int32_t threshold) { return ConfirmTexture(defect, threshold); });
    // Previews are reduced more on small screens.
    session_.SetReduction(screenSize.height() < 601 ? 14 : 12);

    BuildChildren();
    image_.Build(client_);
    pages_.BuildSettingsPages(*this, [this] { LayOut(); });
    menus_.Build(*this, [this](int id) { Command(id); }, [this] { return CurrentMenuState(); });
    session_.SetProgress(strip_);
    SetAllocationPump([this] { (void)strip_->PumpIfDue(); });
    LoadLayoutFromStore();
    ShowPagesSettings();
    LayOut();
    UpdateTitle();
    UpdateApplyButton();
    ShowPage(page::options);
    // From here on Alt and a letter are routed by the frame's rules.
    keys_ = std::make_unique<AltLetterRouter>(*this, menus_, [this] { return pages_.CurrentWidget(); });
}

MainFrame::~MainFrame() {
    // Out of sight while the frame is whole: hiding moves the focus, and a
    // page's field that loses it applies the page to the frame.
    hide();
    keys_.reset();
    // The strip is the session's progress object and its allocation pump; it goes first.
    session_.SetProgress(nullptr);
    SetAllocationPump(nullptr);
    // A separate image window has no parent to take it along.
    image_.Destroy();
    // The pages go after the frame's members: no tab change may reach them then.
    if (QTabWidget* tabs = pages_.Tabs()) tabs->blockSignals(true);
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
            dialogs_.Open();
        } else if (id == listcmd::clear) {
            files_.Clear();
        } else if (id >= 1 && id <= files_.Count()) {
            (void)files_.OpenEntry(id - 1, [this](const std::string& name) { return OpenByName(name); });
        }
    };
    files_.onRebuild = [this] { strip_->RebuildMenu(files_); };

    pages_.Build(client_, *this);
    connect(pages_.Tabs(), &QTabWidget::currentChanged, this, [this](int index) { ShowPage(index); });
}

MenuState MainFrame::CurrentMenuState() const {
    MenuState state;
    state.loaded = loaded_;
    state.busy = Busy();
    state.channel = image_.Channel();
    state.viewSeparate = store_.Layout().viewSeparate;
    if (image_.Window() != nullptr) state.zoom = Zoom();
    return state;
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
        image_.SetChannel(id - cmd::channelLuminance);
        return;
    }
    if (id >= cmd::pageCommand0 && id <= cmd::pageCommand3) {
        pages_.Current()->PageCommand(id - cmd::pageCommand0);
        return;
    }
    switch (id) {
        case cmd::open: dialogs_.Open(); break;
        case cmd::close: CloseDocument(); break;
        case cmd::saveAs: {
            ApplySaveFormatPage();
            // The dialog works on a copy, which decides this save.
            OutputSettings chosenSettings = output_;
            const auto chosen = dialogs_.SaveAs(&chosenSettings);
            if (chosen) (void)SaveDocument(chosen->first, chosen->second, &chosenSettings);
            break;
        }
        case cmd::reopen:
            if (!fileName_.empty()) (void)OpenByName(fileName_);
            break;
        case cmd::convertAll: folder_.ConvertAll(); break;
        case cmd::loadSettings: {
            const auto path = dialogs_.SettingsFile(false);
            if (path) (void)LoadSettingsFile(*path);
            break;
        }
        case cmd::saveSettings: {
            const auto path = dialogs_.SettingsFile(true);
            if (path) (void)SaveSettingsFile(*path);
            break;
        }
        case cmd::defaultSettings: DefaultSettings(); break;
        case cmd::snapSettings: (void)SnapSettings(); break;
        case cmd::exit: Exit(); break;
        case cmd::fileList: strip_->PopupFileList(files_); break;
        case cmd::separateWindow:
            store_.Layout().viewSeparate = !store_.Layout().viewSeparate;
            ShowSeparateState();
            break;
        case cmd::imageWindow: {
            ImageWindow* window = image_.Window();
            if (store_.Layout().viewSeparate && window != nullptr && window->isWindow() && !window->isActiveWindow()) {
                pages_.Current()->Activate(false);
                window->showNormal();
                window->raise();
                window->activateWindow();
            } else {
                raise();
                activateWindow();
                ShowPage(pages_.CurrentIndex());
            }
            break;
        }
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
        case cmd::nextFile: folder_.StepFile(true); break;
        case cmd::previousFile: folder_.StepFile(false); break;
        case cmd::tabOptions: pages_.Tabs()->setCurrentIndex(page::options); break;
        case cmd::tabCurves: pages_.Tabs()->setCurrentIndex(page::curves); break;
        case cmd::tabSharpen: pages_.Tabs()->setCurrentIndex(page::sharpen); break;
        case cmd::tabHistogram: pages_.Tabs()->setCurrentIndex(page::histogram); break;
        case cmd::tabImageInfo: pages_.Tabs()->setCurrentIndex(page::imageInfo); break;
        case cmd::tabSaveFormat: pages_.Tabs()->setCurrentIndex(page::saveFormat); break;
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
    if (loaded_ && !store_.Layout().viewSeparate) {
        setWindowTitle(QStringLiteral("Kyp Suite (%1)").arg(QString::fromStdString(fileName_)));
    } else {
        setWindowTitle(QString::fromLatin1(kAppTitle));
    }
    if (ImageWindow* window = image_.Window(); window != nullptr && window->isWindow()) {
        window->setWindowTitle(loaded_ ? QString::fromStdString(fileName_) : QString());
    }
}

void MainFrame::ShowSeparateState() {
    // The window is made again in its new form.
    const bool existed = image_.Window() != nullptr;
    image_.Destroy();
    LayOut();
    if (existed) image_.Update();
    UpdateTitle();
}

void MainFrame::ShowPagesSettings() {
    if (pages_.Options() != nullptr) pages_.Options()->ShowSettings();
    if (pages_.SaveFormat() != nullptr) pages_.SaveFormat()->ShowSettings();
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
    const QSize tabSize = pages_.Tabs()->sizeHint();
    const QRect tabRect(working.right() + 1 - tabSize.width(), working.top(), tabSize.width(), tabSize.height());
    pages_.Tabs()->setGeometry(tabRect);
    // 5. The Apply button under the panel, 8 pixels in from its right edge.
    const QSize button = applyButton_->sizeHint();
    applyButton_->setGeometry(tabRect.right() + 1 - 8 - button.width(), tabRect.bottom() + 1 + 4, button.width(),
                              button.height());
    // 6. The image area: what the panel leaves, less 2 pixels.
    const QRect imageArea(working.left(), working.top(), std::max(0, working.width() - tabSize.width() - 2),
                          std::max(0, working.height()));
    // The image window, the sampler readout and the thumbnail.
    image_.LayOut(imageArea, client, tabRect);
    // The frame may not shrink below the panel.
    client_->setMinimumSize(tabSize.width() + 4, tabSize.height() + 22);
    client_->update();
}

void MainFrame::PaintClient(QPainter& painter) {
    const QPalette& colours = client_->palette();
    const QColor face = colours.color(QPalette::Button);
    painter.fillRect(client_->rect(), face);
    image_.Paint(painter);
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

std::optional<std::string> MainFrame::CameraInfoText() {
    if (!loaded_) return std::nullopt;
    return camera_.Info(session_);
}

std::optional<std::string> MainFrame::CameraSummary() {
    if (!loaded_) return std::nullopt;
    return camera_.Summary(session_);
}

void MainFrame::ShowStartupText(const std::string& text) {
    if (splash != nullptr) splash->ShowText(text);
}

}  // namespace kyp

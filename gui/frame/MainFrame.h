#pragma once
#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/output/Bitmap.h"
#include "engine/process/ProcessingSession.h"
#include "engine/settings/Curve.h"
#include "engine/settings/CurveTable.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"
#include "gui/frame/FileList.h"
#include "gui/frame/FrameLayout.h"
#include "gui/pages/OptionPage.h"
#include "gui/view/Thumbnail.h"

class QAction;
class QKeySequence;
class QMenu;
class QPushButton;
class QTabWidget;

namespace kyp {

class AboutBox;
class FrameClient;
class ImageWindow;
class OptionsPage;
class SamplerReadout;
class SaveFormatPage;
class SharpenPage;
class StatusStrip;

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

// The main window of kyp: menu bar, the image area on the left, the tab panel
// with the Apply button and the thumbnail on the right, the status strip along
// the bottom. It owns the one processing session and the document state, and
// routes every command. Runs happen on the interface thread; while one is
// under way the busy counter refuses every command that would start another.
class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    MainFrame();
    ~MainFrame() override;

    // ---- commands ----
    // Runs a command of the command table (menus, keys, the Apply button).
    void Command(int id);
    [[nodiscard]] QAction* Action(int id) const;

    // ---- document ----
    // The single way a file becomes the document (command line, dialog, list,
    // drop, next/previous). True when it opened and processed.
    bool OpenByName(const std::string& name);
    // Full run of the document with the current settings.
    bool Processing();
    void RefreshPreview();
    void CloseDocument();
    // Saves in format (format::tiff/bitmap/jpeg) under name (empty: the file
    // name with the format's extension).
    // settings: the save-format settings to use (the frame's when none).
    bool SaveDocument(const std::string& name, uint32_t outputFormat, const OutputSettings* settings = nullptr);
    void ConvertAll();
    void StepFile(bool next);
    // Dropped files, in drop order; shift as held during the drop.
    void DropFiles(const std::vector<std::string>& paths, bool shift);

    // ---- setting changes (called by the pages) ----
    void MarkChanged(bool pending);
    void MarkReloadNeeded();
    void MarkReloadDone();
    // How far the pages (the settings and curves) are from what the last full
    // run was made with: 0 the same, 1 the steps after the demosaic, 2 from
    // the raw data. 2 before the document's first full run.
    [[nodiscard]] int PagesDifference() const;
    // A page edited the settings or curves: marks the document with how much
    // must be redone (PagesDifference) and asks for a preview refresh.
    void SettingsEdited();
    // The settings the picture of the last full run was made with.
    [[nodiscard]] const ImportSettings& LastRunSettings() const { return lastRun_; }

    // ---- the pages' side of the settings ----
    // Reads the Options page into the import settings; false when a field is
    // invalid (the page has told the user). Until that page exists, the frame's
    // record (from the store, a .kis file or the defaults) is the page.
    bool ApplyOptionsPage(bool notify);
    // Shows settings on the Options page and applies them (with notification).
    void TakeSettings(const ImportSettings& settings);
    // Takes the Curves page's curves into the session when they changed.
    void TakeCurves();
    // The Curves page edited Curves(): the next TakeCurves rebuilds the tables.
    void MarkCurvesChanged() { curvesChanged_ = true; }
    // Reads the Save Format page into the frame's save-format settings.
    void ApplySaveFormatPage();

    // ---- settings and layout ----
    bool SnapSettings();
    bool LoadSettingsFile(const std::string& path);
    bool SaveSettingsFile(const std::string& path);
    void DefaultSettings();
    void Exit();

    // ---- busy state ----
    void BeginWait();
    void EndWait();
    [[nodiscard]] bool Busy() const { return busy_ > 0; }
    // Handles every queued event; false once a quit was asked for.
    bool PumpMessages();

    // ---- state for pages, tests and the application ----
    [[nodiscard]] ProcessingSession& Session() { return session_; }
    [[nodiscard]] StatusStrip& Strip() { return *strip_; }
    [[nodiscard]] FileList& Files() { return files_; }
    [[nodiscard]] const ImportSettings& Settings() const { return settings_; }
    [[nodiscard]] ImportSettings& MutableSettings() { return settings_; }
    [[nodiscard]] OutputSettings& SaveFormat() { return output_; }
    [[nodiscard]] CurveArray& Curves() { return curves_; }
    [[nodiscard]] const Bitmap& FullRendering() const { return fullRendering_; }
    [[nodiscard]] const Bitmap& PreviewRendering() const { return previewRendering_; }
    [[nodiscard]] bool DocumentLoaded() const { return loaded_; }
    [[nodiscard]] bool ProcessingPending() const { return processingPending_; }
    [[nodiscard]] bool ReloadPending() const { return reloadPending_; }
    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    [[nodiscard]] int CurrentPage() const { return currentPage_; }
    [[nodiscard]] OptionPage* Page(int index) const { return pages_[static_cast<size_t>(index)]; }
    [[nodiscard]] QTabWidget* Tabs() const { return tabs_; }
    [[nodiscard]] QPushButton* ApplyButton() const { return applyButton_; }
    [[nodiscard]] FrameLayout& Layout() { return layout_; }
    [[nodiscard]] int Channel() const { return channel_; }
    [[nodiscard]] std::optional<std::string> CameraInfoText();
    [[nodiscard]] std::optional<std::string> CameraSummary();
    [[nodiscard]] QRect ImageAreaRect() const { return imageRect_; }
    [[nodiscard]] QRect ThumbnailRect() const { return thumbnail_.Rect(); }
    [[nodiscard]] bool ExitRequested() const { return exitRequested_; }

    // Plug-in point: a later page replaces a blank tab page.
    void InstallPage(int index, QWidget* widget, OptionPage* page);
    void ShowPage(int index);

    // Folder searched for kyp2tiff and kypdoc.htm (the program's own by default).
    std::string programFolder;
    // What ends the program after Exit (the application's event loop by default).
    std::function<void()> quitHandler;
    // Opens a URL (help); tests replace it.
    std::function<bool(const QString&)> openUrl;
    // Starts a program detached in a working folder; tests replace it.
    std::function<bool(const QString&, const QStringList&, const QString&)> startDetached;
    // The file chosen by the open/save/settings dialogs; tests replace them.
    std::function<std::optional<std::string>()> openDialog;
    std::function<std::optional<std::pair<std::string, uint32_t>>()> saveDialog;
    std::function<std::optional<std::string>(bool save)> settingsDialog;

    // The splash shown during start-up (or none); it shows the start-up texts.
    AboutBox* splash = nullptr;
    void ShowStartupText(const std::string& text);

    // Painting of the client area (thumbnail and its caption).
    void PaintClient(QPainter& painter);

    // ---- image view, sampler, thumbnail and settings pages (MainFrameImage.cpp) ----
    // The image window, from the first processed image of a document until Close.
    [[nodiscard]] ImageWindow* Image() const { return imageWindow_; }
    [[nodiscard]] SamplerReadout* Readout() const { return readout_; }
    [[nodiscard]] OptionsPage* Options() const { return optionsPage_; }
    [[nodiscard]] SharpenPage* Sharpen() const { return sharpenPage_; }
    [[nodiscard]] SaveFormatPage* SaveFormatTab() const { return saveFormatPage_; }
    [[nodiscard]] const Thumbnail& Thumb() const { return thumbnail_; }
    // The sampler: reads the processed-image pixel (x, y) ((-1, -1) for none)
    // and hands the record to the readout and the current page.
    void Sample(int32_t x, int32_t y);
    // Zoom of the image window (0 fit); nothing without one.
    void SetZoom(int percent);
    [[nodiscard]] int Zoom() const;

    // Alt and a letter (Qt::Key_A.. or Qt::Key_0..): the accelerator table,
    // then the current page's underlined letters while the focus is inside the
    // page, then the menu bar's, then the page's (MainFrameKeys.cpp). False
    // when nothing carries the letter (after a beep).
    bool RouteAltLetter(int key);
    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class FrameClient;
    void BuildMenus();
    void BuildChildren();
    void LayOut();
    void UpdateTitle();
    void UpdateMenuStates();
    void UpdateApplyButton();
    void UpdateImage();
    void ShowSeparateState();
    void PostRefresh();
    void SetDir(const std::string& path);
    [[nodiscard]] std::string StoredDir() const;
    void LoadLayoutFromStore();
    void FinishExit();
    void RunOpenDialog();
    std::optional<std::pair<std::string, uint32_t>> RunSaveAsDialog(OutputSettings* settings);
    std::optional<std::string> RunSettingsDialog(bool save);
    void Help();
    void About();
    void OpenCurrentEntry();
    void SetChannel(int channel);
    bool PageLetter(const QKeySequence& sequence);
    bool MenuLetter(const QKeySequence& sequence);
    // MainFrameImage.cpp
    void BuildImageParts();
    void ShowPagesSettings();
    void CreateImageWindow();
    void DestroyImageWindow();
    void DetachImage();
    void ClearSampler(bool closing);
    void LayOutImageParts(const QRect& client, const QRect& tabRect);
    void PaintImageParts(QPainter& painter);
    [[nodiscard]] std::string ReferenceFile() const;
    [[nodiscard]] std::string ReferenceFolder(const std::string& reference) const;
    std::string ConvertAllRun();
    std::string ConvertAllHere(const std::string& reference, const std::vector<std::string>& files);
    bool ConfirmTexture(int32_t defect, int32_t threshold);

    ProcessingSession session_{SessionKind::interactive};
    ImportSettings settings_{};
    CurveArray curves_{};
    CurveSet curveSet_;
    CurveTables curveTables_;
    bool curvesChanged_ = true;
    OutputSettings output_;
    FileList files_;
    FrameLayout layout_;
    Bitmap fullRendering_;
    Bitmap previewRendering_;
    std::optional<std::string> infoText_;
    std::optional<std::string> summary_;
    bool infoRead_ = false;
    bool summaryRead_ = false;
    std::string fileName_;

    StatusStrip* strip_ = nullptr;
    QWidget* client_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    ImageWindow* imageWindow_ = nullptr;
    SamplerReadout* readout_ = nullptr;
    OptionsPage* optionsPage_ = nullptr;
    SharpenPage* sharpenPage_ = nullptr;
    SaveFormatPage* saveFormatPage_ = nullptr;
    Thumbnail thumbnail_;
    std::array<OptionPage*, page::count> pages_{};
    std::array<QWidget*, page::count> pageWidgets_{};
    std::map<int, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* zoomMenu_ = nullptr;
    QRect imageRect_;
    int currentPage_ = page::options;
    int channel_ = -1;
    int busy_ = 0;
    bool loaded_ = false;
    bool processingPending_ = false;
    bool reloadPending_ = false;
    bool lastOpenFailed_ = false;  // the last open by name failed (fileName_ names that file)
    bool refreshPosted_ = false;
    bool exitRequested_ = false;
    bool exited_ = false;
    // What the last full run of the document was made with (valid after one).
    ImportSettings lastRun_{};
    CurveArray lastRunCurves_{};
    bool lastRunTextureDeclined_ = false;
    bool lastRunValid_ = false;
};

}  // namespace kyp

#pragma once
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/output/Bitmap.h"
#include "engine/process/ProcessingSession.h"
#include "engine/settings/Curve.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"
#include "gui/frame/CameraText.h"
#include "gui/frame/FileList.h"
#include "gui/frame/FolderCommands.h"
#include "gui/frame/FrameDialogs.h"
#include "gui/frame/FrameMenus.h"
#include "gui/frame/FrameStore.h"
#include "gui/frame/ImageParts.h"
#include "gui/frame/LastRun.h"
#include "gui/frame/PagePanel.h"
#include "gui/frame/SessionCurves.h"
#include "gui/pages/OptionPage.h"

class QAction;
class QPushButton;
class QTabWidget;

namespace kyp {

class AboutBox;
class AltLetterRouter;
class FrameClient;
class ImageWindow;
class OptionsPage;
class SamplerReadout;
class SaveFormatPage;
class SharpenPage;
class StatusStrip;

// The main window of kyp: menu bar, the image area on the left, the tab panel
// with the Apply button and the thumbnail on the right, the status strip along
// the bottom. It owns the one processing session and the document state, and
// routes every command. Runs happen on the interface thread; while one is
// under way the busy counter refuses every command that would start another.
// Its parts with jobs of their own: the tab panel (PagePanel), the image
// window, sampler and thumbnail (ImageParts), the menus (FrameMenus), Alt and
// a letter (AltLetterRouter), the file dialogs (FrameDialogs), the folder
// commands (FolderCommands), the settings store (FrameStore), the curves and
// their tables (SessionCurves), the last run (LastRun) and the camera texts
// (CameraText).
class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    MainFrame();
    ~MainFrame() override;

    // ---- commands ----
    // Runs a command of the command table (menus, keys, the Apply button).
    void Command(int id);
    [[nodiscard]] QAction* Action(int id) const { return menus_.Action(id); }

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
    // Dropped files, in drop order; shift as held during the drop.
    void DropFiles(const std::vector<std::string>& paths, bool shift) { folder_.DropFiles(paths, shift); }

    // ---- setting changes (called by the pages) ----
    void MarkChanged(bool pending);
    void MarkReloadNeeded();
    void MarkReloadDone();
    // How far the pages (the settings and curves) are from what the last full
    // run was made with: 0 the same, 1 the steps after the demosaic, 2 from
    // the raw data. 2 before the document's first full run.
    [[nodiscard]] int PagesDifference() const { return lastRun_.Difference(settings_, curves_.Curves()); }
    // A page edited the settings or curves: marks the document with how much
    // must be redone (PagesDifference) and asks for a preview refresh.
    void SettingsEdited();

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
    void MarkCurvesChanged() { curves_.MarkChanged(); }
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
    [[nodiscard]] CurveArray& Curves() { return curves_.Curves(); }
    [[nodiscard]] const Bitmap& FullRendering() const { return fullRendering_; }
    [[nodiscard]] const Bitmap& PreviewRendering() const { return previewRendering_; }
    [[nodiscard]] bool DocumentLoaded() const { return loaded_; }
    [[nodiscard]] bool ProcessingPending() const { return processingPending_; }
    [[nodiscard]] bool ReloadPending() const { return reloadPending_; }
    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    // The last open by name failed (FileName names that file).
    [[nodiscard]] bool LastOpenFailed() const { return lastOpenFailed_; }
    [[nodiscard]] int CurrentPage() const { return pages_.CurrentIndex(); }
    [[nodiscard]] OptionPage* Page(int index) const { return pages_.Page(index); }
    [[nodiscard]] QTabWidget* Tabs() const { return pages_.Tabs(); }
    // The page left is told, the tab follows, the page shown is told.
    void ShowPage(int index) { pages_.Show(index); }
    [[nodiscard]] QPushButton* ApplyButton() const { return applyButton_; }
    [[nodiscard]] FrameLayout& Layout() { return store_.Layout(); }
    [[nodiscard]] int Channel() const { return image_.Channel(); }
    [[nodiscard]] std::optional<std::string> CameraInfoText();
    [[nodiscard]] std::optional<std::string> CameraSummary();
    [[nodiscard]] QRect ImageAreaRect() const { return image_.AreaRect(); }
    [[nodiscard]] QRect ThumbnailRect() const { return image_.Thumb().Rect(); }
    [[nodiscard]] bool ExitRequested() const { return exitRequested_; }

    // Folder searched for kyp2tiff and kypdoc.htm (the program's own by default).
    std::string programFolder;
    // What ends the program after Exit (the application's event loop by default).
    std::function<void()> quitHandler;
    // Opens a URL (help); tests replace it.
    std::function<bool(const QString&)> openUrl;
    // Starts a program detached in a working folder; tests replace it.
    std::function<bool(const QString&, const QStringList&, const QString&)> startDetached;
    // The file dialogs, whose choices tests can give instead.
    [[nodiscard]] FrameDialogs& Dialogs() { return dialogs_; }

    // The splash shown during start-up (or none); it shows the start-up texts.
    AboutBox* splash = nullptr;
    void ShowStartupText(const std::string& text);

    // ---- the image parts and the settings pages ----
    // The image window, from the first processed image of a document until Close.
    [[nodiscard]] ImageWindow* Image() const { return image_.Window(); }
    [[nodiscard]] SamplerReadout* Readout() const { return image_.Readout(); }
    [[nodiscard]] OptionsPage* Options() const { return pages_.Options(); }
    [[nodiscard]] SharpenPage* Sharpen() const { return pages_.Sharpen(); }
    [[nodiscard]] SaveFormatPage* SaveFormatTab() const { return pages_.SaveFormat(); }
    [[nodiscard]] const Thumbnail& Thumb() const { return image_.Thumb(); }
    void Sample(int32_t x, int32_t y) { image_.Sample(x, y); }
    void SetZoom(int percent) { image_.SetZoom(percent); }
    [[nodiscard]] int Zoom() const { return image_.Zoom(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class FrameClient;
    // Painting of the client area (the image area's edge, thumbnail and caption).
    void PaintClient(QPainter& painter);
    void BuildChildren();
    void LayOut();
    void UpdateTitle();
    [[nodiscard]] MenuState CurrentMenuState() const;
    void UpdateApplyButton();
    void ShowSeparateState();
    void PostRefresh();
    void LoadLayoutFromStore();
    void FinishExit();
    void Help();
    void About();
    void OpenCurrentEntry();
    void ShowPagesSettings();
    bool ConfirmTexture(int32_t defect, int32_t threshold);

    ProcessingSession session_{SessionKind::interactive};
    ImportSettings settings_{};
    SessionCurves curves_;
    OutputSettings output_;
    FileList files_;
    FrameStore store_;
    FrameMenus menus_;
    FolderCommands folder_{*this};
    FrameDialogs dialogs_{*this};
    std::unique_ptr<AltLetterRouter> keys_;
    Bitmap fullRendering_;
    Bitmap previewRendering_;
    CameraText camera_;
    std::string fileName_;

    StatusStrip* strip_ = nullptr;
    QWidget* client_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    PagePanel pages_;
    ImageParts image_{*this};
    int busy_ = 0;
    bool loaded_ = false;
    bool processingPending_ = false;
    bool reloadPending_ = false;
    bool lastOpenFailed_ = false;  // the last open by name failed (fileName_ names that file)
    bool runFailed_ = false;       // the last run could not load the file or get its memory
    bool refreshPosted_ = false;
    bool exitRequested_ = false;
    bool exited_ = false;
    LastRun lastRun_;
};

}  // namespace kyp

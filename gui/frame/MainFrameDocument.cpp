// The document side of the main frame: opening, processing, previews, saving,
// Convert All, next/previous file and dropped files.
#include <QApplication>
#include <QStandardPaths>

#include "engine/core/AsciiText.h"
#include "engine/core/PathText.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/OutputWriter.h"
#include "engine/raw/CameraInfo.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "gui/frame/FolderScan.h"
#include "gui/view/ImageWindow.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/frame/StatusStrip.h"
#include "platform/SettingsStore.h"

namespace kyp {

namespace {

// Brackets a stretch of work with BeginWait/EndWait, so every way out ends it.
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

// A failed save: the fixed sentence, then on a second line why (the system's
// text for a file that could not be written, or what could not be made).
// Without a known reason a TIFF keeps the sentence alone, the other formats
// say the result code is unknown.
std::string SaveErrorText(const std::string& name, uint32_t outputFormat, const OutputResult& result) {
    const std::string reason = result.reason();
    if (reason.empty() && outputFormat == format::tiff) return Format("Error saving '%s'.", name.c_str());
    return Format("Error saving '%s'.\r\n%s", name.c_str(),
                  reason.empty() ? Format("[%#.8x unknown result code]", 0u).c_str() : reason.c_str());
}

}  // namespace

bool MainFrame::ConfirmTexture(int32_t defect, int32_t threshold) {
    const int32_t measure = defect < 0 ? -defect : defect;
    return ShowMessage(this, MessageIcon::question,
                       Format("The texture defect measure for this image is %d.\r\nThis exceeds the current "
                              "threshhold of %d.\r\n\r\nDo you want to fix the texture defect?",
                              measure, threshold),
                       MessageButtons::yesNo, "Kyp Suite: Texture Defect Detected");
}

std::optional<std::string> MainFrame::CameraInfoText() {
    if (!loaded_) return std::nullopt;
    if (!infoRead_) {
        auto* document = const_cast<TiffDocument*>(session_.InputDocument());
        infoText_ = document != nullptr ? cameraInfoText(*document) : std::nullopt;
        infoRead_ = true;
    }
    return infoText_;
}

std::optional<std::string> MainFrame::CameraSummary() {
    if (!loaded_) return std::nullopt;
    if (!summaryRead_) {
        auto* document = const_cast<TiffDocument*>(session_.InputDocument());
        summary_ = document != nullptr ? cameraSummary(*document) : std::nullopt;
        summaryRead_ = true;
    }
    return summary_;
}

bool MainFrame::ApplyOptionsPage(bool notify) {
    if (optionsPage_ != nullptr) return optionsPage_->ApplyPage(notify);
    // The Options page reads its controls into settings_ here. Until it exists
    // the record itself is what the page would show, and it is always valid.
    if (notify && loaded_) SettingsEdited();
    return true;
}

void MainFrame::TakeSettings(const ImportSettings& settings) {
    if (optionsPage_ != nullptr) {
        optionsPage_->TakeSettings(settings);
        return;
    }
    settings_ = settings;
    if (!ApplyOptionsPage(true)) {
        SetDefaults(settings_);
        (void)ApplyOptionsPage(true);
    }
}

void MainFrame::TakeCurves() {
    if (!curvesChanged_) return;
    curveSet_.Build(curves_);
    for (int i = 0; i < kCurveCount; ++i) curveTables_.table[i] = curveSet_.Table(i);
    session_.SetCurves(&curveTables_);
    session_.MarkCurvesChanged();
    curvesChanged_ = false;
}

void MainFrame::ApplySaveFormatPage() {
    // The Save Format page reads its controls into output_.
    if (saveFormatPage_ != nullptr) saveFormatPage_->ApplyPage();
}

void MainFrame::SetDir(const std::string& path) {
    const std::string dir = DirValueFor(path);
    if (dir.empty()) return;
    SettingsStore store;
    if (store.CreateForWriting()) (void)store.WriteString("Dir", dir);
}

std::string MainFrame::StoredDir() const {
    SettingsStore store;
    std::string dir;
    if (!store.OpenForReading()) return "/";
    (void)store.ReadString("Dir", dir);
    return dir;
}

bool MainFrame::OpenByName(const std::string& name) {
    if (name.empty()) return false;
    WaitScope wait(*this);
    strip_->SetStatus(Format("Loading %s", name.c_str()));
    if (splash != nullptr) ShowStartupText(Format("Loading [%s] ...", name.c_str()));
    StatusScope status(*strip_, "Loading.....");
    fileName_ = name;
    SetDir(name);
    if (!ApplyOptionsPage(false)) return false;

    // Forget the old document before taking the new one.
    loaded_ = false;
    lastRunValid_ = false;
    infoText_.reset();
    summary_.reset();
    infoRead_ = summaryRead_ = false;
    DetachImage();
    fullRendering_.release();
    previewRendering_.release();
    curvesChanged_ = true;
    TakeCurves();
    (void)strip_->PumpIfDue();
    session_.SetFileName(name.c_str());
    session_.SetSettings(settings_);
    session_.SetCurves(&curveTables_);
    session_.MarkCurvesChanged();
    LoadError why = LoadError::none;
    if (IsOrfFile(name, &why)) {
        loaded_ = true;
        update();
        const bool processed = Processing();
        // A file that passes the ORF test but whose raw data cannot be read
        // (cut short, damaged) gives no image: it is not a document.
        const bool cancelled = strip_->EscapeNoted() || exitRequested_;
        if (!processed && !cancelled && session_.FullOutput().samples == nullptr) {
            loaded_ = false;
        } else {
            LayOut();
            strip_->SetStatus(processed || !cancelled ? name : std::string("Processing cancelled"));
        }
    }
    // Next and previous go on from a file that failed to open.
    lastOpenFailed_ = !loaded_;
    if (!loaded_) {
        // The reason after the fixed text, as the console says it.
        if (why == LoadError::none) why = session_.LastError();
        ShowMessage(this, MessageIcon::warning,
                    why == LoadError::none ? Format("Cannot open file '%s'.", name.c_str())
                                           : Format("Cannot open file '%s'.\n%s.", name.c_str(), LoadErrorText(why)));
        session_.SetFileName("");
        DestroyImageWindow();
        ClearSampler(true);
        UpdateTitle();
        strip_->SetStatus(nullptr);
        for (OptionPage* page : pages_) page->DocumentClosed();
    }
    UpdateApplyButton();
    client_->update();
    return loaded_;
}

bool MainFrame::Processing() {
    WaitScope wait(*this);
    ClearSampler(false);
    TakeCurves();
    if (!ApplyOptionsPage(false)) return false;
    bool ok = false;
    {
        StatusScope status(*strip_, nullptr);
        RefreshPreview();
        const ImportSettings run = settings_;
        const CurveArray runCurves = curves_;
        session_.SetSettings(run);
        const RunResult result = session_.Process(false);
        ok = result == RunResult::unchanged;
        if (result == RunResult::processed) {
            const ProcessedImage& image = session_.FullOutput();
            ok = image.samples == nullptr ||
                 renderImage(fullRendering_, image, (run.options & opt::gray) != 0, strip_);
        }
        if (ok) {
            lastRun_ = run;
            lastRunCurves_ = runCurves;
            lastRunTextureDeclined_ = session_.TextureDeclined();
            lastRunValid_ = true;
            // The thumbnail follows the levels this run found.
            RefreshPreview();
        } else if (result == RunResult::cancelled || strip_->EscapeNoted()) {
            strip_->SetStatus("Processing cancelled");
        }
        client_->update();
        // The interface's own work after the run (the picture for the image
        // window, the pages catching up, the store) pumps between its pieces
        // like the run itself.
        (void)strip_->PumpIfDue();
        if (ok) {
            // Pages edited while the run went on are still to be done.
            const int difference = PagesDifference();
            processingPending_ = difference != 0;
            reloadPending_ = difference == 2;
            UpdateTitle();
            UpdateImage();
        }
        // A cancelled or failed run leaves the image behind the settings: Apply
        // stays available for another try.
        if (!ok) processingPending_ = true;
        UpdateApplyButton();
        // Pages that outlive an Exit during the run are the only ones asked.
        for (OptionPage* page : pages_) {
            if (exitRequested_) break;
            (void)strip_->PumpIfDue();
            page->DocumentChanged();
        }
        if (!exitRequested_) {
            (void)strip_->PumpIfDue();
            (void)SnapSettings();
        }
    }
    return ok;
}

void MainFrame::RefreshPreview() {
    thumbnail_.Drop();
    client_->update(thumbnail_.Rect().adjusted(-2, -2, 10, 2));
    if (!loaded_) return;
    if (ApplyOptionsPage(false)) {
        session_.SetSettings(settings_);
        // Raw curves shape the preview as much as curves do.
        if ((settings_.options & (opt::curves | opt::rawcurves)) != 0) TakeCurves();
    }
    {
        WaitScope wait(*this);
        strip_->Begin(1);
        const RunResult result = session_.Process(true);
        if (result == RunResult::processed || (result == RunResult::unchanged && !previewRendering_.hasPixels())) {
            const ProcessedImage& preview = session_.PreviewOutput();
            if (preview.samples != nullptr &&
                !renderImage(previewRendering_, preview, (settings_.options & opt::gray) != 0, nullptr)) {
                previewRendering_.release();
            }
            // A paint during the run may have taken the thumbnail's picture
            // from the rendering it replaced.
            thumbnail_.Drop();
        }
        strip_->End();
    }
    LayOut();
    client_->update();
}

void MainFrame::CloseDocument() {
    lastRunValid_ = false;
    lastOpenFailed_ = false;
    DestroyImageWindow();
    thumbnail_.Drop();
    ClearSampler(true);
    session_.SetFileName("");
    fullRendering_.release();
    previewRendering_.release();
    infoText_.reset();
    summary_.reset();
    infoRead_ = summaryRead_ = false;
    loaded_ = false;
    for (OptionPage* page : pages_) page->DocumentClosed();
    UpdateTitle();
    strip_->SetStatus("Ready");
    UpdateApplyButton();
    LayOut();
}

bool MainFrame::SaveDocument(const std::string& requested, uint32_t outputFormat, const OutputSettings* settings) {
    const OutputSettings& output = settings != nullptr ? *settings : output_;
    const std::string name = requested.empty() ? ReplaceExtension(fileName_, FormatExtension(outputFormat)) : requested;
    // The file holds what the pages say: a picture behind them is brought up
    // to date first, and nothing is written when that run fails or is cancelled.
    if (loaded_ && !ApplyOptionsPage(false)) return false;
    if (loaded_ && (processingPending_ || reloadPending_ || PagesDifference() != 0) && !Processing()) return false;
    WaitScope wait(*this);
    StatusScope status(*strip_, nullptr);
    strip_->SetText(Format("Saving %s", std::string(FileNamePart(name)).c_str()).c_str());
    (void)strip_->Tick(1);
    if (!loaded_ || name.empty()) return false;
    const ProcessedImage& image = session_.FullOutput();
    if (image.samples == nullptr) return false;

    // Anything but TIFF and bitmap is saved as JPEG. The bitmap is the
    // rendering already made for the image window. The target must be
    // creatable before anything is encoded.
    const uint32_t writtenFormat =
        outputFormat == format::tiff || outputFormat == format::bitmap ? outputFormat : format::jpeg;
    OutputImage picture{image, session_.InputDocument(), lastRun_};
    picture.rendering = &fullRendering_;
    const OutputResult result = WriteOutput(name, writtenFormat, output, picture, true);
    if (!result.ok()) ShowMessage(this, MessageIcon::warning, SaveErrorText(name, writtenFormat, result));
    return result.ok();
}

std::string MainFrame::ReferenceFile() const {
    if (!fileName_.empty()) return fileName_;
    if (files_.Current() >= 0) return files_.Entry(files_.Current());
    if (!files_.Empty()) return files_.Entry(0);
    return {};
}

std::string MainFrame::ReferenceFolder(const std::string& reference) const {
    if (!reference.empty()) {
        const std::string folder = FolderOf(reference);
        if (!folder.empty()) return folder;
    }
    const std::string dir = StoredDir();
    if (!dir.empty()) return dir;
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

void MainFrame::StepFile(bool next) {
    if (Busy()) {
        Beep();
        return;
    }
    const std::string reference = ReferenceFile();
    const std::vector<std::string> files = ListOrfFiles(ReferenceFolder(reference));
    if (files.empty()) return;
    std::string target;
    if (!reference.empty() && !loaded_ && lastOpenFailed_ && reference == fileName_) {
        // The last open failed: the folder is walked on from that file's place.
        target = NeighbourOfPosition(files, reference, next);
    } else if (reference.empty() || !loaded_) {
        target = files.front();
    } else {
        target = NeighbourFile(files, reference, next);
        if (target.empty()) return;  // the reference is not in its folder's listing
    }
    if (OpenByName(target)) files_.Add(target);
}

void MainFrame::DropFiles(const std::vector<std::string>& paths, bool shift) {
    if (Busy()) {
        Beep();
        return;
    }
    if (paths.size() == 1) {
        const std::string& name = paths.front();
        if (!IsOrfFile(name)) {
            ShowMessage(this, MessageIcon::warning, Format("The file '%s' is not a valid ORF file.", name.c_str()));
            return;
        }
        files_.Add(name);
        if (!shift) (void)OpenByName(name);
        return;
    }
    std::vector<std::string> valid;
    std::string failed;
    for (const std::string& name : paths) {
        if (IsOrfFile(name)) {
            valid.push_back(name);
        } else {
            failed += "\r\n    " + name;
        }
    }
    MergeDroppedFiles(files_, valid);
    if (!failed.empty()) {
        ShowMessage(this, MessageIcon::warning,
                    "The following file or files are not valid Olympus Raw Format files:" + failed);
    }
    if (files_.Empty()) return;
    if (!shift) {
        (void)files_.OpenEntry(0, [this](const std::string& name) { return OpenByName(name); });
    } else {
        strip_->PopupFileList(files_);
    }
}

void MainFrame::ConvertAll() {
    // The summary of a conversion made here is shown once the run is over.
    const std::string summary = ConvertAllRun();
    if (!summary.empty()) ShowMessage(this, MessageIcon::information, summary);
}

std::string MainFrame::ConvertAllRun() {
    WaitScope wait(*this);
    ApplySaveFormatPage();
    const std::string reference = ReferenceFile();
    const std::string folder = ReferenceFolder(reference);
    if (folder.empty()) return {};
    const std::string pattern = OrfPattern(folder);
    StatusScope status(*strip_, "Convert All...");
    const std::string console = programFolder + "/kyp2tiff";
    if (IsRegularFile(console) && ::access(console.c_str(), X_OK) == 0) {
        (void)SnapSettings();
        // The console program pauses at its end when its argument zero is "@";
        // bash's exec -a sets it. It runs in a terminal of its own.
        QString terminal = QString::fromLocal8Bit(qgetenv("TERMINAL"));
        QStringList arguments;
        if (terminal.isEmpty()) terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
        if (!terminal.isEmpty() && !bash.isEmpty()) {
            arguments << QStringLiteral("-e") << bash << QStringLiteral("-c")
                      << QStringLiteral("exec -a @ \"$0\" \"$@\"") << QString::fromStdString(console)
                      << QStringLiteral("-c") << QString::fromStdString(pattern);
            if (startDetached(terminal, arguments, QString::fromStdString(folder))) return {};
        }
    }
    const std::vector<std::string> files = ListOrfFiles(folder);
    return ConvertAllHere(reference, files);
}

std::string MainFrame::ConvertAllHere(const std::string& reference, const std::vector<std::string>& files) {
    // The open document first (brought up to date), then every other file of
    // the folder. The strip counts "n of N"; one file that fails does not stop
    // the others (each says why); Escape or Exit does. Returns the summary
    // (nothing after Exit).
    const uint32_t outputFormat = output_.format;
    const bool documentFirst = loaded_ && !reference.empty();
    std::vector<std::string> others;
    for (const std::string& file : files) {
        if (reference.empty() || !ascii::EqualsNoCase(file, reference)) others.push_back(file);
    }
    const int total = static_cast<int>(others.size()) + (documentFirst ? 1 : 0);
    int converted = 0;
    int failed = 0;
    bool cancelled = false;
    // A file's result counts unless the run was stopped under it.
    auto count = [&](bool ok) {
        if (ok) {
            ++converted;
        } else if (strip_->EscapeNoted() || exitRequested_) {
            cancelled = true;
        } else {
            ++failed;
        }
        if (strip_->EscapeNoted() || exitRequested_) cancelled = true;
    };
    if (documentFirst) {
        strip_->SetProgress(Format("%d of %d", 1, total));
        const bool current = !(processingPending_ || reloadPending_) || (reloadPending_ ? OpenByName(fileName_) : Processing());
        count(current && SaveDocument({}, outputFormat));
    }
    for (const std::string& file : others) {
        if (cancelled || !strip_->Tick(1) || !PumpMessages()) {
            cancelled = true;
            break;
        }
        strip_->SetProgress(Format("%d of %d", converted + failed + 1, total));
        bool ok = OpenByName(file);
        if (ok) {
            files_.Add(file);
            ok = SaveDocument({}, outputFormat);
        }
        count(ok);
    }
    strip_->SetProgress({});
    if (exitRequested_) return {};
    return Format("%s: %d of %d files converted, %d failed.", cancelled ? "Convert All cancelled" : "Convert All",
                  converted, total, failed);
}

}  // namespace kyp

// The document side of the main frame: opening, processing, previews,
// closing and saving.
#include <QApplication>

#include "engine/core/PathText.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/OutputWriter.h"
#include "engine/raw/CameraInfo.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/FrameStore.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/frame/StatusStrip.h"
#include "gui/frame/WaitScope.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/view/ImageWindow.h"
#include "platform/SettingsStore.h"

namespace kyp {

namespace {

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

bool MainFrame::ApplyOptionsPage(bool notify) {
    if (pages_.Options() != nullptr) return pages_.Options()->ApplyPage(notify);
    // The Options page reads its controls into settings_ here. Until it exists
    // the record itself is what the page would show, and it is always valid.
    if (notify && loaded_) SettingsEdited();
    return true;
}

void MainFrame::TakeSettings(const ImportSettings& settings) {
    if (pages_.Options() != nullptr) {
        pages_.Options()->TakeSettings(settings);
        return;
    }
    settings_ = settings;
    if (!ApplyOptionsPage(true)) {
        SetDefaults(settings_);
        (void)ApplyOptionsPage(true);
    }
}

void MainFrame::TakeCurves() { curves_.Take(session_); }

void MainFrame::ApplySaveFormatPage() {
    // The Save Format page reads its controls into output_.
    if (pages_.SaveFormat() != nullptr) pages_.SaveFormat()->ApplyPage();
}

bool MainFrame::OpenByName(const std::string& name) {
    if (name.empty()) return false;
    WaitScope wait(*this);
    strip_->SetStatus(Format("Loading %s", name.c_str()));
    if (splash != nullptr) ShowStartupText(Format("Loading [%s] ...", name.c_str()));
    StatusScope status(*strip_, "Loading.....");
    fileName_ = name;
    FrameStore::SetDir(name);
    if (!ApplyOptionsPage(false)) return false;

    // Forget the old document before taking the new one.
    loaded_ = false;
    lastRun_.Forget();
    camera_.Forget();
    image_.Detach();
    fullRendering_.release();
    previewRendering_.release();
    curves_.MarkChanged();
    TakeCurves();
    (void)strip_->PumpIfDue();
    session_.SetFileName(name.c_str());
    session_.SetSettings(settings_);
    curves_.Give(session_);
    LoadError why = LoadError::none;
    if (isOrfFile(name, &why)) {
        loaded_ = true;
        update();
        const bool processed = Processing();
        // A file that passes the ORF test but whose raw data cannot be read
        // (cut short, damaged) gives no image: it is not a document. The
        // session keeps its output blocks from file to file, so a failed run
        // leaves the previous document's image there: the run's result decides.
        const bool cancelled = strip_->EscapeNoted() || exitRequested_;
        if (!processed && !cancelled && (runFailed_ || session_.FullOutput().samples == nullptr)) {
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
        image_.Destroy();
        image_.ClearSampler(true);
        UpdateTitle();
        strip_->SetStatus(nullptr);
        for (OptionPage* page : pages_.Pages()) page->DocumentClosed();
    }
    UpdateApplyButton();
    client_->update();
    return loaded_;
}

bool MainFrame::Processing() {
    WaitScope wait(*this);
    image_.ClearSampler(false);
    TakeCurves();
    runFailed_ = false;
    if (!ApplyOptionsPage(false)) return false;
    bool ok = false;
    {
        StatusScope status(*strip_, nullptr);
        RefreshPreview();
        const ImportSettings run = settings_;
        const CurveArray runCurves = curves_.Curves();
        session_.SetSettings(run);
        const RunResult result = session_.Process(false);
        runFailed_ = result == RunResult::failed;
        ok = result == RunResult::unchanged;
        if (result == RunResult::processed) {
            const ProcessedImage& image = session_.FullOutput();
            ok = image.samples == nullptr ||
                 renderImage(fullRendering_, image, (run.options & opt::gray) != 0, strip_);
        }
        if (ok) {
            lastRun_.Record(run, runCurves, session_.TextureDeclined());
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
            image_.Update();
        }
        // A cancelled or failed run leaves the image behind the settings: Apply
        // stays available for another try.
        if (!ok) processingPending_ = true;
        UpdateApplyButton();
        // Pages that outlive an Exit during the run are the only ones asked.
        for (OptionPage* page : pages_.Pages()) {
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
    image_.Thumb().Drop();
    client_->update(image_.Thumb().Rect().adjusted(-2, -2, 10, 2));
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
            image_.Thumb().Drop();
        }
        strip_->End();
    }
    LayOut();
    client_->update();
}

void MainFrame::CloseDocument() {
    lastRun_.Forget();
    lastOpenFailed_ = false;
    image_.Destroy();
    image_.Thumb().Drop();
    image_.ClearSampler(true);
    session_.SetFileName("");
    fullRendering_.release();
    previewRendering_.release();
    camera_.Forget();
    loaded_ = false;
    for (OptionPage* page : pages_.Pages()) page->DocumentClosed();
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
    OutputImage picture{image, session_.InputDocument(), lastRun_.Settings()};
    picture.rendering = &fullRendering_;
    const OutputResult result = writeOutput(name, writtenFormat, output, picture, true);
    if (!result.ok()) ShowMessage(this, MessageIcon::warning, SaveErrorText(name, writtenFormat, result));
    return result.ok();
}

}  // namespace kyp

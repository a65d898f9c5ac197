// The document side of the main frame: opening, processing, previews,
// closing and saving.
#include <QApplication>

#include <cerrno>
#include <cstring>

#include "engine/output/BitmapRender.h"
#include "engine/output/BitmapWriter.h"
#include "engine/output/JpegOutputBuffer.h"
#include "engine/output/JpegWriter.h"
#include "engine/output/TiffWriter.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/FrameStore.h"
#include "gui/view/ImageWindow.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/frame/StatusStrip.h"
#include "gui/frame/WaitScope.h"
#include "platform/AtomicFile.h"

namespace kyp {

namespace {

std::string SystemErrorText(int error) {
    if (error == 0) return Format("[%#.8x unknown result code]", 0u);
    return std::strerror(error);
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
    if (!ApplyOptionsPage(false)) return false;
    bool ok = false;
    {
        StatusScope status(*strip_, nullptr);
        RefreshPreview();
        const ImportSettings run = settings_;
        const CurveArray runCurves = curves_.Curves();
        session_.SetSettings(run);
        const int result = session_.Process(false);
        ok = result == run::unchanged;
        if (result > run::unchanged) {
            const ProcessedImage& image = session_.FullOutput();
            ok = image.samples == nullptr ||
                 renderImage(fullRendering_, image, (run.options & opt::gray) != 0, strip_);
        }
        if (ok) {
            lastRun_.Record(run, runCurves, session_.TextureDeclined());
            // The thumbnail follows the levels this run found.
            RefreshPreview();
        } else if (result == run::cancelled || strip_->EscapeNoted()) {
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
        const int result = session_.Process(true);
        if (result > run::unchanged || (result == run::unchanged && !previewRendering_.hasPixels())) {
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
    strip_->SetText(Format("Saving %s", BaseNameOf(name).c_str()).c_str());
    (void)strip_->Tick(1);
    if (!loaded_ || name.empty()) return false;
    const ProcessedImage& image = session_.FullOutput();
    if (image.samples == nullptr) return false;

    // The target must be creatable before anything is encoded.
    {
        AtomicFile probe;
        if (!probe.open(name)) {
            ShowMessage(this, MessageIcon::warning,
                        Format("Error saving '%s'.\r\n%s", name.c_str(), SystemErrorText(probe.error()).c_str()));
            return false;
        }
        probe.discard();
    }
    bool ok = false;
    errno = 0;
    switch (outputFormat) {
        case format::tiff: {
            ok = writeTiff(name, session_.InputDocument(), image, lastRun_.Settings(), output);
            if (!ok) ShowMessage(this, MessageIcon::warning, Format("Error saving '%s'.", name.c_str()));
            return ok;
        }
        case format::bitmap:
            ok = writeBmp(fullRendering_, name);
            break;
        default: {
            JpegOutputBuffer buffer;
            ok = writeJpeg(image, session_.InputDocument(), &output, buffer) && writeBufferToFile(name, buffer);
            break;
        }
    }
    if (!ok) {
        ShowMessage(this, MessageIcon::warning,
                    Format("Error saving '%s'.\r\n%s", name.c_str(), SystemErrorText(errno).c_str()));
    }
    return ok;
}

}  // namespace kyp

// The image side of the main frame: the image window (docked or separate),
// zoom and channel, the sampler and its readout, the thumbnail, and the
// settings pages (Options, Sharpen, Save Format) it installs in the tab panel.
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>

#include "gui/frame/CommandTable.h"
#include "gui/view/ImageWindow.h"
#include "gui/frame/MainFrame.h"
#include "gui/pages/OptionsPage.h"
#include "gui/view/Sampler.h"
#include "gui/view/SamplerReadout.h"
#include "gui/view/ScreenPixels.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/pages/SharpenPage.h"
#include "gui/frame/StatusStrip.h"

namespace kyp {

void MainFrame::BuildImageParts() {
    readout_ = new SamplerReadout(client_);
    readout_->sampleSize = [this] { return layout_.sampleSize; };
    readout_->setSampleSize = [this](uint32_t size) { layout_.sampleSize = size; };
    readout_->show();
    optionsPage_ = new OptionsPage(*this);
    InstallPage(page::options, optionsPage_, optionsPage_);
    sharpenPage_ = new SharpenPage(*this);
    InstallPage(page::sharpen, sharpenPage_, sharpenPage_);
    saveFormatPage_ = new SaveFormatPage(*this);
    InstallPage(page::saveFormat, saveFormatPage_, saveFormatPage_);
}

void MainFrame::ShowPagesSettings() {
    if (optionsPage_ != nullptr) optionsPage_->ShowSettings();
    if (saveFormatPage_ != nullptr) saveFormatPage_->ShowSettings();
}

void MainFrame::CreateImageWindow() {
    ImageWindowHost host;
    // The window's commands run queued, after its own event has returned:
    // one of them may destroy the window.
    host.command = [this](int id) { QMetaObject::invokeMethod(this, [this, id] { Command(id); }, Qt::QueuedConnection); };
    host.sample = [this](int32_t x, int32_t y) { Sample(x, y); };
    host.endSample = [this] { pages_[static_cast<size_t>(currentPage_)]->EndSample(); };
    host.pageCursor = [this](bool buttonDown) { return pages_[static_cast<size_t>(currentPage_)]->GetCursor(buttonDown); };
    host.storeView = [this](const QRect& frame) {
        layout_.view = {frame.left(), frame.top(), frame.width(), frame.height()};
    };
    // The zoom shown is named at the status strip's right end.
    host.zoomShown = [this](int zoom, int scale) {
        if (scale <= 0) {
            strip_->SetNote({});
        } else if (zoom == 0) {
            strip_->SetNote(QStringLiteral("Zoom: Fit (%1%)").arg(scale));
        } else {
            strip_->SetNote(QStringLiteral("Zoom: %1%").arg(zoom));
        }
    };
    const bool separate = layout_.viewSeparate;
    imageWindow_ = new ImageWindow(separate, std::move(host), separate ? nullptr : client_);
    if (separate) {
        const StoredRect& view = layout_.view;
        imageWindow_->setWindowIcon(windowIcon());
        imageWindow_->setWindowTitle(QString::fromStdString(fileName_));
        // View holds the frame's position and the inside's size (StoredWindowRect).
        imageWindow_->move(view.left, view.top);
        imageWindow_->resize(std::max(1, view.width), std::max(1, view.height));
        imageWindow_->show();
    } else {
        imageWindow_->setGeometry(imageRect_);
        imageWindow_->show();
    }
}

void MainFrame::DestroyImageWindow() {
    if (imageWindow_ == nullptr) return;
    ImageWindow* window = imageWindow_;
    imageWindow_ = nullptr;
    delete window;
    strip_->SetNote({});
}

void MainFrame::DetachImage() {
    if (imageWindow_ != nullptr) imageWindow_->SetImage(nullptr);
    thumbnail_.Drop();
}

void MainFrame::UpdateImage() {
    if (!loaded_ || !fullRendering_.hasPixels()) {
        if (imageWindow_ != nullptr) imageWindow_->SetImage(nullptr);
        return;
    }
    // The picture the window paints from is made here, inside the run and a
    // band at a time between pumps, rather than in one piece at the first
    // paint. A window that shows one channel makes its own from that channel.
    QImage pixels;
    if (channel_ == -1) pixels = ToScreenPixels(fullRendering_, [this] { (void)strip_->PumpIfDue(); });
    if (imageWindow_ == nullptr) CreateImageWindow();
    imageWindow_->SetChannel(channel_);
    imageWindow_->SetImage(&fullRendering_, std::move(pixels));
    if (imageWindow_->Separate()) imageWindow_->setWindowTitle(QString::fromStdString(fileName_));
    if (!imageWindow_->isVisible()) imageWindow_->show();
}

void MainFrame::ShowSeparateState() {
    // The window is made again in its new form.
    const bool existed = imageWindow_ != nullptr;
    DestroyImageWindow();
    LayOut();
    if (existed) UpdateImage();
    UpdateTitle();
}

void MainFrame::SetChannel(int channel) {
    channel_ = channel;
    thumbnail_.Drop();
    if (imageWindow_ != nullptr) imageWindow_->SetChannel(channel);
    client_->update();
}

void MainFrame::SetZoom(int percent) {
    if (imageWindow_ != nullptr) imageWindow_->SetZoom(percent);
}

int MainFrame::Zoom() const { return imageWindow_ != nullptr ? imageWindow_->Zoom() : 0; }

void MainFrame::Sample(int32_t x, int32_t y) {
    // A stored size the sampler does not know becomes 1 when first used.
    const int32_t size = NormalSampleSize(layout_.sampleSize);
    layout_.sampleSize = static_cast<uint32_t>(size);
    const SampleRecord record = TakeSample(session_, fullRendering_, x, y, size, Busy() || !loaded_);
    if (readout_ != nullptr) readout_->SetRecord(record);
    pages_[static_cast<size_t>(currentPage_)]->ShowSample(record);
}

void MainFrame::ClearSampler(bool closing) {
    if (readout_ == nullptr) return;
    if (closing) {
        readout_->Clear();
        return;
    }
    SampleRecord empty;
    empty.sampleSize = NormalSampleSize(layout_.sampleSize);
    readout_->SetRecord(empty);
}

void MainFrame::LayOutImageParts(const QRect& client, const QRect& tabRect) {
    if (imageWindow_ != nullptr && !imageWindow_->Separate()) imageWindow_->setGeometry(imageRect_);
    if (readout_ != nullptr) {
        // 8 pixels below the Apply button, right-aligned with it, at its own size.
        const QRect button = applyButton_->geometry();
        const QSize size = readout_->sizeHint();
        readout_->setGeometry(button.right() + 1 - size.width(), button.bottom() + 1 + 8, size.width(), size.height());
    }
    const QRect readout = readout_ != nullptr && !readout_->isHidden() ? readout_->geometry() : QRect();
    const QRegion invalid = thumbnail_.Layout(tabRect, applyButton_->geometry(), readout, client,
                                              client_->fontMetrics().lineSpacing(), previewRendering_, loaded_);
    if (!invalid.isEmpty()) client_->update(invalid);
}

void MainFrame::PaintImageParts(QPainter& painter) {
    // The image area's top and left edges, sunken.
    if (imageWindow_ == nullptr || imageWindow_->Separate()) {
        const QPalette& colours = client_->palette();
        painter.setPen(colours.color(QPalette::Dark));
        painter.drawLine(imageRect_.left() - 1, imageRect_.top() - 1, imageRect_.right(), imageRect_.top() - 1);
        painter.drawLine(imageRect_.left() - 1, imageRect_.top() - 1, imageRect_.left() - 1, imageRect_.bottom());
    }
    const std::optional<std::string> summary = loaded_ ? CameraSummary() : std::nullopt;
    thumbnail_.Paint(painter, client_->palette(), client_, previewRendering_, loaded_, channel_,
                     loaded_ && session_.TextureFound(), summary);
}

}  // namespace kyp

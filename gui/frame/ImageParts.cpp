#include "gui/frame/ImageParts.h"

#include <QPainter>
#include <QPushButton>

#include <algorithm>

#include "gui/frame/MainFrame.h"
#include "gui/frame/StatusStrip.h"
#include "gui/view/ImageWindow.h"
#include "gui/view/Sampler.h"
#include "gui/view/SamplerReadout.h"
#include "gui/view/ScreenPixels.h"

namespace kyp {

void ImageParts::Build(QWidget* client) {
    client_ = client;
    readout_ = new SamplerReadout(client_);
    readout_->sampleSize = [this] { return frame_.Layout().sampleSize; };
    readout_->setSampleSize = [this](uint32_t size) { frame_.Layout().sampleSize = size; };
    readout_->show();
}

void ImageParts::Create() {
    MainFrame* frame = &frame_;
    ImageWindowHost host;
    // The window's commands run queued, after its own event has returned:
    // one of them may destroy the window.
    host.command = [frame](int id) {
        QMetaObject::invokeMethod(frame, [frame, id] { frame->Command(id); }, Qt::QueuedConnection);
    };
    host.sample = [this](int32_t x, int32_t y) { Sample(x, y); };
    host.endSample = [frame] { frame->Page(frame->CurrentPage())->EndSample(); };
    host.pageCursor = [frame](bool buttonDown) { return frame->Page(frame->CurrentPage())->GetCursor(buttonDown); };
    host.storeView = [frame](const QRect& place) {
        frame->Layout().view = {place.left(), place.top(), place.width(), place.height()};
    };
    // The zoom shown is named at the status strip's right end.
    host.zoomShown = [frame](int zoom, int scale) {
        if (scale <= 0) {
            frame->Strip().SetNote({});
        } else if (zoom == 0) {
            frame->Strip().SetNote(QStringLiteral("Zoom: Fit (%1%)").arg(scale));
        } else {
            frame->Strip().SetNote(QStringLiteral("Zoom: %1%").arg(zoom));
        }
    };
    const bool separate = frame_.Layout().viewSeparate;
    window_ = new ImageWindow(separate, std::move(host), separate ? nullptr : client_);
    if (separate) {
        const StoredRect& view = frame_.Layout().view;
        window_->setWindowIcon(frame_.windowIcon());
        window_->setWindowTitle(QString::fromStdString(frame_.FileName()));
        // View holds the frame's position and the inside's size (StoredWindowRect).
        window_->move(view.left, view.top);
        window_->resize(std::max(1, view.width), std::max(1, view.height));
        window_->show();
    } else {
        window_->setGeometry(areaRect_);
        window_->show();
    }
}

void ImageParts::Destroy() {
    if (window_ == nullptr) return;
    ImageWindow* window = window_;
    window_ = nullptr;
    delete window;
    frame_.Strip().SetNote({});
}

void ImageParts::Detach() {
    if (window_ != nullptr) window_->SetImage(nullptr);
    thumbnail_.Drop();
}

void ImageParts::Update() {
    const Bitmap& rendering = frame_.FullRendering();
    if (!frame_.DocumentLoaded() || !rendering.hasPixels()) {
        if (window_ != nullptr) window_->SetImage(nullptr);
        return;
    }
    // The picture the window paints from is made here, inside the run and a
    // band at a time between pumps, rather than in one piece at the first
    // paint. A window that shows one channel makes its own from that channel.
    QImage pixels;
    if (channel_ == -1) pixels = ToScreenPixels(rendering, [this] { (void)frame_.Strip().PumpIfDue(); });
    if (window_ == nullptr) Create();
    window_->SetChannel(channel_);
    window_->SetImage(&rendering, std::move(pixels));
    if (window_->Separate()) window_->setWindowTitle(QString::fromStdString(frame_.FileName()));
    if (!window_->isVisible()) window_->show();
}

void ImageParts::SetChannel(int channel) {
    channel_ = channel;
    thumbnail_.Drop();
    if (window_ != nullptr) window_->SetChannel(channel);
    client_->update();
}

void ImageParts::SetZoom(int percent) {
    if (window_ != nullptr) window_->SetZoom(percent);
}

int ImageParts::Zoom() const { return window_ != nullptr ? window_->Zoom() : 0; }

void ImageParts::Sample(int32_t x, int32_t y) {
    // A stored size the sampler does not know becomes 1 when first used.
    const int32_t size = NormalSampleSize(frame_.Layout().sampleSize);
    frame_.Layout().sampleSize = static_cast<uint32_t>(size);
    const SampleRecord record = TakeSample(frame_.Session(), frame_.FullRendering(), x, y, size,
                                           frame_.Busy() || !frame_.DocumentLoaded());
    if (readout_ != nullptr) readout_->SetRecord(record);
    frame_.Page(frame_.CurrentPage())->ShowSample(record);
}

void ImageParts::ClearSampler(bool closing) {
    if (readout_ == nullptr) return;
    if (closing) {
        readout_->Clear();
        return;
    }
    SampleRecord empty;
    empty.sampleSize = NormalSampleSize(frame_.Layout().sampleSize);
    readout_->SetRecord(empty);
}

void ImageParts::LayOut(const QRect& area, const QRect& client, const QRect& tabRect) {
    areaRect_ = area;
    if (window_ != nullptr && !window_->Separate()) window_->setGeometry(areaRect_);
    const QRect button = frame_.ApplyButton()->geometry();
    if (readout_ != nullptr) {
        // 8 pixels below the Apply button, right-aligned with it, at its own size.
        const QSize size = readout_->sizeHint();
        readout_->setGeometry(button.right() + 1 - size.width(), button.bottom() + 1 + 8, size.width(), size.height());
    }
    const QRect readout = readout_ != nullptr && !readout_->isHidden() ? readout_->geometry() : QRect();
    const QRegion invalid = thumbnail_.LayOut(tabRect, button, readout, client, client_->fontMetrics().lineSpacing(),
                                              frame_.PreviewRendering(), frame_.DocumentLoaded());
    if (!invalid.isEmpty()) client_->update(invalid);
}

void ImageParts::Paint(QPainter& painter) {
    // The image area's top and left edges, sunken.
    if (window_ == nullptr || window_->Separate()) {
        const QPalette& colours = client_->palette();
        painter.setPen(colours.color(QPalette::Dark));
        painter.drawLine(areaRect_.left() - 1, areaRect_.top() - 1, areaRect_.right(), areaRect_.top() - 1);
        painter.drawLine(areaRect_.left() - 1, areaRect_.top() - 1, areaRect_.left() - 1, areaRect_.bottom());
    }
    const bool loaded = frame_.DocumentLoaded();
    const std::optional<std::string> summary = loaded ? frame_.CameraSummary() : std::nullopt;
    thumbnail_.Paint(painter, client_->palette(), client_, frame_.PreviewRendering(), loaded, channel_,
                     loaded && frame_.Session().TextureFound(), summary);
}

}  // namespace kyp

#pragma once
#include <QRect>

#include <cstdint>

#include "gui/view/Thumbnail.h"

class QPainter;
class QWidget;

namespace kyp {

class ImageWindow;
class MainFrame;
class SamplerReadout;

// The image side of the main frame: the image window (docked in the image
// area or a window of its own), its zoom and channel, the sampler and its
// readout, and the thumbnail with its caption. They show the frame's document
// and report to the frame's current page.
class ImageParts {
public:
    explicit ImageParts(MainFrame& frame) : frame_(frame) {}

    // Makes the sampler readout in client, the frame's client area, where the
    // docked image window and the thumbnail go too.
    void Build(QWidget* client);

    // The image window, from the first processed image of a document until Destroy.
    [[nodiscard]] ImageWindow* Window() const { return window_; }
    [[nodiscard]] SamplerReadout* Readout() const { return readout_; }
    [[nodiscard]] Thumbnail& Thumb() { return thumbnail_; }
    [[nodiscard]] const Thumbnail& Thumb() const { return thumbnail_; }
    [[nodiscard]] QRect AreaRect() const { return areaRect_; }
    [[nodiscard]] int Channel() const { return channel_; }

    // Shows the document's full rendering, making the window for the first.
    void Update();
    void Destroy();
    // The window and the thumbnail let go of the rendering (it is replaced).
    void Detach();

    // Channel shown (-1 all); zoom of the image window (0 fit), nothing without one.
    void SetChannel(int channel);
    void SetZoom(int percent);
    [[nodiscard]] int Zoom() const;

    // The sampler: reads the processed-image pixel (x, y) ((-1, -1) for none)
    // and hands the record to the readout and the current page.
    void Sample(int32_t x, int32_t y);
    // closing: the document goes, the readout is emptied; otherwise it shows
    // an empty record of the sample size.
    void ClearSampler(bool closing);

    // area: the image area; client: the client area; tabRect: the tab panel.
    void LayOut(const QRect& area, const QRect& client, const QRect& tabRect);
    void Paint(QPainter& painter);

private:
    void Create();

    MainFrame& frame_;
    QWidget* client_ = nullptr;
    ImageWindow* window_ = nullptr;
    SamplerReadout* readout_ = nullptr;
    Thumbnail thumbnail_;
    QRect areaRect_;
    int channel_ = -1;
};

}  // namespace kyp

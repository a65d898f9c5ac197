#pragma once
#include <QCursor>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

#include "engine/output/Bitmap.h"

class QMenu;
class QScrollBar;

namespace kyp {

// The commands of the image window's context menu.
namespace imagecmd {
inline constexpr int separateWindow = 40046;
inline constexpr int mainWindow = 40064;
inline constexpr int open = 40002;
inline constexpr int close = 40003;
}  // namespace imagecmd

// What the image window asks of the frame that owns it.
struct ImageWindowHost {
    // A command of the frame's table, run after the current event (posted).
    std::function<void(int)> command;
    // The sampler: the processed-image pixel under the pointer; (-1, -1) clears it.
    std::function<void(int32_t, int32_t)> sample;
    // The left button was released over the image.
    std::function<void()> endSample;
    // The cursor the current page wants over the image (button down or up), if any.
    std::function<std::optional<QCursor>(bool)> pageCursor;
    // The separate window's rectangle as stored (StoredWindowRect), whenever it moved or changed size.
    std::function<void(const QRect&)> storeView;
    // The zoom or the view changed (the zoom level, 0 for fit, and the scale shown).
    std::function<void(int, int)> zoomShown;
};

// Shows the 8-bit rendering of the document at a zoom (0 fits the window;
// 50 to 1600 percent) and in one channel (-1 all, 0 luminance, 1 red, 2 green,
// 3 blue), either docked in the frame or as a window of its own. Painting goes
// through one off-screen picture reused while the window does not grow;
// scrolling moves the pixels already shown and paints only the uncovered strip.
// Pressing the left button samples the pixel under the pointer.
//
// Children: scroll bars 1 "verticalScrollBar" and 2 "horizontalScrollBar".
class ImageWindow : public QWidget {
    Q_OBJECT
public:
    ImageWindow(bool separate, ImageWindowHost host, QWidget* parent = nullptr);
    ~ImageWindow() override;

    // The rendering to show (kept by the frame, borrowed here; nullptr: none).
    // The first image of a window turns fit mode on. screenPixels, when given,
    // is the rendering already made into the picture shown for all channels
    // (ToScreenPixels), so the first paint does not have to make it.
    void SetImage(const Bitmap* rendering, QImage screenPixels = {});
    // A new zoom keeps the image point under anchor (a client point in the
    // view, such as the pointer) where it is; without one, the point at the
    // view's centre.
    void SetZoom(int percent, std::optional<QPoint> anchor = std::nullopt);
    // One step through the zoom levels (fit, 100 ... 1600 percent), in or out,
    // around anchor; Ctrl and the wheel take it.
    void StepZoom(bool in, std::optional<QPoint> anchor = std::nullopt);
    // The zoom shown: the level, or for fit the scale the view has (percent).
    [[nodiscard]] int ShownScale() const;
    void SetChannel(int channel);
    // Scroll(horizontal, code, count): codes of view::scroll.
    void Scroll(bool horizontal, int code, int count);

    [[nodiscard]] bool Separate() const { return separate_; }
    [[nodiscard]] int Zoom() const { return zoom_; }
    [[nodiscard]] int Channel() const { return channel_; }
    [[nodiscard]] QRect ViewRect() const { return view_; }
    [[nodiscard]] QSize Visible() const { return visible_; }
    [[nodiscard]] QPoint ScrollPosition() const { return scroll_; }
    [[nodiscard]] QSize ImageSize() const;
    [[nodiscard]] bool HasImage() const { return rendering_ != nullptr && rendering_->hasPixels(); }
    // The picture shown (channel applied), rows from the top.
    [[nodiscard]] const QImage& Image();
    // The processed-image pixel under a client point, or nothing outside the view.
    [[nodiscard]] std::optional<QPoint> PixelAt(const QPoint& point) const;
    [[nodiscard]] QMenu* ContextMenu();
    [[nodiscard]] QScrollBar* VerticalBar() const { return vertical_; }
    [[nodiscard]] QScrollBar* HorizontalBar() const { return horizontal_; }
    [[nodiscard]] bool Sampling() const { return capturing_; }
    // The cursor the rules give for a client point (the wait cursor is the frame's).
    [[nodiscard]] QCursor CursorAt(const QPoint& point, bool buttonDown) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LayOut();
    void UpdateScrollBars();
    void UpdateSizeLimits();
    void EnsureSource();
    void PaintView(QPainter& painter, const QRect& area);
    void SampleAt(const QPoint& point);
    void EndSampling();
    void StoreView();
    void FinishUserResize();
    void ResizeClient(const QSize& client);
    void UpdateMenuStates();
    [[nodiscard]] QSize ScrollBarExtra() const;
    // The image point (in pixels, with fractions) under a client point of the view.
    [[nodiscard]] QPointF ImagePoint(const QPoint& point) const;

    bool separate_;
    ImageWindowHost host_;
    const Bitmap* rendering_ = nullptr;
    Bitmap channelCopy_;
    bool channelCopyValid_ = false;
    QImage source_;            // the picture shown, as 32-bit pixels
    bool sourceValid_ = false;
    QImage cache_;             // off-screen picture of the client area
    int zoom_ = 0;
    int channel_ = -1;
    QPoint scroll_;
    QRect view_;
    QRect imageView_;           // the view as last laid out with a picture
    QSize visible_;
    QSize laidOutImage_;  // the picture size of the last layout (the rendering changes in place)
    bool hadImage_ = false;
    bool landscape_ = true;
    bool capturing_ = false;
    bool programmaticResize_ = false;
    QSize settledSize_;         // the size before the user's resizing began
    QTimer resizeSettle_;
    QRect normalFrame_;
    QScrollBar* vertical_ = nullptr;
    QScrollBar* horizontal_ = nullptr;
    QMenu* menu_ = nullptr;
    int wheelZoomRest_ = 0;     // wheel turn towards the next zoom step
};

}  // namespace kyp

#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace kyp::view {

// Zoom levels: a percentage, 0 fitting the image to the window.
inline constexpr int kMaxZoom = 1600;
// The zoom commands 20000..20006 index this table; 50 has no menu entry.
inline constexpr int kZoomTable[7] = {0, 50, 100, 200, 400, 800, 1600};
inline constexpr int kZoomFirstId = 20000;
// The command of a zoom level (20000 + index), or 0 when no command has it.
[[nodiscard]] int IdForZoom(int zoom);
[[nodiscard]] int ClampZoom(int zoom);

// Scroll codes: line back, line forward, page back, page forward, thumb.
namespace scroll {
inline constexpr int lineBack = 0;
inline constexpr int lineForward = 1;
inline constexpr int pageBack = 2;
inline constexpr int pageForward = 3;
inline constexpr int thumb = 4;
}  // namespace scroll

// The view rectangle in a client rectangle: zoomed, the client less the
// scroll bars (vertical on the right, horizontal at the bottom); in fit mode
// with an image, the largest rectangle of the image's aspect ratio at the
// top-left, moved right to centre it across (never down).
[[nodiscard]] QRect LayoutView(const QRect& client, int zoom, const QSize& image, int scrollBarWidth,
                               int scrollBarHeight);

// Image pixels shown in the view: fit, the whole image; below 100, the image
// size times zoom / 100; 100, the view's size; above, the view's size divided
// by zoom / 100 (whole).
[[nodiscard]] QSize VisibleSize(int zoom, const QSize& image, const QSize& view);

// Positions limited to 0..(image - visible) on each axis.
[[nodiscard]] QPoint ClampScroll(const QPoint& scroll, const QSize& image, const QSize& visible);

// One axis of Scroll(code, count): the new position, limited to 0..maximum.
// A count of 0 means 2 pixels for the line codes and one page for the page codes.
[[nodiscard]] int ScrollPosition(int position, int code, int count, int visible, int maximum);

// Screen pixels the view's contents move for a change of the scroll position.
[[nodiscard]] int ScreenShift(int difference, int zoom);

// The image pixel under a point of the view (relative to the client), or
// nothing when the point is outside the view. Below 100 (and fit) the offset
// is scaled by visible / view without the scroll position; at 100 and above
// it is divided by the whole factor and the scroll position is added.
[[nodiscard]] std::optional<QPoint> PointToPixel(const QPoint& point, const QRect& view, int zoom,
                                                 const QSize& visible, const QPoint& scroll);

// Separate image window: the client size limits and the maximised geometry
// that keeps the image's aspect ratio. extra: the scroll bars when zoomed.
[[nodiscard]] QSize MinimumClient(const QSize& image, const QSize& extra);
[[nodiscard]] QSize MaximumClient(const QSize& image, const QSize& extra);
// frameExtra: what the window frame adds to a client (dx, dy). viewLeft: the
// view's left edge on the screen. The result is a frame rectangle.
[[nodiscard]] QRect MaximisedFrame(const QSize& image, const QSize& extra, const QSize& frameExtra,
                                   const QRect& screen, int viewLeft);

// The client size that keeps the image's aspect ratio for a dragged size:
// the height follows the width unless only the height was dragged.
[[nodiscard]] QSize AspectClient(const QSize& image, const QSize& dragged, const QSize& before);

}  // namespace kyp::view

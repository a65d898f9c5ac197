#include "gui/view/ImageViewGeometry.h"

#include <algorithm>
#include <cstdint>

namespace kyp::view {

namespace {

// a * b / c in 64 bits, truncated like MulDiv's callers expect of whole pixels.
int Scale(int a, int b, int c) {
    if (c == 0) return 0;
    return static_cast<int>(static_cast<int64_t>(a) * b / c);
}

}  // namespace

int IdForZoom(int zoom) {
    for (int i = 0; i < 7; ++i) {
        if (kZoomTable[i] == zoom) return kZoomFirstId + i;
    }
    return 0;
}

int ClampZoom(int zoom) { return std::clamp(zoom, 0, kMaxZoom); }

QRect LayoutView(const QRect& client, int zoom, const QSize& image, int scrollBarWidth, int scrollBarHeight) {
    QRect area = client;
    if (zoom != 0) area.adjust(0, 0, -scrollBarWidth, -scrollBarHeight);
    QRect view = area;
    if (zoom == 0 && image.width() > 0 && image.height() > 0) {
        const int fullWidthHeight = Scale(image.height(), area.width(), image.width());
        const int fullHeightWidth = Scale(area.height(), image.width(), image.height());
        if (area.left() + fullHeightWidth <= area.left() + area.width()) {
            view = QRect(area.left(), area.top(), fullHeightWidth, area.height());
        } else {
            view = QRect(area.left(), area.top(), area.width(), fullWidthHeight);
        }
    }
    // Centred across the area only; the view stays at the top.
    if (view.width() < area.width()) view.moveLeft(view.left() + (area.width() - view.width()) / 2);
    return view;
}

QSize VisibleSize(int zoom, const QSize& image, const QSize& view) {
    if (zoom == 0) return image;
    if (zoom < 100) return {Scale(image.width(), zoom, 100), Scale(image.height(), zoom, 100)};
    if (zoom == 100) return view;
    const int factor = zoom / 100;
    return {view.width() / factor, view.height() / factor};
}

QPoint ClampScroll(const QPoint& scroll, const QSize& image, const QSize& visible) {
    const int maxX = std::max(0, image.width() - visible.width());
    const int maxY = std::max(0, image.height() - visible.height());
    return {std::clamp(scroll.x(), 0, maxX), std::clamp(scroll.y(), 0, maxY)};
}

int ScrollPosition(int position, int code, int count, int visible, int maximum) {
    int64_t next = position;
    switch (code) {
        case scroll::lineBack: next -= count != 0 ? count : 2; break;
        case scroll::lineForward: next += count != 0 ? count : 2; break;
        case scroll::pageBack: next -= count != 0 ? int64_t{visible} * count : visible; break;
        case scroll::pageForward: next += count != 0 ? int64_t{visible} * count : visible; break;
        case scroll::thumb: next = count; break;
        default: break;
    }
    return static_cast<int>(std::clamp<int64_t>(next, 0, std::max(0, maximum)));
}

int ScreenShift(int difference, int zoom) { return zoom > 100 ? difference * (zoom / 100) : difference; }

std::optional<QPoint> PointToPixel(const QPoint& point, const QRect& view, int zoom, const QSize& visible,
                                   const QPoint& scroll) {
    if (!view.contains(point) || view.width() <= 0 || view.height() <= 0) return std::nullopt;
    const int dx = point.x() - view.left();
    const int dy = point.y() - view.top();
    if (zoom == 100) return QPoint(dx + scroll.x(), dy + scroll.y());
    if (zoom < 100) return QPoint(Scale(dx, visible.width(), view.width()), Scale(dy, visible.height(), view.height()));
    const int factor = zoom / 100;
    return QPoint(dx / factor + scroll.x(), dy / factor + scroll.y());
}

QSize MinimumClient(const QSize& image, const QSize& extra) {
    return {image.width() / 10 + extra.width(), image.height() / 10 + extra.height()};
}

QSize MaximumClient(const QSize& image, const QSize& extra) { return image + extra; }

QRect MaximisedFrame(const QSize& image, const QSize& extra, const QSize& frameExtra, const QRect& screen,
                     int viewLeft) {
    const int w = image.width() + extra.width();
    const int h = image.height() + extra.height();
    const int dx = frameExtra.width();
    const int dy = frameExtra.height();
    QSize size;
    const int widthForHeight = h > 0 ? Scale(screen.height() - dy, w, h) + dx : screen.width();
    if (widthForHeight <= screen.width()) {
        size = QSize(widthForHeight, screen.height());
    } else {
        size = QSize(screen.width(), w > 0 ? Scale(screen.width() - dx, h, w) + dy : screen.height());
    }
    int left = viewLeft - dx / 2;
    left = std::min(left, screen.left() + screen.width() - size.width());
    left = std::max(left, screen.left());
    return {QPoint(left, screen.top()), size};
}

QSize AspectClient(const QSize& image, const QSize& dragged, const QSize& before) {
    if (image.width() <= 0 || image.height() <= 0) return dragged;
    if (dragged.width() == before.width() && dragged.height() != before.height()) {
        return {Scale(dragged.height(), image.width(), image.height()), dragged.height()};
    }
    return {dragged.width(), Scale(dragged.width(), image.height(), image.width())};
}

}  // namespace kyp::view

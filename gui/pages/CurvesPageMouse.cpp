// The curves editor's graph: painting, hit-testing, the mouse and the wheel.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "gui/pages/CurveNumberEdit.h"
#include "gui/pages/CurvesPage.h"

namespace kyp {

QPoint CurvesPage::GraphPoint(QPoint p) const { return {p.x() - graph_.left(), graph_.bottom() - p.y()}; }

int CurvesPage::HitTest(QPoint p) const {
    const QPoint g = GraphPoint(p);
    return CurveHitTest(CurrentCurve(), table_, selected_, g.x(), g.y(), FrameRect(graph_).contains(p),
                        graph_.contains(p));
}

QRect CurvesPage::KeepArea() const { return rect().united(graph_.adjusted(-30, -30, 30, 30)); }

Qt::CursorShape CurvesPage::HoverCursor(QPoint p, bool ctrl) const {
    if (!FrameRect(graph_).contains(p)) return Qt::ArrowCursor;
    const int hit = HitTest(p);
    if (hit >= 0) return ctrl ? Qt::BitmapCursor : Qt::SizeAllCursor;
    if (hit == hit::curve) return Qt::CrossCursor;
    return Qt::ArrowCursor;
}

void CurvesPage::UpdateHoverCursor() {
    if (dragging_ || pressPending_ || !isVisible()) return;
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (!rect().contains(p)) return;
    ShowHoverCursor(p, (Modifiers() & Qt::ControlModifier) != 0);
}

void CurvesPage::ShowHoverCursor(QPoint p, bool ctrl) {
    const Qt::CursorShape shape = HoverCursor(p, ctrl);
    if (shape == Qt::BitmapCursor) {
        setCursor(deleteCursor_);
    } else if (shape == Qt::ArrowCursor) {
        unsetCursor();
    } else {
        setCursor(shape);
    }
}

void CurvesPage::paintEvent(QPaintEvent* /*event*/) {
    // The graph is drawn off-screen and copied in one piece.
    const QRect area = GraphPaintRect(graph_);
    QImage buffer(area.size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(Qt::transparent);
    {
        QPainter painter(&buffer);
        painter.translate(-area.topLeft());
        CurveGraphView view;
        view.graph = graph_;
        view.curve = &CurrentCurve();
        view.table = &table_;
        view.selected = selected_;
        view.sampled = sampled_;
        view.curveStrip = &strips_.Strip(channel_);
        view.plainStrip = &strips_.Strip(channel_ + 4);
        view.face = palette().color(QPalette::Button);
        view.highlight = palette().color(QPalette::Light);
        PaintCurveGraph(painter, view);
    }
    QPainter painter(this);
    painter.drawImage(area.topLeft(), buffer);
}

void CurvesPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceControls();
}

bool CurvesPage::AddPointAt(QPoint p, bool ctrl) {
    const QPoint g = GraphPoint(p);
    const int x = std::clamp(g.x(), 0, 255);
    const int y = std::clamp(g.y(), 0, 255);
    const int index = InsertionIndex(CurrentCurve(), x, ctrl);
    if (index < 0) return false;
    Current().InsertPoint(static_cast<size_t>(index), x, y);
    selected_ = index;
    ShowSelected();
    Redraw();
    Changed();
    return true;
}

void CurvesPage::ClickAt(QPoint p, bool ctrl) {
    const int hit = HitTest(p);
    if (hit >= 0) {
        SetSelection(hit);
        if (ctrl) DeleteSelected();
    } else if (hit == hit::curve) {
        (void)AddPointAt(p, ctrl);
    }
}

void CurvesPage::DragTo(QPoint p) {
    setCursor(KeepArea().contains(p) ? QCursor(Qt::SizeAllCursor) : deleteCursor_);
    if (selected_ < 0) return;
    const QPoint g = GraphPoint(p);
    const auto [x, y] = LimitPoint(CurrentCurve(), selected_, g.x(), g.y());
    const size_t index = static_cast<size_t>(selected_);
    if (x == CurrentCurve().X(index) && y == CurrentCurve().Y(index)) return;
    Current().SetPoint(index, x, y);
    input_->SetValue(x);
    output_->SetValue(y);
    Redraw();
    Changed();  // notes the curve; the report waits for the drag's end
}

void CurvesPage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    Sync();
    const QPoint p = event->position().toPoint();
    const int hit = HitTest(p);
    if (hit >= 0) {
        SetSelection(hit);
        // A press that does not move is a click; moving it starts a drag.
        pressPending_ = true;
        pressPos_ = p;
    } else if (hit == hit::curve) {
        // A new point is dragged at once. When none may be added here the
        // press moves nothing (the selection stays where it is).
        if (AddPointAt(p, (event->modifiers() & Qt::ControlModifier) != 0)) dragging_ = true;
    }
}

void CurvesPage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (pressPending_ && (event->buttons() & Qt::LeftButton) != 0 &&
        (p - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
        pressPending_ = false;
        dragging_ = true;
    }
    if (dragging_) {
        DragTo(p);
        return;
    }
    if (!pressPending_) ShowHoverCursor(p, (event->modifiers() & Qt::ControlModifier) != 0);
}

void CurvesPage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    if (ignoreRelease_) {
        // The release that ends a double-click; the double-click acted already.
        ignoreRelease_ = false;
        return;
    }
    if (pressPending_) {
        // No drag: a click where the button went down.
        pressPending_ = false;
        ClickAt(pressPos_, ctrl);
        return;
    }
    if (dragging_) {
        dragging_ = false;
        if (KeepArea().contains(p)) {
            if (selected_ >= 0) {
                const QPoint g = GraphPoint(p);
                const auto [x, y] = LimitPoint(CurrentCurve(), selected_, g.x(), g.y());
                SetSelectedPoint(x, y);
                output_->setFocus();
                output_->selectAll();
            }
        } else {
            DeleteSelected();
        }
        unsetCursor();
        update(GraphPaintRect(graph_));
        return;
    }
    Sync();
    ClickAt(p, ctrl);
}

void CurvesPage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    Sync();
    pressPending_ = false;
    ignoreRelease_ = true;
    ClickAt(event->position().toPoint(), (event->modifiers() & Qt::ControlModifier) != 0);
}

void CurvesPage::wheelEvent(QWheelEvent* event) {
    event->accept();
    Sync();
    if (selected_ < 0 || dragging_ || !rect().contains(event->position().toPoint())) return;
    const QPoint angle = event->angleDelta();
    // Some systems turn the wheel sideways while Alt is held.
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    const Qt::KeyboardModifiers keys = event->modifiers();
    const int step = WheelStep(delta, (keys & Qt::ShiftModifier) != 0, (keys & Qt::AltModifier) != 0);
    if (step == 0) return;
    const auto [x, y] = WheelMovedPoint(CurrentCurve(), selected_, step, (keys & Qt::ControlModifier) != 0);
    const size_t index = static_cast<size_t>(selected_);
    if (x == CurrentCurve().X(index) && y == CurrentCurve().Y(index)) return;
    SetSelectedPoint(x, y);
}

}  // namespace kyp

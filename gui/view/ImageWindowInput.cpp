// The image window's input: mouse (sampling, context menu, double-click),
// keys, wheel, and the events of the separate window's frame.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>

#include "gui/view/Cursors.h"
#include "gui/view/ImageViewGeometry.h"
#include "gui/view/ImageWindow.h"

namespace kyp {

namespace {

// A point outside the view but this close to it keeps the last sample.
constexpr int kKeepZone = 15;

}  // namespace

QCursor ImageWindow::CursorAt(const QPoint& point, bool buttonDown) const {
    if (!view_.adjusted(-kKeepZone, -kKeepZone, kKeepZone, kKeepZone).contains(point)) return Qt::ArrowCursor;
    if (host_.pageCursor) {
        if (std::optional<QCursor> cursor = host_.pageCursor(buttonDown)) return *cursor;
    }
    return buttonDown ? SamplingCursor() : ImageCursor();
}

void ImageWindow::SampleAt(const QPoint& point) {
    if (!host_.sample) return;
    if (const std::optional<QPoint> pixel = PixelAt(point)) {
        host_.sample(pixel->x(), pixel->y());
    } else if (!view_.adjusted(-kKeepZone, -kKeepZone, kKeepZone, kKeepZone).contains(point)) {
        host_.sample(-1, -1);
    }
}

void ImageWindow::EndSampling() {
    capturing_ = false;
    releaseMouse();
    if (host_.sample) host_.sample(-1, -1);
}

void ImageWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    capturing_ = true;
    setCursor(CursorAt(event->position().toPoint(), true));
    SampleAt(event->position().toPoint());
}

void ImageWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    setCursor(CursorAt(point, capturing_));
    if (capturing_) SampleAt(point);
}

void ImageWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !capturing_) return;
    capturing_ = false;
    if (host_.endSample) host_.endSample();
    setCursor(CursorAt(event->position().toPoint(), false));
}

void ImageWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    capturing_ = false;
    if (host_.command) host_.command(imagecmd::open);
}

void ImageWindow::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int step = (modifiers & Qt::ShiftModifier) != 0 ? 10 : 1;
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    switch (event->key()) {
        case Qt::Key_Left: Scroll(true, view::scroll::lineBack, step); break;
        case Qt::Key_Right: Scroll(true, view::scroll::lineForward, step); break;
        case Qt::Key_Up: Scroll(false, view::scroll::lineBack, step); break;
        case Qt::Key_Down: Scroll(false, view::scroll::lineForward, step); break;
        case Qt::Key_PageUp: Scroll(ctrl, view::scroll::pageBack, 1); break;
        case Qt::Key_PageDown: Scroll(ctrl, view::scroll::pageForward, 1); break;
        case Qt::Key_Home:
        case Qt::Key_End: {
            const int position = event->key() == Qt::Key_Home ? 0 : 100000;
            Scroll(false, view::scroll::thumb, position);
            if (ctrl) Scroll(true, view::scroll::thumb, position);
            update();
            break;
        }
        default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void ImageWindow::wheelEvent(QWheelEvent* event) {
    const QPoint point = event->position().toPoint();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::ControlModifier) != 0 && HasImage() && rect().contains(point)) {
        // Ctrl and the wheel zoom around the pointer, one level a notch.
        event->accept();
        wheelZoomRest_ += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
        while (std::abs(wheelZoomRest_) >= 120) {
            const bool in = wheelZoomRest_ > 0;
            wheelZoomRest_ -= in ? 120 : -120;
            StepZoom(in, point);
        }
        return;
    }
    if (zoom_ == 0 || !rect().contains(point)) {
        event->ignore();
        return;
    }
    event->accept();
    // A sideways wheel scrolls across (some platforms turn the wheel sideways while Alt is held).
    const bool sideways = event->angleDelta().y() == 0;
    const int delta = sideways ? event->angleDelta().x() : event->angleDelta().y();
    if (delta == 0) return;
    const bool horizontal = sideways && (modifiers & Qt::AltModifier) == 0;
    const bool back = delta > 0;
    if ((modifiers & Qt::AltModifier) != 0) {
        Scroll(horizontal, back ? view::scroll::pageBack : view::scroll::pageForward, 1);
    } else if ((modifiers & Qt::ShiftModifier) != 0) {
        Scroll(horizontal, back ? view::scroll::lineBack : view::scroll::lineForward, 1);
    } else {
        const int count = std::max(1, std::abs(delta) / 3);
        Scroll(horizontal, back ? view::scroll::lineBack : view::scroll::lineForward, count);
    }
}

QMenu* ImageWindow::ContextMenu() {
    if (menu_ != nullptr) return menu_;
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("imageContextMenu"));
    auto add = [this](int id, const char* text, QActionGroup* group) {
        QAction* action = menu_->addAction(QString::fromLatin1(text));
        action->setData(id);
        if (group != nullptr) {
            action->setCheckable(true);
            action->setActionGroup(group);
        }
        connect(action, &QAction::triggered, this, [this, id] {
            if (host_.command) host_.command(id);
        });
        return action;
    };
    auto* zooms = new QActionGroup(menu_);
    add(20000, "Fit to &Window", zooms);
    add(20002, "&100%", zooms);
    add(20003, "&200%", zooms);
    add(20004, "&400%", zooms);
    add(20005, "&800%", zooms);
    add(20006, "1&600%", zooms);
    menu_->addSeparator();
    auto* channels = new QActionGroup(menu_);
    add(40035, "&All Channels", channels);
    add(40036, "&Luminance", channels);
    add(40037, "&Red Channel", channels);
    add(40038, "&Green Channel", channels);
    add(40039, "&Blue Channel", channels);
    menu_->addSeparator();
    add(imagecmd::separateWindow, "&Separate window", nullptr)->setCheckable(true);
    add(imagecmd::mainWindow, "&Main window", nullptr);
    connect(menu_, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
    UpdateMenuStates();
    return menu_;
}

void ImageWindow::UpdateMenuStates() {
    const int zoomId = view::IdForZoom(zoom_);
    for (QAction* action : menu_->actions()) {
        const int id = action->data().toInt();
        if (id >= view::kZoomFirstId && id <= view::kZoomFirstId + 6) action->setChecked(id == zoomId);
        if (id >= 40035 && id <= 40039) action->setChecked(id - 40036 == channel_);
        if (id == imagecmd::separateWindow) action->setChecked(separate_);
        // "&Main window" only in the separate window.
        if (id == imagecmd::mainWindow) action->setVisible(separate_);
    }
}

void ImageWindow::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint point = event->reason() == QContextMenuEvent::Keyboard ? mapFromGlobal(QCursor::pos()) : event->pos();
    if (!view_.contains(point)) return;
    QMenu* menu = ContextMenu();
    UpdateMenuStates();
    // At the pointer, centred vertically on it.
    const QSize size = menu->sizeHint();
    menu->popup(mapToGlobal(point) - QPoint(0, size.height() / 2));
}

void ImageWindow::closeEvent(QCloseEvent* event) {
    // Closing the separate window closes the document; the frame destroys it.
    event->ignore();
    if (!separate_) return;
    if (!isMinimized()) StoreView();
    if (host_.command) host_.command(imagecmd::close);
}

void ImageWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !separate_) return;
    if (isMinimized()) {
        // The rectangle from before the window went down.
        if (host_.storeView && normalFrame_.isValid()) host_.storeView(normalFrame_);
        return;
    }
    if (isMaximized() && HasImage()) {
        // Maximised, the window keeps the image's aspect ratio.
        QTimer::singleShot(0, this, [this] {
            if (!isMaximized()) return;
            const QScreen* screen = this->screen();
            if (screen == nullptr) return;
            const QSize frameExtra = frameGeometry().size() - geometry().size();
            const QRect frame = view::MaximisedFrame(ImageSize(), ScrollBarExtra(), frameExtra,
                                                     screen->availableGeometry(),
                                                     normalGeometry().left());
            setWindowState(windowState() & ~Qt::WindowMaximized);
            programmaticResize_ = true;
            move(frame.topLeft());
            resize(frame.size() - frameExtra);
            programmaticResize_ = false;
            settledSize_ = size();
            update();
        });
    }
    update();
}

}  // namespace kyp

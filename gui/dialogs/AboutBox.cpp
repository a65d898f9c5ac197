#include "gui/dialogs/AboutBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "Version.h"

namespace kyp {

namespace {
constexpr int kPictureWidth = 420;
constexpr int kPictureHeight = 250;
constexpr const char* kContactLine = "Kyp Suite for Linux - report problems to the maintainers of your package";
}  // namespace

QPixmap AboutBox::Picture() {
    QPixmap picture(kPictureWidth, kPictureHeight);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, 0, kPictureHeight);
    sky.setColorAt(0.0, QColor(28, 46, 86));
    sky.setColorAt(0.7, QColor(70, 104, 160));
    sky.setColorAt(1.0, QColor(196, 206, 236));
    painter.fillRect(picture.rect(), sky);
    // A stylised colour-filter mosaic in the corner: the camera's red, green and blue sites.
    const QColor sites[3] = {QColor(200, 60, 50), QColor(70, 170, 80), QColor(60, 90, 200)};
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            painter.fillRect(QRect(20 + x * 14, 24 + y * 14, 12, 12), sites[(x & 1) + (y & 1)]);
        }
    }
    QFont title = QApplication::font();
    title.setPointSize(28);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(130, 20, 280, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kyp Suite"));
    QFont subtitle = QApplication::font();
    subtitle.setPointSize(10);
    painter.setFont(subtitle);
    painter.drawText(QRect(132, 64, 280, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Olympus ORF raw converter"));
    return picture;
}

QString AboutBox::VersionText() {
    const char* suffix = KYP_DEBUG_BUILD ? " (Debug)" : "";
    return QString::asprintf("Version %u.%02u%s", static_cast<unsigned>(KYP_VERSION_MAJOR),
                             static_cast<unsigned>(KYP_VERSION_MINOR), suffix);
}

AboutBox::AboutBox(Mode mode, QWidget* parent)
    : QDialog(parent, mode == Mode::splash ? Qt::SplashScreen | Qt::FramelessWindowHint : Qt::Dialog),
      mode_(mode), picture_(Picture()), busy_(this) {
    setObjectName(mode == Mode::splash ? QStringLiteral("splash") : QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("About Kyp"));
    setFixedSize(picture_.size());
    busy_.SetRect(QRect(QPoint(4, picture_.height() - 20), QPoint(picture_.width() - 4 - 1, picture_.height() - 4 - 1)));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) {
        const QString built = QStringLiteral("Built %1 %2  %3")
                                  .arg(QString::fromLatin1(__DATE__), QString::fromLatin1(__TIME__),
                                       QString::fromLatin1(kContactLine));
        busy_.SetText(built.toUtf8().constData());
    }
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { TimerFired(); });
    slideTimer_.setInterval(2);
    connect(&slideTimer_, &QTimer::timeout, this, [this] {
        if (++slide_ >= 0) {
            slide_ = 0;
            slideTimer_.stop();
        }
        repaint();
    });
    if (mode_ == Mode::splash) {
        setModal(false);
        timer_.start(3500);
    }
}

AboutBox::~AboutBox() {
    if (stripStarted_) busy_.End();
}

void AboutBox::ShowText(const std::string& text) {
    busy_.SetText(text.c_str());
    if (!stripStarted_) {
        stripStarted_ = true;
        busy_.Begin();
    }
    repaint();
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (mode_ == Mode::about) {
        slide_ = -picture_.height();
        slideTimer_.start();
    }
}

void AboutBox::TimerFired() {
    // The splash stays until the frame is up.
    if (frameVisible && !frameVisible()) {
        timer_.start(500);
        return;
    }
    close();
}

void AboutBox::TryClose() {
    if (mode_ == Mode::splash) {
        if ((frameVisible && !frameVisible()) || (frameBusy && frameBusy())) return;
        close();
    } else {
        accept();
    }
}

void AboutBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton ||
        event->button() == Qt::MiddleButton) {
        TryClose();
    }
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape: TryClose(); break;
        default: QDialog::keyPressEvent(event); break;
    }
}

void AboutBox::closeEvent(QCloseEvent* event) {
    QDialog::closeEvent(event);
    if (closed_) return;
    closed_ = true;
    timer_.stop();
    if (stripStarted_) {
        busy_.End();
        stripStarted_ = false;
    }
    if (mode_ == Mode::splash && onClosed) {
        auto closed = onClosed;
        closed();
    }
}

void AboutBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.drawPixmap(0, slide_, picture_);
    if (slide_ != 0) return;
    painter.setPen(Qt::white);
    const QString version = VersionText();
    const int width = painter.fontMetrics().horizontalAdvance(version);
    painter.drawText(QRect(this->width() - width - 10, 90, width + 10, painter.fontMetrics().height()),
                     Qt::AlignLeft | Qt::TextSingleLine, version);
    painter.setPen(palette().color(QPalette::ButtonText));
    busy_.Paint(painter, palette().color(QPalette::Button));
}

}  // namespace kyp

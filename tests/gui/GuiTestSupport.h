#pragma once
// Shared helpers of the desktop program's tests: a private settings store,
// recorded message boxes and beeps, generated ORF files, and the mouse, wheel
// and keyboard as a user drives them.
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "platform/SettingsStore.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp::test {

// Every message box and beep is recorded instead of shown; boxes answer with `answer`.
class Recorder {
public:
    Recorder() {
        SetMessageHook([this](const MessageRequest& request) {
            messages.push_back(request);
            return answer;
        });
        SetBeepHook([this] { ++beeps; });
    }
    ~Recorder() {
        SetMessageHook(nullptr);
        SetBeepHook(nullptr);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    std::vector<MessageRequest> messages;
    int beeps = 0;
    bool answer = true;
};

// A main frame whose messages and beeps are recorded (the recorder outlives the frame).
struct Frame {
    explicit Frame(bool show = true, QSize size = {}) {
        if (size.isValid()) frame.resize(size);
        if (show) frame.show();
    }
    Recorder recorder;
    MainFrame frame;
};

// The settings store of the whole test program lives in a folder of its own.
inline QString UsePrivateConfig() {
    static QTemporaryDir dir;
    qputenv("KYP_CONFIG_HOME", dir.path().toUtf8());
    (void)SettingsStore::DeleteKey();
    return dir.path();
}

// A small ORF file (the file is padded to the size the ORF test asks for).
inline bool WriteSmallOrf(const std::string& path, uint32_t width = 256, uint32_t height = 192) {
    SampleOrfOptions options;
    options.width = width;
    options.height = height;
    options.previewWidth = 64;
    return WriteSampleOrf(path, options);
}

inline std::string Path(const QTemporaryDir& dir, const char* name) {
    return (dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString();
}

inline bool WriteText(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly) && file.write(text.data(), static_cast<qint64>(text.size())) ==
                                                  static_cast<qint64>(text.size());
}

inline QByteArray ReadAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A named control; a missing one ends the test program with its name.
template <typename T>
T* Find(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no control %s", name);
    return child;
}

inline void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

inline void Mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton,
                  Qt::KeyboardModifiers keys = {}) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, keys);
    QApplication::sendEvent(w, &event);
}
inline void Click(QWidget* w, QPoint p, Qt::KeyboardModifiers keys = {}) {
    Mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, keys);
    Mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton, keys);
}
inline void Drag(QWidget* w, QPoint from, QPoint to) {
    Mouse(w, QEvent::MouseButtonPress, from);
    Mouse(w, QEvent::MouseMove, (from + to) / 2);
    Mouse(w, QEvent::MouseMove, to);
    Mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}
// A wheel turn of `delta` eighths of a degree (120 a notch); `across` turns it sideways.
inline void Wheel(QWidget* w, QPoint p, int delta, Qt::KeyboardModifiers keys = {}, bool across = false) {
    QWheelEvent event(QPointF(p), QPointF(w->mapToGlobal(p)), QPoint(), across ? QPoint(delta, 0) : QPoint(0, delta),
                      Qt::NoButton, keys, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

// Replaces a field's text key by key, as typed.
inline void Type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}
// The focus leaves a field (its text is read and checked then).
inline void Leave(QWidget* field) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
}

}  // namespace kyp::test

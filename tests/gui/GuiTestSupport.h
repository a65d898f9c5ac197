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
inline void DoubleClick(QWidget* w, QPoint p, Qt::KeyboardModifiers keys = {}) {
    Click(w, p, keys);
    Mouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, keys);
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

// A data file of the tests (tests/gui/NAME), a line an entry; written back when recording.
inline QString DataPath(const char* name) { return QStringLiteral(QT_TESTCASE_SOURCEDIR "/../tests/gui/") + QLatin1String(name); }
inline QStringList ReadData(const char* name) {
    QFile file(DataPath(name));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) qFatal("no data file %s", name);
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}
inline bool Recording() { return qEnvironmentVariableIsSet("KYP_RECORD"); }
inline bool WriteData(const char* name, const QStringList& lines) {
    QFile file(DataPath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate) &&
           file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) > 0;
}
inline const char* kRecordHint = "\n(KYP_RECORD=1 records the results of the code as it is)";

// The words of a line of a test's data file, quoted texts kept whole.
inline QStringList Words(const QString& text) {
    QStringList words;
    for (qsizetype at = 0; at < text.size();) {
        if (text[at] == QLatin1Char(' ')) {
            ++at;
        } else if (text[at] == QLatin1Char('"')) {
            const qsizetype end = text.indexOf(QLatin1Char('"'), at + 1);
            words << text.mid(at + 1, end - at - 1);
            at = end < 0 ? text.size() : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(' '), at);
            words << text.mid(at, end < 0 ? -1 : end - at);
            at = end < 0 ? text.size() : end;
        }
    }
    return words;
}

// A word with its first {…} replaced by each of the values it stands for.
inline QStringList Expand(const QString& word) {
    const qsizetype open = word.indexOf(QLatin1Char('{')), close = word.indexOf(QLatin1Char('}'), open);
    if (open < 0 || close < 0) return {word};
    const QString inner = word.mid(open + 1, close - open - 1);
    QStringList values = inner.split(QLatin1Char(','));
    if (inner.contains(QLatin1String(".."))) {
        values.clear();
        const int step = inner.contains(QLatin1Char('/')) ? inner.section(QLatin1Char('/'), 1).toInt() : 1;
        const int last = inner.section(QLatin1String(".."), 1).section(QLatin1Char('/'), 0, 0).toInt();
        for (int v = inner.section(QLatin1String(".."), 0, 0).toInt(); v <= last; v += std::max(step, 1)) values << QString::number(v);
    }
    QStringList words;
    for (const QString& value : values) words += Expand(word.left(open) + value + word.mid(close + 1));
    return words;
}

}  // namespace kyp::test

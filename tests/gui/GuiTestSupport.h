#pragma once
// Shared helpers of the desktop program's tests: a private settings store,
// recorded message boxes and beeps, and generated ORF files.
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

#include "gui/frame/Messages.h"
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

}  // namespace kyp::test

#include "gui/frame/Messages.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace kyp {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

BeepHook& BeepHandler() {
    static BeepHook hook;
    return hook;
}

QString DisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

}  // namespace

bool ShowMessage(QWidget* parent, MessageIcon icon, const std::string& text, MessageButtons buttons,
                 const std::string& title) {
    if (Hook()) return Hook()({icon, title, text, buttons});
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(DisplayText(text));
    switch (icon) {
        case MessageIcon::warning: box.setIcon(QMessageBox::Warning); break;
        case MessageIcon::question: box.setIcon(QMessageBox::Question); break;
        case MessageIcon::information: box.setIcon(QMessageBox::Information); break;
        case MessageIcon::critical: box.setIcon(QMessageBox::Critical); break;
    }
    if (buttons == MessageButtons::yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

void Beep() {
    if (BeepHandler()) {
        BeepHandler()();
        return;
    }
    QApplication::beep();
}

void SetBeepHook(BeepHook hook) { BeepHandler() = std::move(hook); }

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return out;
}

}  // namespace kyp

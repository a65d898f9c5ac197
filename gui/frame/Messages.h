#pragma once
#include <functional>
#include <string>

class QWidget;

namespace kyp {

// Every message box of the program goes through ShowMessage, and every beep
// through Beep, so tests can answer and count them instead of a person.
inline constexpr const char* kAppTitle = "Kyp Suite";

enum class MessageIcon { warning, question, information, critical };
enum class MessageButtons { ok, yesNo };

struct MessageRequest {
    MessageIcon icon;
    std::string title;
    std::string text;
    MessageButtons buttons;
};

// Shows the box (modal) and answers true for OK or Yes. Texts may use "\r\n"
// line ends; they are shown as plain line breaks.
bool ShowMessage(QWidget* parent, MessageIcon icon, const std::string& text, MessageButtons buttons = MessageButtons::ok,
                 const std::string& title = kAppTitle);

// While a hook is set, it gets every request instead of the screen and gives the answer.
using MessageHook = std::function<bool(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

// The short warning sound of refused commands.
void Beep();
using BeepHook = std::function<void()>;
void SetBeepHook(BeepHook hook);

// printf-style formatting into a std::string.
[[nodiscard]] std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kyp

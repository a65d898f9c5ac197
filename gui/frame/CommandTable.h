#pragma once
#include <QKeySequence>
#include <QList>

namespace kyp {

// The main frame's commands: the entries of its menus and its keys.
namespace cmd {
inline constexpr int exit = 40001;
inline constexpr int open = 40002;
inline constexpr int close = 40003;
inline constexpr int apply = 40008;
inline constexpr int tabCurves = 40015;
inline constexpr int reopen = 40016;
inline constexpr int tabHistogram = 40017;
inline constexpr int noAction = 40018;  // F11
inline constexpr int saveSettings = 40022;
inline constexpr int loadSettings = 40023;
inline constexpr int clearList = 40024;
inline constexpr int saveAs = 40032;
inline constexpr int about = 40033;
inline constexpr int fileList = 40034;
inline constexpr int channelAll = 40035;     // 40035..40039: channel = id - 40036
inline constexpr int channelLuminance = 40036;
inline constexpr int channelRed = 40037;
inline constexpr int channelGreen = 40038;
inline constexpr int channelBlue = 40039;
inline constexpr int separateWindow = 40046;
inline constexpr int openCurrent = 40047;    // F8
inline constexpr int help = 40048;
inline constexpr int nextFile = 40049;       // F7
inline constexpr int previousFile = 40050;   // F6
inline constexpr int defaultSettings = 40051;
inline constexpr int convertAll = 40061;
inline constexpr int tabOptions = 40062;
inline constexpr int tabImageInfo = 40063;
inline constexpr int imageWindow = 40064;
inline constexpr int snapSettings = 40065;
inline constexpr int tabSharpen = 40066;
inline constexpr int pageCommand0 = 40068;   // 40068..40071: page commands 0..3
inline constexpr int pageCommand3 = 40071;
inline constexpr int tabSaveFormat = 40077;
inline constexpr int zoomFit = 20000;        // 20000..20006: zoom levels
inline constexpr int zoom100 = 20002;
inline constexpr int zoom1600 = 20006;
}  // namespace cmd

// The menus of the frame's menu bar, in order.
enum class MenuGroup { none, file, view, zoom, help };

// One entry of the command table: identifier, menu text (with "\t" and the
// key name as the menu shows it; empty for commands only reachable by keys),
// the menu it sits in, and its keys.
struct CommandEntry {
    int id;
    const char* text;
    MenuGroup menu;
    QList<QKeySequence> keys;
    bool separatorBefore = false;
};

[[nodiscard]] const QList<CommandEntry>& CommandTable();
[[nodiscard]] const CommandEntry* FindCommand(int id);
// Zoom percentage of the zoom commands 20000..20006 (0 fits the window).
[[nodiscard]] int ZoomForCommand(int id);

}  // namespace kyp

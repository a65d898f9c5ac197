#include "gui/frame/CommandTable.h"

namespace kyp {

namespace {

QKeySequence Key(QKeyCombination combination) { return QKeySequence(combination); }
QKeySequence Key(Qt::Key key) { return QKeySequence(key); }

QList<CommandEntry> BuildTable() {
    using M = MenuGroup;
    const auto ctrl = Qt::CTRL;
    const auto alt = Qt::ALT;
    const auto shift = Qt::SHIFT;
    QList<CommandEntry> table = {
        // File menu.
        {cmd::open, "&Open...\tCtrl+O", M::file, {Key(ctrl | Qt::Key_O)}},
        {cmd::close, "&Close\tCtrl+F4", M::file, {}},
        {cmd::saveAs, "&Save As...\tCtrl+S", M::file, {Key(ctrl | Qt::Key_S)}},
        {cmd::reopen, "&Reopen\tCtrl+Shift+O", M::file, {Key(ctrl | shift | Qt::Key_O)}},
        {cmd::convertAll, "Convert &All", M::file, {}},
        {cmd::loadSettings, "&Load Settings...\tCtrl+L", M::file, {Key(ctrl | Qt::Key_L)}, true},
        {cmd::saveSettings, "Sa&ve Settings...\tCtrl+T", M::file, {Key(ctrl | Qt::Key_T)}},
        {cmd::defaultSettings, "&Default Settings\tCtrl+D", M::file, {Key(ctrl | Qt::Key_D)}},
        {cmd::snapSettings, "S&nap Settings", M::file, {}},
        {cmd::fileList, "&File List\tF2", M::file, {Key(Qt::Key_F2)}, true},
        {cmd::exit, "E&xit\tAlt+F4", M::file, {Key(alt | Qt::Key_F4)}, true},
        // View menu.
        {cmd::channelAll, "&All Channels", M::view, {}},
        {cmd::channelLuminance, "&Luminance", M::view, {}},
        {cmd::channelRed, "&Red Channel", M::view, {}},
        {cmd::channelGreen, "&Green Channel", M::view, {}},
        {cmd::channelBlue, "&Blue Channel", M::view, {}},
        {cmd::separateWindow, "Image in separate &window", M::view, {Key(Qt::Key_F10)}, true},
        {cmd::imageWindow, "&Image window", M::view, {Key(Qt::Key_F9)}},
        // Zoom menu.
        {cmd::zoomFit, "Fit to &Window\tCtrl+F", M::zoom,
         {Key(ctrl | Qt::Key_F), Key(ctrl | Qt::Key_0), Key(Qt::Key_QuoteLeft)}},
        {20002, "&100%\tCtrl+1", M::zoom, {Key(ctrl | Qt::Key_1)}},
        {20003, "&200%\tCtrl+2", M::zoom, {Key(ctrl | Qt::Key_2)}},
        {20004, "&400%\tCtrl+4", M::zoom, {Key(ctrl | Qt::Key_4)}},
        {20005, "&800%\tCtrl+8", M::zoom, {Key(ctrl | Qt::Key_8)}},
        {20006, "1&600%\tCtrl+6", M::zoom, {Key(ctrl | Qt::Key_6)}},
        // Help menu.
        {cmd::help, "Help &Topics\tF1", M::help, {Key(Qt::Key_F1)}},
        {cmd::about, "&About Kyp", M::help, {}, true},
        // Keys only.
        {cmd::apply, "", M::none, {Key(Qt::Key_F5)}},
        {cmd::openCurrent, "", M::none, {Key(Qt::Key_F8)}},
        {cmd::nextFile, "", M::none, {Key(Qt::Key_F7)}},
        {cmd::previousFile, "", M::none, {Key(Qt::Key_F6)}},
        {cmd::tabOptions, "", M::none, {Key(ctrl | Qt::Key_F5)}},
        {cmd::tabCurves, "", M::none, {Key(alt | Qt::Key_C), Key(ctrl | Qt::Key_F6)}},
        {cmd::tabSharpen, "", M::none, {Key(ctrl | Qt::Key_F7)}},
        {cmd::tabHistogram, "", M::none, {Key(ctrl | Qt::Key_H), Key(ctrl | Qt::Key_F8)}},
        {cmd::tabImageInfo, "", M::none, {Key(ctrl | Qt::Key_F9)}},
        {cmd::tabSaveFormat, "", M::none, {Key(ctrl | Qt::Key_A), Key(ctrl | Qt::Key_F10)}},
        {40068, "", M::none, {Key(ctrl | Qt::Key_F1)}},
        {40069, "", M::none, {Key(ctrl | Qt::Key_F2)}},
        {40070, "", M::none, {Key(ctrl | Qt::Key_F3)}},
        {40071, "", M::none, {Key(ctrl | Qt::Key_F4)}},
        {cmd::noAction, "", M::none, {Key(Qt::Key_F11)}},
    };
    return table;
}

}  // namespace

const QList<CommandEntry>& CommandTable() {
    static const QList<CommandEntry> table = BuildTable();
    return table;
}

const CommandEntry* FindCommand(int id) {
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

int ZoomForCommand(int id) {
    static constexpr int kZoom[] = {0, 50, 100, 200, 400, 800, 1600};
    const int index = id - cmd::zoomFit;
    return index >= 0 && index < 7 ? kZoom[index] : 0;
}

}  // namespace kyp

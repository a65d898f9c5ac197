#pragma once
#include <functional>
#include <map>
#include <optional>

class QAction;
class QMainWindow;
class QMenu;

namespace kyp {

// What the menus show while one is open.
struct MenuState {
    bool loaded = false;        // a document is open
    bool busy = false;          // a run is under way
    int channel = -1;           // the channel shown (-1 all)
    bool viewSeparate = false;  // the image has a window of its own
    std::optional<int> zoom;    // the image window's zoom; none without a window
};

// The frame's menu bar and the actions of the command table: one action per
// command, its keys working in every window of the program. While a menu is
// open its entries show what state() says; once it closes every action is
// enabled again, so keys still reach the commands (which refuse with a beep
// on their own).
class FrameMenus {
public:
    // Fills the menu bar of window; an action runs command(id).
    void Build(QMainWindow& window, std::function<void(int)> command, std::function<MenuState()> state);

    [[nodiscard]] QAction* Action(int id) const;
    [[nodiscard]] const std::map<int, QAction*>& Actions() const { return actions_; }

private:
    void UpdateStates();

    std::function<MenuState()> state_;
    std::map<int, QAction*> actions_;
    QMenu* viewMenu_ = nullptr;
};

}  // namespace kyp

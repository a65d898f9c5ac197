#include "gui/frame/FrameMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenuBar>

#include "gui/frame/CommandTable.h"

namespace kyp {

void FrameMenus::Build(QMainWindow& window, std::function<void(int)> command, std::function<MenuState()> state) {
    state_ = std::move(state);
    QMenuBar* bar = window.menuBar();
    QMenu* fileMenu = bar->addMenu(QStringLiteral("&File"));
    viewMenu_ = bar->addMenu(QStringLiteral("&View"));
    QMenu* zoomMenu = bar->addMenu(QStringLiteral("&Zoom"));
    QMenu* helpMenu = bar->addMenu(QStringLiteral("&Help"));
    auto* channels = new QActionGroup(&window);
    QActionGroup* zooms = nullptr;
    for (const CommandEntry& entry : CommandTable()) {
        auto* action = new QAction(QString::fromLatin1(entry.text), &window);
        action->setData(entry.id);
        action->setShortcuts(entry.keys);
        // Like an accelerator table: the keys work in every window of the program.
        action->setShortcutContext(Qt::ApplicationShortcut);
        window.addAction(action);
        const int id = entry.id;
        QObject::connect(action, &QAction::triggered, &window, [command, id] { command(id); });
        actions_[id] = action;
        QMenu* menu = nullptr;
        switch (entry.menu) {
            case MenuGroup::file: menu = fileMenu; break;
            case MenuGroup::view: menu = viewMenu_; break;
            case MenuGroup::zoom: menu = zoomMenu; break;
            case MenuGroup::help: menu = helpMenu; break;
            case MenuGroup::none: break;
        }
        if (id >= cmd::channelAll && id <= cmd::channelBlue) {
            action->setCheckable(true);
            action->setActionGroup(channels);
        }
        if (id == cmd::separateWindow) action->setCheckable(true);
        if (id >= cmd::zoomFit && id <= cmd::zoom1600) {
            if (zooms == nullptr) zooms = new QActionGroup(&window);
            action->setCheckable(true);
            action->setActionGroup(zooms);
        }
        if (menu == nullptr) continue;
        if (entry.separatorBefore) menu->addSeparator();
        menu->addAction(action);
    }
    for (QMenu* menu : {fileMenu, viewMenu_, zoomMenu}) {
        QObject::connect(menu, &QMenu::aboutToShow, &window, [this] { UpdateStates(); });
        // Menu states only hold while a menu is open: keys must still reach the
        // commands, which refuse (with a beep) on their own.
        QObject::connect(menu, &QMenu::aboutToHide, &window, [this] {
            for (auto& [id, action] : actions_) action->setEnabled(true);
        });
    }
    UpdateStates();
    for (auto& [id, action] : actions_) action->setEnabled(true);
}

QAction* FrameMenus::Action(int id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void FrameMenus::UpdateStates() {
    const MenuState state = state_();
    for (int id : {cmd::close, cmd::reopen, cmd::saveAs}) Action(id)->setEnabled(state.loaded && !state.busy);
    for (int id : {cmd::open, cmd::convertAll, cmd::loadSettings, cmd::saveSettings, cmd::defaultSettings}) {
        Action(id)->setEnabled(!state.busy);
    }
    for (int id = cmd::channelAll; id <= cmd::channelBlue; ++id) {
        Action(id)->setEnabled(state.loaded);
        Action(id)->setChecked(id - cmd::channelLuminance == state.channel);
    }
    Action(cmd::separateWindow)->setChecked(state.viewSeparate);
    // The zoom level of the image, radio-checked.
    for (int id = cmd::zoomFit; id <= cmd::zoom1600; ++id) {
        if (QAction* zoom = Action(id)) zoom->setChecked(state.zoom.has_value() && ZoomForCommand(id) == *state.zoom);
    }
    // "&Image window" is at the end of the View menu only while the image has a window of its own.
    QAction* imageWindow = Action(cmd::imageWindow);
    viewMenu_->removeAction(imageWindow);
    if (state.viewSeparate) viewMenu_->addAction(imageWindow);
}

}  // namespace kyp

#include "gui/frame/AltLetterRouter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QWindow>

#include <vector>

#include "gui/frame/FrameMenus.h"
#include "gui/frame/Messages.h"

namespace kyp {

namespace {

// The widgets of a page that carry the letter's mnemonic, in focus order of
// creation; only those the user can reach (shown and enabled).
std::vector<QWidget*> LetterOwners(QWidget* page, const QKeySequence& sequence) {
    std::vector<QWidget*> owners;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(page) || !widget->isEnabled()) continue;
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            text = button->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->buddy() != nullptr) text = label->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            text = group->title();
        }
        if (!text.isEmpty() && QKeySequence::mnemonic(text) == sequence) owners.push_back(widget);
    }
    return owners;
}

// What the control's letter does: a button is pressed, a label's partner and
// a group's first control take the focus, a checkable group toggles.
void ActOn(QWidget* owner) {
    if (auto* button = qobject_cast<QAbstractButton*>(owner)) {
        if ((button->focusPolicy() & Qt::TabFocus) != 0) button->setFocus(Qt::ShortcutFocusReason);
        button->click();
    } else if (auto* label = qobject_cast<QLabel*>(owner)) {
        QWidget* buddy = label->buddy();
        buddy->setFocus(Qt::ShortcutFocusReason);
        if (auto* button = qobject_cast<QAbstractButton*>(buddy)) button->click();
    } else if (auto* group = qobject_cast<QGroupBox*>(owner)) {
        if (group->isCheckable()) {
            group->setChecked(!group->isChecked());
        } else {
            for (QWidget* child : group->findChildren<QWidget*>()) {
                if ((child->focusPolicy() & Qt::TabFocus) == 0 || !child->isVisibleTo(group) || !child->isEnabled()) continue;
                child->setFocus(Qt::ShortcutFocusReason);
                break;
            }
        }
    }
}

}  // namespace

AltLetterRouter::AltLetterRouter(QMainWindow& frame, const FrameMenus& menus, std::function<QWidget*()> currentPage)
    : frame_(frame), menus_(menus), currentPage_(std::move(currentPage)) {
    qApp->installEventFilter(this);
}

AltLetterRouter::~AltLetterRouter() { qApp->removeEventFilter(this); }

bool AltLetterRouter::PageLetter(const QKeySequence& sequence) {
    QWidget* page = currentPage_();
    const std::vector<QWidget*> owners = LetterOwners(page, sequence);
    if (owners.empty()) return false;
    if (owners.size() == 1) {
        ActOn(owners.front());
        return true;
    }
    // Several controls share the letter: the focus goes round them.
    QWidget* focus = QApplication::focusWidget();
    size_t next = 0;
    for (size_t i = 0; i < owners.size(); ++i) {
        if (owners[i] == focus || (focus != nullptr && owners[i]->isAncestorOf(focus))) next = (i + 1) % owners.size();
    }
    owners[next]->setFocus(Qt::ShortcutFocusReason);
    return true;
}

bool AltLetterRouter::MenuLetter(const QKeySequence& sequence) {
    QMenuBar* bar = frame_.menuBar();
    for (QAction* entry : bar->actions()) {
        if (entry->menu() == nullptr || !entry->isVisible() || QKeySequence::mnemonic(entry->text()) != sequence) continue;
        bar->setActiveAction(entry);
        return true;
    }
    return false;
}

bool AltLetterRouter::Route(int key) {
    const QKeySequence sequence(Qt::ALT | static_cast<Qt::Key>(key));
    for (const auto& [id, action] : menus_.Actions()) {
        if (action->shortcuts().contains(sequence)) {
            action->trigger();
            return true;
        }
    }
    QWidget* page = currentPage_();
    QWidget* focus = QApplication::focusWidget();
    const bool inPage = focus != nullptr && (focus == page || page->isAncestorOf(focus));
    if (inPage && PageLetter(sequence)) return true;
    if (MenuLetter(sequence)) return true;
    if (!inPage && PageLetter(sequence)) return true;
    Beep();
    return false;
}

bool AltLetterRouter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const int code = key->key();
    if (modifiers != Qt::AltModifier || !((code >= Qt::Key_A && code <= Qt::Key_Z) || (code >= Qt::Key_0 && code <= Qt::Key_9))) {
        return false;
    }
    // Only keys meant for this frame, and not while a menu is open (it has letters of its own).
    bool ours = false;
    if (auto* widget = qobject_cast<QWidget*>(watched)) {
        ours = widget->window() == &frame_;
    } else if (auto* window = qobject_cast<QWindow*>(watched)) {
        ours = window == frame_.windowHandle();
    }
    if (!ours || QApplication::activePopupWidget() != nullptr || QApplication::activeModalWidget() != nullptr) return false;
    key->accept();
    // The override keeps Qt's own shortcut matching out; the press itself is routed here.
    if (event->type() == QEvent::KeyPress) (void)Route(code);
    return true;
}

}  // namespace kyp

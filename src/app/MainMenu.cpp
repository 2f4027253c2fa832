#include "app/MainMenu.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/CommandTable.h"
#include "platform/ui/CommandManager.h"
#include "shell/CommandIds.h"

namespace {

// Builds a menu tree; `addCommand` puts a command's entry into its menu
// (the menu bar shares the command's action, popups word their own).
template <typename AddCommand>
void AddNodes(QMenu* menu, const QList<MenuNode>& nodes, const AddCommand& addCommand) {
    for (const MenuNode& node : nodes) {
        switch (node.kind) {
            case MenuNode::Kind::Separator:
                menu->addSeparator();
                break;
            case MenuNode::Kind::Submenu:
                AddNodes(menu->addMenu(node.text), node.items, addCommand);
                break;
            case MenuNode::Kind::Command:
                addCommand(menu, node);
                break;
        }
    }
}

void AddBarNodes(QMenu* menu, const QList<MenuNode>& nodes, CommandManager& commands) {
    AddNodes(menu, nodes, [&commands](QMenu* into, const MenuNode& node) {
        if (QAction* action = commands.Action(node.id))
            into->addAction(action);
    });
}

// A popup item's own action: the popup words some commands differently
// from the menu bar ("Paste &Link" for "Paste &Shortcut").
QAction* PopupAction(QMenu* menu, const MenuNode& node, CommandManager& commands) {
    QAction* action = menu->addAction(node.text);
    action->setData(node.id);
    action->setObjectName(QStringLiteral("popup_%1").arg(node.id));
    const CommandInfo* info = FindCommandInfo(node.id);
    const QString prompt = info ? info->prompt : QString();
    action->setStatusTip(StatusPromptOf(prompt));
    QPointer<CommandManager> manager(&commands);
    const int id = node.id;
    QObject::connect(action, &QAction::hovered, menu, [manager, id, prompt] {
        if (manager)
            Q_EMIT manager->CommandHighlighted(id, StatusPromptOf(prompt));
    });
    return action;
}

void AddPopupNodes(QMenu* menu, const QList<MenuNode>& nodes, CommandManager& commands) {
    AddNodes(menu, nodes,
             [&commands](QMenu* into, const MenuNode& node) { PopupAction(into, node, commands); });
}

void UpdatePopup(QMenu* menu, CommandManager& commands) {
    for (QAction* action : menu->actions()) {
        if (QMenu* submenu = action->menu()) {
            UpdatePopup(submenu, commands);
            continue;
        }
        if (action->isSeparator())
            continue;
        const CommandState state = commands.Update(action->data().toInt());
        action->setEnabled(state.enabled);
        action->setCheckable(state.check != CommandState::Check::None);
        action->setChecked(state.checked);
        if (state.text)
            action->setText(*state.text);
    }
}

}  // namespace

QString HelpFolder() {
    return HelpFolderOf(QCoreApplication::applicationDirPath());
}

QString HelpFolderOf(const QString& programFolder) {
    const QString besideProgram = programFolder + QStringLiteral("/help");
    if (QFileInfo(besideProgram).isDir())
        return besideProgram;
#ifdef CORVANE_INSTALLED_HELP_DIR
    return QDir::cleanPath(
        QDir(programFolder).filePath(QStringLiteral(CORVANE_INSTALLED_HELP_DIR)));
#else
    return besideProgram;
#endif
}

QString HelpFilePath(int id) {
    static const char* const kFiles[] = {"Corvane.rtf", "Newest.txt", "Keyboard.txt", "faq.txt",
                                         "Licence.txt"};
    if (id < ID_HELP_FIRST || id > ID_HELP_LAST)
        return {};
    return HelpFolder() + QLatin1Char('/') + QLatin1String(kFiles[id - ID_HELP_FIRST]);
}

void AddTableCommands(CommandManager& commands) {
    for (const CommandInfo& info : KeyTable()) {
        QAction* action = commands.AddCommand(info);
        // The menu shows the key as the table words it; the manager would
        // show Qt's name of the first shortcut ("Num++" for "Grey +").
        if (!info.shortcuts.isEmpty() && info.menuText.contains(QLatin1Char('\t')))
            action->setText(info.menuText);
    }
}

void BuildMenuBar(QMenuBar& bar, CommandManager& commands) {
    for (const MenuNode& top : MainMenuResource()) {
        QMenu* menu = bar.addMenu(top.text);
        AddBarNodes(menu, top.items, commands);
        commands.WatchMenu(menu);
    }
}

std::unique_ptr<QMenu> BuildPopupMenu(const QString& name, CommandManager& commands,
                                      QWidget* parent) {
    const MenuNode* resource = PopupMenuResource(name);
    if (!resource)
        return nullptr;
    auto menu = std::make_unique<QMenu>(parent);
    menu->setObjectName(name);
    AddPopupNodes(menu.get(), resource->items, commands);
    QMenu* root = menu.get();
    QPointer<CommandManager> manager(&commands);
    QObject::connect(root, &QMenu::aboutToShow, root, [root, manager] {
        if (manager)
            UpdatePopup(root, *manager);
    });
    QObject::connect(root, &QMenu::aboutToHide, root, [manager] {
        if (manager)
            Q_EMIT manager->MenuClosed();
    });
    // Shown before the first aboutToShow (a test, a caller reading it), the
    // items already carry the right state.
    UpdatePopup(root, commands);
    return menu;
}

// -- ShortcutGate ----------------------------------------------------------------

ShortcutGate::ShortcutGate(QWidget* window, CommandManager& commands)
    : QObject(window), m_window(window), m_commands(commands) {}

bool ShortcutGate::IsTextInput(const QWidget* widget) {
    if (!widget)
        return false;
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget))
        return true;
    if (const auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return false;
}

bool ShortcutGate::IsTextFieldKey(const QKeyEvent& event) {
    return !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool ShortcutGate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && m_window) {
        auto* press = static_cast<QKeyEvent*>(event);
        if (m_swallowPress) {
            const bool same = *m_swallowPress == press->keyCombination();
            m_swallowPress.reset();
            if (same)
                return true;
        }
        return RunKeypadShortcut(watched, press);
    }
    if (event->type() != QEvent::ShortcutOverride || !m_window)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // The override travels up from the focus widget; act once, for it.
    if (!widget || widget != QApplication::focusWidget() || widget->window() != m_window)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool editing = IsTextInput(widget) || m_labelEditing;
    if (editing && IsTextFieldKey(*key)) {
        key->accept();
        return true;
    }
    const std::optional<int> refused = RefreshCommandsFor(*key);
    // A text field keeps its own Ctrl+C and the like.
    if (refused && !editing) {
        // A greyed command's key would otherwise fall through to the list
        // and do nothing visible; the refusal tells the user why.
        key->accept();
        m_swallowPress = key->keyCombination();
        m_commands.Execute(*refused);
        return true;
    }
    return false;
}

bool ShortcutGate::RunKeypadShortcut(QObject* watched, QKeyEvent* key) {
    // Qt's shortcut map on X11 matches a keypad key only without its keypad
    // modifier, so Grey+ / Grey- / Grey* never reach their commands there
    // and arrive here as plain key presses.
    if (!(key->modifiers() & Qt::KeypadModifier))
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget != QApplication::focusWidget() || widget->window() != m_window)
        return false;
    if ((IsTextInput(widget) || m_labelEditing) && IsTextFieldKey(*key))
        return false;
    const QKeyCombination exact(key->modifiers(), Qt::Key(key->key()));
    for (QAction* action : m_commands.Actions()) {
        for (const QKeySequence& keys : action->shortcuts()) {
            if (keys.count() != 1 || keys[0] != exact)
                continue;
            const std::optional<int> id = m_commands.IdOf(action);
            if (!id)
                return false;
            m_commands.UpdateAction(*id);
            if (action->isEnabled())
                action->trigger();
            return true;
        }
    }
    return false;
}

std::optional<int> ShortcutGate::RefreshCommandsFor(const QKeyEvent& event) {
    const Qt::Key pressed = Qt::Key(event.key());
    if (pressed == Qt::Key_unknown || (pressed >= Qt::Key_Shift && pressed <= Qt::Key_ScrollLock))
        return std::nullopt;
    std::optional<int> refused;
    bool runs = false;  // another command of the key would run
    const QKeyCombination exact(event.modifiers(), pressed);
    // Qt also tries a keypad key without its keypad modifier.
    const QKeyCombination plain(event.modifiers() & ~Qt::KeypadModifier, pressed);
    for (QAction* action : m_commands.Actions()) {
        for (const QKeySequence& keys : action->shortcuts()) {
            if (keys.count() == 1 && (keys[0] == exact || keys[0] == plain)) {
                if (const std::optional<int> id = m_commands.IdOf(action)) {
                    m_commands.UpdateAction(*id);
                    runs = runs || action->isEnabled();
                    if (!action->isEnabled() && !refused) {
                        const std::optional<CommandState> state = m_commands.Query(*id);
                        if (state && state->whyDisabled && !state->whyDisabled->isEmpty())
                            refused = *id;
                    }
                }
                break;
            }
        }
    }
    return runs ? std::nullopt : refused;
}

#pragma once
// The command layer: one QAction per numbered command, built from the
// command table, and the routing of each id along the chain of command
// targets that the program gives for the moment (focused tree, drive bar,
// active pane, document, frame, application).
//
// - Execute(id) asks the chain for the command's state first and does not run
//   a command whose claiming target disables it (so a stale shortcut or a
//   posted command can't run what the menu would show greyed); then the first
//   target whose OnCommand() returns true has handled it.
//   A command refused that way with a reason (CommandState::whyDisabled)
//   sends CommandRefused, so the user hears why nothing happened; a greyed
//   menu item with a reason shows it as its status text when hovered.
// - Update(id): the first target whose OnUpdateCommand() returns true decides
//   the state; a command no target claims is disabled.
// - Menus passed to WatchMenu() update every command action in them, and in
//   their submenus, when about to show; toolbar commands are updated on an
//   idle timer (every kIdleIntervalMs while the application is active), as
//   the framework's idle update did.
// - A command's key always sees its state of the moment: when a key is about
//   to be matched against the shortcuts, the commands bound to it are updated
//   first. Without that, a key pressed right after the state changed (Ctrl+S
//   just after typing, F5 just after selecting) would meet the greyed action
//   of the last idle tick, and Qt would drop it.
// - Everything works without a screen: a test runs a command by id with
//   Execute() and reads its state with Update().
//
// Main thread only. The manager owns its actions; menus and toolbars only
// show them.

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>

#include "platform/ui/CommandTarget.h"

class QAction;
class QKeyEvent;
class QMenu;

/// One row of the command table.
struct CommandInfo {
    int id = 0;
    /// Menu text with its & mnemonic. A "\t" part (the shortcut hint of the
    /// table) is dropped when `shortcuts` is given: the menu shows the real
    /// shortcut instead.
    QString menuText;
    QList<QKeySequence> shortcuts;  // the first is the one menus show
    /// "status prompt\ntooltip": the status bar text, then the tooltip.
    QString prompt;
    /// Updated by the idle timer (a toolbar button shows it).
    bool toolbar = false;
};

/// The part of a command prompt before its "\n" (all of it when there is no
/// "\n").
QString StatusPromptOf(const QString& prompt);
/// The part of a command prompt after its first "\n" (empty when none).
QString ToolTipOf(const QString& prompt);

class CommandManager : public QObject {
    Q_OBJECT

public:
    using Chain = QList<CommandTarget*>;
    using ChainProvider = std::function<Chain()>;

    static constexpr int kIdleIntervalMs = 200;

    explicit CommandManager(QObject* parent = nullptr);
    ~CommandManager() override;

    /// Makes the action for `info.id` (text, shortcuts, status tip, tooltip,
    /// data() = the id, objectName "command_<id>"), or refreshes it when the
    /// id is known. Its triggering runs Execute(id).
    QAction* AddCommand(const CommandInfo& info);
    void AddCommands(const QList<CommandInfo>& table);
    /// The action of a command; null for an unknown id.
    QAction* Action(int id) const;
    /// Every action, in the order the commands were added (for a window to
    /// add, so their shortcuts work there).
    QList<QAction*> Actions() const;
    /// The id of one of our actions; nullopt for any other action.
    std::optional<int> IdOf(const QAction* action) const;
    /// The table row of a command; null for an unknown id.
    const CommandInfo* Info(int id) const;
    /// Marks a command as shown on a toolbar (updated by the idle timer).
    void SetToolbarCommand(int id, bool on = true);

    /// The function that gives the chain of targets for the moment. Null
    /// entries in the chain are skipped. Without a provider the chain is
    /// empty: nothing runs and every command is disabled.
    void SetChainProvider(ChainProvider provider);
    Chain CurrentChain() const;

    /// Runs command `id` (see the top of this file). True when a target
    /// handled it. Works for ids without an action (e.g. ranges of
    /// generated commands) as well.
    bool Execute(int id);
    /// Runs command `id` from the event loop, as a posted command would.
    void PostCommand(int id);

    /// The command's state now; disabled when no target claims it.
    CommandState Update(int id) const;
    /// The claiming target's state, or nullopt when no target claims `id`.
    std::optional<CommandState> Query(int id) const;
    /// Applies Update(id) to the command's action.
    void UpdateAction(int id);
    /// Updates every command action in `menu` and in its submenus.
    void UpdateMenu(QMenu* menu);
    /// Updates `menu` (and its submenus) whenever it is about to show, sends
    /// MenuClosed() when it hides. Submenus present now are updated when they
    /// open too. Connecting twice has no extra effect.
    void WatchMenu(QMenu* menu);

    /// Updates the toolbar commands now.
    void UpdateIdleActions();
    /// Runs the idle timer while the application is active (from now on, and
    /// whenever it becomes active again); StopIdleUpdates() ends it.
    void StartIdleUpdates();
    void StopIdleUpdates();
    bool IdleUpdatesRunning() const { return m_idleTimer.isActive(); }

Q_SIGNALS:
    /// A command's action is highlighted in a menu or hovered on a toolbar:
    /// `statusPrompt` is for the status bar.
    void CommandHighlighted(int id, const QString& statusPrompt);
    /// A watched menu closed: the status bar shows its idle text again.
    void MenuClosed();
    /// After Execute(): whether a target handled the command.
    void CommandExecuted(int id, bool handled);
    /// Execute() did not run `id` because it is disabled for `reason`.
    void CommandRefused(int id, const QString& reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void OnMenuAboutToShow();
    void OnMenuAboutToHide();
    void OnApplicationStateChanged(Qt::ApplicationState state);

private:
    struct Entry {
        CommandInfo info;
        QAction* action = nullptr;
        QString whyDisabled;  // of the state applied last; empty when none
    };

    /// A pointer over a greyed menu item: its reason to the status bar.
    void HighlightGreyedItem(const QMenu& menu, const QPoint& at);

    void ApplyTexts(QAction* action, const CommandInfo& info);
    void ApplyState(QAction* action, const CommandInfo& info, const CommandState& state);
    void UpdateMenu(QMenu* menu, int depth);
    void WatchMenu(QMenu* menu, bool root, int depth);
    void ApplyIdleTimer();
    /// Updates the actions of the commands a key event may trigger.
    void UpdateActionsForKey(const QKeyEvent& key);

    std::map<int, Entry> m_entries;  // node-based: Info() pointers stay valid
    QList<int> m_order;
    ChainProvider m_chain;
    QTimer m_idleTimer;
    bool m_idleWanted = false;
    bool m_applicationActive = false;
};

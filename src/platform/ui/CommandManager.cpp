#include "platform/ui/CommandManager.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

namespace {

// Deeper than any real menu; stops a menu that (wrongly) contains itself.
constexpr int kMaxMenuDepth = 16;

QString MenuTextFor(const QString& text, bool hasShortcuts) {
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    return hasShortcuts && tab >= 0 ? text.left(tab) : text;
}

// Our own exclusive group of one makes the menu draw a radio mark; being
// alone in it, the action is never unchecked behind the handler's back.
QActionGroup* OwnRadioGroup(QAction* action) {
    QActionGroup* group = action->actionGroup();
    return group != nullptr && group->parent() == action ? group : nullptr;
}

}  // namespace

QString StatusPromptOf(const QString& prompt) {
    const qsizetype newline = prompt.indexOf(QLatin1Char('\n'));
    return newline >= 0 ? prompt.left(newline) : prompt;
}

QString ToolTipOf(const QString& prompt) {
    const qsizetype newline = prompt.indexOf(QLatin1Char('\n'));
    return newline >= 0 ? prompt.mid(newline + 1) : QString();
}

CommandManager::CommandManager(QObject* parent) : QObject(parent) {
    m_idleTimer.setInterval(kIdleIntervalMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &CommandManager::UpdateIdleActions);
    // The application sees a key's shortcut override before Qt's shortcut
    // map matches it: the moment to bring the bound commands up to date.
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);
    if (qGuiApp != nullptr) {
        m_applicationActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                &CommandManager::OnApplicationStateChanged);
    }
}

CommandManager::~CommandManager() = default;

QAction* CommandManager::AddCommand(const CommandInfo& info) {
    auto found = m_entries.find(info.id);
    if (found != m_entries.end()) {
        found->second.info = info;
        ApplyTexts(found->second.action, info);
        return found->second.action;
    }
    auto* action = new QAction(this);
    action->setData(info.id);
    action->setObjectName(QStringLiteral("command_%1").arg(info.id));
    ApplyTexts(action, info);
    const int id = info.id;
    connect(action, &QAction::triggered, this, [this, id] {
        QPointer<CommandManager> self(this);
        Execute(id);
        // Qt toggled a checkable action on its own; the handler's state wins.
        if (self)
            self->UpdateAction(id);
    });
    connect(action, &QAction::hovered, this, [this, id] {
        const Entry& entry = m_entries.at(id);
        Q_EMIT CommandHighlighted(id, StatusPromptOf(entry.info.prompt));
    });
    m_entries.emplace(info.id, Entry{info, action});
    m_order.append(info.id);
    return action;
}

void CommandManager::AddCommands(const QList<CommandInfo>& table) {
    for (const CommandInfo& info : table) AddCommand(info);
}

QAction* CommandManager::Action(int id) const {
    const auto found = m_entries.find(id);
    return found != m_entries.end() ? found->second.action : nullptr;
}

QList<QAction*> CommandManager::Actions() const {
    QList<QAction*> actions;
    actions.reserve(m_order.size());
    for (int id : m_order) actions.append(m_entries.at(id).action);
    return actions;
}

std::optional<int> CommandManager::IdOf(const QAction* action) const {
    if (action == nullptr || action->parent() != this)
        return std::nullopt;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    if (!ok || Action(id) != action)
        return std::nullopt;
    return id;
}

const CommandInfo* CommandManager::Info(int id) const {
    const auto found = m_entries.find(id);
    return found != m_entries.end() ? &found->second.info : nullptr;
}

void CommandManager::SetToolbarCommand(int id, bool on) {
    const auto found = m_entries.find(id);
    if (found != m_entries.end())
        found->second.info.toolbar = on;
}

void CommandManager::SetChainProvider(ChainProvider provider) {
    m_chain = std::move(provider);
}

CommandManager::Chain CommandManager::CurrentChain() const {
    return m_chain ? m_chain() : Chain();
}

bool CommandManager::Execute(int id) {
    const Chain chain = CurrentChain();
    // As the framework did before running a menu or accelerator command: a
    // command whose owner reports it disabled does not run.
    for (CommandTarget* target : chain) {
        CommandState state;
        if (target != nullptr && target->OnUpdateCommand(id, state)) {
            if (!state.enabled) {
                QPointer<CommandManager> self(this);
                if (state.whyDisabled && !state.whyDisabled->isEmpty())
                    Q_EMIT CommandRefused(id, *state.whyDisabled);
                if (self)
                    Q_EMIT CommandExecuted(id, false);
                return false;
            }
            break;
        }
    }
    QPointer<CommandManager> self(this);
    bool handled = false;
    for (CommandTarget* target : chain) {
        if (target != nullptr && target->OnCommand(id)) {
            handled = true;
            break;
        }
    }
    // The command may have closed the window that owns this manager.
    if (self)
        Q_EMIT CommandExecuted(id, handled);
    return handled;
}

void CommandManager::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { Execute(id); }, Qt::QueuedConnection);
}

std::optional<CommandState> CommandManager::Query(int id) const {
    for (CommandTarget* target : CurrentChain()) {
        CommandState state;
        if (target != nullptr && target->OnUpdateCommand(id, state))
            return state;
    }
    return std::nullopt;
}

CommandState CommandManager::Update(int id) const {
    if (std::optional<CommandState> state = Query(id))
        return *state;
    CommandState unclaimed;
    unclaimed.enabled = false;
    return unclaimed;
}

void CommandManager::UpdateAction(int id) {
    const auto found = m_entries.find(id);
    if (found == m_entries.end())
        return;
    ApplyState(found->second.action, found->second.info, Update(id));
}

void CommandManager::ApplyTexts(QAction* action, const CommandInfo& info) {
    action->setText(MenuTextFor(info.menuText, !info.shortcuts.isEmpty()));
    action->setShortcuts(info.shortcuts);
    action->setStatusTip(StatusPromptOf(info.prompt));
    action->setToolTip(ToolTipOf(info.prompt));
}

void CommandManager::ApplyState(QAction* action, const CommandInfo& info,
                                const CommandState& state) {
    action->setEnabled(state.enabled);
    const QString why = !state.enabled && state.whyDisabled ? *state.whyDisabled : QString();
    if (auto found = m_entries.find(info.id); found != m_entries.end())
        found->second.whyDisabled = why;
    action->setStatusTip(why.isEmpty() ? StatusPromptOf(info.prompt) : why);
    switch (state.check) {
        case CommandState::Check::None:
            if (QActionGroup* group = OwnRadioGroup(action)) {
                action->setActionGroup(nullptr);
                delete group;
            }
            action->setChecked(false);
            action->setCheckable(false);
            break;
        case CommandState::Check::Checkable:
            if (QActionGroup* group = OwnRadioGroup(action)) {
                action->setActionGroup(nullptr);
                delete group;
            }
            action->setCheckable(true);
            action->setChecked(state.checked);
            break;
        case CommandState::Check::Radio:
            if (action->actionGroup() == nullptr) {
                auto* group = new QActionGroup(action);
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
                action->setActionGroup(group);
            }
            action->setCheckable(true);
            action->setChecked(state.checked);
            break;
    }
    if (state.text)
        action->setText(MenuTextFor(*state.text, !info.shortcuts.isEmpty()));
}

void CommandManager::UpdateMenu(QMenu* menu) {
    UpdateMenu(menu, 0);
}

void CommandManager::UpdateMenu(QMenu* menu, int depth) {
    if (menu == nullptr || depth > kMaxMenuDepth)
        return;
    for (QAction* action : menu->actions()) {
        if (QMenu* submenu = QMenu::menuInAction(action)) {
            UpdateMenu(submenu, depth + 1);
        } else if (const std::optional<int> id = IdOf(action)) {
            UpdateAction(*id);
        }
    }
}

void CommandManager::WatchMenu(QMenu* menu) {
    WatchMenu(menu, true, 0);
}

void CommandManager::WatchMenu(QMenu* menu, bool root, int depth) {
    if (menu == nullptr || depth > kMaxMenuDepth)
        return;
    connect(menu, &QMenu::aboutToShow, this, &CommandManager::OnMenuAboutToShow,
            Qt::UniqueConnection);
    // Only the outer menu's closing ends the menu: moving between submenus
    // must not blank the status bar.
    if (root) {
        connect(menu, &QMenu::aboutToHide, this, &CommandManager::OnMenuAboutToHide,
                Qt::UniqueConnection);
    }
    for (QAction* action : menu->actions()) {
        if (QMenu* submenu = QMenu::menuInAction(action))
            WatchMenu(submenu, false, depth + 1);
    }
}

void CommandManager::HighlightGreyedItem(const QMenu& menu, const QPoint& at) {
    const QAction* action = menu.actionAt(at);
    if (!action || action->isEnabled())
        return;
    if (const std::optional<int> id = IdOf(action)) {
        const Entry& entry = m_entries.at(*id);
        if (!entry.whyDisabled.isEmpty())
            Q_EMIT CommandHighlighted(*id, entry.whyDisabled);
    }
}

void CommandManager::OnMenuAboutToShow() {
    UpdateMenu(qobject_cast<QMenu*>(sender()));
}

void CommandManager::OnMenuAboutToHide() {
    Q_EMIT MenuClosed();
}

void CommandManager::UpdateIdleActions() {
    for (int id : m_order) {
        const Entry& entry = m_entries.at(id);
        if (entry.info.toolbar)
            ApplyState(entry.action, entry.info, Update(id));
    }
}

bool CommandManager::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride)
        UpdateActionsForKey(*static_cast<QKeyEvent*>(event));
    // The style does not highlight a greyed item, so Qt says nothing about
    // it; the pointer over it is seen here.
    if (event->type() == QEvent::MouseMove) {
        if (const auto* menu = qobject_cast<const QMenu*>(watched))
            HighlightGreyedItem(*menu, static_cast<QMouseEvent*>(event)->position().toPoint());
    }
    return QObject::eventFilter(watched, event);
}

void CommandManager::UpdateActionsForKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    for (const auto& [id, entry] : m_entries) {
        bool bound = false;
        for (const QKeySequence& sequence : entry.info.shortcuts) {
            if (sequence.isEmpty())
                continue;
            const QKeyCombination first = sequence[0];
            // With Shift held the event carries the shifted key (Ctrl+Shift+1
            // arrives as Ctrl+!), so a binding with the same modifiers may be
            // meant too; updating one command too many costs nothing.
            if (first.key() == key.key() ||
                ((mods & Qt::ShiftModifier) && first.keyboardModifiers() == mods)) {
                bound = true;
                break;
            }
        }
        if (bound)
            ApplyState(entry.action, entry.info, Update(id));
    }
}

void CommandManager::StartIdleUpdates() {
    m_idleWanted = true;
    ApplyIdleTimer();
}

void CommandManager::StopIdleUpdates() {
    m_idleWanted = false;
    ApplyIdleTimer();
}

void CommandManager::OnApplicationStateChanged(Qt::ApplicationState state) {
    m_applicationActive = state == Qt::ApplicationActive;
    ApplyIdleTimer();
    // Coming back to the program: show the right state at once, not a tick
    // later.
    if (m_applicationActive && m_idleWanted)
        UpdateIdleActions();
}

void CommandManager::ApplyIdleTimer() {
    if (m_idleWanted && m_applicationActive) {
        if (!m_idleTimer.isActive())
            m_idleTimer.start();
    } else {
        m_idleTimer.stop();
    }
}

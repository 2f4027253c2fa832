#include "pane/PaneContextMenu.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneTransferHooks.h"
#include "pane/PaneVerbs.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"
#include "shell/Notice.h"

namespace {

// The property that marks the actions of shell entries, with their verb.
constexpr const char* kShellVerbProperty = "shellVerb";

ContextMenuChooser& Chooser() {
    static ContextMenuChooser chooser;
    return chooser;
}

}  // namespace

QAction* ChooseContextMenuEntry(QMenu& menu, const QPoint& globalPos) {
    if (const ContextMenuChooser& chooser = Chooser())
        return chooser(menu, globalPos);
    return menu.exec(globalPos);
}

std::unique_ptr<QMenu> PaneHost::CreatePopupMenu(const QString& name, QWidget* parent) {
    (void)name;
    (void)parent;
    return nullptr;
}

ContextMenuChooser SetContextMenuChooser(ContextMenuChooser chooser) {
    ContextMenuChooser previous = std::move(Chooser());
    Chooser() = std::move(chooser);
    return previous;
}

PaneContextMenu::PaneContextMenu(CPanexView& pane) : m_pane(pane) {}

PaneContextMenu::~PaneContextMenu() {
    // The shell actions are children of the pane (so that their status tips
    // reach the main window), not of the menu.
    for (const QPointer<QAction>& action : m_shellActions) delete action.data();
}

bool PaneContextMenu::Build() {
    FolderModel* model = m_pane.Model();
    if (!model || !model->shellFolder)
        return false;
    PaneListCtrl* list = m_pane.List();

    // The selection's own menu.
    const std::vector<FolderItem*> selected = list->OperandItems();
    if (!selected.empty()) {
        std::vector<IdList> ids;
        ids.reserve(selected.size());
        for (FolderItem* item : selected) ids.push_back(item->id);
        m_handler = model->shellFolder->GetContextMenu(ids);
        std::vector<ContextMenuEntry> entries;
        std::uint32_t flags = CMF_EXPLORE;
        if (selected.size() == 1 && model->IsFileSystem())
            flags |= CMF_CANRENAME;
        if (m_handler &&
            m_handler->QueryContextMenu(entries, kShellMenuFirstId, kShellMenuLastId, flags) &&
            !entries.empty()) {
            m_menu = std::make_unique<QMenu>(&m_pane);
            AddShellEntries(*m_menu, entries);
            m_itemMenu = true;
            return true;
        }
        m_handler.reset();
    }

    // The pane's own background menu, and the folder's background entries.
    m_menu = m_pane.Host().CreatePopupMenu(kPaneBackgroundMenu, &m_pane);
    m_handler = model->shellFolder->GetBackgroundMenu();
    std::vector<ContextMenuEntry> entries;
    if (m_handler &&
        !(m_handler->QueryContextMenu(entries, kShellMenuFirstId, kShellMenuLastId, CMF_EXPLORE) &&
          !entries.empty())) {
        m_handler.reset();
        entries.clear();
    }
    if (!entries.empty()) {
        if (!m_menu)
            m_menu = std::make_unique<QMenu>(&m_pane);
        else if (!m_menu->isEmpty())
            m_menu->addSeparator();
        AddShellEntries(*m_menu, entries);
    }
    return m_menu && !m_menu->isEmpty();
}

void PaneContextMenu::AddShellEntries(QMenu& menu, const std::vector<ContextMenuEntry>& entries) {
    for (const ContextMenuEntry& entry : entries) {
        if (!entry.children.empty()) {
            QMenu* sub = menu.addMenu(entry.icon, entry.text);
            sub->setEnabled(entry.enabled);
            AddShellEntries(*sub, entry.children);
            continue;
        }
        if (entry.id == 0) {
            menu.addSeparator();
            continue;
        }
        if (entry.id < kShellMenuFirstId || entry.id > kShellMenuLastId)
            continue;
        auto* action = new QAction(entry.icon, entry.text, &m_pane);
        action->setData(entry.id);
        action->setProperty(kShellVerbProperty, entry.verb);
        action->setEnabled(entry.enabled);
        action->setStatusTip(entry.helpText);
        menu.addAction(action);
        if (entry.isDefault)
            menu.setDefaultAction(action);
        m_shellActions.emplace_back(action);
    }
}

void PaneContextMenu::Run(QAction* chosen) {
    if (!chosen)
        return;
    bool isNumber = false;
    const int id = chosen->data().toInt(&isNumber);
    if (!isNumber || id <= 0)
        return;
    const bool shell = std::any_of(m_shellActions.begin(), m_shellActions.end(),
                                   [&](const QPointer<QAction>& a) { return a == chosen; });
    if (shell) {
        RunShellCommand(id);
        return;
    }
    if (id >= kPaneOwnCommandFirst)
        m_pane.PostPaneCommand(id);
}

bool PaneContextMenu::RunShellCommand(int id) {
    if (!m_handler)
        return false;
    const int offset = id - kShellMenuFirstId;
    const std::optional<QString> verb = m_handler->GetCommandString(offset);
    if (verb) {
        if (const std::optional<int> command = PaneVerbCommand(*verb)) {
            m_pane.PostPaneCommand(*command);
            return true;
        }
        if (m_itemMenu && verb->compare(kPasteVerb, Qt::CaseInsensitive) == 0) {
            const std::vector<FolderItem*> selected = m_pane.List()->OperandItems();
            if (selected.size() == 1 && selected.front()->IsFolderLike(true)) {
                const IdList target = selected.front()->AbsoluteId(true);
                PaneTransferHooks* transfer = TransferHooks();
                if (!target.IsNull() && transfer && transfer->PasteInto(m_pane, target))
                    return true;
            }
        }
    }
    InvokeContext context;
    context.parent = &m_pane;
    if (const FolderModel* model = m_pane.Model(); model && model->IsFileSystem())
        context.workingDirectory = NameToBytes(model->path);
    // A command that fails says so: an "Open with" application that needs a
    // terminal when none is installed must not look as if it started.
    QString why;
    context.errorText = &why;
    if (m_handler->InvokeCommand(offset, context))
        return true;
    if (!why.isEmpty())
        Notice(why, true);
    return false;
}

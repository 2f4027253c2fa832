#include "pane/PaneRefresh.h"

#include <QCoreApplication>
#include <QSet>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneQuickFilter.h"
#include "platform/fs/FileSystem.h"
#include "platform/namespace/NameCodec.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/WaitCursor.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"

namespace {

const QString kRefreshed = QStringLiteral("%1 pane contents have been refreshed");
const QString kFirst = QStringLiteral("First");
const QString kSecond = QStringLiteral("Second");
const QString kRefreshFailed = QStringLiteral("Refresh has failed; stale-ness is triumphant again");

}  // namespace

bool PaneRefresh::All(bool selectChanged, QStringList* names) {
    CPanexView& p = m_pane;
    if (!p.m_model)
        return false;
    // A folder still streaming in is read again once its read ends: the
    // comparison needs the whole folder.
    if (p.m_model->IsReading()) {
        p.m_refreshAfterRead = true;
        return true;
    }
    // Items the filter hides may go without any row telling.
    p.m_quickFilter->Invalidate();
    // A remote folder read through GIO is read on the worker: its server
    // may not answer. The new items are selected when the read is in.
    if (!p.m_model->IsFileSystem() && RefreshesOffThread(*p.m_model)) {
        CPanexView* pane = &p;
        return p.m_model->StartRefreshRead(p.m_listedTotal, [pane, selectChanged](bool ok) {
            if (!ok)
                return Notice(kRefreshFailed, true);
            pane->m_quickFilter->Invalidate();
            PaneRefresh(*pane).Settle(selectChanged, nullptr, nullptr);
        });
    }
    WaitCursor wait;
    if (!FolderStillThere())
        return false;

    if (!p.m_model->Refresh(p.m_listedTotal))
        return false;
    Settle(selectChanged, names, nullptr);
    return true;
}

bool PaneRefresh::Names(const std::vector<QString>& names) {
    CPanexView& p = m_pane;
    if (!p.m_model || !p.m_model->CanRefreshByName())
        return false;
    if (p.m_model->IsReading()) {
        p.m_refreshAfterRead = true;
        return true;
    }
    p.m_quickFilter->Invalidate();
    if (!FolderStillThere())
        return false;
    if (!p.m_model->RefreshNames(names, p.m_listedTotal))
        return false;
    // Only the items of the names can have changed; hidden items whose
    // entries went are no more.
    std::vector<FolderItem*> settled;
    settled.reserve(names.size());
    for (const QString& name : names) {
        if (FolderItem* item = p.m_model->FindByName(name))
            settled.push_back(item);
    }
    Settle(false, nullptr, &settled);
    return true;
}

bool PaneRefresh::FolderStillThere() {
    CPanexView& p = m_pane;
    p.ResetFreeSpaceUpdate();
    if (p.m_model->IsPlainDirectory() && !StatEntry(p.m_model->path)) {
        p.OpenFolder(IdList::Empty());
        return false;
    }
    return true;
}

void PaneRefresh::Settle(bool selectChanged, QStringList* names,
                         const std::vector<FolderItem*>* items) {
    CPanexView& p = m_pane;
    PaneListCtrl* list = p.m_list;
    list->SuspendRedraw();
    std::vector<FolderItem*> refreshed;  // new and changed, to be selected
    std::vector<FolderItem*> gone;
    auto settle = [&](FolderItem& item) {
        bool select = false;
        switch (item.listState) {
            case kListNew:
                select = p.AddRow(&item, false) >= 0;
                break;
            case kListGone:
                gone.push_back(&item);
                return;
            case kListChanged:
                item.listState = kListListed;
                // The row's texts come from the item, so the date is renewed
                // whichever date the column shows.
                list->UpdateRow(&item);
                select = true;
                break;
            default:
                break;
        }
        if (select && selectChanged) {
            refreshed.push_back(&item);
            if (names)
                names->append(item.name);
        }
    };
    if (items) {
        for (FolderItem* item : *items) settle(*item);
    } else {
        for (FolderItem& item : p.m_model->items) settle(item);
    }
    // The rows of what went leave together, one signal per run of rows, so
    // a folder that lost thousands of files is not shrunk row by row.
    list->RemoveRows(gone);
    for (FolderItem* item : gone) {
        p.m_listedTotal -= item->size;
        p.m_model->DestroyItem(item);
    }
    SelectRefreshed(refreshed);

    // Names the caller gave come off the selection.
    if (!selectChanged && names)
        UnselectNamed(*names);

    // Re-sort, keeping the focused row visible.
    if (General().autoReSort && list->SortKey() != ID_SORT_NONE) {
        list->Sort();
        const int focused = list->FocusedRow();
        if (focused >= 0)
            list->SetFocusedRow(focused, false, true);
    }

    list->ResumeRedraw();
}

void PaneRefresh::SelectRefreshed(const std::vector<FolderItem*>& items) {
    if (items.empty())
        return;
    PaneListCtrl* list = m_pane.m_list;
    // A commander sees only what arrived marked.
    if (list->CommanderMode())
        list->ClearSelection();
    // Selecting or focusing a row shows the rows appended so far: done per
    // item while the rows were settled, a folder that gained many items
    // would take them one insertion (and one scroll) at a time. Every row
    // is settled now, so the new rows arrive together and the focus moves
    // once, to the last of them, as it would have ended.
    // One change of the selection for them all: row by row, each would be
    // merged with every range selected before it.
    std::vector<int> rows;
    rows.reserve(items.size());
    for (std::size_t i = 0; i + 1 < items.size(); ++i) rows.push_back(list->RowOf(items[i]));
    list->SelectRows(rows, true);
    m_pane.FocusItem(items.back(), true);
}

void PaneRefresh::UnselectNamed(const QStringList& names) {
    if (names.isEmpty())
        return;
    // Only the first item of each name counts, as a lookup by name would
    // find it; a name is struck off once its item is met.
    QSet<QString> pending(names.cbegin(), names.cend());
    std::vector<int> rows;
    for (FolderItem& item : m_pane.m_model->items) {
        if (pending.isEmpty())
            break;
        if (!pending.remove(item.name) || item.listState != kListListed)
            continue;
        rows.push_back(m_pane.m_list->RowOf(&item));
    }
    m_pane.m_list->SelectRows(rows, false);
}

void PaneRefresh::OnCommand() {
    CPanexView* target = &m_pane;
    if (IsAltDown()) {
        if (CPanexView* other = m_pane.m_host.OtherPane(m_pane))
            target = other;
    }
    // A folder on another machine is read on the worker: its server may
    // stop answering in the middle, which must not freeze the window.
    FolderModel* model = target->m_model.get();
    if (model && RefreshesOffThread(*model) && !model->IsReading() &&
        model->StartRefreshRead(target->m_listedTotal, [target](bool ok) {
            if (!ok)
                return Notice(kRefreshFailed, true);
            target->m_quickFilter->Invalidate();
            PaneRefresh(*target).Settle(false, nullptr, nullptr);
            Notice(kRefreshed.arg(target->IsFirstPane() ? kFirst : kSecond));
        }))
        return;
    if (target->RefreshPane(false, nullptr))
        Notice(kRefreshed.arg(target->IsFirstPane() ? kFirst : kSecond));
    else
        Notice(kRefreshFailed, true);
}

bool PaneRefresh::HandleEvent(QEvent* e) {
    if (e->type() != QEvent::Type(WM_FOLDER_CHANGED))
        return false;
    CPanexView& p = m_pane;
    const auto* changed = dynamic_cast<ChangeWatchEvent*>(e);
    const quintptr parameter = changed ? changed->parameter() : 0;
    if (parameter != 0 && parameter != quintptr(p.m_model.get()))
        return true;
    QCoreApplication::removePostedEvents(&p, WM_FOLDER_CHANGED);
    if (parameter == 0) {
        p.RefreshPane(false, nullptr);
        return true;
    }
    const bool readBefore = p.m_model->HasTakenChanges();
    ChangeWatch::Changes changes = p.m_model->TakeWatchChanges();
    if (changes.unknown) {
        p.RefreshPane(false, nullptr);
    } else if (!changes.names.empty()) {
        // Only what the watch named is looked at: a change of one file in a
        // large folder costs one file.
        std::vector<QString> names;
        names.reserve(changes.names.size());
        for (const QByteArray& name : changes.names) names.push_back(NameFromBytes(name));
        if (!p.m_model->CanRefreshByName())
            p.RefreshPane(false, nullptr);
        else
            p.RefreshChanged(names);
    } else if (!readBefore) {
        // A notice with nothing recorded, before the folder was read again
        // at all: read it.
        p.RefreshPane(false, nullptr);
    }
    // Otherwise the burst settled while a refresh was reading the folder
    // and was read by it: reading a large folder again would show nothing
    // new.
    return true;
}

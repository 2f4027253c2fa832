#include "tools/PaneSelection.h"

#include <vector>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "pane/RedrawPause.h"
#include "platform/namespace/ShellTypes.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/Notice.h"
#include "shell/PatternList.h"

namespace {

const QString kAllPattern = QStringLiteral("*.*");
bool g_within = false;

bool IsFolderItem(const FolderItem* item) {
    return item && (item->attributes & SFGAO_FOLDER) != 0;
}

// The selection of every row, in row order.
std::vector<bool> CurrentSelection(const PaneListCtrl& list) {
    std::vector<bool> selected(size_t(list.RowCount()), false);
    for (int row : list.SelectedRows()) selected[size_t(row)] = true;
    return selected;
}

// The extension of a name: after its last "."; none when there is no "."
// or the name ends with it.
QString ExtensionOf(const QString& name) {
    const int dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1);
}

}  // namespace

HistoryList& SelectionPatternHistory() {
    static HistoryList history;
    return history;
}

void LoadSelectionPatternHistory(const ProfileStore& store) {
    HistoryList& history = SelectionPatternHistory();
    history.Load(General().historyItems, store, kSelectionPatternHistorySection);
    if (history.isEmpty())
        history.Add(General().historyItems, kAllPattern);
}

void SaveSelectionPatternHistory(ProfileStore& store) {
    SelectionPatternHistory().Save(General().historyItems, store, kSelectionPatternHistorySection);
}

bool WithinSelectionOnly() {
    return g_within;
}

void SetWithinSelectionOnly(bool on) {
    g_within = on;
}

QStringList& SelectionClipboard() {
    static QStringList names;
    return names;
}

bool ApplySelectionPattern(CPanexView& pane, bool select) {
    PatternList patterns;
    if (!patterns.Parse(SelectionPatternHistory().First().value_or(QString()))) {
        Notice(SelectionTexts::kPatternInvalid, true);
        return false;
    }
    PaneListCtrl& list = *pane.List();
    const RedrawPause pause(list);
    const bool within = select && WithinSelectionOnly();
    std::vector<bool> selected = CurrentSelection(list);
    if (select && !General().selectAddOnTop && !within)
        selected.assign(selected.size(), false);
    if (list.RowCount() == 0) {
        list.SetSelectedRows(selected);
        Notice(SelectionTexts::kNoMatch, true);
        return false;
    }
    int first = -1;
    for (int row = 0; row < list.RowCount(); ++row) {
        const FolderItem* item = list.ItemAt(row);
        if (within && !selected[size_t(row)])
            continue;
        if (IsFolderItem(item) && !General().selectIncFolders)
            continue;
        if (patterns.Matches(item->name)) {
            selected[size_t(row)] = select;
            if (first < 0)
                first = row;
        } else if (within) {
            selected[size_t(row)] = false;
        }
    }
    list.SetSelectedRows(selected);
    if (first < 0) {
        Notice(SelectionTexts::kNoMatch, true);
        return false;
    }
    list.SetFocusedRow(first, false);
    return true;
}

bool SelectSameExtension(CPanexView& pane, bool select) {
    const int focused = pane.List()->FocusedRow();
    const FolderItem* item = focused >= 0 ? pane.List()->ItemAt(focused) : nullptr;
    const QString extension = item ? ExtensionOf(item->name) : QString();
    if (extension.isEmpty()) {
        Notice(SelectionTexts::kNoExtension, true);
        return false;
    }
    SelectionPatternHistory().Add(General().historyItems, u'*' + extension);
    return ApplySelectionPattern(pane, select);
}

void SelectAllItems(CPanexView& pane) {
    PaneListCtrl& list = *pane.List();
    const RedrawPause pause(list);
    list.SetSelectedRows(std::vector<bool>(size_t(list.RowCount()), true));
}

void UnselectAllItems(CPanexView& pane) {
    PaneListCtrl& list = *pane.List();
    const RedrawPause pause(list);
    list.SetSelectedRows({});
}

void InvertSelection(CPanexView& pane) {
    PaneListCtrl& list = *pane.List();
    const RedrawPause pause(list);
    std::vector<bool> selected = CurrentSelection(list);
    for (int row = 0; row < list.RowCount(); ++row) {
        if (IsFolderItem(list.ItemAt(row)) && !General().selectIncFolders)
            continue;
        selected[size_t(row)] = !selected[size_t(row)];
    }
    list.SetSelectedRows(selected);
}

void SelectFolderItems(CPanexView& pane, bool select) {
    PaneListCtrl& list = *pane.List();
    const RedrawPause pause(list);
    std::vector<bool> selected = CurrentSelection(list);
    for (int row = 0; row < list.RowCount(); ++row) {
        if (IsFolderItem(list.ItemAt(row)))
            selected[size_t(row)] = select;
    }
    list.SetSelectedRows(selected);
}

void StoreSelection(CPanexView& pane) {
    QStringList& names = SelectionClipboard();
    names.clear();
    for (const FolderItem* item : pane.List()->SelectedItems()) names.append(item->name);
    Notice(SelectionTexts::kStored, false);
}

bool ApplyStoredSelection(CPanexView& pane, bool select) {
    PaneListCtrl& list = *pane.List();
    FolderModel* model = pane.Model();
    const RedrawPause pause(list);
    std::vector<bool> selected = CurrentSelection(list);
    if (select && !General().selectAddOnTop)
        selected.assign(selected.size(), false);
    int found = 0;
    int focus = -1;
    for (const QString& name : SelectionClipboard()) {
        // Names are compared exactly: two names that differ in case are two
        // files here.
        FolderItem* item = model ? model->FindByName(name) : nullptr;
        const int row = item ? list.RowOf(item) : -1;
        if (row < 0)
            continue;
        ++found;
        selected[size_t(row)] = select;
        if (select)
            focus = row;
    }
    list.SetSelectedRows(selected);
    if (focus >= 0)
        list.SetFocusedRow(focus, false);
    if (found == 0) {
        Notice(SelectionTexts::kNoStored, true);
        return false;
    }
    return true;
}

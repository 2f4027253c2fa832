#include "app/PendingCommands.h"

#include <QList>
#include <map>

#include "shell/CommandIds.h"

namespace {

const std::map<int, QString>& Pending() {
    static const std::map<int, QString> pending = [] {
        const QString selection = QStringLiteral("comes with the selection tools");
        const QString compare = QStringLiteral("comes with the pane comparison");
        const QString fileTools = QStringLiteral("comes with split, merge, shred and touch");
        const QString newItems = QStringLiteral("comes with new items and links");
        const QString tree = QStringLiteral("comes with the folder tree");
        const QString layouts = QStringLiteral("comes with stored layouts");
        const QString editor = QStringLiteral("comes with the internal editor");
        const QString find = QStringLiteral("comes with the find results window");
        const QString stats = QStringLiteral("comes with the folder statistics");
        const QString listings = QStringLiteral("comes with printed listings");

        std::map<int, QString> map = {
            {ID_MARK_SELECT_ALL, selection},
            {ID_MARK_UNSELECT_ALL, selection},
            {ID_MARK_SELECT_GROUP, selection},
            {ID_MARK_UNSELECT_GROUP, selection},
            {ID_MARK_INVERT, selection},
            {ID_SELECTION_STORE, selection},
            {ID_SELECTION_SELECT, selection},
            {ID_SELECTION_UNSELECT, selection},
            {ID_SELECT_SAME_EXT, selection},
            {ID_UNSELECT_SAME_EXT, selection},
            {ID_SELECT_FOLDERS, selection},
            {ID_UNSELECT_FOLDERS, selection},
            {ID_MARK_SYNC_PANES, compare},
            {ID_MARK_LOCATE_IDENTICAL, compare},
            {ID_MARK_SYNC_CONTENT, compare},
            {ID_SYNC_SCROLLING, compare},
            {ID_SCROLL_TO_TOP, compare},
            {ID_MARK_CONTAINING_TEXT, QStringLiteral("comes with the containing-text scan")},
            {ID_SYNC_TOUCH, fileTools},
            {ID_MARK_GENERATE_BATCH, QStringLiteral("comes with batch file generation")},
            {ID_MARK_PRINT_SELECTION, listings},
            {ID_EDIT_NO_UNDO, QStringLiteral("file operations cannot be undone")},
            {ID_EDIT_COPY_NAMES, listings},
            {ID_EDIT_COPY_PREVIEW, QStringLiteral("comes with the thumbnail bar")},
            {ID_VIEW_THUMBBAR, QStringLiteral("comes with the thumbnail bar")},
            {ID_VIEW_OPTIONS, QStringLiteral("comes with the options dialog")},
            {ID_NEW_FILE, newItems},
            {ID_NEW_FOLDER, newItems},
            {ID_PASTE_HARDLINK, newItems},
            {ID_TOUCH_DATES, fileTools},
            {ID_SPLIT_FILE, fileTools},
            {ID_MERGE_FILES, fileTools},
            {ID_SHRED, fileTools},
            {ID_FOLDER_DATA, stats},
            {ID_FIND_FILES, QStringLiteral("comes with find files")},
            {ID_VIEW_TREEBAR, tree},
            {ID_TREE_KEEP_SYNC, tree},
            // The popup menus of windows that do not exist yet.
            {ID_FIND_BROWSE, find},
            {ID_FIND_DELETE, find},
            {ID_FIND_VIEW_FILE, find},
            {ID_FIND_COPY, find},
            {ID_FIND_PRINT_LIST, find},
            {ID_FIND_BATCH, find},
            {ID_FIND_SELECT_ALL, find},
            {ID_DIRDATA_PRINT, stats},
            {ID_EDIT_UNDO, editor},
            {ID_EDIT_SELECT_ALL, editor},
        };
        for (int id = ID_LAYOUT_FIRST; id <= ID_LAYOUT_LAST; ++id) map.emplace(id, layouts);
        return map;
    }();
    return pending;
}

}  // namespace

std::optional<QString> PendingReason(int id) {
    const auto found = Pending().find(id);
    if (found == Pending().end())
        return std::nullopt;
    return found->second;
}

QList<int> PendingCommandIds() {
    QList<int> ids;
    for (const auto& [id, reason] : Pending()) ids.append(id);
    return ids;
}

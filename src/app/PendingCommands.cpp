#include "app/PendingCommands.h"

#include <QList>
#include <map>

#include "shell/CommandIds.h"

namespace {

const std::map<int, QString>& Pending() {
    static const std::map<int, QString> pending = [] {
        const QString layouts = QStringLiteral("comes with stored layouts");
        const QString find = QStringLiteral("comes with the find results window");
        const QString stats = QStringLiteral("comes with the folder statistics");

        std::map<int, QString> map = {
            {ID_EDIT_NO_UNDO, QStringLiteral("file operations cannot be undone")},
            {ID_EDIT_COPY_PREVIEW, QStringLiteral("comes with the thumbnail bar")},
            {ID_VIEW_THUMBBAR, QStringLiteral("comes with the thumbnail bar")},
            {ID_VIEW_OPTIONS, QStringLiteral("comes with the options dialog")},
            {ID_FOLDER_DATA, stats},
            {ID_FIND_FILES, QStringLiteral("comes with find files")},
            // The popup menus of windows that do not exist yet.
            {ID_FIND_BROWSE, find},
            {ID_FIND_DELETE, find},
            {ID_FIND_VIEW_FILE, find},
            {ID_FIND_COPY, find},
            {ID_FIND_PRINT_LIST, find},
            {ID_FIND_BATCH, find},
            {ID_FIND_SELECT_ALL, find},
            {ID_DIRDATA_PRINT, stats},
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

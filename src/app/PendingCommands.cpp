#include "app/PendingCommands.h"

#include <QList>
#include <map>

#include "shell/CommandIds.h"

namespace {

const std::map<int, QString>& Pending() {
    static const std::map<int, QString> pending = [] {
        std::map<int, QString> map = {
            {ID_EDIT_NO_UNDO, QStringLiteral("file operations cannot be undone")},
        };
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

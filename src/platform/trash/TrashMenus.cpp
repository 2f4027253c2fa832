#include "platform/trash/TrashMenus.h"

#include <sys/stat.h>

#include "platform/shellui/ContextMenu.h"

std::unique_ptr<VerbContextMenu> MakeTrashBackgroundMenu() {
    MenuVerb empty{QStringLiteral("emptytrash"), QStringLiteral("&Empty trash"),
                   QStringLiteral("Deletes every item in the trash for good")};
    empty.icon = QIcon::fromTheme(QStringLiteral("user-trash-full"));
    empty.enabled = !TrashIsEmpty();
    empty.run = [](const InvokeContext& context) {
        return EmptyTrash(/*confirm=*/true, context.parent, context.errorText) ==
               TrashActionResult::Done;
    };
    std::vector<MenuVerb> verbs;
    verbs.push_back(std::move(empty));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

std::unique_ptr<VerbContextMenu> MakeTrashContextMenu(std::vector<TrashEntry> entries) {
    if (entries.empty())
        return nullptr;
    QList<QByteArray> paths;
    bool anyFolder = false;
    for (const TrashEntry& entry : entries) {
        paths << entry.FilePath();
        anyFolder = anyFolder || S_ISDIR(entry.mode);
    }
    auto shared = std::make_shared<const std::vector<TrashEntry>>(std::move(entries));
    std::vector<MenuVerb> verbs;
    verbs.push_back(StandardVerb(
        QStringLiteral("open"),
        anyFolder ? std::function<bool(const InvokeContext&)>()
                  : [paths](const InvokeContext& context) { return LaunchEach(paths, context); }));
    verbs.push_back(StandardVerb(QStringLiteral("restore"), [shared](const InvokeContext& context) {
        return RestoreFromTrash(*shared, context.parent, context.errorText) ==
               TrashActionResult::Done;
    }));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(StandardVerb(QStringLiteral("copy")));
    MenuVerb erase = StandardVerb(QStringLiteral("delete"), [shared](const InvokeContext& context) {
        return DeleteFromTrash(*shared, /*confirm=*/true, context.parent, context.errorText) ==
               TrashActionResult::Done;
    });
    erase.helpText = QStringLiteral("Deletes the selected item for good");
    verbs.push_back(std::move(erase));
    verbs.push_back(MenuVerb::Separator());
    verbs.push_back(PropertiesVerb(paths));
    return std::make_unique<VerbContextMenu>(std::move(verbs));
}

#pragma once
// The Trash's menus: over its background and over trashed entries.

#include <memory>
#include <vector>

#include "platform/shellui/VerbContextMenu.h"
#include "platform/trash/Trash.h"

/// The Trash's background menu: "emptytrash" ("&Empty trash"), which
/// deletes every trashed item for good after asking; disabled when the
/// trash is empty. Cost: reads the trash info folders.
std::unique_ptr<VerbContextMenu> MakeTrashBackgroundMenu();

/// The menu over entries of the trash: "open" (default; a trashed file is
/// launched where it lies, a folder is opened by the program), "restore"
/// (RestoreFromTrash), "copy" (the program's), "delete" (DeleteFromTrash,
/// asking first), "properties" (of the items inside the trash). nullptr for
/// no entries.
std::unique_ptr<VerbContextMenu> MakeTrashContextMenu(std::vector<TrashEntry> entries);

#pragma once
// The columns a folder pane's Details view can show besides "Name", "Size"
// and the date: "Extension", "Permissions", "Owner", "Group", "Link target"
// and "Created". Each is a bit of the pane's choice, which the pane keeps in
// its settings section as "binDetailsColumns" and the header's context menu
// changes.
//
// - The texts come from what the item's id already carries (name, mode, the
//   three times), except the owner and group (one lstat of the item's path,
//   the names looked up once per id) and the link target (one readlink): so
//   they cost a system call only for rows that are painted.
// - A header click on "Extension" sorts by type (the extension is what the
//   type key compares); the others sort by name.
// - Items that are no files (volumes, virtual places, archive entries
//   without a path) show empty texts.
//
// Main thread only.

#include <QString>
#include <cstdint>
#include <vector>

#include "pane/PaneRowModel.h"

class FolderItem;

/// The bits of "binDetailsColumns", in the order the columns are shown.
enum DetailsColumnBit : int {
    kColumnExtension = 0x1,
    kColumnPermissions = 0x2,
    kColumnOwner = 0x4,
    kColumnGroup = 0x8,
    kColumnLinkTarget = 0x10,
    kColumnCreated = 0x20,
};
inline constexpr int kAllDetailsColumns = 0x3f;

struct OptionalDetailsColumn {
    int bit = 0;
    QString title;  // the column's title and its menu item's text
};
/// The six columns, in the order of their bits.
const std::vector<OptionalDetailsColumn>& OptionalDetailsColumns();

/// The pane's columns (PaneColumnsForPanes) followed by those of `bits`
/// (bits outside kAllDetailsColumns are ignored).
std::vector<PaneColumn> PaneColumnsWith(int bits);

/// The text after the last "." of a name, as the type key compares it;
/// empty without a dot.
QString ExtensionOf(const QString& name);
/// The mode as `ls -l` shows it: the kind ("-", "d", "l", "p", "s", "c",
/// "b") and three rwx triplets with s, S, t and T for the set-id and
/// sticky bits ("-rw-r--r--", "drwxrwxrwt").
QString PermissionsText(std::uint32_t mode);
/// The item's file-system mode, or 0 when its id carries none.
std::uint32_t ItemMode(const FolderItem& item);

#pragma once
// The freedesktop trash: moving items into it, and the entries it holds,
// restoring them, deleting them for good and emptying it.
//
// A trash directory holds files/ (the trashed items under unique names) and
// info/ (one "<name>.trashinfo" per item: its original path and deletion
// date). There is the home trash ($XDG_DATA_HOME/Trash, for the items of its
// file system) and one per other volume, at the volume's top directory.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/namespace/ShellTypes.h"

class QWidget;
class VolumeTable;

/// What became of one item given to MoveToTrash.
enum class TrashResult {
    Trashed,  // the item is in a trash, with its .trashinfo
    NoTrash,  // its volume has no usable trash (the caller may offer a
              // permanent delete); nothing was changed
    Failed,   // the item could not be trashed; nothing was changed
};

/// Moves the item at `path` (raw bytes, absolute) into the trash of its
/// volume: the home trash for the home's file system, else the volume's
/// top-directory trash ($topdir/.Trash/$uid when sticky and not a link, else
/// $topdir/.Trash-$uid). The .trashinfo is made exclusively before the move;
/// the item is never copied across file systems. `error` receives a text
/// for the user on NoTrash and Failed. Safe to call from any thread.
TrashResult MoveToTrash(const QByteArray& path, QString* error = nullptr);

/// One trash directory.
struct TrashDirectory {
    QByteArray path;    // holds files/ and info/
    QByteArray topdir;  // the volume's top directory; empty for the home trash

    bool IsHome() const { return topdir.isEmpty(); }
    bool operator==(const TrashDirectory&) const = default;
};

/// $XDG_DATA_HOME/Trash, whether it exists or not.
QByteArray HomeTrashPath();

/// True for the file-system types whose top-directory trashes are not
/// looked for when the trash is listed: pseudo file systems (proc, sysfs,
/// autofs, ...), remote ones (IsRemoteFileSystemType: a server that does not
/// answer would hang the listing) and FUSE file systems other than block
/// devices ("fuseblk") and a few encrypting overlays of local data. Moving
/// an item to the trash is not affected: it follows the volume's rules.
bool SkipsTrashListing(const QByteArray& fsType);

/// The trash directories that exist: the home trash first, then for each
/// mount of the table (other than the home trash's own file system, and
/// those SkipsTrashListing() leaves out) the top-directory trashes of this
/// user ($topdir/.Trash/$uid when .Trash passes the checks, and
/// $topdir/.Trash-$uid), each a real directory owned by the user. Cost: a
/// few lstat calls per mount, none on the mounts left out.
std::vector<TrashDirectory> ExistingTrashDirectories(const VolumeTable& table);
/// The same over this process's mount table.
std::vector<TrashDirectory> ExistingTrashDirectories();

/// One item in a trash.
struct TrashEntry {
    TrashDirectory trash;
    QByteArray name;            // the item's name in files/ (raw bytes)
    QByteArray originalPath;    // absolute, raw bytes
    FileTime deletionTime = 0;  // 0 when the info gives no valid date
    std::uint32_t mode = 0;     // lstat of the item in files/
    std::uint64_t size = 0;     // 0 for directories

    QByteArray FilePath() const { return trash.path + "/files/" + name; }
    QByteArray InfoPath() const { return trash.path + "/info/" + name + ".trashinfo"; }
    /// The last component of the original path: the name users know.
    QByteArray OriginalName() const;
};

/// What a .trashinfo says: the original path (made absolute against the
/// trash's top directory when relative) and the deletion time. nullopt for
/// a malformed file: no "[Trash Info]" group, no Path, a path that is not
/// properly percent-encoded, empty, or that holds "." or ".." components.
/// A missing or malformed DeletionDate leaves deletionTime 0.
struct TrashInfo {
    QByteArray originalPath;
    FileTime deletionTime = 0;
};
std::optional<TrashInfo> ParseTrashInfo(const QByteArray& text, const TrashDirectory& trash);

/// The percent-encoded form a .trashinfo gives a path ("/" kept).
QByteArray TrashInfoPathValue(const QByteArray& path);

/// The entries of one trash: every info/*.trashinfo that parses and whose
/// item exists in files/. Malformed info files and items without info are
/// skipped. Order: as the directory gives them.
std::vector<TrashEntry> ListTrashDirectory(const TrashDirectory& trash);
/// The entries of every existing trash directory.
std::vector<TrashEntry> ListTrash();
/// The entry `name` of a trash, read now; nullopt when it is gone or its
/// info is malformed.
std::optional<TrashEntry> ReadTrashEntry(const TrashDirectory& trash, const QByteArray& name);

/// Results of the trash's own actions.
enum class TrashActionResult {
    Done,       // every entry was handled
    Cancelled,  // the user said no (entries handled before that stay handled)
    Failed,     // at least one entry failed (the others were handled); see error
};

/// Puts entries back where they came from, by rename(2), recreating missing
/// parent folders. When something exists at the original path the user is
/// asked (through the prompter, Yes/No/Cancel) whether to replace it; a
/// replaced item is moved to the trash itself, never deleted, and when that
/// is not possible the entry is not restored. An entry whose original place
/// lies on another file system now is not restored (no copies). `error`
/// gathers the texts of failed entries. Main thread (it may ask).
TrashActionResult RestoreFromTrash(std::span<const TrashEntry> entries, QWidget* parent = nullptr,
                                   QString* error = nullptr);

/// Deletes entries for good: the item (a folder with all it holds, links not
/// followed) and then its info. With `confirm`, asks first (Yes/No) through
/// the prompter. Main thread when confirming.
TrashActionResult DeleteFromTrash(std::span<const TrashEntry> entries, bool confirm = true,
                                  QWidget* parent = nullptr, QString* error = nullptr);

/// Deletes every entry of every trash (ListTrash), asking first when
/// `confirm`; items without info are left alone. Done at once when the
/// trash is empty.
TrashActionResult EmptyTrash(bool confirm = true, QWidget* parent = nullptr,
                             QString* error = nullptr);

/// True when no trash holds an entry. Cost: reads the info folders.
bool TrashIsEmpty();

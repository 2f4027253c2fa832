#pragma once
// The freedesktop trash: moving items into it. Listing, restoring and
// emptying belong to the trash folder of the namespace.

#include <QByteArray>
#include <QString>

/// What became of one item given to MoveToTrash.
enum class TrashResult {
    Trashed,    // the item is in a trash, with its .trashinfo
    NoTrash,    // its volume has no usable trash (the caller may offer a
                // permanent delete); nothing was changed
    Failed,     // the item could not be trashed; nothing was changed
};

/// Moves the item at `path` (raw bytes, absolute) into the trash of its
/// volume: the home trash for the home's file system, else the volume's
/// top-directory trash ($topdir/.Trash/$uid when sticky and not a link, else
/// $topdir/.Trash-$uid). The .trashinfo is made exclusively before the move;
/// the item is never copied across file systems. `error` receives a text
/// for the user on NoTrash and Failed. Safe to call from any thread.
TrashResult MoveToTrash(const QByteArray& path, QString* error = nullptr);

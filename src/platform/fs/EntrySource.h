#pragma once
// EntrySource: a folder's entries, with their lstat data, read some other way
// than by the kernel's directory reads and one stat per entry.
//
// A folder on GVfs's FUSE bridge answers every stat with a round trip to
// the server, so that reading it entry by entry costs a round trip per
// entry; the daemon behind the bridge can give whole batches of entries with
// their types, sizes and times in one. The layer that knows the daemon
// installs a factory here; the folder readers (DirectoryReader, the pane's
// streamed read) ask it first and read the directory themselves when it
// serves no source for the path. The path stays what every operation uses:
// only the listing takes the other way.
//
// Guarantees: the entries are those the directory holds ("." and ".." left
// out), each with the mode (type and permission bits), size (0 for folders)
// and times a stat of the path without following links gives, in the
// order the source gives them. A source is used by one thread at a time;
// the factory may be called from any thread.

#include <QByteArray>
#include <memory>
#include <vector>

#include "platform/namespace/ItemData.h"

class ShellFolder;

class EntrySource {
public:
    virtual ~EntrySource() = default;

    /// Appends the next batch of up to about `count` entries. False at the
    /// end of the folder or on a failure (Error() then tells which, as an
    /// errno), with nothing appended.
    virtual bool Next(std::vector<FileSystemItemData>& entries, int count) = 0;
    /// The errno of the failure that ended the read; 0 when none.
    virtual int Error() const = 0;
    /// Stops a Next() under way on another thread as soon as it can (it
    /// then returns false with ECANCELED). Safe from any thread.
    virtual void Cancel() = 0;
};

/// A folder of the namespace that is no directory of the file system (a
/// remote location GIO serves without a local path) but whose entries come
/// as file-system entries from a source. The pane's folder read takes them
/// on its worker, the way it reads a directory, and makes file-system items
/// of them; the folder object answers for those items.
class EntrySourceFolder {
public:
    virtual ~EntrySourceFolder() = default;
    /// The folder's entries, the enumeration opened at once; nullptr when it
    /// can't be listed (`error`, when given, gets the errno). May wait on a
    /// server: called on the reading thread.
    virtual std::unique_ptr<EntrySource> OpenEntries(int* error) const = 0;
    /// A folder object of its own for the same folder, for the reading
    /// thread. It is an EntrySourceFolder too.
    virtual std::unique_ptr<ShellFolder> CloneSourceFolder() const = 0;
};

/// Gives a source for `path` (an absolute directory path, following a
/// final link as opening it would), or nullptr when the path is not one the
/// factory serves, or its source could not be opened: the caller then reads
/// the directory itself, which reports the failure as the kernel sees it.
using EntrySourceFactory = std::unique_ptr<EntrySource> (*)(const QByteArray& path);

/// Installs the factory (nullptr: none). Meant to be called once, on the
/// main thread, before folders are read.
void SetEntrySourceFactory(EntrySourceFactory factory);

/// The installed factory's source for `path`; nullptr without one.
std::unique_ptr<EntrySource> OpenEntrySource(const QByteArray& path);

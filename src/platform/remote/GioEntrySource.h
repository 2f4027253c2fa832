#pragma once
// GioEntrySource: a remote folder's entries read through GIO
// (g_file_enumerate_children, the entries taken from the enumerator a batch
// at a time) rather than through GVfs's FUSE bridge, where every entry would
// cost a stat round trip of its own. The daemon sends entries with their
// types, sizes and times many to a message, so a folder of 10,000 files
// costs a handful of round trips.
//
// Installed as the file-system layer's EntrySource factory (see
// platform/fs/EntrySource.h): the pane's folder read and the folder
// enumeration ask it for every path; it serves the paths below the FUSE
// bridge's folder whose location it can name, and nothing else, so local
// folders never touch GIO. Operations on the entries keep the FUSE paths.
//
// Thread safety: GIO's synchronous calls are made on the reading thread,
// which GVfs's client allows on any thread; Cancel() may come from another.

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "platform/fs/EntrySource.h"

typedef struct _GFileInfo GFileInfo;

/// The GIO attributes an entry's data is made of.
extern const char* const kGioEntryAttributes;

/// What a stat of the entry's FUSE path without following links gives, from
/// GIO's information about it (asked with kGioEntryAttributes and without
/// following links): type and permission bits (0755 for folders and 0644
/// for files where the backend gives no permissions), size (0 for
/// folders), and the modified, created and accessed times (0 where the
/// backend has none). Nullopt for an entry without a name.
std::optional<FileSystemItemData> ItemDataOfInfo(GFileInfo* info);

/// The entries of the folder `uri` names (any URI GIO serves, "file://"
/// included), its enumeration opened at once; nullptr when GIO cannot
/// enumerate it (`error`, when given, gets its errno).
std::unique_ptr<EntrySource> OpenGioEntrySource(const QString& uri, int* error = nullptr);

/// The URI GIO reads the local path `path` by: for a path below the FUSE
/// bridge's folder (`gvfsDir`, see GvfsFolder) inside a mounted location,
/// the location's URI for it (from RemoteMounts' snapshot, else from the
/// bridge folder's name); nullopt for every other path, the bridge's folder
/// itself included.
std::optional<QString> GioUriOfBridgePath(const QByteArray& path, const QByteArray& gvfsDir);

/// The factory: OpenGioEntrySource of GioUriOfBridgePath(path, GvfsFolder()),
/// or nullptr; always nullptr on the thread that installed it (the main
/// thread), whose reads of a remote folder take the bridge's stats, since
/// GIO's synchronous enumerator can wait without end on a server that died
/// mid-listing while the bridge answers with an error.
std::unique_ptr<EntrySource> OpenBridgeEntrySource(const QByteArray& path);

/// Installs OpenBridgeEntrySource as the file-system layer's factory (call
/// it on the main thread), unless
/// the environment variable CORVANE_GVFS_LISTING is "fuse" (which keeps the
/// FUSE bridge's own listing, to compare the two).
void InstallGioEntrySource();

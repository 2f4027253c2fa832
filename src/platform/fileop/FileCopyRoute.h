#pragma once
// FileCopyRoute: the copies whose bytes GIO carries instead of the engine's
// own reads and writes.
//
// A file copied to or from a folder on GVfs's FUSE bridge would otherwise
// cost a round trip to the server for every piece written or read; GIO
// (g_file_copy, see platform/remote/GioCopy.h) lets the GVfs daemon push or
// pull the local file in large pieces. Only the bytes take the other way:
// the engine still draws the temporary copy's name in the target folder
// (GIO makes the file, never over one that exists), sets the copy's metadata, renames
// it into place, asks its questions and counts its progress as for any
// copy. Folders, links, special files, renames and deletes keep the paths.
//
// The route is a function installed at start-up that names the remote
// paths; without one (the default, and every test that installs none),
// the engine never touches GIO.
//
// Thread safety: the route may be installed at any time and is read on the
// operation's thread; the function installed must allow any thread.

#include <QByteArray>
#include <QString>
#include <optional>

/// The URI GIO reaches `path` (an absolute path, raw bytes) by, for a path
/// on a location whose bytes GIO should carry; nullopt for any other path.
using RemoteUriOfPath = std::optional<QString> (*)(const QByteArray& path);

/// Installs the route (nullptr: none).
void SetFileCopyRoute(RemoteUriOfPath route);

/// The URIs a file's bytes are copied by through GIO.
struct FileCopyUris {
    QString source;
    QString target;
};

/// Whether the route names `source` or `targetFolder`: the copy's bytes
/// then go through GIO.
bool RoutesCopy(const QByteArray& source, const QByteArray& targetFolder);

/// The URIs GIO copies the file `source` to `target` by, when the route
/// names `source` or `targetFolder` (the folder `target` is made in); the
/// side it does not name is given as "file://". Nullopt without a route, or
/// when it names neither side.
std::optional<FileCopyUris> CopyUrisOf(const QByteArray& source, const QByteArray& targetFolder,
                                       const QByteArray& target);

/// "file://" and the path, every byte but letters, digits, "/" and "-._~"
/// percent-encoded, so that any name GIO is given stays the same bytes.
QString FileUriOfPath(const QByteArray& path);

/// The route of the FUSE bridge: the URI of a path below it inside a mounted
/// location (GioUriOfBridgePath with GvfsFolder()), nullopt for the rest.
std::optional<QString> BridgeUriOfPath(const QByteArray& path);

/// Installs BridgeUriOfPath as the route, unless the environment variable
/// CORVANE_GVFS_COPY is "fuse" (which keeps every copy on the bridge, to
/// compare the two).
void InstallBridgeCopyRoute();

#pragma once
// GioChangeSource: a remote folder's changes as GIO's directory monitor
// (g_file_monitor_directory on the folder's URI) reports them, for the
// change watch (platform/watch/ChangeSource.h) of a folder on GVfs's FUSE
// bridge, where inotify sees only the changes made through the bridge on
// this machine.
//
// Whether a backend can watch at all is its own affair: GVfs's sftp backend
// has no monitor (its folders are refreshed on demand and after Corvane's
// own operations); others (the local one, smb on some servers) have. The
// monitor is asked for on the source's own thread, so that a slow daemon
// never stalls the thread that opens the folder; a backend that has none
// is reported as Unavailable there.
//
// Thread safety: as ChangeSource. The source's thread runs a GLib main
// context of its own, where the monitor's signals arrive.

#include <QByteArray>
#include <QString>
#include <memory>

#include "platform/watch/ChangeSource.h"

/// A source of the changes in the folder `uri` names (any URI GIO serves,
/// "file://" included).
std::unique_ptr<ChangeSource> OpenGioChangeSource(const QString& uri);

/// The factory: OpenGioChangeSource of the URI of a folder below the FUSE
/// bridge (GioUriOfBridgePath), nullptr for every other path.
std::unique_ptr<ChangeSource> OpenBridgeChangeSource(const QByteArray& path);

/// Installs OpenBridgeChangeSource as the change watch's factory.
void InstallGioChangeSource();

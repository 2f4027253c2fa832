#pragma once
// NotifyShell: where the program tells the namespace that it changed the
// disk itself. On Linux nobody needs telling (inotify reports our own changes
// to every watcher, ours included), so the call does nothing today; it is kept
// at each place the program changes the disk so that a namespace that caches
// (a future archive or trash folder) has one hook to listen on.

#include <QString>
#include <cstdint>

/// Change events, numbered as the program's logic names them.
enum : std::uint32_t {
    SHCNE_RENAMEITEM = 0x00000001,
    SHCNE_CREATE = 0x00000002,
    SHCNE_DELETE = 0x00000004,
    SHCNE_MKDIR = 0x00000008,
    SHCNE_RMDIR = 0x00000010,
    SHCNE_UPDATEDIR = 0x00001000,
    SHCNE_UPDATEITEM = 0x00002000,
};

/// Reports a change of `path`. Does nothing; costs nothing.
inline void NotifyShell(std::uint32_t event, const QString& path) {
    (void)event;
    (void)path;
}

#pragma once
// Path and text helpers shared by the parts of the file-operation engine.
// Paths are absolute raw bytes; nothing here touches the disk.

#include <sys/stat.h>

#include <QByteArray>
#include <QString>
#include <functional>

#include "platform/fs/FileSystem.h"  // LastComponent

namespace fileop {

/// A translation of the engine's texts (one context for all its parts).
QString Tr(const char* text);
/// The system's description of an errno value.
QString ErrnoText(int error);

/// `folder` + "/" + `name`, without doubling a trailing slash.
QByteArray Join(const QByteArray& folder, const QByteArray& name);
/// The folder holding `path`; "/" for a top-level item.
QByteArray ParentOf(const QByteArray& path);
/// The path without trailing slashes ("/" stays "/").
QByteArray StripTrailingSlashes(QByteArray path);

/// The name of the item at `nameOrPath`, for the user (decoded once, here).
QString Shown(const QByteArray& nameOrPath);
/// The whole path, for the user.
QString ShownPath(const QByteArray& path);

inline bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace fileop

/// The free name for a copy of `name` in `folder`: "name (copy).ext", then
/// "name (copy 2).ext", "name (copy 3).ext", ... The extension is the part
/// from the last "." that is not the first byte ("a.tar.gz" gives
/// "a.tar (copy).gz", ".profile" gives ".profile (copy)"); folders get no
/// extension split. The stem is shortened (at a UTF-8 boundary) so the name
/// stays within 255 bytes. `exists` is asked for each candidate.
QByteArray FreeCopyName(const QByteArray& name, bool isFolder,
                        const std::function<bool(const QByteArray&)>& exists);

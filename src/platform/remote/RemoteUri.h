#pragma once
// RemoteUri: the addresses of folders on other machines ("sftp://user@host:
// 2222/home/user", "smb://server/share", "ftp://", "dav://", "davs://") and
// their mapping to the local paths GVfs's FUSE bridge gives them
// ($XDG_RUNTIME_DIR/gvfs/sftp:host=...,user=.../home/user).
//
// The user reads and types the URI; the pane, the engine and the walker work
// on the local path. Everything here is string arithmetic: nothing touches
// GIO, D-Bus or the network, so the rules can be checked without a server.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

/// The parts of a remote address. `path` is decoded (bytes), always starting
/// with "/"; `port` is 0 when none was given.
struct RemoteAddress {
    QString scheme;  // lower case
    QString user;
    QString host;
    int port = 0;
    QByteArray path;

    /// The address again, with the path percent-encoded ("sftp://u@h:22/a%20b").
    QString ToUri() const;
};

/// True for a text that starts with a scheme GVfs serves remotely ("sftp",
/// "ssh", "smb", "ftp", "ftps", "dav", "davs", "afp", "nfs"), then "://".
bool IsRemoteUri(const QString& text);
/// The parts of a remote URI; nullopt for anything else, for a URI without a
/// host, with a port out of 1..65535, or with a control character.
std::optional<RemoteAddress> ParseRemoteUri(const QString& text);

/// The URI of the root a GVfs FUSE folder name stands for:
/// "sftp:host=h,port=2222,user=u" -> "sftp://u@h:2222/",
/// "smb-share:server=s,share=docs" -> "smb://s/docs/",
/// "dav:host=h,ssl=true,prefix=%2Fdav" -> "davs://h/dav/". Nullopt for a name
/// that names no host.
std::optional<QString> UriOfFuseFolder(const QByteArray& folderName);

/// One mounted remote location: the URI of its root (ending in "/") and the
/// local folder GVfs gives it (no trailing "/"; empty without FUSE).
struct RemoteRoot {
    QString uri;
    QByteArray localPath;
    QString name;  // as the desktop names the mount ("user on host")
};

/// The mapping between mounted remote locations and local paths.
class RemoteMap {
public:
    RemoteMap() = default;
    /// `gvfsDir` is the FUSE bridge's folder ($XDG_RUNTIME_DIR/gvfs), used for
    /// folders under it that no root of `roots` names.
    RemoteMap(std::vector<RemoteRoot> roots, QByteArray gvfsDir);

    /// The local path of a remote URI, when a mounted root with a local path
    /// holds it (the longest such root wins). Nullopt when none does.
    std::optional<QByteArray> LocalPathOf(const QString& uri) const;
    /// The URI a local path stands for, when it lies below a remote root or
    /// below the FUSE bridge's folder; nullopt for every other path.
    std::optional<QString> UriOf(const QByteArray& localPath) const;
    /// The root that holds a URI, or a local path (nullptr when none).
    const RemoteRoot* RootOfUri(const QString& uri) const;
    const RemoteRoot* RootOfPath(const QByteArray& localPath) const;

    const std::vector<RemoteRoot>& Roots() const { return m_roots; }
    const QByteArray& GvfsDir() const { return m_gvfsDir; }

private:
    std::vector<RemoteRoot> m_roots;
    QByteArray m_gvfsDir;
};

/// The FUSE bridge's folder: $XDG_RUNTIME_DIR/gvfs, else /run/user/$UID/gvfs.
QByteArray GvfsFolder();

/// `path` as the user reads it: the URI when it lies on a remote location of
/// `map`, else the path itself.
QString DisplayLocation(const RemoteMap& map, const QString& path);

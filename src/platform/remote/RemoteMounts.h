#pragma once
// RemoteMounts: the remote locations GVfs has mounted, and mounting and
// unmounting them, through GIO only (GVolumeMonitor, GFile, GMount,
// GMountOperation). Corvane has no protocol client of its own.
//
// Every call that could wait on a server is GIO's asynchronous form; its
// result comes back on the main thread through GLib's main context, which
// Qt's event loop runs. The questions a mount asks (user, password, host
// key) are answered by MountQuestions, shown from Qt's event queue rather
// than from inside GIO's signal emission, and handed back to GIO when the
// user has answered.
//
// Guarantees:
// - Map() always reflects the mounts the volume monitor reported last, plus
//   those this object mounted itself (known before the monitor says so).
// - MountRemoved is emitted once per mount that goes away, whether the user
//   unmounted it or its server dropped the connection, after Map() no
//   longer holds it.
// - A mount whose operation object is gone (the user closed the question)
//   ends with `cancelled`, never with silence.
//
// Main thread only. The one instance lives until the application quits.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

#include "platform/remote/RemoteUri.h"

class QWidget;

/// How a mount ended.
struct RemoteMountResult {
    bool ok = false;         // mounted (or already mounted)
    bool cancelled = false;  // the user cancelled a question
    QString error;           // GIO's message when it failed
    QString uri;             // the location asked for
    /// The FUSE path of the location; nullopt when GVfs gives none (no FUSE
    /// bridge runs).
    std::optional<QByteArray> localPath;
};

class RemoteMounts : public QObject {
    Q_OBJECT
public:
    /// The instance (made on first use, on the main thread).
    static RemoteMounts& Instance();
    /// True once Instance() was asked for: code that only maps paths for
    /// display need not start the volume monitor.
    static bool Started();

    /// The mounted remote locations. Main thread.
    const RemoteMap& Map() const { return m_map; }
    /// A copy of Map() as it was last set; safe on any thread (a folder read
    /// on a worker names its places with it). Empty until Instance() ran.
    static RemoteMap Snapshot();

    /// Mounts the location that holds `uri` (g_file_mount_enclosing_volume),
    /// asking the user what the server wants (dialogs parented to `parent`).
    /// `done` runs once, on the main thread, when GIO has finished.
    void Mount(const QString& uri, QWidget* parent,
               std::function<void(const RemoteMountResult&)> done);
    /// True while a mount this object started is under way.
    bool Mounting() const { return m_pending > 0; }

    /// Unmounts the mounted location whose root is `rootUri`
    /// (g_mount_unmount_with_operation). `done` gets true when it is gone,
    /// else false and GIO's message.
    void Unmount(const QString& rootUri, QWidget* parent,
                 std::function<void(bool, const QString&)> done);

    /// Reads the volume monitor's mounts again.
    void Refresh();

Q_SIGNALS:
    void MountsChanged();
    /// `root` (URI and local path) is no longer mounted.
    void MountRemoved(const RemoteRoot& root);

private:
    RemoteMounts();
    ~RemoteMounts() override;

    struct Private;
    Private* m_d;
    RemoteMap m_map;
    int m_pending = 0;

    friend struct RemoteMountsAccess;
};

/// `path` as the user reads it: the URI of a remote location (from the
/// mounts RemoteMounts knows, else from the FUSE folder's name), else the
/// path itself. Costs no system call.
QString ShownLocation(const QString& path);

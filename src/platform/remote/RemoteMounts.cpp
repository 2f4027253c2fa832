#include "platform/remote/RemoteMounts.h"

#include <gio/gio.h>

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/remote/MountQuestions.h"

namespace {

std::atomic<bool> g_started{false};

std::mutex& SnapshotMutex() {
    static std::mutex mutex;
    return mutex;
}

RemoteMap& SnapshotMap() {
    static RemoteMap map;
    return map;
}

struct GFree {
    void operator()(char* p) const { g_free(p); }
};
using GString_ = std::unique_ptr<char, GFree>;

QString ErrorText(const GError* error) {
    return error ? QString::fromUtf8(error->message) : QString();
}

// The root a mount has, as the map keeps it; nullopt for local mounts (a
// disk the desktop mounted is a volume, not a network place).
std::optional<RemoteRoot> RootOfMount(GMount* mount) {
    GFile* root = g_mount_get_root(mount);
    if (!root)
        return std::nullopt;
    std::optional<RemoteRoot> out;
    if (!g_file_is_native(root)) {
        GString_ uri(g_file_get_uri(root));
        GString_ path(g_file_get_path(root));
        GString_ name(g_mount_get_name(mount));
        if (uri && IsRemoteUri(QString::fromUtf8(uri.get()))) {
            RemoteRoot r;
            r.uri = QString::fromUtf8(uri.get());
            if (!r.uri.endsWith(QLatin1Char('/')))
                r.uri += QLatin1Char('/');
            r.localPath = path ? QByteArray(path.get()) : QByteArray();
            r.name = name ? QString::fromUtf8(name.get()) : r.uri;
            out = std::move(r);
        }
    }
    g_object_unref(root);
    return out;
}

}  // namespace

struct RemoteMounts::Private {
    GVolumeMonitor* monitor = nullptr;
    std::vector<RemoteRoot> roots;  // as last read, plus our own
    gulong added = 0, removed = 0, changed = 0;
};

// One mount under way: owned by GIO's callback chain, freed at its end.
struct MountJob {
    RemoteMounts* owner = nullptr;
    QString uri;
    QPointer<QWidget> parent;
    std::function<void(const RemoteMountResult&)> done;
    GFile* file = nullptr;
    GMountOperation* op = nullptr;
    int attempts = 0;
    bool askedSomething = false;
};

struct RemoteMountsAccess {
    // Every root that goes, whichever way GIO told (a removed mount, or a
    // re-read of the mounts after a change), is announced once, with the
    // local path it was known by: the panes on it must leave.
    static void SetRoots(RemoteMounts& m, std::vector<RemoteRoot> roots) {
        std::vector<RemoteRoot> gone;
        for (const RemoteRoot& old : m.m_d->roots) {
            const auto kept = std::find_if(roots.begin(), roots.end(),
                                           [&](const RemoteRoot& r) { return r.uri == old.uri; });
            if (kept == roots.end())
                gone.push_back(old);
            else if (kept->localPath.isEmpty())
                kept->localPath = old.localPath;  // the bridge may not know it yet (or any more)
        }
        m.m_d->roots = std::move(roots);
        m.m_map = RemoteMap(m.m_d->roots, GvfsFolder());
        {
            const std::lock_guard lock(SnapshotMutex());
            SnapshotMap() = m.m_map;
        }
        Q_EMIT m.MountsChanged();
        for (const RemoteRoot& root : gone) Q_EMIT m.MountRemoved(root);
    }
    static void AddRoot(RemoteMounts& m, const RemoteRoot& root) {
        std::vector<RemoteRoot> roots = m.m_d->roots;
        std::erase_if(roots, [&](const RemoteRoot& r) { return r.uri == root.uri; });
        roots.push_back(root);
        SetRoots(m, std::move(roots));
    }
    static void RemoveMount(RemoteMounts& m, GMount* mount) {
        const std::optional<RemoteRoot> gone = RootOfMount(mount);
        if (!gone)
            return;
        // The mount's FUSE path may already be unknown to GIO by now; the one
        // remembered is what the panes show.
        for (RemoteRoot& r : m.m_d->roots) {
            if (r.uri == gone->uri && r.localPath.isEmpty())
                r.localPath = gone->localPath;
        }
        std::vector<RemoteRoot> roots = m.m_d->roots;
        std::erase_if(roots, [&](const RemoteRoot& r) { return r.uri == gone->uri; });
        SetRoots(m, std::move(roots));
    }
    static void Finish(MountJob* job, RemoteMountResult result) {
        job->owner->m_pending--;
        if (job->done)
            job->done(result);
        if (job->op)
            g_object_unref(job->op);
        if (job->file)
            g_object_unref(job->file);
        delete job;
    }
};

namespace {

void OnMountAdded(GVolumeMonitor*, GMount* mount, gpointer self) {
    if (const std::optional<RemoteRoot> root = RootOfMount(mount))
        RemoteMountsAccess::AddRoot(*static_cast<RemoteMounts*>(self), *root);
}

void OnMountRemoved(GVolumeMonitor*, GMount* mount, gpointer self) {
    RemoteMountsAccess::RemoveMount(*static_cast<RemoteMounts*>(self), mount);
}

void OnMountChanged(GVolumeMonitor*, GMount*, gpointer self) {
    static_cast<RemoteMounts*>(self)->Refresh();
}

// GIO wants its answer later, from the event loop: the dialogs run there,
// not inside the signal emission that asked.
void OnAskPassword(GMountOperation* op, const char* message, const char* defaultUser,
                   const char* defaultDomain, GAskPasswordFlags flags, gpointer data) {
    auto* job = static_cast<MountJob*>(data);
    PasswordQuestion question;
    question.message = QString::fromUtf8(message ? message : "");
    question.defaultUser = QString::fromUtf8(defaultUser ? defaultUser : "");
    question.defaultDomain = QString::fromUtf8(defaultDomain ? defaultDomain : "");
    question.needPassword = flags & G_ASK_PASSWORD_NEED_PASSWORD;
    question.needUser = flags & G_ASK_PASSWORD_NEED_USERNAME;
    question.needDomain = flags & G_ASK_PASSWORD_NEED_DOMAIN;
    question.savingSupported = flags & G_ASK_PASSWORD_SAVING_SUPPORTED;
    question.anonymousSupported = flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED;
    question.attempt = ++job->attempts;
    job->askedSomething = true;
    // GMountOperation's own handler would answer "unhandled" at once.
    g_signal_stop_emission_by_name(op, "ask-password");
    g_object_ref(op);
    QTimer::singleShot(0, job->owner, [op, question, parent = job->parent]() {
        const PasswordReply reply = AskMountPassword(question, parent.data());
        if (reply.aborted) {
            g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        } else {
            g_mount_operation_set_anonymous(op, reply.anonymous);
            if (!reply.anonymous) {
                g_mount_operation_set_username(op, reply.user.toUtf8().constData());
                g_mount_operation_set_password(op, reply.password.toUtf8().constData());
                g_mount_operation_set_domain(op, reply.domain.toUtf8().constData());
                g_mount_operation_set_password_save(
                    op, reply.keep == PasswordKeep::Permanently  ? G_PASSWORD_SAVE_PERMANENTLY
                        : reply.keep == PasswordKeep::ForSession ? G_PASSWORD_SAVE_FOR_SESSION
                                                                 : G_PASSWORD_SAVE_NEVER);
            }
            g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
        }
        g_object_unref(op);
    });
}

void OnAskQuestion(GMountOperation* op, const char* message, const char** choices, gpointer data) {
    auto* job = static_cast<MountJob*>(data);
    QStringList answers;
    for (int i = 0; choices && choices[i]; ++i) answers << QString::fromUtf8(choices[i]);
    const QString text = QString::fromUtf8(message ? message : "");
    job->askedSomething = true;
    g_signal_stop_emission_by_name(op, "ask-question");
    g_object_ref(op);
    QTimer::singleShot(0, job->owner, [op, text, answers, parent = job->parent]() {
        const int choice = AskMountQuestion(text, answers, parent.data());
        if (choice < 0) {
            g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        } else {
            g_mount_operation_set_choice(op, choice);
            g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
        }
        g_object_unref(op);
    });
}

void OnFoundMount(GObject* source, GAsyncResult* res, gpointer data) {
    auto* job = static_cast<MountJob*>(data);
    RemoteMountResult result;
    result.uri = job->uri;
    result.ok = true;
    GError* error = nullptr;
    if (GMount* mount = g_file_find_enclosing_mount_finish(G_FILE(source), res, &error)) {
        if (const std::optional<RemoteRoot> root = RootOfMount(mount))
            RemoteMountsAccess::AddRoot(*job->owner, *root);
        g_object_unref(mount);
    }
    g_clear_error(&error);
    result.localPath = job->owner->Map().LocalPathOf(job->uri);
    RemoteMountsAccess::Finish(job, result);
}

void OnMounted(GObject* source, GAsyncResult* res, gpointer data) {
    auto* job = static_cast<MountJob*>(data);
    GError* error = nullptr;
    const gboolean ok = g_file_mount_enclosing_volume_finish(G_FILE(source), res, &error);
    const bool already = !ok && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED);
    if (ok || already) {
        g_clear_error(&error);
        g_file_find_enclosing_mount_async(job->file, G_PRIORITY_DEFAULT, nullptr, OnFoundMount,
                                          job);
        return;
    }
    RemoteMountResult result;
    result.uri = job->uri;
    // GIO says "handled" when the user cancelled a question: nothing to tell.
    result.cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_FAILED_HANDLED) ||
                       g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
    if (!result.cancelled)
        result.error = ErrorText(error);
    g_clear_error(&error);
    RemoteMountsAccess::Finish(job, result);
}

struct UnmountJob {
    std::function<void(bool, const QString&)> done;
    GMountOperation* op = nullptr;
};

void OnUnmounted(GObject* source, GAsyncResult* res, gpointer data) {
    auto* job = static_cast<UnmountJob*>(data);
    GError* error = nullptr;
    const bool ok = g_mount_unmount_with_operation_finish(G_MOUNT(source), res, &error);
    const QString why = ErrorText(error);
    g_clear_error(&error);
    if (job->done)
        job->done(ok, why);
    g_object_unref(job->op);
    delete job;
}

}  // namespace

RemoteMounts& RemoteMounts::Instance() {
    static RemoteMounts* instance = [] {
        auto* m = new RemoteMounts();
        // Parented to the application so that it goes before GLib's
        // default context does.
        if (QCoreApplication::instance())
            m->setParent(QCoreApplication::instance());
        return m;
    }();
    return *instance;
}

RemoteMap RemoteMounts::Snapshot() {
    const std::lock_guard lock(SnapshotMutex());
    return SnapshotMap();
}

bool RemoteMounts::Started() {
    return g_started.load();
}

RemoteMounts::RemoteMounts() : m_d(new Private) {
    g_started = true;
    m_d->monitor = g_volume_monitor_get();
    m_d->added = g_signal_connect(m_d->monitor, "mount-added", G_CALLBACK(OnMountAdded), this);
    m_d->removed =
        g_signal_connect(m_d->monitor, "mount-removed", G_CALLBACK(OnMountRemoved), this);
    m_d->changed =
        g_signal_connect(m_d->monitor, "mount-changed", G_CALLBACK(OnMountChanged), this);
    Refresh();
}

RemoteMounts::~RemoteMounts() {
    if (m_d->monitor) {
        g_signal_handler_disconnect(m_d->monitor, m_d->added);
        g_signal_handler_disconnect(m_d->monitor, m_d->removed);
        g_signal_handler_disconnect(m_d->monitor, m_d->changed);
        g_object_unref(m_d->monitor);
    }
    delete m_d;
}

void RemoteMounts::Refresh() {
    std::vector<RemoteRoot> roots;
    GList* mounts = g_volume_monitor_get_mounts(m_d->monitor);
    for (GList* l = mounts; l; l = l->next) {
        if (const std::optional<RemoteRoot> root = RootOfMount(G_MOUNT(l->data)))
            roots.push_back(*root);
    }
    g_list_free_full(mounts, g_object_unref);
    RemoteMountsAccess::SetRoots(*this, std::move(roots));
}

void RemoteMounts::Mount(const QString& uri, QWidget* parent,
                         std::function<void(const RemoteMountResult&)> done) {
    auto* job = new MountJob;
    job->owner = this;
    job->uri = uri;
    job->parent = parent;
    job->done = std::move(done);
    job->file = g_file_new_for_uri(uri.toUtf8().constData());
    job->op = g_mount_operation_new();
    g_signal_connect(job->op, "ask-password", G_CALLBACK(OnAskPassword), job);
    g_signal_connect(job->op, "ask-question", G_CALLBACK(OnAskQuestion), job);
    ++m_pending;
    g_file_mount_enclosing_volume(job->file, G_MOUNT_MOUNT_NONE, job->op, nullptr, OnMounted, job);
}

void RemoteMounts::Unmount(const QString& rootUri, QWidget* parent,
                           std::function<void(bool, const QString&)> done) {
    (void)parent;
    GMount* found = nullptr;
    GList* mounts = g_volume_monitor_get_mounts(m_d->monitor);
    for (GList* l = mounts; l && !found; l = l->next) {
        const std::optional<RemoteRoot> root = RootOfMount(G_MOUNT(l->data));
        if (root && root->uri == rootUri)
            found = G_MOUNT(g_object_ref(l->data));
    }
    g_list_free_full(mounts, g_object_unref);
    if (!found) {
        if (done)
            done(false, tr("\"%1\" is not mounted.").arg(rootUri));
        return;
    }
    auto* job = new UnmountJob;
    job->done = std::move(done);
    job->op = g_mount_operation_new();
    g_mount_unmount_with_operation(found, G_MOUNT_UNMOUNT_NONE, job->op, nullptr, OnUnmounted, job);
    g_object_unref(found);
}

QString ShownLocation(const QString& path) {
    if (RemoteMounts::Started())
        return DisplayLocation(RemoteMounts::Snapshot(), path);
    static const RemoteMap bridgeOnly({}, GvfsFolder());
    return DisplayLocation(bridgeOnly, path);
}

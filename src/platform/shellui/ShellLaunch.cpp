#include "platform/shellui/ShellLaunch.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellFolder.h"
#include "platform/namespace/ShellNamespace.h"

namespace {

std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<bool(const IdList&)>& Hook() {
    static std::function<bool(const IdList&)> hook;
    return hook;
}

template <typename T>
struct GObjectDeleter {
    void operator()(T* object) const {
        if (object)
            g_object_unref(object);
    }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GErrorHolder {
    GError* error = nullptr;
    ~GErrorHolder() {
        if (error)
            g_error_free(error);
    }
};

bool HasExecutableHeader(const QByteArray& path) {
    const UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return false;
    char head[4] = {};
    const ssize_t got = ::read(fd.get(), head, sizeof head);
    if (got >= 4 && head[0] == '\x7f' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F')
        return true;
    return got >= 2 && head[0] == '#' && head[1] == '!';
}

// Runs the program detached: GLib's intermediate child makes the program a
// child of init, and an exec failure comes back through GLib's error pipe,
// so "true" means the program really started.
bool RunDetached(const QByteArray& program, const QByteArray& folder) {
    QByteArray copy = program;
    char* argv[] = {copy.data(), nullptr};
    GErrorHolder error;
    return g_spawn_async(folder.constData(), argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                         nullptr, &error.error);
}

bool LaunchAppWith(GAppInfo* app, const QList<QByteArray>& paths, QString* why = nullptr) {
    if (!app)
        return false;
    GList* files = nullptr;
    for (const QByteArray& path : paths)
        files = g_list_append(files, g_file_new_for_path(path.constData()));
    GErrorHolder error;
    const bool ok = g_app_info_launch(app, files, nullptr, &error.error);
    g_list_free_full(files, g_object_unref);
    // GLib's own words are the useful part: "Unable to find terminal
    // required for application", "Failed to execute child process".
    if (!ok && why) {
        *why = QStringLiteral("%1 could not be started: %2")
                   .arg(QString::fromUtf8(g_app_info_get_name(app)),
                        error.error ? QString::fromUtf8(error.error->message)
                                    : QStringLiteral("unknown error"));
    }
    return ok;
}

QString ShownName(const QByteArray& path) {
    return NameFromBytes(path.mid(path.lastIndexOf('/') + 1));
}

QString TypeDescription(const QByteArray& path) {
    gboolean uncertain = FALSE;
    char* type = g_content_type_guess(path.constData(), nullptr, 0, &uncertain);
    char* description = type ? g_content_type_get_description(type) : nullptr;
    const QString text = QString::fromUtf8(description ? description : type ? type : "");
    g_free(description);
    g_free(type);
    return text;
}

LaunchOutcome Started(bool started, const QByteArray& path) {
    LaunchOutcome outcome;
    outcome.started = started;
    outcome.path = path;
    return outcome;
}

bool IsDesktopFileName(const QByteArray& path) {
    return path.endsWith(".desktop");
}

}  // namespace

bool ShellLaunchDesktopFile(const QByteArray& path) {
    GObjectPtr<GDesktopAppInfo> info(g_desktop_app_info_new_from_filename(path.constData()));
    if (!info)
        return false;
    return LaunchAppWith(G_APP_INFO(info.get()), {});
}

bool ShellLaunchDesktopId(const QByteArray& desktopId) {
    GObjectPtr<GDesktopAppInfo> info(g_desktop_app_info_new(desktopId.constData()));
    if (!info)
        return false;
    return LaunchAppWith(G_APP_INFO(info.get()), {});
}

bool ShellOpenWithDefault(const QByteArray& path) {
    return ShellOpenWithDefaultWithReason(path).started;
}

LaunchOutcome ShellOpenWithDefaultWithReason(const QByteArray& path) {
    LaunchOutcome outcome = Started(false, path);
    GObjectPtr<GFile> file(g_file_new_for_path(path.constData()));
    GErrorHolder error;
    GObjectPtr<GAppInfo> app(g_file_query_default_handler(file.get(), nullptr, &error.error));
    if (!app) {
        outcome.noDefaultApplication = true;
        outcome.why = QStringLiteral("No application is set to open \"%1\" (%2)")
                          .arg(ShownName(path), TypeDescription(path));
        return outcome;
    }
    outcome.started = LaunchAppWith(app.get(), {path}, &outcome.why);
    return outcome;
}

bool ShellLaunchPath(const QByteArray& path) {
    return ShellLaunchPathWithReason(path).started;
}

LaunchOutcome ShellLaunchPathWithReason(const QByteArray& path) {
    LaunchOutcome outcome = Started(false, path);
    if (!path.startsWith('/'))
        return outcome;
    struct stat st;
    if (::stat(path.constData(), &st) != 0) {
        // Missing, or a dangling link: nothing to start.
        outcome.why = QStringLiteral("\"%1\" cannot be opened: %2")
                          .arg(ShownName(path), QString::fromLocal8Bit(std::strerror(errno)));
        return outcome;
    }
    if (S_ISREG(st.st_mode)) {
        // Desktop launchers often carry a "#!" line and the run bit as well:
        // they still mean their application.
        if (IsDesktopFileName(path))
            return Started(ShellLaunchDesktopFile(path), path);
        if (::access(path.constData(), X_OK) == 0 && HasExecutableHeader(path))
            return Started(RunDetached(path, ParentPathBytes(path)), path);
    }
    return ShellOpenWithDefaultWithReason(path);
}

bool ShellLaunch(const IdList& absolute) {
    return ShellLaunchWithReason(absolute).started;
}

LaunchOutcome ShellLaunchWithReason(const IdList& absolute) {
    LaunchOutcome outcome;
    {
        std::function<bool(const IdList&)> hook;
        {
            std::lock_guard lock(HookMutex());
            hook = Hook();
        }
        if (hook) {
            outcome.started = hook(absolute);
            return outcome;
        }
    }
    if (absolute.IsNull())
        return outcome;
    std::unique_ptr<ShellFolder> parent;
    IdList item;
    if (absolute.IsEmpty()) {
        parent = SHGetDesktopFolder();
        item = absolute;
    } else {
        parent = BindParentFolder(absolute);
        item = absolute.Last();
    }
    if (!parent)
        return outcome;
    const auto parsing = parent->GetDisplayNameOf(item, SHGDN_FORPARSING);
    if (!parsing)
        return outcome;
    const QByteArray bytes = NameToBytes(*parsing);
    struct stat st {};
    if (bytes.startsWith('/') && ::lstat(bytes.constData(), &st) == 0)
        return ShellLaunchPathWithReason(bytes);
    // A virtual item names a desktop entry by its desktop id, after the
    // place's "::Name/" prefix when it has one.
    if (!bytes.startsWith('/') && IsDesktopFileName(bytes)) {
        const qsizetype slash = bytes.lastIndexOf('/');
        outcome.started = ShellLaunchDesktopId(slash < 0 ? bytes : bytes.mid(slash + 1));
        return outcome;
    }
    // Anything else (an entry of an archive has a path that is no file)
    // is opened the way its folder's menu opens it by default.
    outcome.started = InvokeDefaultCommand(*parent, item, &outcome.why);
    return outcome;
}

bool InvokeDefaultCommand(ShellFolder& parent, const IdList& item, QString* errorText) {
    std::unique_ptr<ShellContextMenu> menu = parent.GetContextMenu(std::span(&item, 1));
    if (!menu)
        return false;
    std::vector<ContextMenuEntry> entries;
    constexpr int kFirst = 1;
    constexpr int kLast = 9999;
    if (!menu->QueryContextMenu(entries, kFirst, kLast, CMF_DEFAULTONLY))
        return false;
    const ContextMenuEntry* chosen = nullptr;
    for (const ContextMenuEntry& entry : entries) {
        if (entry.id < kFirst || entry.id > kLast)
            continue;
        if (entry.isDefault) {
            chosen = &entry;
            break;
        }
        if (!chosen)
            chosen = &entry;
    }
    if (!chosen || !chosen->enabled)
        return false;
    QString ignored;
    InvokeContext context;
    context.errorText = errorText ? errorText : &ignored;
    return menu->InvokeCommand(chosen->id - kFirst, context);
}

void SetShellLaunchHook(std::function<bool(const IdList&)> hook) {
    std::lock_guard lock(HookMutex());
    Hook() = std::move(hook);
}

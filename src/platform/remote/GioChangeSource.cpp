#include "platform/remote/GioChangeSource.h"

#include <gio/gio.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/remote/GioEntrySource.h"
#include "platform/remote/RemoteUri.h"

namespace {

using Change = ChangeSource::Change;

class GioChangeSource : public ChangeSource {
public:
    explicit GioChangeSource(const QString& uri)
        : m_uri(uri.toUtf8()),
          m_eventFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
          m_context(g_main_context_new()),
          m_loop(g_main_loop_new(m_context, FALSE)) {
        m_thread = std::thread([this] { Run(); });
    }

    ~GioChangeSource() override {
        // Queued on the source's context: it quits the loop once it runs,
        // however far the thread has come.
        g_main_context_invoke(
            m_context,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            m_loop);
        m_thread.join();
        g_main_loop_unref(m_loop);
        g_main_context_unref(m_context);
        if (m_eventFd >= 0)
            ::close(m_eventFd);
    }

    int Descriptor() const override { return m_eventFd; }

    std::vector<Change> Take() override {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_eventFd, &count, sizeof count);
        const std::lock_guard lock(m_lock);
        std::vector<Change> taken;
        taken.swap(m_changes);
        return taken;
    }

private:
    void Run() {
        g_main_context_push_thread_default(m_context);
        GFile* folder = g_file_new_for_uri(m_uri.constData());
        GError* error = nullptr;
        GFileMonitor* monitor =
            g_file_monitor_directory(folder, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error);
        if (!monitor) {
            if (error)
                g_error_free(error);
            Add({Change::Kind::Unavailable, {}});
        } else {
            g_signal_connect(monitor, "changed", G_CALLBACK(&GioChangeSource::OnChanged), this);
            g_main_loop_run(m_loop);
            g_file_monitor_cancel(monitor);
            g_signal_handlers_disconnect_by_data(monitor, this);
            g_object_unref(monitor);
        }
        g_object_unref(folder);
        g_main_context_pop_thread_default(m_context);
    }

    static QByteArray NameOf(GFile* file) {
        if (!file)
            return {};
        char* name = g_file_get_basename(file);
        const QByteArray bytes(name ? name : "");
        g_free(name);
        return bytes;
    }

    static void OnChanged(GFileMonitor*, GFile* child, GFile* other, GFileMonitorEvent event,
                          gpointer data) {
        auto* self = static_cast<GioChangeSource*>(data);
        GFile* folder = g_file_new_for_uri(self->m_uri.constData());
        // An event of the folder itself names no entry in it.
        const bool itself = child && g_file_equal(child, folder);
        g_object_unref(folder);
        switch (event) {
            case G_FILE_MONITOR_EVENT_CREATED:
            case G_FILE_MONITOR_EVENT_MOVED_IN:
            case G_FILE_MONITOR_EVENT_MOVED_OUT:
            case G_FILE_MONITOR_EVENT_MOVED:
            case G_FILE_MONITOR_EVENT_DELETED:
                if (itself && (event == G_FILE_MONITOR_EVENT_DELETED ||
                               event == G_FILE_MONITOR_EVENT_MOVED_OUT ||
                               event == G_FILE_MONITOR_EVENT_MOVED))
                    self->Add({Change::Kind::Gone, {}});
                else if (!itself)
                    self->Add({Change::Kind::Name, NameOf(child)});
                break;
            case G_FILE_MONITOR_EVENT_RENAMED:
                self->Add({Change::Kind::Name, NameOf(child)});
                self->Add({Change::Kind::Name, NameOf(other)});
                break;
            case G_FILE_MONITOR_EVENT_CHANGED:
            case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
            case G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED:
                self->Add({Change::Kind::Content, itself ? QByteArray() : NameOf(child)});
                break;
            case G_FILE_MONITOR_EVENT_PRE_UNMOUNT:
                break;
            case G_FILE_MONITOR_EVENT_UNMOUNTED:
                self->Add({Change::Kind::Gone, {}});
                break;
        }
    }

    void Add(Change change) {
        {
            const std::lock_guard lock(m_lock);
            m_changes.push_back(std::move(change));
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_eventFd, &one, sizeof one);
    }

    const QByteArray m_uri;
    const int m_eventFd;
    GMainContext* const m_context;
    GMainLoop* const m_loop;
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<Change> m_changes;
};

}  // namespace

std::unique_ptr<ChangeSource> OpenGioChangeSource(const QString& uri) {
    auto source = std::make_unique<GioChangeSource>(uri);
    if (source->Descriptor() < 0)
        return nullptr;
    return source;
}

std::unique_ptr<ChangeSource> OpenBridgeChangeSource(const QByteArray& path) {
    static const QByteArray gvfsDir = GvfsFolder();
    const std::optional<QString> uri = GioUriOfBridgePath(path, gvfsDir);
    return uri ? OpenGioChangeSource(*uri) : nullptr;
}

void InstallGioChangeSource() {
    SetChangeSourceFactory(&OpenBridgeChangeSource);
}

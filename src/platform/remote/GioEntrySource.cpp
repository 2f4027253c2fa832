#include "platform/remote/GioEntrySource.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/remote/RemoteMounts.h"
#include "platform/remote/RemoteUri.h"

const char* const kGioEntryAttributes = G_FILE_ATTRIBUTE_STANDARD_NAME
    "," G_FILE_ATTRIBUTE_STANDARD_TYPE "," G_FILE_ATTRIBUTE_STANDARD_SIZE
    "," G_FILE_ATTRIBUTE_STANDARD_IS_SYMLINK "," G_FILE_ATTRIBUTE_UNIX_MODE
    "," G_FILE_ATTRIBUTE_TIME_MODIFIED "," G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC
    "," G_FILE_ATTRIBUTE_TIME_MODIFIED_NSEC "," G_FILE_ATTRIBUTE_TIME_CREATED
    "," G_FILE_ATTRIBUTE_TIME_CREATED_USEC "," G_FILE_ATTRIBUTE_TIME_CREATED_NSEC
    "," G_FILE_ATTRIBUTE_TIME_ACCESS "," G_FILE_ATTRIBUTE_TIME_ACCESS_USEC
    "," G_FILE_ATTRIBUTE_TIME_ACCESS_NSEC;

namespace {

int ErrnoOf(const GError* error) {
    if (!error || error->domain != G_IO_ERROR)
        return EIO;
    switch (error->code) {
        case G_IO_ERROR_NOT_FOUND:
            return ENOENT;
        case G_IO_ERROR_PERMISSION_DENIED:
            return EACCES;
        case G_IO_ERROR_NOT_DIRECTORY:
            return ENOTDIR;
        case G_IO_ERROR_CANCELLED:
            return ECANCELED;
        case G_IO_ERROR_TIMED_OUT:
            return ETIMEDOUT;
        case G_IO_ERROR_NOT_MOUNTED:
        case G_IO_ERROR_CLOSED:
            return ENOTCONN;
        default:
            return EIO;
    }
}

// A time to the nanosecond where the backend gives one (local disks), else
// to the microsecond (else to the second, as SFTP has it).
FileTime TimeOf(GFileInfo* info, const char* seconds, const char* micro, const char* nano) {
    if (!g_file_info_has_attribute(info, seconds))
        return 0;
    const std::int64_t fraction =
        g_file_info_has_attribute(info, nano)
            ? std::int64_t(g_file_info_get_attribute_uint32(info, nano))
            : std::int64_t(g_file_info_get_attribute_uint32(info, micro)) * 1000;
    return FileTimeFromTimespec(std::int64_t(g_file_info_get_attribute_uint64(info, seconds)),
                                fraction);
}

std::uint32_t TypeBits(GFileInfo* info, std::uint32_t unixMode, bool hasUnixMode) {
    if (g_file_info_get_is_symlink(info))
        return S_IFLNK;
    switch (g_file_info_get_file_type(info)) {
        case G_FILE_TYPE_DIRECTORY:
        case G_FILE_TYPE_MOUNTABLE:
            return S_IFDIR;
        case G_FILE_TYPE_SYMBOLIC_LINK:
            return S_IFLNK;
        case G_FILE_TYPE_SPECIAL:
            // A fifo, socket or device: only the backend's mode tells which.
            if (hasUnixMode && (unixMode & S_IFMT) != 0)
                return unixMode & S_IFMT;
            return S_IFREG;
        default:
            return S_IFREG;
    }
}

class GioEntrySource final : public EntrySource {
public:
    GioEntrySource(GFileEnumerator* enumerator, GCancellable* cancel)
        : m_enumerator(enumerator), m_cancel(cancel) {}
    ~GioEntrySource() override {
        // Closing asks the daemon to drop its side; a dead connection makes
        // it fail at once, which changes nothing for us.
        g_file_enumerator_close(m_enumerator, nullptr, nullptr);
        g_object_unref(m_enumerator);
        g_object_unref(m_cancel);
    }

    bool Next(std::vector<FileSystemItemData>& entries, int count) override {
        if (m_done)
            return false;
        // GVfs's daemon sends the entries in batches of its own; the
        // client's enumerator hands them out one by one from its queue, so
        // asking for one at a time costs no round trip per entry.
        const std::size_t before = entries.size();
        for (int taken = 0; !m_done && (taken < count || entries.size() == before); ++taken) {
            GError* error = nullptr;
            GFileInfo* info = g_file_enumerator_next_file(m_enumerator, m_cancel, &error);
            if (!info) {
                m_done = true;
                if (error) {
                    m_error = ErrnoOf(error);
                    g_error_free(error);
                }
                continue;
            }
            if (std::optional<FileSystemItemData> data = ItemDataOfInfo(info))
                entries.push_back(std::move(*data));
            g_object_unref(info);
        }
        // Entries given before a failure are kept; the failure shows on
        // the next call.
        if (entries.size() > before)
            return true;
        return false;
    }

    int Error() const override { return m_error; }
    void Cancel() override { g_cancellable_cancel(m_cancel); }

private:
    GFileEnumerator* m_enumerator;
    GCancellable* m_cancel;
    bool m_done = false;
    int m_error = 0;
};

}  // namespace

std::optional<FileSystemItemData> ItemDataOfInfo(GFileInfo* info) {
    const char* name = g_file_info_get_name(info);
    if (!name || !*name || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return std::nullopt;
    FileSystemItemData data;
    data.name = QByteArray(name);
    const bool hasUnixMode = g_file_info_has_attribute(info, G_FILE_ATTRIBUTE_UNIX_MODE);
    const std::uint32_t unixMode =
        hasUnixMode ? g_file_info_get_attribute_uint32(info, G_FILE_ATTRIBUTE_UNIX_MODE) : 0;
    const std::uint32_t type = TypeBits(info, unixMode, hasUnixMode);
    std::uint32_t permissions = unixMode & 07777;
    if (!hasUnixMode)
        permissions = type == S_IFDIR ? 0755 : 0644;
    data.mode = type | permissions;
    data.size = type == S_IFDIR ? 0 : std::uint64_t(g_file_info_get_size(info));
    data.times[kTimeModified] =
        TimeOf(info, G_FILE_ATTRIBUTE_TIME_MODIFIED, G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC,
               G_FILE_ATTRIBUTE_TIME_MODIFIED_NSEC);
    data.times[kTimeCreated] =
        TimeOf(info, G_FILE_ATTRIBUTE_TIME_CREATED, G_FILE_ATTRIBUTE_TIME_CREATED_USEC,
               G_FILE_ATTRIBUTE_TIME_CREATED_NSEC);
    data.times[kTimeAccessed] =
        TimeOf(info, G_FILE_ATTRIBUTE_TIME_ACCESS, G_FILE_ATTRIBUTE_TIME_ACCESS_USEC,
               G_FILE_ATTRIBUTE_TIME_ACCESS_NSEC);
    return data;
}

std::unique_ptr<EntrySource> OpenGioEntrySource(const QString& uri, int* error) {
    GFile* file = g_file_new_for_uri(uri.toUtf8().constData());
    GCancellable* cancel = g_cancellable_new();
    GError* failure = nullptr;
    GFileEnumerator* enumerator = g_file_enumerate_children(
        file, kGioEntryAttributes, G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, cancel, &failure);
    g_object_unref(file);
    if (!enumerator) {
        if (error)
            *error = ErrnoOf(failure);
        if (failure)
            g_error_free(failure);
        g_object_unref(cancel);
        return nullptr;
    }
    return std::make_unique<GioEntrySource>(enumerator, cancel);
}

std::optional<QString> GioUriOfBridgePath(const QByteArray& path, const QByteArray& gvfsDir) {
    if (gvfsDir.isEmpty() || !path.startsWith(gvfsDir + '/'))
        return std::nullopt;
    const RemoteMap map =
        RemoteMounts::Started() ? RemoteMounts::Snapshot() : RemoteMap({}, gvfsDir);
    if (map.GvfsDir().isEmpty())
        return RemoteMap({}, gvfsDir).UriOf(path);
    return map.UriOf(path);
}

namespace {

std::atomic<std::thread::id> g_mainThread{};

}  // namespace

std::unique_ptr<EntrySource> OpenBridgeEntrySource(const QByteArray& path) {
    // GVfs's synchronous enumerator waits without end for a daemon that died
    // in the middle of a listing. On a worker that stalls a read the model
    // abandons; on the main thread it would freeze the window, where the
    // bridge answers a dead location's stats with errors at once.
    if (std::this_thread::get_id() == g_mainThread.load())
        return nullptr;
    static const QByteArray gvfsDir = GvfsFolder();
    const std::optional<QString> uri = GioUriOfBridgePath(path, gvfsDir);
    return uri ? OpenGioEntrySource(*uri) : nullptr;
}

void InstallGioEntrySource() {
    g_mainThread = std::this_thread::get_id();
    const char* listing = std::getenv("CORVANE_GVFS_LISTING");
    if (listing && std::strcmp(listing, "fuse") == 0) {
        SetEntrySourceFactory(nullptr);
        return;
    }
    SetEntrySourceFactory(&OpenBridgeEntrySource);
}

#include "platform/archive/ArchiveWriter.h"

#include <archive.h>
#include <archive_entry.h>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace {

constexpr std::size_t kBlock = std::size_t(1) << 20;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

struct Planned {
    QByteArray relative;  // the entry's name in the archive
    QByteArray path;      // where it lies
    struct stat st;
};

QString ErrnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QString Shown(const QByteArray& bytes) {
    return DisplayFromName(NameFromBytes(bytes));
}

QByteArray Joined(const QByteArray& folder, const QByteArray& name) {
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

// Walks the sources: every entry lstat'ed once, folders entered once,
// links never followed. False with `error` set when a source can't be read.
class Walker {
public:
    std::vector<Planned> plan;
    std::uint64_t bytes = 0;
    QString error;

    bool Add(const QByteArray& path, const QByteArray& relative, const std::atomic<bool>& stop) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        Planned entry{relative, path, {}};
        if (::lstat(path.constData(), &entry.st) != 0) {
            error = PackTexts::kCantRead.arg(Shown(path), ErrnoText(errno));
            return false;
        }
        const bool folder = S_ISDIR(entry.st.st_mode);
        if (S_ISREG(entry.st.st_mode))
            bytes += std::uint64_t(entry.st.st_size);
        plan.push_back(entry);
        if (!folder)
            return true;
        if (!m_folders.insert({entry.st.st_dev, entry.st.st_ino}).second)
            return true;  // a bind mount met twice: listed, not walked again
        return AddChildren(path, relative, stop);
    }

private:
    bool AddChildren(const QByteArray& path, const QByteArray& relative,
                     const std::atomic<bool>& stop) {
        // O_NOFOLLOW and a read of this descriptor: a folder swapped for a
        // link after it was stat'ed is refused, not packed through.
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            error = PackTexts::kCantRead.arg(Shown(path), ErrnoText(errno));
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        std::vector<QByteArray> names;
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            names.emplace_back(name);
        }
        const int err = errno;
        ::closedir(dir);
        if (err != 0) {
            error = PackTexts::kCantRead.arg(Shown(path), ErrnoText(err));
            return false;
        }
        // A stable order: the same tree always makes the same archive.
        std::sort(names.begin(), names.end());
        for (const QByteArray& name : names) {
            if (!Add(Joined(path, name), relative + '/' + name, stop))
                return false;
        }
        return true;
    }

    std::set<std::pair<dev_t, ino_t>> m_folders;
};

// Owner and group names, looked up once each.
class NameCache {
public:
    const QByteArray& User(uid_t uid) {
        auto it = m_users.find(uid);
        if (it != m_users.end())
            return it->second;
        QByteArray name;
        struct passwd pw;
        struct passwd* found = nullptr;
        char buffer[4096];
        if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) == 0 && found)
            name = found->pw_name;
        return m_users.emplace(uid, name).first->second;
    }
    const QByteArray& Group(gid_t gid) {
        auto it = m_groups.find(gid);
        if (it != m_groups.end())
            return it->second;
        QByteArray name;
        struct group gr;
        struct group* found = nullptr;
        char buffer[4096];
        if (::getgrgid_r(gid, &gr, buffer, sizeof buffer, &found) == 0 && found)
            name = found->gr_name;
        return m_groups.emplace(gid, name).first->second;
    }

private:
    std::map<uid_t, QByteArray> m_users;
    std::map<gid_t, QByteArray> m_groups;
};

// The data regions of a file with holes: {offset, length}; empty when the
// file has none worth keeping (no holes, or the file system can't say).
std::vector<std::pair<std::int64_t, std::int64_t>> DataRegions(int fd, std::int64_t size) {
    std::vector<std::pair<std::int64_t, std::int64_t>> regions;
    std::int64_t at = 0;
    while (at < size) {
        const off_t data = ::lseek(fd, off_t(at), SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break;  // only a hole is left
            return {};
        }
        off_t hole = ::lseek(fd, data, SEEK_HOLE);
        if (hole < 0)
            return {};
        if (hole > size)
            hole = off_t(size);
        regions.emplace_back(std::int64_t(data), std::int64_t(hole - data));
        at = std::int64_t(hole);
    }
    ::lseek(fd, 0, SEEK_SET);
    if (regions.size() == 1 && regions.front().first == 0 && regions.front().second == size)
        return {};
    // A file that ends in a hole keeps its size with an empty last region.
    if (regions.empty() || regions.back().first + regions.back().second < size)
        regions.emplace_back(size, 0);
    return regions;
}

mode_t CurrentUmask() {
    // umask() itself would set it, racing with other threads.
    FILE* status = std::fopen("/proc/self/status", "re");
    unsigned mask = 022;
    if (status) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        }
        std::fclose(status);
    }
    return mode_t(mask);
}

// The compression of a tar stream on a thread of its own, as `tar -czf`
// leaves it to a gzip process: the packer reads files and makes headers
// while the previous megabyte is compressed. The packer hands over whole
// chunks through a short queue (so memory stays bounded); the compressor
// runs them through a libarchive filter of the "raw" format into the file.
// A thread of its own rather than a WorkerThread job: it is one stage of
// the job that already runs on the worker, and talks to nothing else.
class Compressor {
public:
    static constexpr std::size_t kChunk = std::size_t(1) << 20;
    static constexpr std::size_t kQueued = 4;

    bool Start(ArchiveFormat format, int fd) {
        m_archive = archive_write_new();
        int r = archive_write_set_format_raw(m_archive);
        if (r == ARCHIVE_OK && format == ArchiveFormat::TarGz)
            r = archive_write_add_filter_gzip(m_archive);
        if (r == ARCHIVE_OK && format == ArchiveFormat::TarXz)
            r = archive_write_add_filter_xz(m_archive);
        if (r == ARCHIVE_OK && format == ArchiveFormat::TarZst)
            r = archive_write_add_filter_zstd(m_archive);
        if (r == ARCHIVE_OK)
            r = archive_write_open_fd(m_archive, fd);
        archive_entry* entry = archive_entry_new();
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_pathname(entry, "stream");
        if (r == ARCHIVE_OK)
            r = archive_write_header(m_archive, entry);
        archive_entry_free(entry);
        if (r != ARCHIVE_OK) {
            SetError();
            return false;
        }
        m_thread = std::thread([this] { Run(); });
        return true;
    }

    ~Compressor() { Finish(false); }

    // The packer's side: queues `data`, waiting while the queue is full.
    // False once the compressor has failed.
    bool Write(const char* data, std::size_t length) {
        while (length > 0) {
            const std::size_t n = std::min(length, kChunk - m_pending.size());
            m_pending.insert(m_pending.end(), data, data + n);
            data += n;
            length -= n;
            if (m_pending.size() == kChunk && !Hand(std::move(m_pending)))
                return false;
            if (m_pending.capacity() < kChunk)
                m_pending.reserve(kChunk);
        }
        return !m_failed.load();
    }

    // Ends the stream: with `complete`, what is pending is compressed and
    // the filter closed; otherwise the rest is dropped. True when all that
    // was written is in the file.
    bool Finish(bool complete) {
        if (!m_thread.joinable())
            return !m_failed.load() && complete;
        if (complete && !m_pending.empty())
            Hand(std::move(m_pending));
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ended = true;
            m_abandon = !complete;
        }
        m_changed.notify_all();
        m_thread.join();
        return complete && !m_failed.load();
    }

    QString Error() const { return m_error; }

private:
    bool Hand(std::vector<char> chunk) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < kQueued || m_failed.load(); });
        if (m_failed.load())
            return false;
        m_queue.push_back(std::move(chunk));
        lock.unlock();
        m_changed.notify_all();
        return true;
    }

    void Run() {
        for (;;) {
            std::vector<char> chunk;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_queue.empty() || m_ended; });
                if (m_queue.empty() || m_abandon)
                    break;
                chunk = std::move(m_queue.front());
                m_queue.pop_front();
            }
            m_changed.notify_all();
            const char* data = chunk.data();
            std::size_t left = chunk.size();
            while (left > 0) {
                const la_ssize_t n = archive_write_data(m_archive, data, left);
                if (n <= 0) {
                    Fail();
                    return;
                }
                data += n;
                left -= std::size_t(n);
            }
        }
        if (m_abandon || archive_write_close(m_archive) != ARCHIVE_OK) {
            if (!m_abandon)
                SetError();
            archive_write_fail(m_archive);
            m_failed = true;
        }
        archive_write_free(m_archive);
        m_archive = nullptr;
    }

    void Fail() {
        SetError();
        archive_write_fail(m_archive);
        archive_write_free(m_archive);
        m_archive = nullptr;
        m_failed = true;
        m_changed.notify_all();
    }

    void SetError() {
        const char* text = m_archive ? archive_error_string(m_archive) : nullptr;
        m_error = text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
    }

    struct archive* m_archive = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<char>> m_queue;
    std::vector<char> m_pending;
    bool m_ended = false;
    bool m_abandon = false;
    std::atomic<bool> m_failed{false};
    QString m_error;  // written by the thread before m_failed is set
};

la_ssize_t ToCompressor(struct archive*, void* client, const void* data, size_t length) {
    auto* compressor = static_cast<Compressor*>(client);
    return compressor->Write(static_cast<const char*>(data), length) ? la_ssize_t(length) : -1;
}

class Packer {
public:
    Packer(const PackRequest& request, const std::atomic<bool>& stop,
           const std::function<void(const PackProgress&)>& progress)
        : m_request(request), m_stop(stop), m_report(progress) {}

    PackResult Run();

private:
    bool Open();
    bool WriteEntry(const Planned& entry);
    bool WriteContents(const Planned& entry, int fd,
                       const std::vector<std::pair<std::int64_t, std::int64_t>>& regions);
    bool WriteData(const char* data, std::size_t length);
    bool Stopped() { return m_stop.load(std::memory_order_relaxed); }
    void Report(bool force);
    bool Fail(const QString& text) {
        if (m_result.error.isEmpty())
            m_result.error = text;
        return false;
    }
    bool FailArchive() {
        if (m_compressor && !m_compressor->Error().isEmpty())
            return Fail(PackTexts::kCantWrite.arg(m_compressor->Error()));
        const char* text = archive_error_string(m_archive);
        return Fail(PackTexts::kCantWrite.arg(text ? QString::fromLocal8Bit(text)
                                                   : QStringLiteral("unknown error")));
    }
    void Discard();

    const PackRequest& m_request;
    const std::atomic<bool>& m_stop;
    const std::function<void(const PackProgress&)>& m_report;
    PackResult m_result;
    PackProgress m_progress;
    std::chrono::steady_clock::time_point m_lastReport;
    struct archive* m_archive = nullptr;
    archive_entry* m_entry = nullptr;
    std::unique_ptr<Compressor> m_compressor;  // tar.gz, tar.xz, tar.zst
    UniqueFd m_fd;
    QByteArray m_tempPath;
    NameCache m_names;
    std::map<std::pair<dev_t, ino_t>, QByteArray> m_linked;  // first name of a multi-linked file
    std::vector<char> m_buffer;
    std::vector<char> m_zeros;
};

bool Packer::Open() {
    const qsizetype slash = m_request.archivePath.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? m_request.archivePath.left(slash) : QByteArray("/");
    const QByteArray name = m_request.archivePath.mid(slash + 1);
    if (!m_request.replaceExisting) {
        struct stat st;
        if (::lstat(m_request.archivePath.constData(), &st) == 0)
            return Fail(PackTexts::kExists.arg(Shown(m_request.archivePath)));
    }
    // A hidden name beside the archive: the same file system, so the last
    // rename is atomic, and a file manager shows no half-made archive.
    QByteArray pattern = Joined(folder, "." + name.left(200) + ".part-XXXXXX");
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(PackTexts::kCantWrite.arg(ErrnoText(errno)));
    m_fd = UniqueFd(fd);
    m_tempPath = pattern;

    m_archive = archive_write_new();
    int r = ARCHIVE_OK;
    switch (m_request.format) {
        case ArchiveFormat::Zip:
            r = archive_write_set_format_zip(m_archive);
            break;
        case ArchiveFormat::SevenZip:
            r = archive_write_set_format_7zip(m_archive);
            break;
        case ArchiveFormat::Tar:
        case ArchiveFormat::TarGz:
        case ArchiveFormat::TarXz:
        case ArchiveFormat::TarZst:
            // Plain ustar headers where they suffice, pax extensions where
            // not (long names, large or sparse files, nanoseconds).
            r = archive_write_set_format_pax_restricted(m_archive);
            break;
    }
    if (r != ARCHIVE_OK)
        return FailArchive();
    const bool compressed = IsTarFormat(m_request.format) && m_request.format != ArchiveFormat::Tar;
    if (compressed) {
        m_compressor = std::make_unique<Compressor>();
        if (!m_compressor->Start(m_request.format, m_fd.get()))
            return Fail(PackTexts::kCantWrite.arg(m_compressor->Error()));
        // The compressor pads nothing: the tar stream ends at its last
        // record, as a compressed tar of bsdtar does.
        archive_write_set_bytes_in_last_block(m_archive, 1);
        if (archive_write_open2(m_archive, m_compressor.get(), nullptr, ToCompressor, nullptr,
                                nullptr) != ARCHIVE_OK)
            return FailArchive();
    } else if (archive_write_open_fd(m_archive, m_fd.get()) != ARCHIVE_OK) {
        return FailArchive();
    }
    m_entry = archive_entry_new2(m_archive);
    m_buffer.resize(kBlock);
    return true;
}

void Packer::Report(bool force) {
    if (!m_report)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastReport < kProgressInterval)
        return;
    m_lastReport = now;
    m_report(m_progress);
}

bool Packer::WriteData(const char* data, std::size_t length) {
    while (length > 0) {
        const la_ssize_t written = archive_write_data(m_archive, data, length);
        if (written <= 0)
            return FailArchive();
        data += written;
        length -= std::size_t(written);
    }
    return true;
}

bool Packer::WriteContents(const Planned& entry, int fd,
                           const std::vector<std::pair<std::int64_t, std::int64_t>>& regions) {
    const std::int64_t size = entry.st.st_size;
    // The writer is given every byte in order; those of holes are zeros,
    // which a tar writer with the sparse map stores as nothing.
    std::vector<std::pair<std::int64_t, std::int64_t>> pieces = regions;
    if (pieces.empty())
        pieces.emplace_back(0, size);
    std::int64_t at = 0;
    for (const auto& [offset, length] : pieces) {
        while (at < offset) {
            if (Stopped())
                return false;
            if (m_zeros.empty())
                m_zeros.assign(kBlock, 0);
            const std::size_t n = std::size_t(std::min<std::int64_t>(offset - at, kBlock));
            if (!WriteData(m_zeros.data(), n))
                return false;
            at += std::int64_t(n);
            m_progress.bytesDone += n;
            Report(false);
        }
        while (at < offset + length) {
            if (Stopped())
                return false;
            const std::size_t want =
                std::size_t(std::min<std::int64_t>(offset + length - at, kBlock));
            const ssize_t got = ::pread(fd, m_buffer.data(), want, off_t(at));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return Fail(PackTexts::kCantRead.arg(Shown(entry.path), ErrnoText(errno)));
            }
            if (got == 0)
                return Fail(PackTexts::kChanged.arg(Shown(entry.path)));  // it shrank
            if (!WriteData(m_buffer.data(), std::size_t(got)))
                return false;
            at += got;
            m_progress.bytesDone += std::uint64_t(got);
            Report(false);
        }
    }
    return true;
}

bool Packer::WriteEntry(const Planned& entry) {
    const bool tar = IsTarFormat(m_request.format);
    const mode_t type = entry.st.st_mode & S_IFMT;
    const bool special = type != S_IFREG && type != S_IFDIR && type != S_IFLNK;
    if (special && !tar) {
        m_result.skipped << PackTexts::kSpecialLeftOut.arg(Shown(entry.relative));
        return true;
    }
    archive_entry_clear(m_entry);
    archive_entry_copy_pathname(m_entry, entry.relative.constData());
    archive_entry_copy_stat(m_entry, &entry.st);
    archive_entry_copy_uname(m_entry, m_names.User(entry.st.st_uid).constData());
    archive_entry_copy_gname(m_entry, m_names.Group(entry.st.st_gid).constData());
    if (type != S_IFREG)
        archive_entry_set_size(m_entry, 0);

    UniqueFd file;
    std::vector<std::pair<std::int64_t, std::int64_t>> regions;
    if (type == S_IFLNK) {
        std::vector<char> target(std::size_t(entry.st.st_size > 0 ? entry.st.st_size : 255) + 1);
        const ssize_t n = ::readlink(entry.path.constData(), target.data(), target.size());
        if (n < 0)
            return Fail(PackTexts::kCantRead.arg(Shown(entry.path), ErrnoText(errno)));
        archive_entry_copy_symlink(m_entry, QByteArray(target.data(), qsizetype(n)).constData());
    } else if (type == S_IFREG) {
        if (tar && entry.st.st_nlink > 1) {
            const auto key = std::make_pair(entry.st.st_dev, entry.st.st_ino);
            const auto it = m_linked.find(key);
            if (it != m_linked.end()) {
                archive_entry_copy_hardlink(m_entry, it->second.constData());
                archive_entry_set_size(m_entry, 0);
                if (archive_write_header(m_archive, m_entry) < ARCHIVE_WARN)
                    return FailArchive();
                return true;
            }
            m_linked.emplace(key, entry.relative);
        }
        file = UniqueFd(::open(entry.path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat now;
        if (!file)
            return Fail(PackTexts::kCantRead.arg(Shown(entry.path), ErrnoText(errno)));
        if (::fstat(file.get(), &now) != 0 || now.st_ino != entry.st.st_ino ||
            now.st_dev != entry.st.st_dev)
            return Fail(PackTexts::kChanged.arg(Shown(entry.path)));
        // Holes are worth a map only in tar, and only when the blocks say
        // the file has some.
        if (tar && std::int64_t(entry.st.st_blocks) * 512 < std::int64_t(entry.st.st_size)) {
            regions = DataRegions(file.get(), entry.st.st_size);
            for (const auto& [offset, length] : regions)
                archive_entry_sparse_add_entry(m_entry, offset, length);
        }
    }
    const int r = archive_write_header(m_archive, m_entry);
    if (r < ARCHIVE_WARN)
        return FailArchive();
    if (r == ARCHIVE_WARN && !tar) {
        // zip and 7z warn when a name can't be stored as it is.
        return FailArchive();
    }
    if (type == S_IFREG && !WriteContents(entry, file.get(), regions))
        return false;
    if (archive_write_finish_entry(m_archive) < ARCHIVE_WARN)
        return FailArchive();
    return true;
}

void Packer::Discard() {
    if (m_archive) {
        archive_write_fail(m_archive);
        archive_write_free(m_archive);
        m_archive = nullptr;
    }
    if (m_compressor)
        m_compressor->Finish(false);
    m_fd = UniqueFd();
    if (!m_tempPath.isEmpty())
        ::unlink(m_tempPath.constData());
    m_tempPath.clear();
}

PackResult Packer::Run() {
    Walker walker;
    for (const QByteArray& name : m_request.names) {
        if (!walker.Add(Joined(m_request.baseFolder, name), name, m_stop)) {
            m_result.stopped = Stopped();
            m_result.error = m_result.stopped ? QString() : walker.error;
            return m_result;
        }
    }
    // zip and 7z keep names as Unicode; libarchive would store a name that
    // is no UTF-8 changed (7z) or unreadable (zip in a UTF-8 locale).
    if (!IsTarFormat(m_request.format)) {
        for (const Planned& entry : walker.plan) {
            if (NameHasEscapes(NameFromBytes(entry.relative))) {
                m_result.error = PackTexts::kNotUtf8.arg(Shown(entry.relative));
                return m_result;
            }
        }
    }
    m_progress.itemsTotal = walker.plan.size();
    m_progress.bytesTotal = walker.bytes;
    Report(true);
    if (!Open()) {
        Discard();
        return m_result;
    }
    bool ok = true;
    for (const Planned& entry : walker.plan) {
        if (Stopped()) {
            ok = false;
            break;
        }
        m_progress.current = entry.relative;
        if (!WriteEntry(entry)) {
            ok = false;
            break;
        }
        ++m_progress.itemsDone;
        Report(false);
    }
    if (ok && archive_write_close(m_archive) != ARCHIVE_OK)
        ok = FailArchive();
    if (ok && m_compressor && !m_compressor->Finish(true))
        ok = Fail(PackTexts::kCantWrite.arg(m_compressor->Error()));
    if (ok && m_request.replaceExisting && ::fdatasync(m_fd.get()) != 0)
        ok = Fail(PackTexts::kCantWrite.arg(ErrnoText(errno)));
    if (ok && ::fchmod(m_fd.get(), 0666 & ~CurrentUmask()) != 0)
        ok = Fail(PackTexts::kCantWrite.arg(ErrnoText(errno)));
    if (ok) {
        const int r = m_request.replaceExisting
                          ? ::rename(m_tempPath.constData(), m_request.archivePath.constData())
                          : ::renameat2(AT_FDCWD, m_tempPath.constData(), AT_FDCWD,
                                        m_request.archivePath.constData(), RENAME_NOREPLACE);
        if (r != 0)
            ok = Fail(errno == EEXIST ? PackTexts::kExists.arg(Shown(m_request.archivePath))
                                      : PackTexts::kCantWrite.arg(ErrnoText(errno)));
        else
            m_tempPath.clear();
    }
    if (!ok) {
        m_result.stopped = Stopped() && m_result.error.isEmpty();
        Discard();
        return m_result;
    }
    archive_write_free(m_archive);
    m_archive = nullptr;
    m_fd = UniqueFd();
    m_result.done = true;
    m_result.items = m_progress.itemsDone;
    m_result.bytes = m_progress.bytesDone;
    Report(true);
    return m_result;
}

}  // namespace

QString ArchiveFormatExtension(ArchiveFormat format) {
    switch (format) {
        case ArchiveFormat::Zip:
            return QStringLiteral(".zip");
        case ArchiveFormat::Tar:
            return QStringLiteral(".tar");
        case ArchiveFormat::TarGz:
            return QStringLiteral(".tar.gz");
        case ArchiveFormat::TarXz:
            return QStringLiteral(".tar.xz");
        case ArchiveFormat::TarZst:
            return QStringLiteral(".tar.zst");
        case ArchiveFormat::SevenZip:
            return QStringLiteral(".7z");
    }
    return {};
}

bool IsTarFormat(ArchiveFormat format) {
    return format == ArchiveFormat::Tar || format == ArchiveFormat::TarGz ||
           format == ArchiveFormat::TarXz || format == ArchiveFormat::TarZst;
}

PackResult PackArchive(const PackRequest& request, const std::atomic<bool>& stop,
                       const std::function<void(const PackProgress&)>& progress) {
    Packer packer(request, stop, progress);
    return packer.Run();
}

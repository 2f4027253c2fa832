#include "platform/archive/ArchiveReader.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/fs/UniqueFd.h"

namespace {

// libarchive asks for blocks of this size.
constexpr std::size_t kReadBlock = 64 * 1024;

std::atomic<int> g_indexPasses{0};
std::atomic<int> g_streamOpens{0};
std::atomic<int> g_directOpens{0};

ArchiveIdentity IdentityOf(const struct stat& st) {
    ArchiveIdentity id;
    id.device = std::uint64_t(st.st_dev);
    id.inode = std::uint64_t(st.st_ino);
    id.size = std::int64_t(st.st_size);
    id.mtimeSeconds = st.st_mtim.tv_sec;
    id.mtimeNanoseconds = st.st_mtim.tv_nsec;
    id.ctimeSeconds = st.st_ctim.tv_sec;
    id.ctimeNanoseconds = st.st_ctim.tv_nsec;
    return id;
}

// The file callbacks: our own descriptor, so the file read is the one whose
// identity was taken.
struct Source {
    int fd = -1;
    char buffer[kReadBlock];
};

la_ssize_t ReadCallback(struct archive* a, void* data, const void** out) {
    Source* source = static_cast<Source*>(data);
    for (;;) {
        const ssize_t n = ::read(source->fd, source->buffer, sizeof source->buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            archive_set_error(a, errno, "%s", std::strerror(errno));
            return -1;
        }
        *out = source->buffer;
        return n;
    }
}

la_int64_t SkipCallback(struct archive*, void* data, la_int64_t request) {
    Source* source = static_cast<Source*>(data);
    const off_t before = ::lseek(source->fd, 0, SEEK_CUR);
    if (before < 0)
        return 0;  // libarchive reads through instead
    const off_t after = ::lseek(source->fd, off_t(request), SEEK_CUR);
    return after < 0 ? 0 : la_int64_t(after - before);
}

la_int64_t SeekCallback(struct archive*, void* data, la_int64_t offset, int whence) {
    Source* source = static_cast<Source*>(data);
    const off_t at = ::lseek(source->fd, off_t(offset), whence);
    return at < 0 ? ARCHIVE_FATAL : la_int64_t(at);
}

int CloseCallback(struct archive*, void*) {
    return ARCHIVE_OK;
}

// The formats and filters Corvane browses. Each enabled filter is built into
// libarchive on this system (checked: one that would need an external
// program answers ARCHIVE_WARN, and is then simply not relied upon).
void EnableFormats(struct archive* a) {
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
    archive_read_support_filter_lzma(a);
    archive_read_support_filter_zstd(a);
    archive_read_support_filter_lz4(a);
    archive_read_support_filter_lzip(a);
    archive_read_support_filter_compress(a);
    archive_read_support_filter_rpm(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_gnutar(a);
    archive_read_support_format_zip(a);
    archive_read_support_format_7zip(a);
    archive_read_support_format_iso9660(a);
    archive_read_support_format_cpio(a);
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_ar(a);
    archive_read_support_format_cab(a);
    archive_read_support_format_lha(a);
    // Not xar: this system's libarchive (3.6) can read a damaged xar file
    // forever inside one archive_read_data call, which no cancel reaches.
}

}  // namespace

std::optional<ArchiveIdentity> ArchiveIdentity::Of(const QByteArray& path) {
    struct stat st;
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return IdentityOf(st);
}

std::optional<ArchiveIdentity> ArchiveIdentity::OfOpen(int fd) {
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return IdentityOf(st);
}

ArchiveLimits& CurrentArchiveLimits() {
    static ArchiveLimits limits;
    return limits;
}

ArchiveReadCounts ArchiveReadCounters() {
    return {g_indexPasses.load(), g_streamOpens.load(), g_directOpens.load()};
}

QString ArchiveErrorText(struct archive* a, const QString& fallback) {
    const char* text = a ? archive_error_string(a) : nullptr;
    if (!text || !*text)
        return fallback;
    return QString::fromLocal8Bit(text);
}

std::unique_ptr<ArchiveReader> ArchiveReader::Open(const QByteArray& path, Purpose purpose,
                                                   QString* error) {
    return OpenWith(path, purpose, std::nullopt, error);
}

std::unique_ptr<ArchiveReader> ArchiveReader::OpenZipAt(const QByteArray& path,
                                                        std::uint64_t offset, QString* error) {
    return OpenWith(path, Purpose::Stream, offset, error);
}

std::unique_ptr<ArchiveReader> ArchiveReader::OpenWith(const QByteArray& path, Purpose purpose,
                                                       std::optional<std::uint64_t> zipOffset,
                                                       QString* error) {
    auto fail = [&](const QString& text) -> std::unique_ptr<ArchiveReader> {
        if (error)
            *error = text;
        return nullptr;
    };
    // Non-blocking, so that a FIFO under the name can't hang the open; the
    // check below refuses it anyway.
    UniqueFd file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const int fd = file.get();
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(QStringLiteral("Not a regular file"));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    std::unique_ptr<ArchiveReader> reader(new ArchiveReader);
    reader->m_fd = std::move(file);
    reader->m_identity = IdentityOf(st);
    reader->m_archive = archive_read_new();
    if (!reader->m_archive)
        return fail(QStringLiteral("Out of memory"));
    (purpose == Purpose::Index ? g_indexPasses : g_streamOpens).fetch_add(1);
    if (zipOffset)
        g_directOpens.fetch_add(1);

    struct archive* a = reader->m_archive;
    if (zipOffset) {
        // From one local header on, read as a stream: no seeking, so the
        // reader does not go looking for the central directory.
        if (std::int64_t(*zipOffset) >= std::int64_t(st.st_size) ||
            ::lseek(fd, off_t(*zipOffset), SEEK_SET) < 0)
            return fail(QStringLiteral("The archive has changed since it was read"));
        archive_read_support_format_zip_streamable(a);
    } else {
        EnableFormats(a);
    }
    auto source = new Source;
    source->fd = fd;
    archive_read_set_callback_data(a, source);
    archive_read_set_read_callback(a, ReadCallback);
    archive_read_set_skip_callback(a, SkipCallback);
    if (!zipOffset)
        archive_read_set_seek_callback(a, SeekCallback);
    archive_read_set_close_callback(a, CloseCallback);
    // The source lives as long as the handle; freed in the destructor.
    reader->m_source = source;
    if (archive_read_open1(a) != ARCHIVE_OK) {
        return fail(ArchiveErrorText(a, QStringLiteral("Not an archive that can be read")));
    }
    return reader;
}

ArchiveReader::~ArchiveReader() {
    if (m_archive)
        archive_read_free(m_archive);
    delete static_cast<Source*>(m_source);
}

bool ArchiveReader::IsCompressed() const {
    return m_archive && archive_filter_count(m_archive) > 1;
}

void ArchiveReader::SetErrorFromArchive(const QString& fallback) {
    m_error = ArchiveErrorText(m_archive, fallback);
}

bool ArchiveReader::WithinBudget() {
    const ArchiveLimits& limits = CurrentArchiveLimits();
    const la_int64_t decompressed = archive_filter_bytes(m_archive, 0);
    const la_int64_t consumed = archive_filter_bytes(m_archive, -1);
    const std::uint64_t produced =
        std::max<std::uint64_t>(m_produced, decompressed > 0 ? std::uint64_t(decompressed) : 0);
    const std::uint64_t allowed =
        (consumed > 0 ? std::uint64_t(consumed) : 0) * limits.expansionRatio +
        limits.expansionSlack;
    if (produced <= allowed)
        return true;
    m_error = QStringLiteral(
        "The archive expands far beyond its own size and was not read further (it may be an "
        "archive bomb)");
    return false;
}

ArchiveReader::Next ArchiveReader::NextHeader(archive_entry*& entry) {
    if (m_dataPending && SkipData(false) < 0)
        return Next::Error;
    const int r = archive_read_next_header(m_archive, &entry);
    if (r == ARCHIVE_EOF)
        return Next::End;
    // A warning (a name that did not convert, say) still gives the entry.
    if (r < ARCHIVE_WARN) {
        SetErrorFromArchive(QStringLiteral("The archive is damaged"));
        return Next::Error;
    }
    m_dataPending = true;
    return Next::Entry;
}

std::int64_t ArchiveReader::SkipData(bool measure) {
    m_dataPending = false;
    if (!measure && !IsCompressed()) {
        // Seeks or skips the stored bytes without decompressing them.
        if (archive_read_data_skip(m_archive) < ARCHIVE_WARN) {
            SetErrorFromArchive(QStringLiteral("The archive is damaged"));
            return -1;
        }
        return 0;
    }
    std::int64_t total = 0;
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(m_archive, &block, &size, &offset);
        if (r == ARCHIVE_EOF)
            return total;
        if (r < ARCHIVE_WARN) {
            SetErrorFromArchive(QStringLiteral("The archive is damaged"));
            return -1;
        }
        total += std::int64_t(size);
        m_produced += size;
        if (!WithinBudget())
            return -1;
    }
}

std::int64_t ArchiveReader::ReadData(char* data, std::int64_t length) {
    m_dataPending = false;
    const la_ssize_t n = archive_read_data(m_archive, data, size_t(length));
    if (n < 0) {
        SetErrorFromArchive(QStringLiteral("The archive entry is damaged"));
        return -1;
    }
    m_produced += std::uint64_t(n);
    return n;
}

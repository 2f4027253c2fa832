#pragma once
// ArchiveReader: one pass over an archive file with libarchive, as the
// archive index and the entry streams make it.
//
// What is read, and how:
// - the file is opened by Corvane itself (O_NOFOLLOW is not wanted: a path
//   may pass through linked folders, but the file must be a regular file,
//   checked on the open descriptor), so a FIFO or device planted under an
//   archive's name never blocks or feeds the reader;
// - only archive formats that describe their entries are enabled (tar, zip,
//   7z, ISO 9660, cpio, RAR, ar, cab, LHA), with the compression
//   filters built into libarchive; never the "raw" or "mtree" formats (mtree
//   reads the files its lines name) and never an external program;
// - the file's identity (device, inode, size, times) is taken from the open
//   descriptor, so callers can tell whether what they indexed is still what
//   they read.
//
// Skipping an entry's data goes through SkipData(), which refuses to go on
// once the bytes produced exceed the expansion budget (far more than the
// compressed bytes consumed could honestly give): an archive bomb stops
// there instead of decompressing without end.
//
// Not thread-safe; one reader per thread at a time.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/fs/UniqueFd.h"

struct archive;
struct archive_entry;

/// What identifies the archive file's contents: the same path with a
/// different identity is another archive.
struct ArchiveIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;
    std::int64_t ctimeSeconds = 0;
    std::int64_t ctimeNanoseconds = 0;
    bool operator==(const ArchiveIdentity&) const = default;

    /// The identity of the regular file at `path` (one stat, links
    /// followed); nullopt when there is none.
    static std::optional<ArchiveIdentity> Of(const QByteArray& path);
    /// The identity of the regular file open at `fd`; nullopt for others.
    static std::optional<ArchiveIdentity> OfOpen(int fd);
};

/// Limits that keep memory and time bounded on hostile archives.
struct ArchiveLimits {
    /// Entries indexed; the rest is left out (and said so).
    std::size_t maxEntries = 1'000'000;
    /// Bytes of all names kept (components and link targets).
    std::size_t maxNameBytes = std::size_t(64) << 20;
    /// Bytes of one entry's path; longer entries are left out.
    int maxPathBytes = 4096;
    /// Bytes of one path component; entries with a longer one are left out.
    int maxComponentBytes = 1024;
    /// The bytes produced may exceed the compressed bytes consumed this
    /// many times, plus `expansionSlack`; beyond that the reading stops.
    std::uint64_t expansionRatio = 1000;
    std::uint64_t expansionSlack = std::uint64_t(64) << 20;
};

/// The limits in force (tests lower them).
ArchiveLimits& CurrentArchiveLimits();

/// How often archives were opened, for tests and benchmarks: `indexPasses`
/// counts the passes that built an index, `streamOpens` the opens of entry
/// contents, `directOpens` those of them made at the entry's own header
/// (OpenZipAt).
struct ArchiveReadCounts {
    int indexPasses = 0;
    int streamOpens = 0;
    int directOpens = 0;
};
ArchiveReadCounts ArchiveReadCounters();

class ArchiveReader {
public:
    enum class Purpose { Index, Stream };

    /// Opens the archive at `path` for reading its headers in order. nullptr
    /// with `error` set when the file can't be opened, is not a regular
    /// file, or libarchive recognises no archive in it. Counts the open in
    /// ArchiveReadCounters() by `purpose`.
    static std::unique_ptr<ArchiveReader> Open(const QByteArray& path, Purpose purpose,
                                               QString* error);
    /// Opens the zip at `path` for reading from the local header at
    /// `offset` on (ZipDirectory), as a stream of zip entries only: the
    /// first header met is the entry there. Counted as a stream open.
    static std::unique_ptr<ArchiveReader> OpenZipAt(const QByteArray& path, std::uint64_t offset,
                                                    QString* error);
    /// The descriptor the reader reads (for ZipDirectory::Read).
    int Descriptor() const { return m_fd.get(); }
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    enum class Next { Entry, End, Error };
    /// The next header in `entry` (owned by the reader, valid until the next
    /// call). The previous entry's unread data is skipped within the budget.
    Next NextHeader(archive_entry*& entry);

    /// Skips the current entry's data, counting the bytes it holds when
    /// `measure` is set (the entry gave no size). Gives the byte count
    /// (0 without `measure` when the format could skip cheaply), or -1 on a
    /// read error or an exhausted budget (Error() says which).
    std::int64_t SkipData(bool measure);

    /// Reads up to `length` bytes of the current entry's data: the count,
    /// 0 at its end, -1 on an error (Error() says what).
    std::int64_t ReadData(char* data, std::int64_t length);

    /// The last error, in words for the user.
    const QString& Error() const { return m_error; }
    /// The identity of the file as it was opened.
    const ArchiveIdentity& Identity() const { return m_identity; }
    /// True when the archive's data passes through a compression filter
    /// (skipping then costs decompression).
    bool IsCompressed() const;

private:
    ArchiveReader() = default;
    static std::unique_ptr<ArchiveReader> OpenWith(const QByteArray& path, Purpose purpose,
                                                   std::optional<std::uint64_t> zipOffset,
                                                   QString* error);
    bool WithinBudget();
    void SetErrorFromArchive(const QString& fallback);

    archive* m_archive = nullptr;
    void* m_source = nullptr;  // the file callbacks' state
    UniqueFd m_fd;             // closed after the handle that reads it
    ArchiveIdentity m_identity;
    QString m_error;
    std::uint64_t m_produced = 0;  // data bytes read or measured so far
    bool m_dataPending = false;    // the current entry's data is not consumed yet
};

/// The text of a libarchive error for the user (its message, or `fallback`).
QString ArchiveErrorText(archive* a, const QString& fallback);

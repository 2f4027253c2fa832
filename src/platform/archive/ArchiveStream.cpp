#include "platform/archive/ArchiveStream.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>

#include <deque>
#include <mutex>

#include "platform/archive/ZipDirectory.h"
#include "platform/fs/UniqueFd.h"

namespace {

// The central directories of the zips whose entries were opened lately, so
// that the second entry of an archive costs no second read of it. A null
// directory says the file is no plain zip.
struct KeptDirectory {
    QByteArray path;
    ArchiveIdentity identity;
    std::shared_ptr<const ZipDirectory> directory;
};
constexpr std::size_t kKeptDirectories = 4;
std::mutex g_keptLock;
std::deque<KeptDirectory> g_kept;

std::shared_ptr<const ZipDirectory> KeptZipDirectory(const ArchiveIndex& index) {
    {
        const std::lock_guard lock(g_keptLock);
        for (const KeptDirectory& kept : g_kept) {
            if (kept.path == index.Path() && kept.identity == index.Identity())
                return kept.directory;
        }
    }
    const UniqueFd fd(
        ::open(index.Path().constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    const std::optional<ArchiveIdentity> identity = ArchiveIdentity::OfOpen(fd.get());
    // Another file under the name: the reading in order says so.
    if (!identity || !(*identity == index.Identity()))
        return nullptr;
    std::shared_ptr<const ZipDirectory> directory = ZipDirectory::Read(fd.get(), identity->size);
    const std::lock_guard lock(g_keptLock);
    g_kept.push_front({index.Path(), *identity, directory});
    if (g_kept.size() > kKeptDirectories)
        g_kept.pop_back();
    return directory;
}

// True when the header met is that of the entry at `path` in the index.
bool NamesEntry(archive_entry* entry, const QByteArray& path) {
    const char* raw = archive_entry_pathname(entry);
    if (!raw)
        raw = archive_entry_pathname_utf8(entry);
    return raw && ArchivePathParts(QByteArray(raw)).join('/') == path;
}

}  // namespace

ArchiveStream::ArchiveStream(std::shared_ptr<const ArchiveIndex> index, int node)
    : m_index(std::move(index)), m_node(node) {
    if (m_index && node > 0 && node < m_index->Count())
        m_size = m_index->At(node).size;
}

ArchiveStream::~ArchiveStream() = default;

bool ArchiveStream::Fail(QString text) {
    // `text` may be the reader's own error: taken by value before the reader goes.
    m_failed = true;
    setErrorString(text);
    m_reader.reset();
    return false;
}

bool ArchiveStream::open(OpenMode mode) {
    if (isOpen() || (mode & ~(ReadOnly | Unbuffered)) != 0 || !(mode & ReadOnly))
        return false;
    m_failed = false;
    m_delivered = 0;
    if (!m_index || m_node <= 0 || m_node >= m_index->Count())
        return Fail(QStringLiteral("No such entry in the archive"));
    const ArchiveIndex::Node& node = m_index->At(m_node);
    if (node.kind != ArchiveIndex::Kind::File || node.ordinal < 0)
        return Fail(QStringLiteral("This archive entry has no contents of its own"));

    if (!OpenAtOwnHeader() && !OpenByPassingHeaders(node.ordinal))
        return false;

    setOpenMode(mode | Unbuffered);
    if (m_size == 0 && !VerifyEnd()) {
        setOpenMode(NotOpen);
        return false;
    }
    return true;
}

bool ArchiveStream::OpenAtOwnHeader() {
    const std::shared_ptr<const ZipDirectory> directory = KeptZipDirectory(*m_index);
    if (!directory)
        return false;
    const QByteArray path = m_index->PathOf(m_node);
    const std::optional<std::uint64_t> offset = directory->LocalHeaderOf(path);
    if (!offset)
        return false;
    // Whatever does not hold here is left to the reading in order, which
    // tells a changed or damaged archive from an entry this way can't reach.
    QString error;
    std::unique_ptr<ArchiveReader> reader =
        ArchiveReader::OpenZipAt(m_index->Path(), *offset, &error);
    if (!reader || !(reader->Identity() == m_index->Identity()))
        return false;
    archive_entry* entry = nullptr;
    if (reader->NextHeader(entry) != ArchiveReader::Next::Entry || !NamesEntry(entry, path))
        return false;
    if (archive_entry_size_is_set(entry) && std::uint64_t(archive_entry_size(entry)) != m_size)
        return false;
    m_reader = std::move(reader);
    return true;
}

bool ArchiveStream::OpenByPassingHeaders(int ordinal) {
    QString error;
    m_reader = ArchiveReader::Open(m_index->Path(), ArchiveReader::Purpose::Stream, &error);
    if (!m_reader)
        return Fail(error);
    if (!(m_reader->Identity() == m_index->Identity()))
        return Fail(QStringLiteral("The archive has changed since it was read"));

    // The headers before the entry; their data is skipped, not read.
    archive_entry* entry = nullptr;
    for (int passed = 0; passed <= ordinal; ++passed) {
        switch (m_reader->NextHeader(entry)) {
            case ArchiveReader::Next::Entry:
                break;
            case ArchiveReader::Next::End:
                return Fail(QStringLiteral("The archive has changed since it was read"));
            case ArchiveReader::Next::Error:
                return Fail(m_reader->Error());
        }
    }
    if (!NamesEntry(entry, m_index->PathOf(m_node)))
        return Fail(QStringLiteral("The archive has changed since it was read"));
    return true;
}

void ArchiveStream::close() {
    m_reader.reset();
    QIODevice::close();
}

bool ArchiveStream::atEnd() const {
    return m_failed || m_delivered >= m_size;
}

qint64 ArchiveStream::bytesAvailable() const {
    return m_failed ? 0 : qint64(m_size - m_delivered) + QIODevice::bytesAvailable();
}

bool ArchiveStream::VerifyEnd() {
    // One byte more than the header said must not be there.
    char probe;
    const std::int64_t extra = m_reader->ReadData(&probe, 1);
    if (extra < 0)
        return Fail(m_reader->Error());
    if (extra > 0)
        return Fail(QStringLiteral("The archive entry holds more data than its header says"));
    m_reader.reset();  // done: the archive need not stay open
    return true;
}

qint64 ArchiveStream::readData(char* data, qint64 maxSize) {
    if (m_failed)
        return -1;
    if (m_delivered >= m_size || maxSize <= 0)
        return 0;
    const qint64 want =
        qint64(std::min<std::uint64_t>(std::uint64_t(maxSize), m_size - m_delivered));
    qint64 got = 0;
    // libarchive may give less than asked; fill what was asked, so that the
    // end check happens with the block that completes the entry.
    while (got < want) {
        const std::int64_t n = m_reader->ReadData(data + got, want - got);
        if (n < 0) {
            Fail(m_reader->Error());
            return -1;
        }
        if (n == 0) {
            Fail(
                QStringLiteral("The archive entry ends before its stated size (the archive is "
                               "damaged or truncated)"));
            return -1;
        }
        got += n;
    }
    m_delivered += std::uint64_t(got);
    if (m_delivered == m_size && !VerifyEnd())
        return -1;
    return got;
}

#include "platform/archive/ArchiveIndex.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstring>
#include <list>
#include <mutex>

namespace {

// How many indexes stay alive after their folders are gone, and how many
// entries they may hold together.
constexpr std::size_t kKeptIndexes = 4;
constexpr std::size_t kKeptEntries = 2'000'000;

thread_local QString t_lastError;

std::uint64_t HashBytes(std::uint64_t seed, const char* data, int length) {
    // FNV-1a over the parent number and the name.
    std::uint64_t h = 1469598103934665603ULL ^ seed;
    for (int i = 0; i < length; ++i) {
        h ^= std::uint8_t(data[i]);
        h *= 1099511628211ULL;
    }
    return h;
}

FileTime TimeOf(bool set, time_t seconds, long nanoseconds) {
    return set ? FileTimeFromTimespec(std::int64_t(seconds), std::int64_t(nanoseconds)) : 0;
}

// The kind of an entry by its header.
ArchiveIndex::Kind KindOf(archive_entry* entry, const QByteArray& rawPath) {
    if (archive_entry_hardlink(entry))
        return ArchiveIndex::Kind::Link;
    switch (archive_entry_filetype(entry)) {
        case AE_IFDIR:
            return ArchiveIndex::Kind::Directory;
        case AE_IFLNK:
            return ArchiveIndex::Kind::Link;
        case AE_IFREG:
            return rawPath.endsWith('/') ? ArchiveIndex::Kind::Directory : ArchiveIndex::Kind::File;
        case 0:
            // Formats without types (some zips): a trailing "/" means a folder.
            return rawPath.endsWith('/') ? ArchiveIndex::Kind::Directory : ArchiveIndex::Kind::File;
        default:
            return ArchiveIndex::Kind::Special;
    }
}

struct Kept {
    QByteArray path;
    std::shared_ptr<const ArchiveIndex> index;
};

std::mutex g_keptMutex;
std::list<Kept> g_kept;  // most recently used first

}  // namespace

std::shared_ptr<const ArchiveIndex> ArchiveIndex::Build(const QByteArray& path, QString* error) {
    std::unique_ptr<ArchiveReader> reader =
        ArchiveReader::Open(path, ArchiveReader::Purpose::Index, error);
    if (!reader)
        return nullptr;
    std::shared_ptr<ArchiveIndex> index(new ArchiveIndex);
    index->m_path = path;
    index->m_identity = reader->Identity();
    index->m_nodes.emplace_back();  // the root
    index->m_slots.assign(1024, -1);
    if (!index->Read(*reader) && index->Count() == 1) {
        // Nothing at all could be read: not an archive that can be browsed.
        if (error)
            *error = index->m_problem;
        return nullptr;
    }
    return index;
}

bool ArchiveIndex::Read(ArchiveReader& reader) {
    const ArchiveLimits& limits = CurrentArchiveLimits();
    int ordinal = 0;
    for (;; ++ordinal) {
        archive_entry* entry = nullptr;
        const ArchiveReader::Next next = reader.NextHeader(entry);
        if (next == ArchiveReader::Next::End)
            break;
        if (next == ArchiveReader::Next::Error) {
            m_problem = reader.Error();
            return false;
        }
        if (m_nodes.size() >= limits.maxEntries) {
            m_problem = QStringLiteral(
                            "The archive holds too many entries; only the first %1 are "
                            "listed")
                            .arg(limits.maxEntries);
            return false;
        }
        if (!Place(entry, ordinal, reader)) {
            if (m_problem.isEmpty())
                m_problem = reader.Error();
            return false;
        }
    }
    if (m_dropped > 0 && m_problem.isEmpty()) {
        m_problem = QStringLiteral(
                        "%1 entries of the archive could not be listed (unsafe or "
                        "overlong names, or names used twice)")
                        .arg(m_dropped);
    }
    return true;
}

bool ArchiveIndex::Place(archive_entry* entry, int ordinal, ArchiveReader& reader) {
    const ArchiveLimits& limits = CurrentArchiveLimits();
    const char* raw = archive_entry_pathname(entry);
    if (!raw)
        raw = archive_entry_pathname_utf8(entry);
    const QByteArray rawPath(raw ? raw : "");
    const Kind kind = KindOf(entry, rawPath);

    // A header without a size gets its data counted now; the others leave
    // their data to be skipped cheaply.
    std::uint64_t size = 0;
    if (kind == Kind::File) {
        if (archive_entry_size_is_set(entry)) {
            const la_int64_t declared = archive_entry_size(entry);
            size = declared > 0 ? std::uint64_t(declared) : 0;
        } else {
            const std::int64_t counted = reader.SkipData(true);
            if (counted < 0)
                return false;
            size = std::uint64_t(counted);
        }
    }

    if (rawPath.isEmpty() || rawPath.size() > limits.maxPathBytes) {
        ++m_dropped;
        return true;
    }
    const QList<QByteArray> parts = ArchivePathParts(rawPath);
    for (const QByteArray& part : parts) {
        if (part.size() > limits.maxComponentBytes) {
            ++m_dropped;
            return true;
        }
    }
    if (parts.isEmpty()) {
        // "./" or "/": the root itself; nothing to list.
        return true;
    }

    // The parents: found, or made; never through something else than a
    // directory.
    int parent = kRoot;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QByteArray& part = parts[i];
        int child = Find(parent, part.constData(), int(part.size()));
        if (child >= 0 && m_nodes[std::size_t(child)].kind != Kind::Directory) {
            ++m_dropped;
            return true;
        }
        if (child < 0) {
            if (m_nodes.size() >= limits.maxEntries) {
                ++m_dropped;
                return true;
            }
            child = AddNode(parent, part.constData(), int(part.size()), Kind::Directory);
            if (child < 0) {
                ++m_dropped;
                return true;
            }
        }
        parent = child;
    }

    const QByteArray& last = parts.last();
    int node = Find(parent, last.constData(), int(last.size()));
    if (node >= 0) {
        const Kind existing = m_nodes[std::size_t(node)].kind;
        if ((existing == Kind::Directory) != (kind == Kind::Directory)) {
            ++m_dropped;
            return true;
        }
    } else {
        node = AddNode(parent, last.constData(), int(last.size()), kind);
        if (node < 0) {
            ++m_dropped;
            return true;
        }
    }

    Node& n = m_nodes[std::size_t(node)];
    n.kind = kind;
    n.ordinal = ordinal;
    n.size = size;
    n.hardLink = kind == Kind::Link && archive_entry_hardlink(entry) != nullptr;
    n.mode = std::uint16_t(archive_entry_perm(entry) & 07777);
    n.times[kTimeModified] = TimeOf(archive_entry_mtime_is_set(entry), archive_entry_mtime(entry),
                                    archive_entry_mtime_nsec(entry));
    n.times[kTimeCreated] =
        TimeOf(archive_entry_birthtime_is_set(entry), archive_entry_birthtime(entry),
               archive_entry_birthtime_nsec(entry));
    n.times[kTimeAccessed] = TimeOf(archive_entry_atime_is_set(entry), archive_entry_atime(entry),
                                    archive_entry_atime_nsec(entry));
    if (kind == Kind::Link) {
        const char* target = archive_entry_symlink(entry);
        if (!target)
            target = archive_entry_hardlink(entry);
        const int length = target ? int(std::min<std::size_t>(std::strlen(target), 4096)) : 0;
        std::uint32_t offset = 0;
        if (length > 0 && StoreBytes(target, length, offset)) {
            m_nodes[std::size_t(node)].linkOffset = offset;
            m_nodes[std::size_t(node)].linkLength = std::uint16_t(length);
        }
    }
    return true;
}

bool ArchiveIndex::StoreBytes(const char* data, int length, std::uint32_t& offset) {
    if (m_names.size() + std::size_t(length) > CurrentArchiveLimits().maxNameBytes)
        return false;
    offset = std::uint32_t(m_names.size());
    m_names.insert(m_names.end(), data, data + length);
    return true;
}

int ArchiveIndex::AddNode(int parent, const char* name, int length, Kind kind) {
    std::uint32_t offset = 0;
    if (!StoreBytes(name, length, offset))
        return -1;
    const int number = int(m_nodes.size());
    Node& n = m_nodes.emplace_back();
    n.parent = parent;
    n.kind = kind;
    n.nameOffset = offset;
    n.nameLength = std::uint16_t(length);
    Node& p = m_nodes[std::size_t(parent)];
    if (p.lastChild >= 0)
        m_nodes[std::size_t(p.lastChild)].nextSibling = number;
    else
        p.firstChild = number;
    p.lastChild = number;
    if (kind == Kind::Directory)
        p.hasSubfolders = true;
    Insert(number);
    return number;
}

std::uint64_t ArchiveIndex::HashOf(int parent, const char* name, int length) const {
    return HashBytes(std::uint64_t(parent) * 0x9E3779B97F4A7C15ULL, name, length);
}

int ArchiveIndex::Find(int parent, const char* name, int length) const {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = HashOf(parent, name, length) & mask;; i = (i + 1) & mask) {
        const std::int32_t node = m_slots[i];
        if (node < 0)
            return -1;
        const Node& n = m_nodes[std::size_t(node)];
        if (n.parent == parent && n.nameLength == length &&
            std::memcmp(m_names.data() + n.nameOffset, name, std::size_t(length)) == 0) {
            return node;
        }
    }
}

void ArchiveIndex::Insert(int node) {
    if ((m_nodes.size() - 1) * 2 >= m_slots.size())
        Grow();
    const Node& n = m_nodes[std::size_t(node)];
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = HashOf(n.parent, m_names.data() + n.nameOffset, n.nameLength) & mask;
    while (m_slots[i] >= 0) i = (i + 1) & mask;
    m_slots[i] = node;
}

void ArchiveIndex::Grow() {
    std::vector<std::int32_t> slots(m_slots.size() * 2, -1);
    const std::size_t mask = slots.size() - 1;
    for (std::int32_t node : m_slots) {
        if (node < 0)
            continue;
        const Node& n = m_nodes[std::size_t(node)];
        std::size_t i = HashOf(n.parent, m_names.data() + n.nameOffset, n.nameLength) & mask;
        while (slots[i] >= 0) i = (i + 1) & mask;
        slots[i] = node;
    }
    m_slots = std::move(slots);
}

QByteArray ArchiveIndex::NameOf(int node) const {
    const Node& n = At(node);
    return QByteArray(m_names.data() + n.nameOffset, n.nameLength);
}

QByteArray ArchiveIndex::LinkTargetOf(int node) const {
    const Node& n = At(node);
    return QByteArray(m_names.data() + n.linkOffset, n.linkLength);
}

QByteArray ArchiveIndex::PathOf(int node) const {
    QList<QByteArray> parts;
    for (int at = node; at > kRoot; at = At(at).parent) parts.prepend(NameOf(at));
    return parts.join('/');
}

int ArchiveIndex::Child(int parent, const QByteArray& name) const {
    if (parent < 0 || parent >= Count() || name.isEmpty() || name.size() > 0xFFFF)
        return -1;
    return Find(parent, name.constData(), int(name.size()));
}

QList<QByteArray> ArchivePathParts(const QByteArray& raw) {
    QList<QByteArray> parts;
    for (const QByteArray& part : raw.split('/')) {
        if (part.isEmpty() || part == "." || part == "..")
            continue;
        parts << part;
    }
    return parts;
}

std::shared_ptr<const ArchiveIndex> AcquireArchiveIndex(const QByteArray& path, QString* error) {
    t_lastError.clear();  // a reason always belongs to the latest attempt
    const std::optional<ArchiveIdentity> now = ArchiveIdentity::Of(path);
    if (!now) {
        t_lastError = QStringLiteral("The archive is gone or is not a file");
        if (error)
            *error = t_lastError;
        return nullptr;
    }
    {
        std::lock_guard lock(g_keptMutex);
        for (auto it = g_kept.begin(); it != g_kept.end(); ++it) {
            if (it->path != path)
                continue;
            if (it->index->Identity() == *now) {
                g_kept.splice(g_kept.begin(), g_kept, it);
                return g_kept.front().index;
            }
            g_kept.erase(it);  // changed since: read it again
            break;
        }
    }
    QString why;
    std::shared_ptr<const ArchiveIndex> index = ArchiveIndex::Build(path, &why);
    if (!index) {
        t_lastError = why;
        if (error)
            *error = why;
        return nullptr;
    }
    std::lock_guard lock(g_keptMutex);
    g_kept.push_front({path, index});
    std::size_t entries = 0;
    std::size_t kept = 0;
    for (auto it = g_kept.begin(); it != g_kept.end();) {
        entries += std::size_t(it->index->Count());
        ++kept;
        if (kept > 1 && (kept > kKeptIndexes || entries > kKeptEntries))
            it = g_kept.erase(it);
        else
            ++it;
    }
    return index;
}

void ForgetArchiveIndexes() {
    std::lock_guard lock(g_keptMutex);
    g_kept.clear();
}

QString LastArchiveError() {
    return t_lastError;
}

bool IsArchiveName(const QByteArray& name) {
    static const char* const kSuffixes[] = {
        ".zip", ".jar",    ".war",   ".ear",    ".tar",     ".tar.gz",  ".tgz",  ".tar.bz2",
        ".tbz", ".tbz2",   ".tb2",   ".tar.xz", ".txz",     ".tar.zst", ".tzst", ".tar.lzma",
        ".tlz", ".tar.lz", ".tar.z", ".taz",    ".tar.lz4", ".7z",      ".iso",  ".cpio",
        ".rar", ".ar",     ".deb",   ".rpm",    ".cab",     ".lha",     ".lzh",
    };
    if (name.size() < 3)
        return false;
    const QByteArray lower = name.toLower();
    for (const char* suffix : kSuffixes) {
        const std::size_t n = std::strlen(suffix);
        if (std::size_t(lower.size()) > n && lower.endsWith(suffix))
            return true;
    }
    return false;
}

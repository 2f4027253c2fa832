#pragma once
// ArchiveIndex: the tree of an archive's entries, read in one pass over its
// headers (no entry's data is decompressed unless the format can't skip it
// otherwise), and shared by every folder of that archive.
//
// The tree:
// - node 0 is the archive's root; every other node is a directory, a file, a
//   link (symbolic or hard; listed, never followed) or a special file
//   (device, FIFO, socket: listed, no contents);
// - names are bytes, as the archive spells them (libarchive's form in the
//   current locale, else its UTF-8 form);
// - a path is normalised before it is placed: empty and "." components go,
//   ".." components are dropped (not resolved), a leading "/" is ignored.
//   So "../../etc/passwd" lists as "etc/passwd" inside the archive, and no
//   name ever leads outside it;
// - parents that the archive names only implicitly ("a/b/c.txt" without
//   "a/" and "a/b/") are made as directories with unknown times;
// - an entry that would pass through a link, a file or a special file
//   ("link/x" after a link "link") is left out, as is a non-directory
//   entry over a directory of the same name; a later entry of the same path
//   replaces an earlier one (as tar appends updates);
// - an entry's size is the one its header gives; a header without a size
//   has its data counted during the pass;
// - at most ArchiveLimits::maxEntries nodes and maxNameBytes of names are
//   kept, and paths or components over the limits are left out; whatever is
//   left out, and a read error part way, make the index incomplete, and
//   Problem() says why in words for the user.
//
// Cost: one pass over the headers; memory about 64 bytes per entry plus its
// name's bytes; child look-up by name in constant time (one hash table for
// the whole tree).
//
// The indexes of recently opened archives are kept by AcquireArchiveIndex(),
// so binding, naming and enumerating the folders of one archive, which bind
// it several times over, read it once. An index is immutable once built and
// may be shared between threads.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/archive/ArchiveReader.h"
#include "platform/namespace/ShellTypes.h"

class ArchiveIndex {
public:
    enum class Kind : std::uint8_t { Directory = 0, File = 1, Link = 2, Special = 3 };

    struct Node {
        std::int32_t parent = -1;
        std::int32_t firstChild = -1;  // in archive order
        std::int32_t lastChild = -1;
        std::int32_t nextSibling = -1;
        std::int32_t ordinal = -1;  // which header (0 = first) gave it; -1 for implied parents
        std::uint32_t nameOffset = 0;
        std::uint32_t linkOffset = 0;
        std::uint16_t nameLength = 0;
        std::uint16_t linkLength = 0;
        Kind kind = Kind::Directory;
        bool hasSubfolders = false;
        bool hardLink = false;   // a link to another entry, not a symbolic one
        std::uint16_t mode = 0;  // permission bits the header gives; 0 unknown
        std::uint64_t size = 0;
        std::array<FileTime, 3> times{};  // modified, created, accessed; 0 unknown
    };

    static constexpr int kRoot = 0;

    /// Reads the archive at `path` (raw bytes) once. nullptr, with `error`
    /// set, when it can't be opened or is no archive libarchive reads; a
    /// damaged archive that gave some entries is an incomplete index.
    static std::shared_ptr<const ArchiveIndex> Build(const QByteArray& path, QString* error);

    const QByteArray& Path() const { return m_path; }
    const ArchiveIdentity& Identity() const { return m_identity; }

    int Count() const { return int(m_nodes.size()); }
    const Node& At(int node) const { return m_nodes[std::size_t(node)]; }
    /// The node's own name (empty for the root).
    QByteArray NameOf(int node) const;
    /// A link's target as the archive gives it (empty for others).
    QByteArray LinkTargetOf(int node) const;
    /// The node's path inside the archive ("a/b/c.txt"; empty for the root).
    QByteArray PathOf(int node) const;
    /// The child of `parent` named `name`, or -1.
    int Child(int parent, const QByteArray& name) const;
    bool IsDirectory(int node) const { return At(node).kind == Kind::Directory; }

    /// False when entries were left out or the pass stopped at an error.
    bool Complete() const { return m_problem.isEmpty(); }
    /// Why the index is incomplete; empty when it is complete.
    const QString& Problem() const { return m_problem; }
    /// How many entries were left out.
    int Dropped() const { return m_dropped; }

private:
    ArchiveIndex() = default;
    bool Read(ArchiveReader& reader);
    bool Place(struct archive_entry* entry, int ordinal, ArchiveReader& reader);
    int AddNode(int parent, const char* name, int length, Kind kind);
    std::uint64_t HashOf(int parent, const char* name, int length) const;
    int Find(int parent, const char* name, int length) const;
    void Insert(int node);
    void Grow();
    bool StoreBytes(const char* data, int length, std::uint32_t& offset);

    QByteArray m_path;
    ArchiveIdentity m_identity;
    std::vector<Node> m_nodes;
    std::vector<char> m_names;          // all names and link targets
    std::vector<std::int32_t> m_slots;  // open-addressing table of node numbers, -1 empty
    QString m_problem;
    int m_dropped = 0;
};

/// The index of the archive at `path`: the one kept from an earlier read
/// when the file is still the same (one stat), else a new read. nullptr,
/// with `error` set, when the archive can't be read. Keeps the few most
/// recently used indexes alive.
std::shared_ptr<const ArchiveIndex> AcquireArchiveIndex(const QByteArray& path, QString* error);

/// Drops the kept indexes (tests, and memory pressure).
void ForgetArchiveIndexes();

/// The reason the last AcquireArchiveIndex() of this thread failed (empty
/// when it succeeded), for a caller that only learnt that a folder could
/// not be bound.
QString LastArchiveError();

/// The components of an entry's path as the index places it: empty and
/// "." components and ".." go, so nothing leads outside the archive.
QList<QByteArray> ArchivePathParts(const QByteArray& raw);

/// True for names that Corvane opens as archives: by their extension, any
/// case (".zip", ".jar", ".tar", ".tar.gz", ".tgz", ".7z", ".iso", ...).
bool IsArchiveName(const QByteArray& name);

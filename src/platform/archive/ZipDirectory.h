#pragma once
// ZipDirectory: where each entry of a zip file begins, from the file's
// central directory, so that the contents of one entry can be opened
// without passing every header before it (ArchiveStream).
//
// Only what the reading of one entry from its own local header can serve is
// offered: an entry that is encrypted, or stored uncompressed with its sizes
// given only after its data, or whose path the directory names more than
// once, has no offset here, and its reader passes the headers in order
// instead. Nothing read here is trusted beyond finding the header: the
// stream still checks that the header met there names the entry, and that
// its data has the size the index knows and a valid checksum.
//
// Read() accepts only a plain zip: the file begins with a local header (no
// data before the archive, so the offsets are the directory's own), one
// disk, and a directory that lies inside the file and parses whole. Bounded:
// the directory is read once, at most 256 MiB of it.
//
// Cost: one read of the directory, a hash of each entry's path and a sort
// of the hashes (a few milliseconds for 100,000 entries); a look-up is a
// binary search. Immutable once made,
// shared between threads.

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class ZipDirectory {
public:
    /// The directory of the zip open at `fd` (its size `fileSize`); null
    /// when the file is not a plain zip (see above) or its directory is
    /// damaged.
    static std::shared_ptr<const ZipDirectory> Read(int fd, std::int64_t fileSize);

    /// The offset of the local header of the one entry whose path, made as
    /// the index makes its paths (ArchivePathParts joined by "/"), is `path`;
    /// nullopt when none or several have it, or the entry can't be read from
    /// its local header alone.
    std::optional<std::uint64_t> LocalHeaderOf(const QByteArray& path) const;

    /// How many entries the directory lists.
    int Entries() const { return m_entries; }

private:
    ZipDirectory() = default;

    static constexpr std::uint64_t kUnusable = ~std::uint64_t(0);
    // (hash of the path, offset) sorted; kUnusable: not to be opened
    // directly. A look-up by hash may meet another path of that hash: the
    // stream's check of the name met at the offset catches it.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_offsets;
    int m_entries = 0;
};

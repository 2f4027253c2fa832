#include "platform/archive/ZipDirectory.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEndRecord = 0x06054b50;
constexpr std::uint32_t kZip64EndRecord = 0x06064b50;
constexpr std::uint32_t kZip64Locator = 0x07064b50;
constexpr std::uint16_t kZip64Extra = 0x0001;

constexpr std::int64_t kEndRecordSize = 22;
constexpr std::int64_t kMaxComment = 0xFFFF;
constexpr std::int64_t kCentralHeaderSize = 46;
constexpr std::int64_t kZip64EndRecordSize = 56;
constexpr std::int64_t kZip64LocatorSize = 20;
constexpr std::uint64_t kMaxDirectory = std::uint64_t(256) << 20;

constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kSizesAfterData = 0x0008;
constexpr std::uint16_t kStrongEncryption = 0x0040;
constexpr std::uint16_t kDeflated = 8;

std::uint16_t U16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t U32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint64_t U64(const unsigned char* p) {
    return std::uint64_t(U32(p)) | (std::uint64_t(U32(p + 4)) << 32);
}

bool ReadAt(int fd, std::int64_t offset, void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, off_t(offset + std::int64_t(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

struct DirectoryPlace {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
};

// The central directory's place, from the end record (and the zip64 one when
// the end record says its fields overflowed). Nullopt for a split archive,
// data before the archive or a directory outside the file.
std::optional<DirectoryPlace> FindDirectory(int fd, std::int64_t fileSize) {
    if (fileSize < kEndRecordSize)
        return std::nullopt;
    const std::int64_t tailSize = std::min(fileSize, kEndRecordSize + kMaxComment);
    const std::int64_t tailStart = fileSize - tailSize;
    std::vector<unsigned char> tail(static_cast<std::size_t>(tailSize));
    if (!ReadAt(fd, tailStart, tail.data(), tail.size()))
        return std::nullopt;
    // The last end record whose comment reaches exactly to the end.
    std::int64_t at = -1;
    for (std::int64_t i = tailSize - kEndRecordSize; i >= 0; --i) {
        const unsigned char* p = tail.data() + i;
        if (U32(p) == kEndRecord && i + kEndRecordSize + U16(p + 20) == tailSize) {
            at = i;
            break;
        }
    }
    if (at < 0)
        return std::nullopt;
    const unsigned char* end = tail.data() + at;
    const std::int64_t endOffset = tailStart + at;
    if (U16(end + 4) != 0 || U16(end + 6) != 0 || U16(end + 8) != U16(end + 10))
        return std::nullopt;
    DirectoryPlace place{U32(end + 16), U32(end + 12), U16(end + 10)};
    std::int64_t directoryEnd = endOffset;
    if (U16(end + 10) == 0xFFFF || U32(end + 12) == 0xFFFFFFFFu || U32(end + 16) == 0xFFFFFFFFu) {
        if (endOffset < kZip64LocatorSize)
            return std::nullopt;
        unsigned char locator[kZip64LocatorSize];
        if (!ReadAt(fd, endOffset - kZip64LocatorSize, locator, sizeof locator) ||
            U32(locator) != kZip64Locator || U32(locator + 16) > 1)
            return std::nullopt;
        const std::uint64_t recordOffset = U64(locator + 8);
        unsigned char record[kZip64EndRecordSize];
        if (recordOffset + kZip64EndRecordSize > std::uint64_t(endOffset - kZip64LocatorSize) ||
            !ReadAt(fd, std::int64_t(recordOffset), record, sizeof record) ||
            U32(record) != kZip64EndRecord || U32(record + 16) != 0 || U32(record + 20) != 0)
            return std::nullopt;
        place = {U64(record + 48), U64(record + 40), U64(record + 32)};
        directoryEnd = std::int64_t(recordOffset);
    }
    // The directory ends where the end records begin: anything else means
    // data before the archive (offsets shifted) or a damaged file.
    if (place.size > kMaxDirectory || place.offset > std::uint64_t(directoryEnd) ||
        place.offset + place.size != std::uint64_t(directoryEnd))
        return std::nullopt;
    return place;
}

// A hash of the path as the index makes it (ArchivePathParts joined by
// "/"), made from the raw name without building that path: 100,000 names
// pass here at once. Read as the C string libarchive gives, so up to a NUL.
// A path already made so hashes to the same value.
std::uint64_t PathHash(const char* name, std::size_t length) {
    length = ::strnlen(name, length);
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
    auto add = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    };
    bool any = false;
    for (std::size_t start = 0; start <= length;) {
        std::size_t end = start;
        while (end < length && name[end] != '/') ++end;
        const char* part = name + start;
        const std::size_t n = end - start;
        const bool dots =
            (n == 1 && part[0] == '.') || (n == 2 && part[0] == '.' && part[1] == '.');
        if (n > 0 && !dots) {
            if (any)
                add('/');
            for (std::size_t i = 0; i < n; ++i) add(static_cast<unsigned char>(part[i]));
            any = true;
        }
        start = end + 1;
    }
    return hash;
}

}  // namespace

std::shared_ptr<const ZipDirectory> ZipDirectory::Read(int fd, std::int64_t fileSize) {
    unsigned char start[4];
    if (fd < 0 || fileSize < 4 || !ReadAt(fd, 0, start, sizeof start) || U32(start) != kLocalHeader)
        return nullptr;
    const std::optional<DirectoryPlace> place = FindDirectory(fd, fileSize);
    if (!place || place->entries > place->size / kCentralHeaderSize)
        return nullptr;
    std::vector<unsigned char> bytes(std::size_t(place->size));
    if (!ReadAt(fd, std::int64_t(place->offset), bytes.data(), bytes.size()))
        return nullptr;

    std::shared_ptr<ZipDirectory> directory(new ZipDirectory);
    directory->m_offsets.reserve(std::size_t(place->entries));
    const unsigned char* p = bytes.data();
    const unsigned char* const end = p + bytes.size();
    for (std::uint64_t i = 0; i < place->entries; ++i) {
        if (end - p < kCentralHeaderSize || U32(p) != kCentralHeader)
            return nullptr;
        const std::uint16_t flags = U16(p + 8);
        const std::uint16_t method = U16(p + 10);
        const std::uint32_t compressed = U32(p + 20);
        const std::uint32_t uncompressed = U32(p + 24);
        const std::size_t nameLength = U16(p + 28);
        const std::size_t extraLength = U16(p + 30);
        const std::size_t commentLength = U16(p + 32);
        const std::uint16_t disk = U16(p + 34);
        std::uint64_t offset = U32(p + 42);
        if (std::size_t(end - p) < kCentralHeaderSize + nameLength + extraLength + commentLength)
            return nullptr;
        const unsigned char* name = p + kCentralHeaderSize;
        const unsigned char* extra = name + nameLength;
        // The zip64 field holds, in this order, only the values that
        // overflowed their 32-bit places.
        for (const unsigned char* e = extra; e + 4 <= extra + extraLength;) {
            const std::uint16_t id = U16(e);
            const std::size_t size = U16(e + 2);
            if (e + 4 + size > extra + extraLength)
                break;
            if (id == kZip64Extra) {
                const unsigned char* field = e + 4;
                const unsigned char* fieldEnd = field + size;
                for (std::uint32_t value : {uncompressed, compressed}) {
                    if (value == 0xFFFFFFFFu)
                        field += 8;
                }
                if (U32(p + 42) == 0xFFFFFFFFu) {
                    if (field + 8 > fieldEnd)
                        return nullptr;
                    offset = U64(field);
                }
            }
            e += 4 + size;
        }
        const bool direct = disk == 0 && !(flags & (kEncrypted | kStrongEncryption)) &&
                            (!(flags & kSizesAfterData) || method == kDeflated) &&
                            offset < place->offset;
        directory->m_offsets.emplace_back(PathHash(reinterpret_cast<const char*>(name), nameLength),
                                          direct ? offset : kUnusable);
        ++directory->m_entries;
        p += kCentralHeaderSize + nameLength + extraLength + commentLength;
    }
    // A path named twice (or two paths of one hash): which of them the index
    // shows is the reader's business, so none of them is opened directly.
    std::vector<std::pair<std::uint64_t, std::uint64_t>>& offsets = directory->m_offsets;
    std::sort(offsets.begin(), offsets.end());
    for (std::size_t i = 1; i < offsets.size(); ++i) {
        if (offsets[i].first == offsets[i - 1].first)
            offsets[i].second = offsets[i - 1].second = kUnusable;
    }
    return directory;
}

std::optional<std::uint64_t> ZipDirectory::LocalHeaderOf(const QByteArray& path) const {
    const std::uint64_t hash = PathHash(path.constData(), std::size_t(path.size()));
    const auto it = std::lower_bound(m_offsets.begin(), m_offsets.end(),
                                     std::pair<std::uint64_t, std::uint64_t>(hash, 0));
    if (it == m_offsets.end() || it->first != hash || it->second == kUnusable)
        return std::nullopt;
    return it->second;
}

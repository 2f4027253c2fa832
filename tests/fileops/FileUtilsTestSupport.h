#pragma once
// What the tests of the file utilities share: files with patterned bytes
// (so that a chunk out of place or a byte lost shows), sparse files, and
// the identity of a file on disk.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <cstdint>
#include <optional>

#include "platform/fs/UniqueFd.h"

// `size` bytes in which no 251-byte stretch repeats at a power-of-two step.
inline QByteArray PatternBytes(qsizetype size, int seed = 0) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) bytes[i] = char((i + seed) % 251);
    return bytes;
}

inline bool WriteFile(const QByteArray& path, const QByteArray& bytes) {
    UniqueFd fd(::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    return fd && WriteAll(fd.get(), bytes) && fd.Close() == 0;
}

inline QByteArray ReadFile(const QByteArray& path) {
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    QByteArray bytes;
    if (!fd)
        return bytes;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd.get(), buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
    return bytes;
}

// A sparse file of `length` bytes holding `data` at `offset` and nothing
// else.
inline bool MakeSparse(const QByteArray& path, std::uint64_t length, std::uint64_t offset,
                       const QByteArray& data) {
    UniqueFd fd(::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    return fd && ::ftruncate(fd.get(), off_t(length)) == 0 &&
           ::pwrite(fd.get(), data.constData(), size_t(data.size()), off_t(offset)) ==
               data.size() &&
           fd.Close() == 0;
}

inline QByteArray ReadAt(const QByteArray& path, std::uint64_t offset, qsizetype size) {
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    QByteArray bytes(size, '\0');
    if (!fd || ::pread(fd.get(), bytes.data(), size_t(size), off_t(offset)) != size)
        return QByteArray();
    return bytes;
}

inline std::optional<struct stat> LStat(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return std::nullopt;
    return info;
}

inline std::uint64_t SizeOf(const QByteArray& path) {
    const auto info = LStat(path);
    return info ? std::uint64_t(info->st_size) : 0;
}

inline bool SameInode(const QByteArray& a, const QByteArray& b) {
    const auto x = LStat(a);
    const auto y = LStat(b);
    return x && y && x->st_dev == y->st_dev && x->st_ino == y->st_ino;
}

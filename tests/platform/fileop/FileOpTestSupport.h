#pragma once
// What the file-operation tests share: trees described as maps, a second
// file system, and an I/O layer that fails on cue.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/fileop/FileOperation.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"

inline bool WriteBytes(const QByteArray& path, const QByteArray& bytes, mode_t mode = 0644) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

inline QByteArray ReadBytes(const QByteArray& path) {
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return "<missing>";
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, got);
    ::close(fd);
    return bytes;
}

inline bool Exists(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

inline struct stat Lstat(const QByteArray& path) {
    struct stat st {};
    ::lstat(path.constData(), &st);
    return st;
}

/// A tree as seen by a user: relative path -> kind, mode and contents (file),
/// target (link). Times and inode numbers are checked separately.
std::map<QByteArray, QByteArray> Describe(const QByteArray& root);

/// The names in a folder that look like the engine's temporary files.
std::vector<QByteArray> Leftovers(const QByteArray& root);

/// A folder on another file system (tmpfs at /dev/shm), removed at the end.
class OtherFsDir {
public:
    OtherFsDir() : m_dir(QStringLiteral("/dev/shm/corvane-fileop-XXXXXX")) {}
    ~OtherFsDir();
    bool IsValid() const { return m_dir.isValid(); }
    QByteArray Path() const { return m_dir.path().toUtf8(); }

private:
    QTemporaryDir m_dir;
};

/// Passes every call through, except that data writes (copy_file_range and
/// write) fail with `error` once `budget` bytes went through, and hooks may
/// watch or refuse calls.
class FaultIo : public FileOpIo {
public:
    std::int64_t budget = -1;  // < 0: no limit
    int error = ENOSPC;
    int failuresLeft = 1 << 30;                 // how many writes fail once the budget is used
    std::function<void(std::uint64_t)> onData;  // after each piece of data, with the total
    std::function<std::optional<TrashResult>(const QByteArray&)> trash;
    bool removable = false;
    int syncfsCalls = 0;
    std::uint64_t written = 0;

    ssize_t Write(int fd, const void* buffer, size_t size) override;
    ssize_t CopyFileRange(int fdIn, off_t* offIn, int fdOut, off_t* offOut, size_t size) override;
    int Syncfs(int fd) override;
    TrashResult Trash(const QByteArray& path, QString* message) override;
    bool IsRemovable(const QByteArray&) override { return removable; }

private:
    bool Fail(size_t* size);
};

/// Runs one request with the I/O layer given (or the real one).
FileOpResult RunOp(const FileOpRequest& request, FileOpIo* io = nullptr,
                   std::function<void(FileOperation&)> setUp = {});

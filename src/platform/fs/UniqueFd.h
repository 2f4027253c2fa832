#pragma once
// Owners of a file descriptor and of an open directory stream: each closes
// what it holds when it goes, so no path out of a function leaks one, and
// none is closed twice. Move-only.
//
// A descriptor written to should still be closed with Close() where the
// result matters: close(2) can report a write error the writes did not
// (on NFS, say), and the destructor has nowhere to report it.

#include <dirent.h>
#include <unistd.h>

#include <QByteArray>
#include <cerrno>
#include <utility>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }

    /// Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }
    /// Closes the descriptor held (errno is kept as it was) and holds `fd`.
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
        }
        m_fd = fd;
    }
    /// Closes now and reports close(2)'s result (0, or -1 with errno); the
    /// descriptor is gone either way. 0 when none was held.
    int Close() {
        const int fd = release();
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int m_fd = -1;
};

class UniqueDir {
public:
    UniqueDir() = default;
    explicit UniqueDir(DIR* dir) : m_dir(dir) {}
    ~UniqueDir() { reset(); }
    UniqueDir(UniqueDir&& other) noexcept : m_dir(std::exchange(other.m_dir, nullptr)) {}
    UniqueDir& operator=(UniqueDir&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.m_dir, nullptr));
        return *this;
    }
    UniqueDir(const UniqueDir&) = delete;
    UniqueDir& operator=(const UniqueDir&) = delete;

    /// Opens the folder at `path` for reading, without following a final
    /// symbolic link when `noFollow`; an empty owner with errno set when it
    /// cannot be opened. The descriptor under the stream is `fd()`.
    static UniqueDir OpenFolder(const QByteArray& path, bool noFollow = true);

    DIR* get() const { return m_dir; }
    explicit operator bool() const { return m_dir != nullptr; }
    /// The stream's descriptor (for openat and fstatat below it); -1 when none.
    int fd() const { return m_dir ? ::dirfd(m_dir) : -1; }

    void reset(DIR* dir = nullptr) {
        if (m_dir) {
            const int saved = errno;
            ::closedir(m_dir);
            errno = saved;
        }
        m_dir = dir;
    }

private:
    DIR* m_dir = nullptr;
};

/// Writes all of `size` bytes, going on after short writes and EINTR. False
/// at the first failure (errno tells why).
bool WriteAll(int fd, const char* data, std::size_t size);
inline bool WriteAll(int fd, const QByteArray& bytes) {
    return WriteAll(fd, bytes.constData(), std::size_t(bytes.size()));
}

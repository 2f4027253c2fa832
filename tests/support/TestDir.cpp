#include "TestDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstdlib>

namespace {

bool MakeParents(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    if (slash <= 0)
        return true;
    const QByteArray parent = path.left(slash);
    struct stat st;
    if (::lstat(parent.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (!MakeParents(parent))
        return false;
    return ::mkdir(parent.constData(), 0755) == 0;
}

}  // namespace

TestDir::TestDir() = default;

TestDir::TestDir(const QString& templatePath) : m_dir(templatePath) {}

TestDir::~TestDir() {
    // Unreadable folders made by a test would stop QTemporaryDir's removal.
    // QTemporaryDir's own removal can't name entries that are not valid
    // UTF-8, so the tree is removed by bytes first.
    const QByteArray cmd = "chmod -R u+rwx '" + PathBytes() + "' 2>/dev/null; rm -rf -- '" +
                           PathBytes() + "' 2>/dev/null";
    if (std::system(cmd.constData()) != 0) {
    }
}

QByteArray TestDir::Join(const QByteArray& relative) const {
    return relative.isEmpty() ? PathBytes() : PathBytes() + '/' + relative;
}

bool TestDir::MakeFile(const QByteArray& relative, const QByteArray& contents,
                       std::optional<std::int64_t> mtime) {
    const QByteArray path = Join(relative);
    if (!MakeParents(path))
        return false;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.constData() + done, size_t(contents.size() - done));
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += n;
    }
    ::close(fd);
    if (mtime) {
        struct timespec times[2] = {{*mtime, 0}, {*mtime, 0}};
        if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
    }
    return true;
}

bool TestDir::MakeFolder(const QByteArray& relative) {
    const QByteArray path = Join(relative);
    return MakeParents(path) && (::mkdir(path.constData(), 0755) == 0 || errno == EEXIST);
}

bool TestDir::MakeSymlink(const QByteArray& relative, const QByteArray& target) {
    const QByteArray path = Join(relative);
    return MakeParents(path) && ::symlink(target.constData(), path.constData()) == 0;
}

bool TestDir::SetMode(const QByteArray& relative, unsigned mode) {
    return ::chmod(Join(relative).constData(), mode) == 0;
}

bool TestDir::Exists(const QByteArray& relative) const {
    struct stat st;
    return ::lstat(Join(relative).constData(), &st) == 0;
}

QByteArray TestDir::Read(const QByteArray& relative) const {
    QByteArray out;
    const int fd = ::open(Join(relative).constData(), O_RDONLY);
    if (fd < 0)
        return out;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, n);
    ::close(fd);
    return out;
}

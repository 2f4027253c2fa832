#include "FileOpTestSupport.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>

namespace {

void DescribeInto(const QByteArray& root, const QByteArray& relative,
                  std::map<QByteArray, QByteArray>* tree) {
    const QByteArray path = relative.isEmpty() ? root : root + '/' + relative;
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray full = root + '/' + rel;
        struct stat st {};
        ::lstat(full.constData(), &st);
        const QByteArray mode = QByteArray::number(st.st_mode & 07777, 8);
        if (S_ISDIR(st.st_mode)) {
            (*tree)[rel] = "dir " + mode;
            DescribeInto(root, rel, tree);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t length = ::readlink(full.constData(), target, sizeof target);
            (*tree)[rel] = "link " + QByteArray(target, std::max<ssize_t>(length, 0));
        } else if (S_ISREG(st.st_mode)) {
            (*tree)[rel] = "file " + mode + ' ' + ReadBytes(full);
        } else {
            (*tree)[rel] = "special " + QByteArray::number(st.st_mode, 8);
        }
    }
    ::closedir(dir);
}

}  // namespace

std::map<QByteArray, QByteArray> Describe(const QByteArray& root) {
    std::map<QByteArray, QByteArray> tree;
    DescribeInto(root, {}, &tree);
    return tree;
}

std::vector<QByteArray> Leftovers(const QByteArray& root) {
    std::vector<QByteArray> found;
    for (const auto& [path, what] : Describe(root)) {
        if (path.contains(".corvane-") || path.endsWith(".part"))
            found.push_back(path);
    }
    return found;
}

OtherFsDir::~OtherFsDir() {
    const QByteArray cmd =
        "chmod -R u+rwx '" + Path() + "' 2>/dev/null; rm -rf -- '" + Path() + "'";
    if (std::system(cmd.constData()) != 0) {
    }
}

bool FaultIo::Fail(size_t* size) {
    if (budget < 0 || failuresLeft <= 0)
        return false;
    const std::uint64_t left =
        written >= std::uint64_t(budget) ? 0 : std::uint64_t(budget) - written;
    if (left == 0) {
        --failuresLeft;
        errno = error;
        return true;
    }
    *size = std::min<std::uint64_t>(*size, left);
    return false;
}

ssize_t FaultIo::Write(int fd, const void* buffer, size_t size) {
    if (Fail(&size))
        return -1;
    const ssize_t result = FileOpIo::Write(fd, buffer, size);
    if (result > 0) {
        written += std::uint64_t(result);
        if (onData)
            onData(written);
    }
    return result;
}

ssize_t FaultIo::CopyFileRange(int fdIn, off_t* offIn, int fdOut, off_t* offOut, size_t size) {
    if (Fail(&size))
        return -1;
    const ssize_t result = FileOpIo::CopyFileRange(fdIn, offIn, fdOut, offOut, size);
    if (result > 0) {
        written += std::uint64_t(result);
        if (onData)
            onData(written);
    }
    return result;
}

int FaultIo::Syncfs(int fd) {
    ++syncfsCalls;
    return FileOpIo::Syncfs(fd);
}

TrashResult FaultIo::Trash(const QByteArray& path, QString* message) {
    if (trash) {
        if (const std::optional<TrashResult> result = trash(path))
            return *result;
    }
    return FileOpIo::Trash(path, message);
}

FileOpResult RunOp(const FileOpRequest& request, FileOpIo* io,
                   std::function<void(FileOperation&)> setUp) {
    FileOperation operation(request);
    operation.SetIo(io);
    if (setUp)
        setUp(operation);
    return operation.Run();
}

#include "tools/ContentCompare.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/fs/UniqueFd.h"
#include "tools/FullRead.h"

namespace {

UniqueFd OpenRegular(const QByteArray& path) {
    // Non-blocking so that a FIFO can't hang the comparison in open().
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (fd && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)))
        fd.reset();
    if (fd)
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

}  // namespace

ContentResult CompareFileContents(const QByteArray& first, const QByteArray& second,
                                  std::uint64_t listedSize, ContentBuffers& buffers,
                                  const std::function<bool()>& pollEscape) {
    const UniqueFd a = OpenRegular(first);
    const UniqueFd b = OpenRegular(second);
    if (!a || !b)
        return ContentResult::kOpenError;
    std::uint64_t remaining = listedSize;
    while (remaining > 0) {
        const qint64 want = qint64(std::min<std::uint64_t>(kCompareBlockSize, remaining));
        const qint64 gotA = ReadFull(a.get(), buffers.first.get(), want);
        const qint64 gotB = ReadFull(b.get(), buffers.second.get(), want);
        if (gotA < 0 || gotB < 0)
            return ContentResult::kReadError;
        // The first file's count decides how much is compared; a file that
        // ended early has shrunk since it was listed.
        if (gotA != want || gotB != want)
            return ContentResult::kDiffer;
        if (std::memcmp(buffers.first.get(), buffers.second.get(), size_t(gotA)) != 0)
            return ContentResult::kDiffer;
        remaining -= std::uint64_t(gotA);
        if (remaining > 0 && pollEscape && pollEscape())
            return ContentResult::kAborted;
    }
    // A byte past the listed size means a file grew since it was listed.
    char extra = 0;
    if (ReadFull(a.get(), &extra, 1) != 0 || ReadFull(b.get(), &extra, 1) != 0)
        return ContentResult::kDiffer;
    return ContentResult::kEqual;
}

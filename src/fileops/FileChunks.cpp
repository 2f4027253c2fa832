#include "fileops/FileChunks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fileops/MultiAnswerDialog.h"
#include "platform/fs/UniqueFd.h"
#include "shell/ProgressStepper.h"

namespace {

constexpr mode_t kNewFileMode = 0666;  // the umask takes off what the user wants off

bool Stop(const CopyHooks& hooks) {
    return hooks.stop && hooks.stop();
}

void Step(const CopyHooks& hooks) {
    if (hooks.step)
        hooks.step();
}

// Reads up to `size` bytes; fewer only at the end of the file. -1 on an
// error.
ssize_t ReadFull(int fd, char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return ssize_t(done);
}

bool IsZeros(const char* data, std::size_t size) {
    static const char zeros[kCopyBlock] = {};
    return std::memcmp(data, zeros, size) == 0;
}

// Writes a block to the output, or moves past it when it holds only zeros
// (a hole reads back as zeros). The output's length is set by FinishOutput.
bool PutBlock(int fd, const char* data, std::size_t size) {
    if (IsZeros(data, size))
        return ::lseek(fd, off_t(size), SEEK_CUR) >= 0;
    return WriteAll(fd, data, size);
}

// A trailing hole is no data written: the length must be set for it.
bool FinishOutput(UniqueFd& fd, std::uint64_t length) {
    if (::ftruncate(fd.get(), off_t(length)) != 0)
        return false;
    return fd.Close() == 0;
}

// The output's position: what was written, and the holes skipped.
std::uint64_t WrittenSoFar(int fd) {
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    return end > 0 ? std::uint64_t(end) : 0;
}

// Opens a source for sequential reading, refusing anything but a regular
// file (a FIFO would block, a device is not a file the user picked as one).
UniqueFd OpenSource(const QByteArray& path, struct stat& info) {
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return UniqueFd();
    // Reads of a regular file never block; the flag only kept open() from
    // waiting on a FIFO.
    ::fcntl(fd.get(), F_SETFL, 0);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

// Replaces whatever non-folder has the name by a new empty file. The old
// name goes first, so a symbolic link or a hard link of another file left
// under it is never written through.
UniqueFd CreateReplacing(const QByteArray& path, bool exists) {
    if (exists && ::unlink(path.constData()) != 0 && errno != ENOENT)
        return UniqueFd();
    return UniqueFd(
        ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, kNewFileMode));
}

// Copies `length` bytes from `in` to `out` in blocks, asking `hooks` before
// each. kShort when the source ends early. The holes of a sparse source
// are skipped over in the output without being read: where the data lies
// is asked once per stretch of data or hole, so a dense file costs a few
// look-ups in all.
enum class CopyOutcome { kDone, kFailed, kShort };

CopyOutcome CopyBlocks(int in, int out, std::uint64_t length, char* buffer,
                       const CopyHooks& hooks) {
    const off_t start = ::lseek(in, 0, SEEK_CUR);
    if (start < 0)
        return CopyOutcome::kFailed;
    std::uint64_t position = std::uint64_t(start);
    std::uint64_t dataEnd = 0;  // the data known to lie before this offset
    bool mapped = true;         // the file system tells data from holes
    std::uint64_t left = length;
    while (left > 0) {
        if (Stop(hooks))
            return CopyOutcome::kFailed;
        if (mapped && position >= dataEnd) {
            const off_t data = ::lseek(in, off_t(position), SEEK_DATA);
            if (data < 0 && errno == ENXIO) {
                // No data from here on: a hole to the end, or the end itself.
                struct stat info {};
                if (::fstat(in, &info) != 0)
                    return CopyOutcome::kFailed;
                if (std::uint64_t(info.st_size) < position + left)
                    return CopyOutcome::kShort;
                if (::lseek(out, off_t(left), SEEK_CUR) < 0 ||
                    ::lseek(in, off_t(position + left), SEEK_SET) < 0)
                    return CopyOutcome::kFailed;
                return CopyOutcome::kDone;
            }
            if (data < 0) {
                mapped = false;
            } else if (std::uint64_t(data) > position) {
                const std::uint64_t skip = std::min(std::uint64_t(data) - position, left);
                position += skip;
                left -= skip;
                if (::lseek(out, off_t(skip), SEEK_CUR) < 0)
                    return CopyOutcome::kFailed;
                if (::lseek(in, off_t(position), SEEK_SET) < 0)
                    return CopyOutcome::kFailed;
                continue;
            } else {
                const off_t hole = ::lseek(in, off_t(position), SEEK_HOLE);
                dataEnd = hole > off_t(position) ? std::uint64_t(hole) : UINT64_MAX;
            }
            if (::lseek(in, off_t(position), SEEK_SET) < 0)
                return CopyOutcome::kFailed;
        }
        std::uint64_t want = std::min<std::uint64_t>(left, kCopyBlock);
        if (mapped)
            want = std::min(want, dataEnd - position);
        const ssize_t got = ReadFull(in, buffer, std::size_t(want));
        if (got < 0)
            return CopyOutcome::kFailed;
        if (got > 0 && !PutBlock(out, buffer, std::size_t(got)))
            return CopyOutcome::kFailed;
        if (std::uint64_t(got) < want)
            return CopyOutcome::kShort;
        left -= std::uint64_t(got);
        position += std::uint64_t(got);
    }
    return CopyOutcome::kDone;
}

// True when the source holds more than was copied: it grew meanwhile.
bool HasMore(int fd) {
    char byte;
    return ReadFull(fd, &byte, 1) != 0;
}

}  // namespace

std::uint64_t ChunkCount(std::uint64_t length, std::uint64_t chunkSize) {
    if (chunkSize == 0)
        return 0;
    return length / chunkSize + (length % chunkSize != 0 ? 1 : 0);
}

int ChunkDigits(std::uint64_t count) {
    int digits = 1;
    while (count >= 10) {
        count /= 10;
        ++digits;
    }
    return digits;
}

QByteArray ChunkName(const QByteArray& source, std::uint64_t index, int digits) {
    QByteArray number = QByteArray::number(quint64(index));
    if (number.size() < digits)
        number.prepend(QByteArray(digits - number.size(), '0'));
    return source + '.' + number;
}

SplitResult SplitFile(const QByteArray& source, std::uint64_t chunkSize, const SplitHooks& hooks,
                      std::vector<QByteArray>* created) {
    // The length and the chunk count.
    struct stat info {};
    UniqueFd in = OpenSource(source, info);
    if (!in)
        return S_ISREG(info.st_mode) || info.st_mode == 0 ? SplitResult::kFailed
                                                          : SplitResult::kNotAFile;
    const std::uint64_t length = std::uint64_t(info.st_size);
    if (length == 0 || chunkSize == 0)
        return SplitResult::kNotAFile;
    const std::uint64_t count = ChunkCount(length, chunkSize);
    const int digits = ChunkDigits(count);

    // One progress step per chunk.
    ProgressStepper stepper{std::size_t(count)};
    const auto buffer = std::make_unique<char[]>(kCopyBlock);
    bool yesToAll = false;
    std::uint64_t offset = 0;
    // Each chunk in turn, asking before a file of its name is replaced.
    for (std::uint64_t i = 0; i < count; ++i) {
        if (stepper.Advance())
            Step(hooks);
        const QByteArray name = ChunkName(source, i, digits);
        struct stat existing {};
        const bool exists = ::lstat(name.constData(), &existing) == 0;
        if (exists && S_ISDIR(existing.st_mode))
            return SplitResult::kFailed;
        if (exists && !yesToAll) {
            const int answer =
                hooks.askOverwrite ? hooks.askOverwrite(name) : int(MultiAnswerDialog::kNo);
            if (answer == MultiAnswerDialog::kNo || answer == MultiAnswerDialog::kNoToAll)
                return SplitResult::kFailed;
            yesToAll = answer == MultiAnswerDialog::kYesToAll;
        }
        UniqueFd out = CreateReplacing(name, exists);
        if (!out)
            return SplitResult::kFailed;
        if (created)
            created->push_back(name);
        const std::uint64_t size = std::min(chunkSize, length - offset);
        const CopyOutcome copied = CopyBlocks(in.get(), out.get(), size, buffer.get(), hooks);
        if (copied != CopyOutcome::kDone) {
            // A failed chunk stays as far as it was written, holes included.
            FinishOutput(out, WrittenSoFar(out.get()));
            return copied == CopyOutcome::kShort ? SplitResult::kSourceChanged
                                                 : SplitResult::kFailed;
        }
        if (!FinishOutput(out, size))
            return SplitResult::kFailed;
        offset += size;
    }
    // A source that grew while it was split is reported.
    if (HasMore(in.get()))
        return SplitResult::kSourceChanged;
    return SplitResult::kDone;
}

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

MergeResult MergeFiles(const std::vector<QByteArray>& sources, const QByteArray& target,
                       const MergeHooks& hooks) {
    // The target must not be a source under any name: creating it
    // would remove or empty what is about to be read.
    struct stat existing {};
    const bool exists = ::lstat(target.constData(), &existing) == 0;
    if (exists) {
        for (const QByteArray& source : sources) {
            struct stat info {};
            if ((::lstat(source.constData(), &info) == 0 && SameFile(info, existing)) ||
                (::stat(source.constData(), &info) == 0 && SameFile(info, existing)))
                return MergeResult::kTargetIsSource;
        }
        if (S_ISDIR(existing.st_mode))
            return MergeResult::kFailed;
        if (!hooks.confirmOverwrite || !hooks.confirmOverwrite(target))
            return MergeResult::kDeclined;
    }

    // The target, replacing what was there.
    UniqueFd out = CreateReplacing(target, exists);
    if (!out)
        return MergeResult::kFailed;

    // Each source appended in order.
    ProgressStepper stepper(sources.size());
    const auto buffer = std::make_unique<char[]>(kCopyBlock);
    std::uint64_t written = 0;
    MergeResult result = MergeResult::kDone;
    for (const QByteArray& source : sources) {
        struct stat info {};
        UniqueFd in = OpenSource(source, info);
        if (!in) {
            result = MergeResult::kFailed;
            break;
        }
        if (stepper.Advance())
            Step(hooks);
        const std::uint64_t length = std::uint64_t(info.st_size);
        const CopyOutcome copied = CopyBlocks(in.get(), out.get(), length, buffer.get(), hooks);
        if (copied == CopyOutcome::kShort || (copied == CopyOutcome::kDone && HasMore(in.get()))) {
            result = MergeResult::kSourceChanged;
            break;
        }
        if (copied != CopyOutcome::kDone) {
            result = MergeResult::kFailed;
            break;
        }
        written += length;
    }

    // The partial target keeps what was written, holes included.
    if (result != MergeResult::kDone)
        written = WrittenSoFar(out.get());
    if (!FinishOutput(out, written) && result == MergeResult::kDone)
        result = MergeResult::kFailed;
    return result;
}

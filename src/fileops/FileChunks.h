#pragma once
// Splitting a file into numbered chunks and merging files into one: the
// copy loops of the split and merge commands (CPaneFileUtils), apart from
// the pane so that they can be tested and measured on their own.
//
// Both copy in blocks of 64 KiB and ask `stop` before each block; sizes and
// offsets are 64-bit throughout. Blocks of zeros are skipped over rather
// than written, so the chunks of a sparse file stay sparse; the bytes read
// back are the same.
//
// A source that changes size while it is copied ends the loop: a read that
// comes up short of the length the source had when it was opened, or a
// source that holds more than that length after it was copied, gives
// kSourceChanged, and what was written stays on disk as far as it got.
//
// Existing chunks and merge targets are replaced by removing the old name
// and creating the file anew, exclusively: a link planted under a chunk's
// name is never written through.
//
// Main thread or any thread; the hooks are called on the caller's thread.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

/// The block of the split and merge copy loops (and of shred).
inline constexpr std::size_t kCopyBlock = 65536;

/// The split size, in units of 1,024 bytes: its bounds and its default.
inline constexpr std::int64_t kMinSplitKiB = 1;
inline constexpr std::int64_t kMaxSplitKiB = 1000000000;
inline constexpr std::int64_t kDefaultSplitKiB = 1420;

/// How a long copy talks to its caller. Empty members do nothing (and
/// never stop).
struct CopyHooks {
    /// Asked before each block; true ends the copy (Escape, or a quit).
    std::function<bool()> stop;
    /// The progress bar's next tenth is due.
    std::function<void()> step;
};

/// The number of chunks of `length` bytes cut into `chunkSize`-byte pieces:
/// no empty last chunk, none at all for an empty file.
std::uint64_t ChunkCount(std::uint64_t length, std::uint64_t chunkSize);
/// The decimal digits of `count` (1 for 0 to 9).
int ChunkDigits(std::uint64_t count);
/// `source` followed by "." and `index` with leading zeros to `digits`
/// digits: "big.zip.07".
QByteArray ChunkName(const QByteArray& source, std::uint64_t index, int digits);

enum class SplitResult {
    kDone,
    kNotAFile,       // the source is not a regular file, or is empty
    kFailed,         // stopped, an I/O error, or an overwrite declined
    kSourceChanged,  // the source shrank or grew while it was read
};

struct SplitHooks : CopyHooks {
    /// A chunk of this name exists (and is no folder): the four-answer
    /// question's result (MultiAnswerDialog::Result). Empty: answered "&No".
    std::function<int(const QByteArray& chunk)> askOverwrite;
};

/// Splits `source` into chunks of `chunkSize` bytes named ChunkName(). A
/// folder of a chunk's name fails the split; an existing file is replaced
/// after askOverwrite says yes ("Yes to &all" stops the asking). The names
/// of the chunks created are appended to `created`, when given.
SplitResult SplitFile(const QByteArray& source, std::uint64_t chunkSize, const SplitHooks& hooks,
                      std::vector<QByteArray>* created = nullptr);

enum class MergeResult {
    kDone,
    kDeclined,        // the target exists and the user kept it
    kFailed,          // stopped, an I/O error, a source or target unusable
    kSourceChanged,   // a source shrank or grew while it was read
    kTargetIsSource,  // the target is one of the sources: nothing done
};

struct MergeHooks : CopyHooks {
    /// The target exists as a file: true to overwrite it. Empty: no.
    std::function<bool(const QByteArray& target)> confirmOverwrite;
};

/// Writes the sources one after the other into `target`. A target that is
/// one of the sources (the same file under any of its names) is refused
/// before anything is asked or written, as writing it would destroy the
/// source; a folder target fails. A failed merge leaves the partial target.
MergeResult MergeFiles(const std::vector<QByteArray>& sources, const QByteArray& target,
                       const MergeHooks& hooks);

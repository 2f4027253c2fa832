#pragma once
// Shredder: overwrites files with zeros, then deletes them, folders
// recursively: the work of the shred command (CPaneFileUtils) apart from
// the pane.
//
// It removes what the user selected and nothing else:
// - a symbolic link is removed itself; what it points at is not touched,
//   and links are never followed into folders;
// - a file with other hard links is refused (kOtherLinks): its data belongs
//   to the other names as well, so overwriting it would destroy a file the
//   user did not select, and deleting one name would shred nothing;
// - a folder inside the selection on another volume (a mount point) is
//   refused (kOtherVolume) rather than emptied;
// - FIFOs, sockets and device nodes are never opened, let alone written:
//   their entries are removed (they hold no data of their own);
// - a read-only file selected directly is a write error; inside a shredded
//   folder a read-only file is made writable for its owner first, as the
//   user asked for the whole folder to go;
// - a file that cannot be opened for writing (a running program's
//   executable, a file of another user) is a write error;
// - only the file's data is overwritten: the holes of a sparse file read as
//   zeros already and are not filled in;
// - a file whose size changes while it is overwritten is left in place
//   (kChanged): what it gained was not overwritten.
// The first error or Escape ends the work; what was shredded so far is gone.
//
// Sizes and offsets are 64-bit. Any thread; the stop hook is called on it.

#include <QByteArray>
#include <cstdint>
#include <functional>

enum class ShredResult {
    kDone,
    kAborted,      // Escape: the file at hand was abandoned, not deleted
    kWriteError,   // opening, writing, flushing, enumerating or deleting failed
    kOtherLinks,   // a file with other hard links
    kOtherVolume,  // a folder on another volume inside the selection
    kChanged,      // a file changed size while it was overwritten
};

struct ShredOutcome {
    ShredResult result = ShredResult::kDone;
    QByteArray path;  // where it stopped; empty on success
};

class Shredder {
public:
    /// `stop` is asked before each block and each folder entry; true ends
    /// the work as kAborted. Empty: never.
    explicit Shredder(std::function<bool()> stop = {});

    /// Shreds one selected item by its path: a folder (not a link to one)
    /// as a tree, anything else as a file.
    ShredOutcome ShredItem(const QByteArray& path);

    /// Overwrites the data of the open file `fd` with zeros up to `length`,
    /// in blocks of 64 KiB, asking the stop hook before each; holes are
    /// skipped. kDone, kAborted, kWriteError, or kChanged as soon as the
    /// file's size is no longer `length`.
    ShredResult OverwriteWithZeros(int fd, std::uint64_t length);

    /// Called with a file's path after it was looked at and before it is
    /// opened or its mode changed: the moment another program could put
    /// something else under the name. For tests.
    void SetLookedAtHook(std::function<void(const QByteArray& path)> hook) {
        m_lookedAt = std::move(hook);
    }

private:
    ShredResult ShredFileAt(int folderFd, const QByteArray& folderPath, const char* name,
                            bool insideFolder, QByteArray& where);
    ShredResult ShredTreeAt(int parentFd, const QByteArray& path, const char* name,
                            const dev_t* device, QByteArray& where);
    bool Stop() const { return m_stop && m_stop(); }

    std::function<bool()> m_stop;
    std::function<void(const QByteArray& path)> m_lookedAt;
};

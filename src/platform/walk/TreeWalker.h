#pragma once
// TreeWalker: the one walk of a folder tree, for find files, folder
// statistics and every other job that reads whole sub-trees.
//
// It reads each folder through a descriptor opened relative to its parent's
// (openat), in large directory reads, and takes the entry type from the
// directory itself: a stat is made only when the visitor asks for one (size,
// times) or the file system does not tell the type. Symbolic links are
// reported but never followed into folders, and a folder is entered once
// only (by device and inode), so a bind-mount loop ends. Names stay bytes:
// a name that is not valid UTF-8, or holds a newline, is reported exactly.
//
// The walk runs on the caller's thread (a worker's) and checks the stop flag
// between entries. Order: all entries of a folder are reported first, then
// the accepted sub-folders are walked in the order they were met.
//
//     struct Finder : WalkVisitor {
//         bool Entry(WalkEntry& e) override {
//             if (Matches(e.Name())) hits.append(e.Path());
//             return true;  // enter it when it is a folder
//         }
//     };
//     TreeWalker(&stopFlag).Walk("/home/me", finder);

#include <sys/stat.h>

#include <QByteArray>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace walk_detail {
class Walk;
}

/// One entry met by the walk; valid during the visitor's call only.
class WalkEntry {
public:
    /// The entry's name, bytes without a slash.
    std::string_view Name() const { return m_name; }
    QByteArray NameBytes() const { return QByteArray(m_name.data(), qsizetype(m_name.size())); }
    /// The path of the folder holding it, as the walk was started ("/a/b").
    const QByteArray& FolderPath() const { return *m_folder; }
    /// FolderPath() + "/" + Name() (no doubled slash under "/").
    QByteArray Path() const;
    /// 1 for the entries of the start folder, 2 below them, and so on.
    int Depth() const { return m_depth; }

    /// The type from the directory; an unknown one is resolved by a stat
    /// first. A symbolic link to a folder is a link, never a folder.
    bool IsFolder();
    bool IsSymlink();
    bool IsRegular();

    /// The entry's own status (lstat, relative to the folder's descriptor),
    /// read on the first call and kept; nullptr when it cannot be read
    /// (StatError() then says why: the file went, say).
    const struct stat* Stat();
    int StatError() const { return m_statError; }

    /// The descriptor of the folder holding the entry, for openat/fstatat
    /// by the visitor (to read a file's contents, say).
    int FolderFd() const { return m_folderFd; }

private:
    friend class walk_detail::Walk;
    std::string_view m_name;
    const QByteArray* m_folder = nullptr;
    int m_folderFd = -1;
    int m_depth = 0;
    unsigned char m_type = 0;  // DT_*
    bool m_statDone = false;
    int m_statError = 0;
    struct stat m_stat {};
};

class WalkVisitor {
public:
    virtual ~WalkVisitor() = default;
    /// Each entry of a folder being read, sub-folders included. For a folder,
    /// false means "do not enter it"; for anything else the result is
    /// ignored.
    virtual bool Entry(WalkEntry& entry) = 0;
    /// A folder is about to be read: the start folder at depth 0, then each
    /// accepted sub-folder (depth = its entries' depth - 1).
    virtual void EnterFolder(const QByteArray& path, int depth) {
        (void)path;
        (void)depth;
    }
    /// A folder and everything below it have been reported. Also follows an
    /// EnterFolder whose folder then failed (FolderError came between).
    virtual void LeaveFolder(const QByteArray& path, int depth) {
        (void)path;
        (void)depth;
    }
    /// A folder could not be entered or read to its end (`error` is the
    /// errno value); the walk goes on with the others. A folder entered
    /// before (a loop) is not an error: it is skipped silently.
    virtual void FolderError(const QByteArray& path, int depth, int error) {
        (void)path;
        (void)depth;
        (void)error;
    }
};

struct WalkOptions {
    /// Do not enter folders on another device than the start folder.
    bool sameFileSystem = false;
    /// Deepest entry depth reported; -1 for no limit.
    int maxDepth = -1;
};

enum class WalkResult {
    Done,     // the whole tree was reported (errors included)
    Stopped,  // the stop flag was raised
    NoStart,  // the start folder could not be opened (errno is set)
};

class TreeWalker {
public:
    /// `stop`, when given, is read between entries; raising it ends the walk
    /// soon with WalkResult::Stopped.
    explicit TreeWalker(const std::atomic<bool>* stop = nullptr) : m_stop(stop) {}

    /// Walks the folder at `start` (absolute path bytes, no trailing slash
    /// except for "/"). The start folder itself is not reported as an entry.
    WalkResult Walk(const QByteArray& start, WalkVisitor& visitor, const WalkOptions& options = {});

    /// Entries reported and folders entered by the last walk (benchmarks).
    std::uint64_t EntriesSeen() const { return m_entries; }
    std::uint64_t FoldersEntered() const { return m_folders; }

private:
    const std::atomic<bool>* m_stop = nullptr;
    std::uint64_t m_entries = 0;
    std::uint64_t m_folders = 0;
};

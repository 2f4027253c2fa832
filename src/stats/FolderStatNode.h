#pragma once
// Folder statistics: the totals of a folder's sub-tree, folder by folder.
//
// ReadFolderStats() walks the tree once (TreeWalker) and gives one
// FolderStatNode per folder: the files lying directly in it and, carried up
// as each folder is finished, the totals of everything below it. It runs on
// whatever thread calls it (the statistics command runs it on a worker) and
// touches nothing but what it builds.
//
// What counts:
// - Every entry that is not a folder is a file, with the size its own status
//   gives (st_size): a symbolic link counts as the link itself and is never
//   followed, a sparse file by its apparent size. These are the figures of
//   `du --apparent-size`, less the folders' own sizes, which `du` adds and
//   a folder's statistics do not.
// - A file with several hard links counts once, where the walk meets it
//   first (by device and inode, as `du` does). The walk reports a folder's
//   own files before it enters its sub-folders, so when the links lie in a
//   folder and in a sub-tree of its sibling, the link is counted in the
//   folder, which may not be where `du` puts it; the totals above both are
//   the same either way.
// - Sizes are kept exact (bytes) and, as shown, rounded to whole kB per
//   folder: (bytes + 512) / 1024; a total shown is the sum of rounded parts.
//
// Names are shown as the file system has them. Title-casing names written
// all in capitals (README as Readme) made sense where names ignore case
// and old short names came in capitals; here case tells names apart, so
// "DATA" and "Data" can stand side by side in one folder, and showing one
// in the other's spelling would show two folders under one name and a name
// that is not on the disk. So no name is changed.
//
// Folders that cannot be read: one that refuses entry (access denied)
// stays in the tree with zero counts and " <NOT accessible>" after its name,
// and so does one whose files could be listed but not examined; the reading
// is then PartlyAccessible. A sub-folder that vanished while the tree was
// read is dropped. Any other error, or a start folder that cannot be read,
// is a Failure.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

/// One folder of the sub-tree. Owns its sub-folders.
struct FolderStatNode {
    QByteArray nameBytes;              // the folder's own name as the file system has it
    QString name;                      // shown: the name, " <NOT accessible>" appended when so
    FolderStatNode* parent = nullptr;  // null for the root
    std::vector<std::unique_ptr<FolderStatNode>> children;

    std::uint64_t localBytes = 0;        // files directly in the folder, exact
    std::uint64_t localSize = 0;         // the same in kB, rounded to nearest
    std::uint64_t descendantsBytes = 0;  // all sub-folders, exact
    std::uint64_t descendantsSize = 0;   // sum of the sub-folders' rounded kB
    std::int64_t localFiles = 0;
    std::int64_t descendantFiles = 0;
    std::int64_t subFolders = 0;         // direct sub-folders
    std::int64_t descendantFolders = 0;  // sub-folders below the direct ones
    bool notAccessible = false;

    /// The total size shown, kB: local size + descendants size.
    std::uint64_t TotalSize() const { return localSize + descendantsSize; }
    /// The exact total in bytes (what `du` would say, less folder sizes).
    std::uint64_t TotalBytes() const { return localBytes + descendantsBytes; }
    /// The counts shown: every folder and every file below.
    std::int64_t ShownFolders() const { return subFolders + descendantFolders; }
    std::int64_t ShownFiles() const { return localFiles + descendantFiles; }
};

enum class StatReadResult {
    Success,
    PartlyAccessible,  // some folders are marked " <NOT accessible>"
    Failure,           // nothing is shown
    Interrupted,       // the stop flag was raised; the partial tree is consistent
};

struct StatReading {
    StatReadResult result = StatReadResult::Failure;
    /// The tree read (also after an interruption, with the totals of what
    /// was read); null on failure.
    std::unique_ptr<FolderStatNode> root;
};

/// Test seams: an error to take as the result of entering a folder (0 for
/// none; the folder is then not entered), and a call after every entry.
struct StatReadHooks {
    std::function<int(const QByteArray& path)> enterError;
    std::function<void()> afterEntry;
};

/// The text appended to a folder that could not be read.
inline const QString kNotAccessibleSuffix = QStringLiteral(" <NOT accessible>");

/// Reads the sub-tree of `path` (absolute, raw bytes). The root node is named
/// `rootName`. `stop`, when given, is watched between entries.
StatReading ReadFolderStats(const QByteArray& path, const QString& rootName,
                            const std::atomic<bool>* stop = nullptr,
                            const StatReadHooks& hooks = {});

/// (bytes + 512) / 1024 without overflow.
std::uint64_t RoundToKilobytes(std::uint64_t bytes);

/// The size text of a kB value: "1024kB", "1.5MB", "1MB", "0kB"; one decimal
/// only when it is not 0, units "kB", "MB", "GB", "tB" (the last for
/// everything larger), no blank before the unit.
QString StatSizeText(std::uint64_t kilobytes);

/// A folder's line: `<size> "<name>": Sub-Folders=<n>, Files=<n>`.
QString StatFolderText(const FolderStatNode& node);
/// The line of a folder's own files: `<size> in <n> local file(s)`.
QString StatLocalFilesText(const FolderStatNode& node);

enum class StatSortOrder { ByName, BySize };

/// Sorts the sub-folders of `node` and of every folder below it: by name,
/// byte-wise ascending; by size, the larger total first (ties by name).
void SortStatTree(FolderStatNode& node, StatSortOrder order);

/// The path of `node`: `readPath` (the folder that was read) joined with the
/// real names of every ancestor below the root and of the node itself.
QByteArray StatNodePath(const FolderStatNode& node, const QByteArray& readPath);

/// The printed tree: every folder line, then its sub-folders, then its local
/// files line, each after one tab per level (none for the root), each ending
/// in "\n".
QString StatTreeListing(const FolderStatNode& root);

#pragma once
// The plan of a file operation: the sources, those that must not be done
// and why, and how much work the rest is. A plan is a value; building one
// reads the disk (lstat(2) of each source, the names in its folders) and
// nothing else: it changes nothing, asks nothing and shows nothing. The
// executor (FileOpExecutor.h) shows the refusals, asks what must be asked
// and carries the plan out.
//
// Building a plan takes two steps, because a delete asks for confirmation
// between them and a tree is only walked once it is agreed to:
//   1. ExamineSources(): the sources de-duplicated, each looked at, the
//      refusals (a vanished source, a folder into itself or one of its own
//      subfolders). Cost: one lstat per source; duplicates are found with a
//      hash set, so 100,000 sources cost 100,000 look-ups.
//   2. CountPlan(): the sources that will be walked are walked (copies, moves
//      to another file system, deletes for good) and the totals added up.
//      Cost: one lstat per item and one read per folder below the sources.
// PlanFileOperation() does both, for callers with nothing to ask between.

#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/fileop/FileOpIo.h"
#include "platform/fileop/FileOpRequest.h"

/// What was found at a source or below it.
struct FileOpNode {
    QByteArray name;  // the last component (the whole path for a source)
    struct stat st {};
    bool walked = false;
    int readError = 0;                 // errno of reading the folder, 0 when read
    std::vector<FileOpNode> children;  // by name (byte order)
    std::uint64_t bytes = 0;           // regular-file bytes of the subtree
    std::uint64_t items = 1;           // items of the subtree, itself included
    std::uint64_t folders = 0;         // folders of the subtree, itself included

    bool IsDir() const { return S_ISDIR(st.st_mode); }
};

/// The target folder of a copy or move, as a plan needs it.
struct FileOpTarget {
    QByteArray path;  // absolute, without trailing slashes
    struct stat st {};
    /// The identity of every folder from the target up to the root, so that
    /// a source reached through another path (a link, a bind mount) is still
    /// recognised as one of them.
    std::vector<std::pair<dev_t, ino_t>> chain;

    /// True when `folder` is the target or one of the folders above it.
    bool IsTargetOrAbove(const struct stat& folder) const;
};

/// Fills the chain of an existing target folder whose status is `st`.
/// Cost: one stat per folder up to the root.
FileOpTarget ReadTarget(const QByteArray& path, const struct stat& st, FileOpIo& io);

/// A source that is not done, and the text the user is shown for it.
struct FileOpRefusal {
    std::size_t source = 0;  // index into FileOperationPlan::sources
    QString text;
};

/// How much work a plan is. An item that is not walked (a folder moved by a
/// rename, an item sent to the trash) counts as one item and no bytes.
struct FileOpTotals {
    std::uint64_t files = 0;    // items that are not folders (links, special files included)
    std::uint64_t folders = 0;  // folders, the sources' own included
    std::uint64_t bytes = 0;    // bytes of the regular files

    std::uint64_t Items() const { return files + folders; }
};

struct FileOperationPlan {
    /// The sources as given, without trailing slashes, empty paths and
    /// duplicates, in their first order.
    std::vector<QByteArray> sources;
    /// One per source: what is there (walked by CountPlan() where needed).
    std::vector<FileOpNode> tops;
    /// One per source: true when it is refused.
    std::vector<bool> refused;
    /// The refusals in the order of the sources.
    std::vector<FileOpRefusal> refusals;
    /// The sources not refused, added up by CountPlan().
    FileOpTotals totals;

    /// How many sources are not refused.
    std::size_t Accepted() const { return sources.size() - refusals.size(); }
};

/// The sources without trailing slashes, empty paths and duplicates, in the
/// order they first appear. Cost: linear (a hash set).
std::vector<QByteArray> UniqueSources(const std::vector<QByteArray>& sources);

/// The unique sources, each examined, and the refusals. `target` is
/// the prepared target folder of a copy or move (null for a delete).
FileOperationPlan ExamineSources(const FileOpRequest& request, const FileOpTarget* target,
                                 FileOpIo& io);

/// Walks the sources that need it and adds up the totals.
/// `keepGoing` is called after each folder read; when it answers false the
/// walk stops there and CountPlan() returns false (the plan is then not
/// complete and must not be carried out).
bool CountPlan(FileOperationPlan& plan, const FileOpRequest& request, const FileOpTarget* target,
               FileOpIo& io, const std::function<bool()>& keepGoing = {});

/// Both steps, walking to the end.
FileOperationPlan PlanFileOperation(const FileOpRequest& request, const FileOpTarget* target,
                                    FileOpIo& io);

/// Whether a source (not refused) is walked: copies, moves to another file
/// system and deletes for good are; a move within one file system is a
/// rename, and sending to the trash needs no count.
bool NeedsWalk(const FileOpRequest& request, const FileOpNode& top, const FileOpTarget* target);

/// Walks the item at `path` whose status is in `node`: its children by name
/// (items gone since the folder was read are left out), their totals, and
/// the folder's read error. Never follows a symbolic link. False when
/// `keepGoing` stopped it (the subtree is then incomplete).
bool WalkNode(FileOpNode& node, const QByteArray& path, FileOpIo& io,
              const std::function<bool()>& keepGoing = {});

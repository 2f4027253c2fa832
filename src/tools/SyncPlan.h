#pragma once
// The plan of "Synchronize folders": what differs between two sub-trees,
// and what to do about each difference.
//
// A tree is read once (ScanSyncTree: lstat only, links never followed,
// names as bytes), then the two trees are compared (BuildSyncPlan, a pure
// function of the two trees and a content comparer):
// - an entry on one side only is one row, a folder with all it holds
//   included (copying it copies the whole folder);
// - folders on both sides are entered, and give no row themselves;
// - files on both sides: a modified time later beyond the comparison's
//   tolerance (CompareTimesWithTolerance: under three seconds apart is
//   equal) is "newer" on that side; equal times with different sizes, or
//   (with `byContent`) equal times and sizes with different bytes, are
//   "different"; otherwise the pair is the same and gives no row;
// - a file opposite a folder, or a link opposite anything else, is
//   "different" too (two links compare by their targets).
// Every row gets the action a user would usually want: one-sided rows are
// copied to the side that lacks them, newer files over older ones, and
// "different" rows are skipped until the user decides. Names compare
// exactly (case-sensitive); rows come in path order, folders before what
// they hold.
//
// The scan runs on a worker thread: it reads the disk and the stop flag
// only.

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/namespace/ShellTypes.h"

struct SyncEntry {
    enum class Kind { File, Folder, Link, Other };
    QString name;  // decoded bytes (NameCodec)
    Kind kind = Kind::File;
    std::uint64_t size = 0;
    FileTime modified = 0;
    QByteArray linkTarget;
    std::vector<SyncEntry> children;  // folders only, sorted by name
};

/// Reads the tree under `root` (absolute, decoded): the returned entry is
/// the root folder with its children. Entries that can't be read are left
/// out and named in `problems`. Stops early (with what it has) when `stop`
/// is set.
SyncEntry ScanSyncTree(const QString& root, const std::atomic<bool>* stop = nullptr,
                       QStringList* problems = nullptr);

enum class SyncKind { LeftOnly, RightOnly, NewerLeft, NewerRight, Different };
enum class SyncAction { CopyRight, CopyLeft, Delete, Skip };

struct SyncRow {
    QString relative;  // path below both roots ("a/b.txt")
    SyncKind kind = SyncKind::Different;
    SyncAction action = SyncAction::Skip;
    bool folder = false;  // the row is a whole folder (one side only)
    // What each side has (size 0 and time 0 where it has nothing).
    std::uint64_t leftSize = 0;
    std::uint64_t rightSize = 0;
    FileTime leftTime = 0;
    FileTime rightTime = 0;
    bool onLeft = false;
    bool onRight = false;
};

/// Whether two files of the same size hold the same bytes (relative path
/// given); asked only with `byContent`.
using SyncContentEqual = std::function<bool(const QString& relative)>;

/// The rows of what differs between `left` and `right` (two roots from
/// ScanSyncTree), each with its usual action.
std::vector<SyncRow> BuildSyncPlan(const SyncEntry& left, const SyncEntry& right, bool byContent,
                                   const SyncContentEqual& contentEqual = {});

/// The actions a row may take: copy to the side that lacks it or is older,
/// delete from the side it is on (one-sided rows only), skip.
std::vector<SyncAction> AllowedSyncActions(const SyncRow& row);

/// True when `a` and `b` (absolute paths, decoded) hold the same bytes;
/// false on a read error. Polls `stop` between blocks.
bool SyncFilesEqual(const QString& a, const QString& b, const std::atomic<bool>* stop = nullptr);

/// What a plan does, as the engine's requests would have it: the rows of
/// `rows` whose action is not Skip, grouped by what and where.
struct SyncBatch {
    enum class What { CopyToRight, CopyToLeft, DeleteLeft, DeleteRight };
    What what = What::CopyToRight;
    QString targetFolder;  // absolute; empty for deletes
    QStringList sources;   // absolute paths
};

/// The batches that carry out `rows` between `leftRoot` and `rightRoot`:
/// every copy first (grouped by target folder, in row order), then the
/// deletes, so nothing is deleted before what was to be copied is across.
std::vector<SyncBatch> SyncBatches(const std::vector<SyncRow>& rows, const QString& leftRoot,
                                   const QString& rightRoot);

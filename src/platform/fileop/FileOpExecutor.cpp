#include "platform/fileop/FileOpExecutor.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <thread>

#include "platform/fileop/FileOpPaths.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

using namespace fileop;

namespace {

// A cross-device move deletes sources in batches, after one flush of the
// target's file system: a flush per small file would make moving a tree
// many times slower than the tools users compare it with.
constexpr std::size_t kPendingItems = 2000;
constexpr std::uint64_t kPendingBytes = 256u << 20;
// How long the final flush is waited for between two repaints.
constexpr std::chrono::milliseconds kFlushWait(40);

unsigned RenameFlags(bool replace) {
    return replace ? 0u : unsigned(RENAME_NOREPLACE);
}

QString TitleOf(const FileOpRequest& request) {
    switch (request.func) {
        case FileOpRequest::Copy:
            return Tr("Copying");
        case FileOpRequest::Move:
            return Tr("Moving");
        case FileOpRequest::Delete:
            return request.allowUndo ? Tr("Moving to the trash") : Tr("Deleting");
    }
    return {};
}

}  // namespace

FileOpExecutor::FileOpExecutor(FileOpRequest request, QWidget* parent, FileOpIo& io,
                               std::atomic<bool>& cancelled, int progressDelayMs)
    : m_req(std::move(request)),
      m_parent(parent),
      m_io(io),
      m_cancelled(cancelled),
      m_progress(TitleOf(m_req), parent, m_req.silent, [this] { m_cancelled.store(true); }),
      m_questions(TitleOf(m_req), m_req.noConfirmation, m_result.errors,
                  [this] { return m_progress.PromptParent(); }),
      m_copier(io, m_progress.bytesDone, [this] { return Pump(); }) {
    m_progress.SetDelay(progressDelayMs);
}

QString FileOpExecutor::Title() const {
    return TitleOf(m_req);
}

// ---------------------------------------------------------------------------
// Stopping, questions and progress.

bool FileOpExecutor::Stopped() {
    if (!m_stop && m_cancelled.load())
        Stop();
    return m_stop;
}

void FileOpExecutor::Stop() {
    m_stop = true;
    m_result.aborted = true;
}

bool FileOpExecutor::Pump(bool force) {
    if (Stopped())
        return false;
    m_progress.Tick(force);
    return !Stopped();
}

void FileOpExecutor::Walk(FileOpNode& node, const QByteArray& path) {
    WalkNode(node, path, m_io, [this] { return Pump(); });
}

void FileOpExecutor::Warn(const QString& text) {
    m_questions.Warn(text);
}

FileOpExecutor::ErrorAnswer FileOpExecutor::AskError(const FileOpError& error, bool canRetry) {
    FileOpError shown = error;
    shown.WhileMoving(m_req.func == FileOpRequest::Move);
    const ErrorAnswer answer = m_questions.AskError(shown, canRetry);
    if (answer == ErrorAnswer::Cancel)
        Stop();
    return answer;
}

// ---------------------------------------------------------------------------
// Before the plan.

bool FileOpExecutor::MakeTargetFolder(const QByteArray& path) {
    if (!m_req.noConfirmMkdir && !m_req.noConfirmation && !m_questions.ConfirmMakeFolder(path)) {
        Stop();
        return false;
    }
    // Each missing folder from the top down, so a parent that is in the way
    // as a file is reported rather than hidden.
    for (qsizetype slash = 1; slash >= 0;) {
        slash = path.indexOf('/', slash + 1);
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (m_io.Mkdir(part, 0777) != 0 && errno != EEXIST) {
            Warn(FileOpError::FromErrno(FileOpStep::MakeTargetFolder, part).Text());
            return false;
        }
    }
    return true;
}

bool FileOpExecutor::PrepareTarget() {
    const QByteArray path = StripTrailingSlashes(m_req.targetFolder);
    if (path.isEmpty() || !path.startsWith('/')) {
        Warn(FileOpError(FileOpStep::TargetNotAbsolute, path).Text());
        return false;
    }
    struct stat st {};
    if (m_io.Stat(path, &st) != 0) {
        if (errno != ENOENT) {
            Warn(FileOpError::FromErrno(FileOpStep::OpenTarget, path).Text());
            return false;
        }
        if (!MakeTargetFolder(path))
            return false;
        if (m_io.Stat(path, &st) != 0) {
            Warn(FileOpError::FromErrno(FileOpStep::OpenTarget, path).Text());
            return false;
        }
    }
    if (!S_ISDIR(st.st_mode)) {
        Warn(FileOpError(FileOpStep::TargetNotFolder, path).Text());
        return false;
    }
    m_target = ReadTarget(path, st, m_io);
    return true;
}

void FileOpExecutor::Refuse(const FileOpRefusal& refusal) {
    m_result.anyFailed = true;
    m_outcomes[refusal.source] = Outcome::NotDone;
    Warn(refusal.text);
}

bool FileOpExecutor::ConfirmDelete() {
    std::vector<QByteArray> accepted;
    for (std::size_t i = 0; i < m_plan.sources.size(); ++i) {
        if (!m_plan.refused[i])
            accepted.push_back(m_plan.sources[i]);
    }
    if (accepted.empty())
        return false;
    return m_questions.ConfirmDelete(accepted, m_req.allowUndo);
}

// ---------------------------------------------------------------------------
// Conflicts.

bool FileOpExecutor::SameItem(const QByteArray& source, const struct stat& sourceSt,
                              const QByteArray& target, const struct stat& targetSt) {
    // The same path, or a hard link of it.
    if (SameInode(sourceSt, targetSt))
        return true;
    struct stat followed {};
    // The existing target is a link to the source...
    if (S_ISLNK(targetSt.st_mode) && m_io.Stat(target, &followed) == 0 &&
        SameInode(followed, sourceSt))
        return true;
    // ...or the source is a link to the target: replacing the target by a
    // copy of that link would leave a link to itself and lose the file.
    if (S_ISLNK(sourceSt.st_mode) && m_io.Stat(source, &followed) == 0 &&
        SameInode(followed, targetSt))
        return true;
    return false;
}

QByteArray FileOpExecutor::FreeName(const QByteArray& target, bool isFolder) {
    const QByteArray folder = ParentOf(target);
    const QByteArray name =
        FreeCopyName(LastComponent(target), isFolder, [&](const QByteArray& candidate) {
            struct stat st {};
            return m_io.Lstat(Join(folder, candidate), &st) == 0 || errno != ENOENT;
        });
    return name.isEmpty() ? QByteArray() : Join(folder, name);
}

void FileOpExecutor::Placed(const QByteArray& target) {
    m_placed.insert(target);
}

// True when `target`, or a folder above it inside the target folder, was
// made or moved there by this operation: then whatever is at `target` came
// from another of its sources.
bool FileOpExecutor::PlacedHere(const QByteArray& target) const {
    if (m_placed.isEmpty() || !m_target)
        return false;
    for (QByteArray at = target; at.size() > m_target->path.size(); at = ParentOf(at)) {
        if (m_placed.contains(at))
            return true;
    }
    return false;
}

// Looks at what is at `target`. Fills the name to use and whether to merge
// into an existing folder; nullopt when there is nothing in the way.
std::optional<FileOpExecutor::Conflict> FileOpExecutor::ResolveConflict(
    const FileOpNode& node, const QByteArray& source, const QByteArray& target, bool top,
    QByteArray* finalTarget, bool* merge) {
    *finalTarget = target;
    *merge = false;
    struct stat existing {};
    if (m_io.Lstat(target, &existing) != 0)
        return std::nullopt;
    if (SameItem(source, node.st, target, existing)) {
        // Only a copy given a new name can be made of an item onto itself.
        if (!(top && m_req.func == FileOpRequest::Copy && m_req.renameOnCollision)) {
            const FileOpStep step = m_req.func == FileOpRequest::Move && top
                                        ? FileOpStep::MoveOntoItself
                                        : FileOpStep::CopyOntoItself;
            AskError(FileOpError(step, source), false);
            m_result.anyFailed = true;
            return Conflict::Skip;
        }
    } else if (!(top && m_req.renameOnCollision)) {
        const Conflict answer = m_questions.AskConflict(node, existing, target, PlacedHere(target));
        if (answer == Conflict::Overwrite && node.IsDir())
            *merge = true;
        if (answer != Conflict::KeepBoth)
            return answer;
    }
    *finalTarget = FreeName(target, node.IsDir());
    if (finalTarget->isEmpty()) {
        AskError(FileOpError(FileOpStep::NoFreeName, source), false);
        return Conflict::Skip;
    }
    return Conflict::KeepBoth;
}

// ---------------------------------------------------------------------------
// Copying one item.

// Gives a complete copy its real name. Without RENAME_NOREPLACE in the file
// system, the name is looked at first, then taken.
std::optional<FileOpError> FileOpExecutor::PlaceCopy(const QByteArray& temp,
                                                     const QByteArray& source,
                                                     const QByteArray& target, bool replace) {
    if (m_io.Rename(temp, target, RenameFlags(replace)) == 0)
        return std::nullopt;
    int error = errno;
    if (error == EINVAL && !replace) {
        struct stat st {};
        if (m_io.Lstat(target, &st) != 0 && errno == ENOENT) {
            if (m_io.Rename(temp, target, 0) == 0)
                return std::nullopt;
            error = errno;
        } else {
            error = EEXIST;
        }
    }
    if (error == EEXIST)
        return FileOpError(FileOpStep::CopyNameTaken, source);
    return FileOpError(FileOpStep::PlaceCopy, source, error);
}

// Copies one item (any kind but a folder) under a temporary name and renames
// it to `target`; what was written so far goes when that fails, so the real
// name never sees a partial copy.
FileOpExecutor::Outcome FileOpExecutor::CopyItem(FileOpNode& node, const QByteArray& source,
                                                 const QByteArray& target, bool replace) {
    const QByteArray folder = ParentOf(target);
    const std::uint64_t bytesBefore = m_progress.bytesDone;
    for (;;) {
        QByteArray temp;
        m_progress.bytesDone = bytesBefore;
        std::optional<FileOpError> failed = m_copier.MakeCopy(node, source, folder, replace, &temp);
        if (!failed)
            failed = PlaceCopy(temp, source, target, replace);
        if (failed && !temp.isEmpty())
            m_io.Unlink(temp);
        m_progress.bytesDone = bytesBefore + node.bytes;
        if (!failed) {
            m_copier.RememberLink(node, target);
            Placed(target);
            m_progress.itemsDone += 1;
            return Outcome::Done;
        }
        if (failed->IsCancel() || Stopped()) {
            m_progress.itemsDone += 1;
            return Outcome::NotDone;
        }
        if (AskError(*failed) != ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            m_progress.itemsDone += 1;
            return Outcome::NotDone;
        }
    }
}

// ---------------------------------------------------------------------------
// Moving.

void FileOpExecutor::Queue(const QByteArray& path, bool isDir, std::uint64_t bytes) {
    m_pending.push_back({path, isDir, m_top});
    m_pendingBytes += bytes;
    if (m_pending.size() >= kPendingItems || m_pendingBytes >= kPendingBytes)
        FlushPending();
}

// Deletes the sources of finished cross-device moves once their copies are
// known to be on the target's disk.
void FileOpExecutor::FlushPending() {
    if (m_pending.empty())
        return;
    std::vector<Pending> pending;
    pending.swap(m_pending);
    m_pendingBytes = 0;
    std::optional<FileOpError> unsafe;
    const int fd = m_io.Open(m_target->path, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        unsafe = FileOpError::FromErrno(FileOpStep::FlushCopies, m_target->path);
    } else {
        if (m_io.Syncfs(fd) != 0)
            unsafe = FileOpError::FromErrno(FileOpStep::FlushCopies, m_target->path);
        m_io.Close(fd);
    }
    if (unsafe) {
        // The copies may not be safe: every source stays.
        AskError(*unsafe, false);
        m_result.anyFailed = true;
        for (const Pending& item : pending) {
            if (m_outcomes[item.top] == Outcome::Done)
                m_outcomes[item.top] = Outcome::Partial;
        }
        return;
    }
    for (const Pending& item : pending) {
        if (item.isDir) {
            // Still holding something that was not moved: it stays, quietly.
            if (m_io.Rmdir(item.path) != 0 && m_outcomes[item.top] == Outcome::Done)
                m_outcomes[item.top] = Outcome::Partial;
            continue;
        }
        for (;;) {
            if (m_io.Unlink(item.path) == 0 || errno == ENOENT)
                break;
            if (AskError(FileOpError::FromErrno(FileOpStep::RemoveMovedSource, item.path)) !=
                ErrorAnswer::Retry) {
                m_result.anyFailed = true;
                if (m_outcomes[item.top] == Outcome::Done)
                    m_outcomes[item.top] = Outcome::Partial;
                break;
            }
        }
    }
}

FileOpExecutor::Outcome FileOpExecutor::MoveByRename(FileOpNode& node, const QByteArray& source,
                                                     const QByteArray& target, bool replace,
                                                     bool* crossDevice) {
    *crossDevice = false;
    for (;;) {
        int error = 0;
        if (m_io.Rename(source, target, RenameFlags(replace)) != 0) {
            error = errno;
            if (error == EINVAL && !replace) {
                // No RENAME_NOREPLACE in this file system: look, then rename.
                struct stat st {};
                if (m_io.Lstat(target, &st) != 0 && errno == ENOENT)
                    error = m_io.Rename(source, target, 0) == 0 ? 0 : errno;
                else
                    error = EEXIST;
            }
        }
        if (error == 0) {
            Placed(target);
            m_progress.itemsDone += node.walked ? node.items : 1;
            m_progress.bytesDone += node.walked ? node.bytes : 0;
            return Outcome::Done;
        }
        if (error == EXDEV) {
            *crossDevice = true;
            return Outcome::NotDone;
        }
        const FileOpError failed = error == EEXIST ? FileOpError(FileOpStep::MoveNameTaken, source)
                                                   : FileOpError(FileOpStep::Move, source, error);
        if (AskError(failed) != ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            return Outcome::NotDone;
        }
    }
}

// Within one file system a merge moves the children one by one, each by a
// rename where nothing is in the way; the source folder goes once empty.
FileOpExecutor::Outcome FileOpExecutor::MergeByRenames(FileOpNode& node, const QByteArray& source,
                                                       const QByteArray& target) {
    bool allDone = true, anyDone = false;
    for (FileOpNode& child : node.children) {
        if (Stopped()) {
            allDone = false;
            break;
        }
        QByteArray resolved;
        bool childMerge = false;
        const QByteArray childSource = Join(source, child.name);
        const std::optional<Conflict> conflict = ResolveConflict(
            child, childSource, Join(target, child.name), false, &resolved, &childMerge);
        if (conflict && (*conflict == Conflict::Cancel || *conflict == Conflict::Skip)) {
            if (*conflict == Conflict::Cancel)
                Stop();
            else
                m_result.anySkipped = true;
            allDone = false;
            continue;
        }
        const Outcome outcome =
            Transfer(child, childSource, resolved,
                     conflict && *conflict == Conflict::Overwrite && !childMerge, childMerge);
        allDone = allDone && outcome == Outcome::Done;
        anyDone = anyDone || outcome != Outcome::NotDone;
    }
    if (allDone && m_io.Rmdir(source) == 0)
        return Outcome::Done;
    return anyDone || allDone ? Outcome::Partial : Outcome::NotDone;
}

// ---------------------------------------------------------------------------
// Copy and move, item by item.

FileOpExecutor::Outcome FileOpExecutor::TransferChildren(FileOpNode& node, const QByteArray& source,
                                                         const QByteArray& target,
                                                         bool targetIsNew) {
    while (node.readError) {
        if (AskError(FileOpError(FileOpStep::ReadFolder, source, node.readError)) !=
            ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            return Outcome::NotDone;
        }
        const std::uint64_t before = node.bytes;
        Walk(node, source);
        m_progress.bytesTotal += node.bytes - std::min(before, node.bytes);
        m_progress.itemsTotal += node.items - 1;
    }
    bool allDone = true, anyDone = false;
    for (FileOpNode& child : node.children) {
        if (Stopped()) {
            allDone = false;
            break;
        }
        const QByteArray childSource = Join(source, child.name);
        QByteArray childTarget = Join(target, child.name);
        bool merge = false, replace = false;
        if (!targetIsNew) {
            QByteArray resolved;
            const std::optional<Conflict> conflict =
                ResolveConflict(child, childSource, childTarget, false, &resolved, &merge);
            if (conflict) {
                if (*conflict == Conflict::Cancel)
                    Stop();
                if (*conflict == Conflict::Cancel || *conflict == Conflict::Skip) {
                    if (*conflict == Conflict::Skip)
                        m_result.anySkipped = true;
                    m_progress.itemsDone += child.items;
                    m_progress.bytesDone += child.bytes;
                    allDone = false;
                    continue;
                }
                replace = *conflict == Conflict::Overwrite && !merge;
                childTarget = resolved;
            }
        }
        const Outcome outcome = Transfer(child, childSource, childTarget, replace, merge);
        allDone = allDone && outcome == Outcome::Done;
        anyDone = anyDone || outcome != Outcome::NotDone;
    }
    if (allDone)
        return Outcome::Done;
    return anyDone ? Outcome::Partial : Outcome::NotDone;
}

// A folder: made (or merged into), filled, then given its attributes.
FileOpExecutor::Outcome FileOpExecutor::TransferFolder(FileOpNode& node, const QByteArray& source,
                                                       const QByteArray& target, bool merge) {
    bool made = false;
    if (!merge) {
        for (;;) {
            // Owner-only until filled: nobody else sees a half-made folder,
            // and a read-only source folder can still be filled here.
            if (m_io.Mkdir(target, 0700) == 0) {
                made = true;
                Placed(target);
                break;
            }
            if (AskError(FileOpError::FromErrno(FileOpStep::MakeFolder, target)) !=
                ErrorAnswer::Retry) {
                m_result.anyFailed = true;
                m_progress.itemsDone += node.items;
                return Outcome::NotDone;
            }
        }
    }
    m_progress.itemsDone += 1;
    const Outcome outcome = TransferChildren(node, source, target, made);
    if (made) {
        const struct timespec times[2] = {node.st.st_atim, node.st.st_mtim};
        (void)m_io.Lchown(target, node.st.st_uid, node.st.st_gid);
        if (m_io.Chmod(target, node.st.st_mode & 07777) != 0 || m_io.Lutimens(target, times) != 0)
            AskError(FileOpError::FromErrno(FileOpStep::SetFolderAttributes, target), false);
        if (outcome == Outcome::NotDone)
            m_io.Rmdir(target);  // made for nothing: tidied away if still empty
    }
    if (m_req.func == FileOpRequest::Move && outcome == Outcome::Done)
        Queue(source, true, 0);
    return outcome;
}

FileOpExecutor::Outcome FileOpExecutor::Transfer(FileOpNode& node, const QByteArray& source,
                                                 const QByteArray& target, bool replace,
                                                 bool merge) {
    m_progress.SetCurrent(source);
    const bool move = m_req.func == FileOpRequest::Move;
    // Within one file system a move is a rename; a folder being merged is
    // moved child by child below.
    if (move && !merge && node.st.st_dev == m_target->st.st_dev) {
        bool crossDevice = false;
        const Outcome outcome = MoveByRename(node, source, target, replace, &crossDevice);
        if (!crossDevice)
            return outcome;
    }
    if (!node.walked) {
        Walk(node, source);
        m_progress.bytesTotal += node.bytes;
        m_progress.itemsTotal += node.items - 1;
    }
    if (move && merge) {
        struct stat st {};
        if (m_io.Lstat(source, &st) == 0 && st.st_dev == m_target->st.st_dev)
            return MergeByRenames(node, source, target);
    }
    if (node.IsDir())
        return TransferFolder(node, source, target, merge);
    const Outcome outcome = CopyItem(node, source, target, replace);
    if (outcome == Outcome::Done && move)
        Queue(source, false, node.bytes);
    return outcome;
}

FileOpExecutor::Outcome FileOpExecutor::TransferTop(FileOpNode& node, std::size_t top) {
    const QByteArray& source = m_plan.sources[top];
    QByteArray target = Join(m_target->path, LastComponent(source));
    bool merge = false, replace = false;
    QByteArray resolved;
    const std::optional<Conflict> conflict =
        ResolveConflict(node, source, target, true, &resolved, &merge);
    if (conflict) {
        if (*conflict == Conflict::Cancel) {
            Stop();
            return Outcome::NotDone;
        }
        if (*conflict == Conflict::Skip) {
            m_result.anySkipped = true;
            m_progress.itemsDone += node.items;
            m_progress.bytesDone += node.bytes;
            return Outcome::NotDone;
        }
        replace = *conflict == Conflict::Overwrite && !merge;
        target = resolved;
    }
    m_finalTargets[top] = target;
    return Transfer(node, source, target, replace, merge);
}

// ---------------------------------------------------------------------------
// Deleting.

FileOpExecutor::Outcome FileOpExecutor::DeleteTree(FileOpNode& node, const QByteArray& path) {
    m_progress.SetCurrent(path);
    if (!Pump())
        return Outcome::NotDone;
    if (node.IsDir()) {
        // The folder must still be the one examined: were it swapped for a
        // link, the names below would be removed from wherever it points.
        struct stat now {};
        if (m_io.Lstat(path, &now) != 0 || !S_ISDIR(now.st_mode) || !SameInode(now, node.st)) {
            AskError(FileOpError(FileOpStep::ChangedWhileDeleting, path), false);
            m_result.anyFailed = true;
            return Outcome::NotDone;
        }
        while (node.readError) {
            if (AskError(FileOpError(FileOpStep::ReadFolder, path, node.readError)) !=
                ErrorAnswer::Retry) {
                m_result.anyFailed = true;
                return Outcome::NotDone;
            }
            Walk(node, path);
        }
        bool allDone = true, anyDone = false;
        for (FileOpNode& child : node.children) {
            if (Stopped()) {
                allDone = false;
                break;
            }
            const Outcome outcome = DeleteTree(child, Join(path, child.name));
            allDone = allDone && outcome == Outcome::Done;
            anyDone = anyDone || outcome != Outcome::NotDone;
        }
        if (!allDone)
            return anyDone ? Outcome::Partial : Outcome::NotDone;
    }
    for (;;) {
        const int result = node.IsDir() ? m_io.Rmdir(path) : m_io.Unlink(path);
        if (result == 0 || errno == ENOENT) {
            m_progress.itemsDone += 1;
            m_progress.bytesDone += S_ISREG(node.st.st_mode) ? std::uint64_t(node.st.st_size) : 0;
            return Outcome::Done;
        }
        if (AskError(FileOpError::FromErrno(FileOpStep::Delete, path)) != ErrorAnswer::Retry) {
            m_result.anyFailed = true;
            return node.IsDir() ? Outcome::Partial : Outcome::NotDone;
        }
    }
}

// Sends a source to the trash. Nullopt when its volume has none and the
// user chose to delete it for good instead.
std::optional<FileOpExecutor::Outcome> FileOpExecutor::TrashTop(const QByteArray& path) {
    for (;;) {
        if (!Pump())
            return Outcome::NotDone;
        QString reason;
        const TrashResult result = m_io.Trash(path, &reason);
        if (result == TrashResult::Trashed) {
            m_progress.itemsDone += 1;
            return Outcome::Done;
        }
        if (result == TrashResult::Failed) {
            if (AskError(FileOpError(FileOpStep::Trash, path).WithDetail(reason)) !=
                ErrorAnswer::Retry) {
                m_result.anyFailed = true;
                return Outcome::NotDone;
            }
            continue;
        }
        // No trash on that volume: deleting for good is the user's call,
        // every time unless they said so for all.
        switch (m_questions.AskNoTrash(path, reason)) {
            case NoTrashAnswer::DeleteForGood:
                return std::nullopt;
            case NoTrashAnswer::Skip:
                m_result.anySkipped = true;
                return Outcome::NotDone;
            case NoTrashAnswer::Cancel:
                break;
        }
        Stop();
        return Outcome::NotDone;
    }
}

FileOpExecutor::Outcome FileOpExecutor::DeleteTop(FileOpNode& node, std::size_t top) {
    const QByteArray& path = m_plan.sources[top];
    m_progress.SetCurrent(path);
    if (m_req.allowUndo) {
        if (const std::optional<Outcome> trashed = TrashTop(path))
            return *trashed;
        Walk(node, path);
        m_progress.itemsTotal += node.items - 1;
        m_progress.bytesTotal += node.bytes;
    }
    return DeleteTree(node, path);
}

// ---------------------------------------------------------------------------

void FileOpExecutor::FinishWrites() {
    if (m_req.func == FileOpRequest::Delete || !m_target || !m_io.IsRemovable(m_target->path))
        return;
    m_progress.SetState(Tr("Finishing writes"), ShownPath(m_target->path));
    const int fd = m_io.Open(m_target->path, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    // The flush can take long on a slow stick; the dialog stays alive
    // meanwhile (it can't be cancelled: the data is already on its way).
    // The flush runs on a thread of its own that is joined before this
    // returns: it uses the I/O layer and the descriptor, which the operation
    // closes and destroys afterwards, so it must never outlive them. A
    // std::jthread states that (its destructor joins on every path); a
    // future from std::async would only by a rule of that one function.
    // errno belongs to the thread that failed, so the worker hands it over.
    std::promise<int> finished;
    std::future<int> flushed = finished.get_future();
    FileOpIo* io = &m_io;
    std::jthread flusher([io, fd, &finished] {
        const int result = io->Syncfs(fd);
        finished.set_value(result == 0 ? 0 : errno != 0 ? errno : EIO);
    });
    while (flushed.wait_for(kFlushWait) != std::future_status::ready) m_progress.Tick(true);
    const int error = flushed.get();
    flusher.join();
    m_io.Close(fd);
    if (error != 0) {
        m_result.anyFailed = true;
        Warn(FileOpError(FileOpStep::FinishWrites, m_target->path, error).Text());
    }
    m_progress.SetState({}, {});
}

FileOpResult FileOpExecutor::Run() {
    m_progress.Start();
    const bool transfer = m_req.func != FileOpRequest::Delete;
    const bool anySource = std::any_of(m_req.sources.begin(), m_req.sources.end(),
                                       [](const QByteArray& source) { return !source.isEmpty(); });
    bool ok = anySource && (!transfer || PrepareTarget());
    const FileOpTarget* target = m_target ? &*m_target : nullptr;
    if (ok)
        m_plan = ExamineSources(m_req, target, m_io);
    else
        m_plan.sources = UniqueSources(m_req.sources);
    m_outcomes.assign(m_plan.sources.size(), Outcome::NotDone);
    m_finalTargets.assign(m_plan.sources.size(), QByteArray());

    if (ok) {
        for (const FileOpRefusal& refusal : m_plan.refusals) Refuse(refusal);
        if (m_req.func == FileOpRequest::Delete && !m_req.noConfirmation) {
            ok = ConfirmDelete();
            if (!ok && m_plan.Accepted() > 0)
                Stop();
        }
    }
    if (ok) {
        if (CountPlan(m_plan, m_req, target, m_io, [this] { return Pump(); })) {
            m_progress.itemsTotal = m_plan.totals.Items();
            m_progress.bytesTotal = m_plan.totals.bytes;
            for (std::size_t i = 0; i < m_plan.sources.size() && !Stopped(); ++i) {
                if (m_plan.refused[i])
                    continue;
                m_top = i;
                m_outcomes[i] =
                    transfer ? TransferTop(m_plan.tops[i], i) : DeleteTop(m_plan.tops[i], i);
            }
        }
        FlushPending();
        FinishWrites();
    }

    for (std::size_t i = 0; i < m_plan.sources.size(); ++i) {
        switch (m_outcomes[i]) {
            case Outcome::Done:
                m_result.done.emplace_back(m_plan.sources[i], m_finalTargets[i]);
                break;
            case Outcome::Partial:
                m_result.partial.emplace_back(m_plan.sources[i], m_finalTargets[i]);
                break;
            case Outcome::NotDone:
                m_result.notDone.push_back(m_plan.sources[i]);
                break;
        }
    }
    if (!ok && transfer && !m_result.aborted)
        m_result.anyFailed = true;
    m_progress.Close();
    return m_result;
}

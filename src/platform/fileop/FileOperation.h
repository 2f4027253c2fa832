#pragma once
// The file-operation engine: copy, move and delete of a list of paths, the
// way the desktop's own file operation does them. The program calls
// SHFileOperation() with what it has (paths, a target folder, three flags)
// and gets back what happened; everything a user sees on the way (progress,
// the question per conflict, the error per file, the delete confirmation)
// is done here, through the prompter service (platform/ui/Prompter.h).
//
// An operation is a plan, then its execution:
//   1. Plan: each source is examined (lstat) and, where needed, walked, so
//      that the totals (items, bytes) are known before any work starts.
//      Sources that must not be done are refused here, each with a warning
//      box, and left untouched: a folder into itself or one of its own
//      subfolders, a file or folder onto itself (the same path, a symbolic
//      link to it, a hard link of it: same st_dev/st_ino), a vanished
//      source.
//      The plan is a value (FileOperationPlan.h) built without executing
//      anything; its cost is linear in the sources (duplicates are found
//      with a hash set) plus one lstat per item walked.
//   2. Execution, item by item, with a progress dialog (shown only when the
//      work lasts longer than about half a second; repainted at most a few
//      times a second). Conflicts are asked when reached, per file
//      (FileOpExecutor.h; the bytes of each file: FileCopier.h).
//
// Guarantees:
//   - Nothing is lost. A copy is written under a temporary name in the
//     target folder (created exclusively), and only a complete copy is
//     renamed to its real name; a failed, skipped or cancelled copy leaves
//     no file under the real name and no temporary behind. Overwriting
//     replaces the old file in one rename, so a larger file overwritten by
//     a smaller one is exactly the smaller one, and the old file stays
//     until the new one is complete.
//   - A move within one file system is rename(2) (renameat2 with
//     RENAME_NOREPLACE unless overwriting was chosen). Across file systems
//     each source is deleted only after its copy is complete and flushed to
//     the target's disk; an item that was skipped, failed or cancelled stays
//     at its source, and so does a folder that still holds such an item.
//   - Copies keep mode, times (to the nanosecond) and, where permitted,
//     ownership; symbolic links are copied as links (never followed); hard
//     links between files of one operation stay hard links; sparse files
//     stay sparse; fifos and device nodes are re-created.
//   - Deleting for good goes depth first and never follows a symbolic link:
//     a link is removed, what it points to is not touched.
//   - Names are raw bytes throughout (spaces, newlines, a leading "-",
//     invalid UTF-8, 255-byte names).
//   - Paths are handled whole: a path longer than PATH_MAX fails with the
//     kernel's error for that item (asked like any other error).
//
// Main thread only: the operation runs on the calling thread and keeps the
// user interface alive by processing events between pieces of work, like a
// modal dialog does, inside an escape-poll scope (platform/ui/EscapePoll.h):
// input reaches only the progress dialog, and the program's private events
// (a folder changed) wait until the operation has ended. One operation at a
// time.

#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/trash/Trash.h"

class QWidget;
class FileOpProgressDialog;

/// What to do: the function, the sources and the target, and the flags the
/// program passes.
struct FileOpRequest {
    enum Func { Copy, Move, Delete };
    Func func = Copy;
    /// Absolute paths, raw bytes; a trailing "/" is ignored. Duplicates are
    /// done once.
    std::vector<QByteArray> sources;
    /// Copy and Move: the folder the sources go into (absolute, raw bytes).
    /// Unused for Delete.
    QByteArray targetFolder;
    /// Delete: move to the trash instead of deleting for good. An item whose
    /// volume has no trash is not deleted for good without a question, even
    /// with noConfirmation. No effect on Copy and Move.
    bool allowUndo = false;
    /// Answer every question with its "yes to all" answer: conflicts are
    /// overwritten (folders merged), the delete confirmation is not asked,
    /// a missing target folder is made. Errors are still asked.
    bool noConfirmation = false;
    /// On a conflict of a source (not of a file inside a merged folder),
    /// give the new item a free name ("name (copy).ext", then
    /// "name (copy 2).ext", ...) instead of asking. Also allows copying an
    /// item into its own folder.
    bool renameOnCollision = false;
    /// Make a missing target folder (and its parents) without asking.
    bool noConfirmMkdir = false;
    /// No progress dialog (the questions are still asked).
    bool silent = false;
};

/// What happened. Every source is in exactly one of done, partial and
/// notDone.
struct FileOpResult {
    /// The user chose Cancel (in a question or the progress dialog); items
    /// not reached were not touched.
    bool aborted = false;
    /// At least one item failed, was refused or was skipped after an error.
    bool anyFailed = false;
    /// At least one item was skipped at a conflict (the user's choice).
    bool anySkipped = false;
    /// Sources carried out whole: source -> final path (which differs from
    /// targetFolder/name when a free name was given). Delete: source -> an
    /// empty path.
    std::vector<std::pair<QByteArray, QByteArray>> done;
    /// Folders carried out in part (something inside was skipped, failed or
    /// cancelled): source -> the target folder made or merged into. For a
    /// move or delete the source folder still holds what was not done.
    std::vector<std::pair<QByteArray, QByteArray>> partial;
    /// Sources not done at all (refused, skipped, failed, not reached).
    std::vector<QByteArray> notDone;
    /// The user-facing texts of the errors and refusals, in order.
    QStringList errors;

    /// True when everything asked for was done.
    bool Succeeded() const {
        return !aborted && !anyFailed && !anySkipped && partial.empty() && notDone.empty();
    }
};

/// The answers of the conflict question, by index (for scripted answers in
/// tests: ScriptedPrompter::AnswerChoice(int(ConflictChoice::Skip))). When
/// the existing item can't be replaced by the new one (a file onto a folder,
/// a folder onto a file) the question has no Overwrite answers: its answers
/// are then Skip, SkipAll, KeepBoth, Cancel, numbered from 0.
enum class ConflictChoice { Overwrite = 0, OverwriteAll, Skip, SkipAll, KeepBoth, Cancel };
/// The answers of the per-file error question, by index.
enum class ErrorChoice { Retry = 0, Skip, SkipAll, Cancel };
/// The answers when an item can't go to the trash because its volume has
/// none, by index.
enum class NoTrashChoice { DeleteForGood = 0, DeleteAllForGood, Skip, Cancel };

/// The system calls the engine makes. Each mirrors its POSIX call: -1 (or
/// a negative count) with errno set on failure. Tests derive from it to
/// inject failures (ENOSPC, EIO) part way; the default is the real thing.
/// Paths are absolute raw bytes.
class FileOpIo {
public:
    virtual ~FileOpIo() = default;

    virtual int Lstat(const QByteArray& path, struct stat* st);
    virtual int Stat(const QByteArray& path, struct stat* st);
    virtual int Open(const QByteArray& path, int flags, mode_t mode = 0);
    virtual int Close(int fd);
    virtual ssize_t Read(int fd, void* buffer, size_t size);
    virtual ssize_t Write(int fd, const void* buffer, size_t size);
    virtual ssize_t CopyFileRange(int fdIn, off_t* offIn, int fdOut, off_t* offOut, size_t size);
    virtual off_t Lseek(int fd, off_t offset, int whence);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Fsync(int fd);
    /// syncfs(2) of the file system that holds fd. The final flush of a
    /// removable target calls it from a worker thread (so that the dialog
    /// stays alive); every other call comes from the operation's thread.
    virtual int Syncfs(int fd);
    virtual int Fchmod(int fd, mode_t mode);
    virtual int Fchown(int fd, uid_t uid, gid_t gid);
    virtual int Futimens(int fd, const struct timespec times[2]);
    virtual int Mkdir(const QByteArray& path, mode_t mode);
    virtual int Rmdir(const QByteArray& path);
    virtual int Unlink(const QByteArray& path);
    /// renameat2(2) with `flags` (0 or RENAME_NOREPLACE).
    virtual int Rename(const QByteArray& from, const QByteArray& to, unsigned flags);
    virtual int Link(const QByteArray& existing, const QByteArray& newPath);
    virtual int Symlink(const QByteArray& target, const QByteArray& linkPath);
    /// readlink(2) into `target`.
    virtual int Readlink(const QByteArray& path, QByteArray* target);
    virtual int Mknod(const QByteArray& path, mode_t mode, dev_t device);
    /// chmod/chown/utimensat of the path itself (not following a link).
    virtual int Chmod(const QByteArray& path, mode_t mode);
    virtual int Lchown(const QByteArray& path, uid_t uid, gid_t gid);
    virtual int Lutimens(const QByteArray& path, const struct timespec times[2]);
    /// The names in a folder, without "." and "..", in directory order.
    virtual int ReadDir(const QByteArray& path, std::vector<QByteArray>* names);
    /// MoveToTrash (platform/trash/Trash.h).
    virtual TrashResult Trash(const QByteArray& path, QString* error);
    /// Whether the folder lies on removable media (a USB stick, a card):
    /// then the operation ends with a flush of its file system, shown as
    /// "Finishing writes".
    virtual bool IsRemovable(const QByteArray& folder);
};

/// One file operation. Make it, optionally adjust it, Run() it once.
class FileOperation {
public:
    explicit FileOperation(FileOpRequest request, QWidget* parent = nullptr);
    ~FileOperation();
    FileOperation(const FileOperation&) = delete;
    FileOperation& operator=(const FileOperation&) = delete;

    /// The system calls to use (not owned; must outlive Run()). Default: a
    /// FileOpIo of the real calls.
    void SetIo(FileOpIo* io);
    /// How long the work must last before the progress dialog shows
    /// (default 500 ms; 0 shows it at once).
    void SetProgressDelay(int milliseconds);

    /// Plans and executes; returns when everything is done or cancelled.
    FileOpResult Run();

    /// Asks the running operation to stop at the next piece of work (between
    /// buffers of a file): what is in progress is undone as a cancelled copy
    /// is, and the result is aborted. What Cancel in the progress dialog
    /// does; callable from the I/O layer and from event handlers.
    void Cancel();
    bool IsCancelled() const { return m_cancelled.load(); }

    /// The progress dialog while it is shown, else null.
    FileOpProgressDialog* ProgressDialog() const;

private:
    class Engine;
    std::unique_ptr<Engine> m_engine;
    std::atomic<bool> m_cancelled{false};
};

/// Runs one operation with the default I/O layer and returns its result.
/// `parent` owns the progress dialog and the questions (may be null).
FileOpResult SHFileOperation(const FileOpRequest& request, QWidget* parent = nullptr);

/// The free name for a copy of `name` in `folder`: "name (copy).ext", then
/// "name (copy 2).ext", "name (copy 3).ext", ... The extension is the part
/// from the last "." that is not the first byte ("a.tar.gz" gives
/// "a.tar (copy).gz", ".profile" gives ".profile (copy)"); folders get no
/// extension split. The stem is shortened (at a UTF-8 boundary) so the name
/// stays within 255 bytes. `exists` is asked for each candidate.
QByteArray FreeCopyName(const QByteArray& name, bool isFolder,
                        const std::function<bool(const QByteArray&)>& exists);

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
// Threads: by default the operation runs on the calling thread, the main
// thread, and keeps the user interface alive by processing events between
// pieces of work, like a modal dialog does, inside an escape-poll scope
// (platform/ui/EscapePoll.h): input reaches only the progress dialog, and
// the program's private events (a folder changed) wait until the operation
// has ended. With a progress sink (SetProgressSink) it shows nothing and
// processes no events, so Run() may be called on a worker thread; its
// questions then go through that thread's prompter (FileOpQueue.h hands
// them to the main thread). Cancel() may be called from any thread.

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

#include "platform/fileop/FileOpIo.h"
#include "platform/fileop/FileOpRequest.h"

class QWidget;
class FileOpProgressDialog;
class FileOpProgressSink;

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

    /// Reports progress to `sink` (not owned; must outlive Run()) instead of
    /// a dialog, and lets Run() be called off the main thread.
    void SetProgressSink(FileOpProgressSink* sink);

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

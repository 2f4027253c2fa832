#pragma once
// The execution of a file operation (FileOperation.h): the target folder
// prepared (made when missing and agreed to), the plan built
// (FileOperationPlan.h) and its refusals shown, the delete confirmation,
// then item by item with its conflicts and per-item errors, each asked when
// reached. Files are copied by a FileCopier, progress goes through a
// FileOpProgressReporter.
//
// Moves: within one file system a rename; across file systems a copy, and
// the sources are deleted in batches (2,000 items or 256 MiB) after one
// flush of the target's file system, so that a source never goes before its
// copy is on disk and a tree of small files is not flushed file by file.
//
// Main thread only, unless a progress sink is set: then Run() may be called
// on a worker thread (FileOpQueue.h). One Run() per executor.

#include <sys/stat.h>

#include <QByteArray>
#include <QSet>
#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/fileop/FileCopier.h"
#include "platform/fileop/FileOpError.h"
#include "platform/fileop/FileOpIo.h"
#include "platform/fileop/FileOpProgressReporter.h"
#include "platform/fileop/FileOpProgressSink.h"
#include "platform/fileop/FileOpQuestions.h"
#include "platform/fileop/FileOpRequest.h"
#include "platform/fileop/FileOperationPlan.h"

class QWidget;

class FileOpExecutor {
public:
    /// `cancelled` is the owner's flag (set from the dialog, an event
    /// handler or the I/O layer); it is read between pieces of work.
    FileOpExecutor(FileOpRequest request, QWidget* parent, FileOpIo& io,
                   std::atomic<bool>& cancelled, int progressDelayMs);

    /// Progress goes to `sink` instead of a dialog (FileOpProgressSink.h).
    void SetProgressSink(FileOpProgressSink* sink) { m_progress.SetSink(sink); }

    FileOpResult Run();

    /// The progress dialog while it is shown, else null.
    FileOpProgressDialog* Dialog() const { return m_progress.Dialog(); }

private:
    enum class Outcome { Done, Partial, NotDone };
    using Conflict = FileOpQuestions::ConflictAnswer;
    using ErrorAnswer = FileOpQuestions::ErrorAnswer;
    using NoTrashAnswer = FileOpQuestions::NoTrashAnswer;
    struct Pending {
        QByteArray path;
        bool isDir = false;
        std::size_t top = 0;
    };

    // Before the plan.
    bool PrepareTarget();
    bool MakeTargetFolder(const QByteArray& path);
    void Refuse(const FileOpRefusal& refusal);
    bool ConfirmDelete();

    // Copy and move.
    Outcome TransferTop(FileOpNode& node, std::size_t top);
    Outcome Transfer(FileOpNode& node, const QByteArray& source, const QByteArray& target,
                     bool replace, bool merge);
    Outcome TransferChildren(FileOpNode& node, const QByteArray& source, const QByteArray& target,
                             bool targetIsNew);
    Outcome MergeByRenames(FileOpNode& node, const QByteArray& source, const QByteArray& target);
    Outcome TransferFolder(FileOpNode& node, const QByteArray& source, const QByteArray& target,
                           bool merge);
    Outcome CopyItem(FileOpNode& node, const QByteArray& source, const QByteArray& target,
                     bool replace);
    std::optional<FileOpError> PlaceCopy(const QByteArray& temp, const QByteArray& source,
                                         const QByteArray& target, bool replace);
    Outcome MoveByRename(FileOpNode& node, const QByteArray& source, const QByteArray& target,
                         bool replace, bool* crossDevice);
    void Queue(const QByteArray& path, bool isDir, std::uint64_t bytes);
    void FlushPending();
    void FinishWrites();

    // Conflicts.
    std::optional<Conflict> ResolveConflict(const FileOpNode& node, const QByteArray& source,
                                            const QByteArray& target, bool top,
                                            QByteArray* finalTarget, bool* merge);
    bool SameItem(const QByteArray& source, const struct stat& sourceSt, const QByteArray& target,
                  const struct stat& targetSt);
    QByteArray FreeName(const QByteArray& target, bool isFolder);
    void Placed(const QByteArray& target);
    bool PlacedHere(const QByteArray& target) const;

    // Delete.
    Outcome DeleteTop(FileOpNode& node, std::size_t top);
    std::optional<Outcome> TrashTop(const QByteArray& path);
    Outcome DeleteTree(FileOpNode& node, const QByteArray& path);

    // Questions, progress and stopping.
    ErrorAnswer AskError(const FileOpError& error, bool canRetry = true);
    void Warn(const QString& text);
    QString Title() const;
    bool Pump(bool force = false);
    bool Stopped();
    void Stop();
    void Walk(FileOpNode& node, const QByteArray& path);

    FileOpRequest m_req;
    QWidget* m_parent;
    FileOpIo& m_io;
    std::atomic<bool>& m_cancelled;
    FileOpResult m_result;
    FileOpProgressReporter m_progress;
    FileOpQuestions m_questions;
    FileCopier m_copier;

    FileOperationPlan m_plan;
    std::optional<FileOpTarget> m_target;
    std::vector<Outcome> m_outcomes;
    std::vector<QByteArray> m_finalTargets;
    // What this operation has put into the target so far (files, links and
    // folders it made or moved there), so that two sources of one name
    // never replace each other.
    QSet<QByteArray> m_placed;

    bool m_stop = false;
    std::size_t m_top = 0;
    std::vector<Pending> m_pending;
    std::uint64_t m_pendingBytes = 0;
};

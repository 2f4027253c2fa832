#pragma once
// FileOpQueue: file operations that run in the background. Each operation
// (FileOperation.h: the same plan, questions, "for all" answers, per-item
// errors and guarantees) runs on a WorkerThread of its own and has a
// non-modal progress window of its own: what is being done, to which item,
// bytes, speed and time left, and Pause/Resume, Queue and Cancel. The main
// window stays usable while it runs.
//
// Running side by side or one after another: an operation that is not
// queued starts at once and runs beside the others. Queued operations run
// one after another, in the order they were started: a queued operation
// waits (before its plan, or at its next piece of work when it is switched
// to queued while it runs) until every queued operation started before it
// has ended. Pause holds an operation at its next piece of work (between
// two buffers of a file) until Resume. Time held does not count in the
// speed shown.
//
// Questions: what the engine asks (conflicts, errors, the delete
// confirmation, a missing target folder) is handed from the worker to the
// main thread, which asks it through the installed prompter
// (platform/ui/Prompter.h), over the operation's window once that is shown,
// else over the window given to SetPromptParent(). Only the asking
// operation waits for the answer; the others go on, and the main window
// stays usable. An operation cancelled while its question waits takes the
// question's escape answer (Cancel), so it stops at once.
//
// Cancel: the engine's own (FileOperation::Cancel): the item in progress is
// undone (a copy's temporary file removed; a move's source stays), what is
// done stays done. An operation cancelled before it began does nothing.
//
// The end: `finished` is called on the main thread with the engine's
// result once the operation's worker has returned, unless `context` was
// given and has been destroyed meanwhile. Then the window goes.
//
// The keyboard stays where the user works: the windows show without taking
// it, and when a dialog closes and the window manager hands the keyboard
// to a progress window instead of the window the dialog belonged to, it is
// handed back there.
//
// Closing the program: ConfirmClose() asks whether to cancel what runs, and
// waits for every cancelled operation to have stopped.
//
// Main thread only (every function here); the queue outlives its
// operations: its destructor cancels them and waits for their workers.
// Cost: one thread per operation while it runs; the windows are refreshed
// four times a second from snapshots the workers leave (no queued call per
// file).

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/fileop/FileOpProgressDialog.h"
#include "platform/fileop/FileOpRequest.h"

class FileOpIo;
class QWidget;
class QWindow;

/// How an operation runs (FileOpQueue::Start).
struct FileOpQueueOptions {
    /// Run one after another with the other queued operations.
    bool queued = false;
    /// The system calls to use (not owned; outlives the operation); null:
    /// the real ones.
    FileOpIo* io = nullptr;
    /// How long the operation must run before its window shows.
    int windowDelayMs = 500;
};

class FileOpQueue : public QObject {
    Q_OBJECT
public:
    using Finished = std::function<void(const FileOpResult& result)>;

    using Options = FileOpQueueOptions;

    explicit FileOpQueue(QObject* parent = nullptr);
    /// Cancels every operation and waits for its worker; no `finished` is
    /// called.
    ~FileOpQueue() override;

    FileOpQueue(const FileOpQueue&) = delete;
    FileOpQueue& operator=(const FileOpQueue&) = delete;

    /// The window questions go over while an operation's own window is not
    /// shown (the main window); may be null.
    void SetPromptParent(QWidget* parent) { m_promptParent = parent; }

    /// Starts `request` in the background and returns its id (1, 2, ...).
    int Start(FileOpRequest request, Finished finished, QObject* context = nullptr,
              Options options = Options());
    int Start(FileOpRequest request, Finished finished, QObject* context, bool queued) {
        Options options;
        options.queued = queued;
        return Start(std::move(request), std::move(finished), context, options);
    }

    /// Operations started and not yet finished.
    int Running() const { return int(m_jobs.size()); }
    /// Their ids, in the order they were started.
    std::vector<int> Ids() const;
    bool Contains(int id) const { return m_jobs.count(id) != 0; }

    void SetPaused(int id, bool paused);
    bool IsPaused(int id) const;
    void SetQueued(int id, bool queued);
    bool IsQueued(int id) const;
    /// Waiting for an earlier queued operation to end.
    bool IsWaiting(int id) const;
    /// True while the operation's worker is stopped at a hold (paused, or
    /// waiting its turn) at this moment.
    bool IsHeldNow(int id) const;
    void Cancel(int id);
    void CancelAll();

    /// The latest snapshot of an operation's progress.
    FileOpProgress Progress(int id) const;
    /// The operation's window (made at Start, shown after the delay).
    FileOpProgressDialog* Window(int id) const;

    /// Blocks until the workers of every cancelled operation have returned,
    /// then finishes them (their `finished` runs now). An operation that is
    /// not cancelled is waited for too: cancel first.
    void WaitAll();

    /// Whether the program may close: true when nothing runs. Otherwise asks
    /// kCloseWithOperationsQuestion (over `parent`, No the default); Yes
    /// cancels every operation and waits for each to stop (WaitAll) and is
    /// true; No changes nothing and is false.
    bool ConfirmClose(QWidget* parent);

Q_SIGNALS:
    /// The number of operations running changed (started or finished).
    void runningChanged(int count);

private:
    struct Shared;
    struct Job;
    class WorkerSide;

    void Finish(int id, const FileOpResult& result);
    void UpdateHeld();
    void Refresh();
    void AskCancel(int id);
    Job* Find(int id) const;
    bool IsWindowOfOperation(const QWindow* window) const;
    void OnFocusWindowChanged(QWindow* now);

    std::map<int, std::unique_ptr<Job>> m_jobs;
    int m_nextId = 1;
    QPointer<QWidget> m_promptParent;
    QTimer m_refresh;
    // The window that had the keyboard last, and the one it belongs to.
    QPointer<QWindow> m_lastFocus;
    QPointer<QWindow> m_lastFocusParent;
};

/// The queue the program's commands start their operations on; null (the
/// default, and in tests that do not set one) makes them run in the
/// foreground as before, on the main thread with a modal progress dialog.
FileOpQueue* BackgroundOperations();
void SetBackgroundOperations(FileOpQueue* queue);

/// The question asked when the program is closed while operations run
/// ("%1": "A file operation is" or "N file operations are").
extern const char* const kCloseWithOperationsQuestion;
extern const char* const kCloseWithOperationsTitle;
/// The status bar's text for the number of operations running.
QString RunningOperationsText(int count);

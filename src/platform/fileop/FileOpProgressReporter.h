#pragma once
// The progress side of a running file operation: the counts, the name being
// worked on, the progress dialog, and the event pump that keeps the user
// interface alive between pieces of work.
//
// The dialog is made only once the work has lasted the delay (500 ms by
// default) and repainted at most four times a second; the pump looks at
// events at most every 40 ms, so a copy of many small files spends its time
// copying. The pump runs inside an escape-poll scope (platform/ui/
// EscapePoll.h): the program's private events (a folder changed, ...) wait
// until the operation has ended, so a pane does not re-read a folder that is
// being filled or emptied; input goes only to the progress dialog (its
// Cancel button, Escape, its close button), and before the dialog is up,
// input waits in the queue.
//
// Main thread only, unless a sink is set (SetSink): then the reporter runs
// on the operation's thread, shows no dialog and processes no events, and
// hands its snapshots to the sink. The counts are plain fields the executor
// adds to.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;
class FileOpProgressDialog;
class FileOpProgressSink;
struct FileOpProgress;

class FileOpProgressReporter {
public:
    /// `title` heads the dialog ("Copying", ...); `onCancel` is called when
    /// the dialog's Cancel is chosen. `silent`: no dialog is ever shown.
    FileOpProgressReporter(QString title, QWidget* parent, bool silent,
                           std::function<void()> onCancel);
    ~FileOpProgressReporter();
    FileOpProgressReporter(const FileOpProgressReporter&) = delete;
    FileOpProgressReporter& operator=(const FileOpProgressReporter&) = delete;

    /// How long the work must last before the dialog shows (0: at once).
    void SetDelay(int milliseconds) { m_delayMs = milliseconds; }
    /// Sends the progress to `sink` (not owned; outlives the operation)
    /// instead of a dialog; see the top of this file.
    void SetSink(FileOpProgressSink* sink) { m_sink = sink; }
    /// Starts the clock the delay and the repaints are measured on.
    void Start() { m_clock.start(); }

    /// Counts of the whole operation; totals grow when an item is walked
    /// late (a folder that could not be read at first).
    std::uint64_t bytesTotal = 0, bytesDone = 0, itemsTotal = 0, itemsDone = 0;

    /// The item being worked on. Only the name shown at the next repaint is
    /// decoded: decoding every name of a large tree would cost more than
    /// copying its small files.
    void SetCurrent(const QByteArray& path);
    /// A state that replaces the title ("Finishing writes") and the item
    /// shown with it; an empty state goes back to the title.
    void SetState(const QString& state, const QString& item);

    /// Shows the dialog when due, repaints it when due, and processes the
    /// pending events; `force` does all three now. When the dialog was
    /// closed or Escape pressed meanwhile, asks (after the events, outside
    /// the input gate, so the question takes input) whether to cancel; Yes
    /// cancels as the Cancel button does, No goes on.
    void Tick(bool force);

    /// Where questions go: the dialog while it is shown, else the parent.
    QWidget* PromptParent() const;
    /// The dialog while it is shown, else null.
    FileOpProgressDialog* Dialog() const { return m_dialog.get(); }
    /// Hides and destroys the dialog.
    void Close();

private:
    void ShowDialog();
    /// What the dialog or the sink is shown now.
    FileOpProgress Snapshot();
    void Paint(qint64 now);
    bool ConfirmCancel() const;
    void Report(bool force, qint64 now);

    QString m_title;
    QWidget* m_parent;
    bool m_silent;
    std::function<void()> m_onCancel;
    int m_delayMs = 500;
    FileOpProgressSink* m_sink = nullptr;
    std::unique_ptr<FileOpProgressDialog> m_dialog;
    QElapsedTimer m_clock;
    qint64 m_lastPump = -1000, m_lastPaint = -1000;
    QString m_current, m_state;
    QByteArray m_currentPath;  // the item set last, decoded at the next paint
    bool m_currentPending = false;
    bool m_closeAsked = false;
    bool m_quitConfirmed = false;
};

/// The question asked when the progress dialog is closed while its
/// operation runs.
extern const char* const kCancelOperationQuestion;

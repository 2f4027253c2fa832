#pragma once
// The progress dialog of a file operation: what is being done, to which
// item, how much of the whole is done, the speed and the time left, and a
// Cancel button. It only shows numbers it is given; the engine decides when
// to show it and how often to update it (a few times a second at most, so
// that painting never slows a copy down).
//
// An operation that runs in the background (FileOpQueue.h) adds Pause /
// Resume and Queue to it; the time it spends held (paused, or waiting for
// its turn in the queue) does not count in its speed.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

/// A snapshot of an operation's progress.
struct FileOpProgress {
    QString title;        // "Copying", "Moving", ...
    QString currentItem;  // the name being worked on (display form)
    QString state;        // empty, or "Finishing writes" and the like
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    std::uint64_t itemsDone = 0;
    std::uint64_t itemsTotal = 0;
};

class FileOpProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit FileOpProgressDialog(QWidget* parent = nullptr);

    /// Shows the snapshot. The speed is measured from the first call; the
    /// time left is the bytes (or, without bytes, the items) left at that
    /// speed, once there is enough of a measure.
    void Update(const FileOpProgress& progress);

    /// Adds the "&Pause"/"&Resume" and "&Queue" buttons; `queued` is the
    /// Queue button's first state.
    void AddBackgroundControls(bool queued);
    /// Shows whether the operation is held: paused by the user, or waiting
    /// its turn in the queue (the Pause button and the Queue button follow).
    void SetHeld(bool paused, bool waiting);
    bool IsPausedShown() const { return m_paused; }

    /// The texts shown, for tests and accessibility.
    QString ItemText() const;
    QString CountText() const;
    QString SpeedText() const;
    bool CancelRequested() const { return m_cancelRequested; }

    /// Marks the operation as being cancelled (Cancel disabled, "Cancelling..."
    /// shown) and emits cancelRequested() once.
    void RequestCancel();

Q_SIGNALS:
    /// Cancel was pressed, or a close was confirmed.
    void cancelRequested();
    /// The dialog was closed (its close button, Alt+F4) or Escape pressed:
    /// whoever runs the operation asks whether to cancel, once it is
    /// between two pieces of work. A stray key must not throw away a long
    /// copy.
    void closeRequested();
    /// Pause or Resume was pressed: the state asked for.
    void pauseToggled(bool paused);
    /// Queue was toggled: whether the operation is to wait its turn.
    void queueToggled(bool queued);

protected:
    void reject() override;

private:
    QLabel* m_title = nullptr;
    QLabel* m_item = nullptr;
    QLabel* m_counts = nullptr;
    QLabel* m_speed = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_queue = nullptr;
    QLabel* m_heldText = nullptr;
    QElapsedTimer m_clock;
    QElapsedTimer m_heldClock;
    qint64 m_heldNs = 0;
    bool m_paused = false;
    bool m_waiting = false;
    bool m_cancelRequested = false;
};

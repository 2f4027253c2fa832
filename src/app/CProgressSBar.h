#pragma once
// CProgressSBar: the progress bar that long operations on the main thread
// show inside the status bar's message pane, to the right of their caption.
//
// It is a child of the status bar, placed by hand over pane 0 (never in the
// status bar's layout), hidden while no operation runs. Range 0..100, one
// step is 10. BeginProgress() and EndProgress() do nothing while the status
// bar is hidden, so an operation then runs without a bar.
//
// Placement (ProgressBarPlacement): pane 0's rectangle shrunk by one pixel
// at top and bottom, 40 percent of the pane's width long, moved right by the
// caption's width plus 10 pixels (0 for an empty caption), and cut at the
// pane's right edge. The bar is moved only when that rectangle differs from
// the one it was moved to last.
//
// The bar is what the long-operation service (shell/LongOperation.h) shows:
// Sink() gives the sink the status bar installs, which also keeps the Escape
// watch (EscapePollScope) from an operation's begin to its end.
//
// Main thread only. Every call repaints at once: the operation that follows
// keeps the event loop from painting.

#include <QProgressBar>
#include <QRect>
#include <QString>
#include <memory>

#include "shell/LongOperation.h"

class QStatusBar;

/// What the progress bar needs of the status bar that holds it: its caption
/// pane, so the bar does not depend on the whole status bar.
class ProgressBarHost {
public:
    virtual ~ProgressBarHost() = default;
    /// The status bar widget itself (the bar's parent; hidden means no bar).
    virtual QStatusBar* HostBar() = 0;
    /// Shows `text` in pane 0.
    virtual void SetMessageText(const QString& text) = 0;
    /// The text of pane 0 when idle ("Ready").
    virtual QString IdleText() const = 0;
    /// The rectangle of pane `pane`, in the status bar's coordinates.
    virtual QRect PaneRect(int pane) const = 0;
};
class EscapePollScope;

/// The room between a progress caption and its bar, in pixels.
inline constexpr int kProgressCaptionGap = 10;

/// Where the bar goes for pane 0's rectangle `pane` (status bar
/// coordinates) and the measured caption width (already including the gap;
/// 0 for no caption). A caption wider than 60 percent of the pane gives a
/// bar shorter than 40 percent of it, and one wider than the pane a bar of
/// width 0.
QRect ProgressBarPlacement(const QRect& pane, int captionWidth);

class CProgressSBar : public QProgressBar {
    Q_OBJECT

public:
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;
    static constexpr int kStep = 10;

    /// A hidden bar inside `statusBar`.
    explicit CProgressSBar(ProgressBarHost* statusBar);
    ~CProgressSBar() override;

    /// Shows `caption` in pane 0 and the bar, at position 0, beside it.
    /// Nothing while the status bar is hidden.
    void BeginProgress(const QString& caption);
    /// Hides the bar and puts "Ready" in pane 0. Nothing while the status
    /// bar is hidden.
    void EndProgress();
    /// Advances the bar by one step (10), never past 100, and repaints it.
    void StepIt();

    /// The long operations' sink for this bar: begin is BeginProgress()
    /// and starts the Escape watch, step is StepIt(), poll is PollEscape()
    /// (or PollEscapeOrQuit()), end is EndProgress() and ends the watch. The
    /// watch runs even while the status bar is hidden. Safe to keep past
    /// the bar: once it is gone, the sink does nothing.
    ProgressSink Sink();
    /// True between a sink's begin and its end.
    bool IsWatchingEscape() const { return m_polling != nullptr; }

    /// The rectangle the bar was last moved to (empty before the first move).
    QRect LastRect() const { return m_lastRect; }
    /// How many times BeginProgress() moved the bar.
    int MoveCount() const { return m_moveCount; }

private:
    ProgressBarHost* m_statusBar;
    std::unique_ptr<EscapePollScope> m_polling;
    QRect m_lastRect;
    int m_moveCount = 0;
};

#pragma once
// Long operations on the main thread (compare contents, text scan, shred,
// split, merge, hard links, folder statistics): a caption and a progress bar
// in the status bar while they run, and the Escape key that stops them.
//
// The tools report here, wherever they live; the status bar installs the
// sink that shows it (SetProgressSink), as the frame does for notices. Until
// then, and in tests that install none, every call does nothing and
// PollEscape() is false, so an operation runs to its end without a bar.
//
// The sink's begin also starts the Escape watch (while it lasts, input is
// held off the windows and an Escape is recorded), and its end stops it;
// PollEscape() lets the pending events through and says whether Escape was
// pressed since the previous poll.
//
//     LongOperation operation(QStringLiteral("Shreding... (ESC to abort)"));
//     ProgressStepper stepper(items.size());
//     for (auto& item : items) {
//         if (stepper.Advance()) operation.Step();
//         ... process the item ...
//         if (operation.PollEscape()) break;
//     }   // the bar goes, pane 0 says "Ready"
//
// One operation at a time: they do not nest. Main thread only.

#include <QString>
#include <functional>

/// Where long operations show. Every member may be empty (that call then
/// does nothing, and `poll` answers false).
struct ProgressSink {
    /// Shows the caption and the bar at its start, and starts the Escape
    /// watch.
    std::function<void(const QString& caption)> begin;
    /// Advances the bar by one step (a tenth).
    std::function<void()> step;
    /// Lets the pending events through; true when Escape was pressed since
    /// the previous poll (or, with `orQuit`, once the user asked to quit).
    std::function<bool(bool orQuit)> poll;
    /// Removes the bar, shows the idle text and ends the Escape watch.
    std::function<void()> end;
};

/// Installs the sink (an empty one removes it). Returns the previous one, so
/// that its owner can put it back.
ProgressSink SetProgressSink(ProgressSink sink);

/// Passes each call to the sink's member of the same purpose.
void BeginProgress(const QString& caption);
void StepProgress();
void EndProgress();
/// True when Escape was pressed since the previous poll.
bool PollProgressEscape();
/// As PollProgressEscape(), and also true once the user asked to quit (the
/// request is carried out when the operation ends).
bool PollProgressEscapeOrQuit();

/// One long operation: begins in the constructor and ends in the destructor,
/// so that every way out of the loop takes the bar away.
class LongOperation {
public:
    explicit LongOperation(const QString& caption) { BeginProgress(caption); }
    ~LongOperation() { EndProgress(); }
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    void Step() { StepProgress(); }
    bool PollEscape() { return PollProgressEscape(); }
    bool PollEscapeOrQuit() { return PollProgressEscapeOrQuit(); }
};

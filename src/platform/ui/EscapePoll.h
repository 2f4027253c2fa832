#pragma once
// Long operations on the main thread (compare contents, text scan, shred,
// split, merge, hard links, statistics) and the Escape key that stops them.
//
// While an EscapePollScope lives, an application event filter stands between
// the window system and the program:
// - keyboard and mouse input (keys, shortcuts, clicks, wheel, drag and drop,
//   context menus) is swallowed, so nothing the user does re-enters the
//   program halfway through an operation; an Escape press *or release* is
//   recorded;
// - a quit request (QEvent::Quit, as QCoreApplication::quit() sends it) is
//   held back and recorded; a close of a top-level window is refused and
//   recorded, and a close of the quit window (SetQuitWindow(), the main
//   window) also counts as a quit request;
// - the program's private posted events (kFirstPrivateEvent..kLastPrivateEvent: folder changed,
//   thumbnail ready, ...) are held back, so a pane does not re-read its
//   folder under an operation that is walking its items.
// When the outermost scope ends, what was held back is posted again, in this
// order: the private events (to their receivers, if they still exist), the
// window closes, and the quit request; so the application still quits after
// the operation has stopped.
//
// PollEscape() and PollEscapeOrQuit() process the pending events (timers and
// painting run; input meets the filter) and report what the filter saw since
// the previous poll. Called without a scope, each makes one for its own call.
//
//     EscapePollScope polling;
//     for (...) { ... one item ...; if (PollEscape()) break; }
//
// Keys other than Escape that arrive during an operation are lost, as are
// mouse clicks, except those for a window the scope lets through: an
// operation's own progress dialog (EscapePollScope(QWidget*)) keeps its
// Cancel button, its Escape key and its close button while the rest of the
// program is held. Main thread only. Cost of a poll: one pass of the event
// loop.

#include <QEvent>

class QWidget;

/// The range of the program's private event numbers held back by the scope.
inline constexpr int kFirstPrivateEvent = 32769;
inline constexpr int kLastPrivateEvent = 32999;

class EscapePollScope {
public:
    /// Installs the filter (or joins the scope that has it).
    EscapePollScope();
    /// As above, and while this scope lives, input to `window` (a top-level
    /// widget) and the widgets in it passes the filter, and so does its
    /// close: the window is the operation's own (a progress dialog with a
    /// Cancel button). An Escape pressed there is still reported. Null: as
    /// the plain scope.
    explicit EscapePollScope(QWidget* window);
    /// The outermost scope removes the filter and posts again what it held
    /// back (see the top of this file).
    ~EscapePollScope();
    EscapePollScope(const EscapePollScope&) = delete;
    EscapePollScope& operator=(const EscapePollScope&) = delete;

private:
    QWidget* m_window = nullptr;
};

/// True while a scope is active.
bool IsEscapePollActive();

/// Processes the pending events; true when an Escape press or release was
/// seen since the previous poll of this scope.
bool PollEscape();
/// As PollEscape(), and also true once a quit request (a Quit event, or a
/// close of the quit window) has arrived during the scope; the request is
/// carried out when the outermost scope ends.
bool PollEscapeOrQuit();

/// True when the active scope held back a close of the quit window (the user
/// closed the main window while an operation runs); the close is dropped, so
/// the caller decides: ask, then CloseQuitWindowLater() or go on.
bool TakeQuitWindowClose();
/// Closes the quit window once the events queued now are processed (held
/// again, and carried out when the outermost scope ends).
void CloseQuitWindowLater();

/// The window whose close counts as a quit request (null: none). The main
/// frame registers itself; it is forgotten when that window is destroyed.
void SetQuitWindow(QWidget* window);

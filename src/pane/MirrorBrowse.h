#pragma once
// Mirrored navigation: while it is on, a folder change of the pane that
// commands act on is repeated in the other pane, so two copies of one tree
// (a working copy and its backup) are browsed together.
//
// The flag is process-wide and starts off. This header holds the flag and
// the pure part of the follow step: from the old and the new path of the
// pane that moved and the other pane's path, what the other pane has to do.
// The pane carries the plan out (CPanexView::FollowMirror) and switches the
// flag off when the other pane cannot follow.
//
// Paths are absolute with "/" separators and compared exactly. Main thread
// only.

#include <QString>

/// The process-wide switch (initially off).
bool MirrorBrowsing();
void SetMirrorBrowsing(bool on);

/// Holds mirrored navigation off for its lifetime (the frame changes both
/// panes itself) and restores the switch afterwards.
class ScopedMirrorOff {
public:
    ScopedMirrorOff();
    ~ScopedMirrorOff();
    ScopedMirrorOff(const ScopedMirrorOff&) = delete;
    ScopedMirrorOff& operator=(const ScopedMirrorOff&) = delete;

private:
    bool m_previous;
};

/// What the other pane does to follow a move.
struct MirrorPlan {
    enum Kind {
        kNothing,  // the pane did not really move
        kOpen,     // a move down or sideways: the other pane opens `path`
        kUp,       // a move up: the other pane goes up `levels` folders
        kFail,     // the other pane cannot follow
    };
    Kind kind = kNothing;
    QString path;
    int levels = 0;
};

/// The follow step for a pane that went from `oldPath` to `newPath` while
/// the other pane shows the file-system folder `otherPath`:
/// 1. equal paths: nothing;
/// 2. `cut` is the position just after the last "/" of the paths' common
///    leading part; when the old path continues with "/" exactly where the
///    new one ends, the whole common part counts; when the old path ends
///    exactly where the new one continues with "/", `cut` is just after that
///    "/"; paths without a common part fail;
/// 3. when the new path goes on after `cut` (down or sideways), the other
///    path loses as many trailing components as the old path has after
///    `cut` (when it has that many), and the new path's text after `cut` is
///    joined to it;
/// 4. when the new path ends at `cut` (up), the other pane goes up by the
///    count of the old path's components after `cut`.
MirrorPlan PlanMirror(const QString& oldPath, const QString& newPath, const QString& otherPath);

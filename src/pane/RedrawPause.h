#pragma once
// RedrawPause: holds a list's painting for a scope, so that many changes of
// its rows or selection reach the screen as one (PaneRowFeed::SuspendRedraw
// and ResumeRedraw; pauses nest).

#include "pane/PaneRowFeed.h"

class RedrawPause {
public:
    explicit RedrawPause(PaneRowFeed& list) : m_list(list) { m_list.SuspendRedraw(); }
    ~RedrawPause() { m_list.ResumeRedraw(); }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    PaneRowFeed& m_list;
};

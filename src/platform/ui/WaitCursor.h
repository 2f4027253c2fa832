#pragma once
// WaitCursor: shows the busy cursor over the whole application for as long
// as it lives, for work that keeps the main thread busy. Guards nest: the
// cursor goes back to normal when the last one ends, because each guard
// pushes one entry on Qt's override-cursor stack and pops it again.
//
// Main thread only. Does nothing without a QGuiApplication.

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    /// Shows the busy cursor again after something (a dialog) changed the
    /// cursor on top of Qt's override stack: the top entry becomes the wait
    /// cursor again. The stack's depth is unchanged.
    void Restore();

private:
    bool m_active = false;
};

#pragma once
// The state of the modifier keys at this moment, where the program asks
// whether Ctrl, Shift or Alt is held (a command that acts on the other pane
// with Alt, an editor opened externally with Ctrl). One function asks the
// window system; tests override it, so the same logic runs without a
// keyboard.
//
// Main thread only. Cost: without an override, one query to the window
// system (a round trip to the X server on X11), so ask once per decision,
// not per item.

#include <Qt>
#include <optional>

/// The modifiers held now (QGuiApplication::queryKeyboardModifiers()), or the
/// override while one is set. No modifiers when there is no QGuiApplication.
Qt::KeyboardModifiers QueryKeyState();
bool IsCtrlDown();
bool IsShiftDown();
bool IsAltDown();

/// Makes QueryKeyState() report `modifiers` until cleared with nullopt.
void SetKeyStateOverride(std::optional<Qt::KeyboardModifiers> modifiers);
/// The override set now, if any.
std::optional<Qt::KeyboardModifiers> KeyStateOverride();

/// Sets an override for its lifetime and then puts back the one before
/// (nesting works).
class ScopedKeyState {
public:
    explicit ScopedKeyState(Qt::KeyboardModifiers modifiers);
    ~ScopedKeyState();
    ScopedKeyState(const ScopedKeyState&) = delete;
    ScopedKeyState& operator=(const ScopedKeyState&) = delete;

private:
    std::optional<Qt::KeyboardModifiers> m_previous;
};

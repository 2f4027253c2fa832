#pragma once
// The window-rectangle record: the entry "szWindowRect" of a section holds a
// window's normal rectangle as "left,top,right,bottom" in screen pixels. The
// main window ("MainFrame Settings"), the editor, the find-results and the
// folder statistics windows keep their places in it; the editor also keeps
// its print margins in this form.
//
// The rectangle is the window's client geometry (QWidget::geometry()), with
// right and bottom exclusive (right = x + width), so a stored rectangle
// round-trips through setGeometry() whatever decorations the window manager
// adds.
//
// These functions depend only on the store and on Qt, not on the application
// object, so any window's code may use them.

#include <QRect>
#include <QString>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>

class ProfileStore;
class QWidget;

/// The entry that holds the record.
inline const QString kWindowRectKey = QStringLiteral("szWindowRect");

/// The left and top of a rectangle that names no place: "let the window
/// system choose" (the value of the system's default-position marker).
constexpr int kDefaultWindowPosition = INT_MIN;

struct WindowRect {
    int left = kDefaultWindowPosition;
    int top = kDefaultWindowPosition;
    int right = 0;
    int bottom = 0;

    /// The default rectangle: left and top the default-position marker,
    /// right and bottom 0.
    static WindowRect Default() { return {}; }
    static WindowRect FromQRect(const QRect& rect);
    /// The same place as a QRect (width right - left, height bottom - top).
    QRect ToQRect() const;
    bool IsDefaultPosition() const { return left == kDefaultWindowPosition; }
    /// Width and height, saturated to the int range (a damaged record may
    /// hold extremes whose difference overflows).
    int Width() const { return Saturate(std::int64_t(right) - left); }
    int Height() const { return Saturate(std::int64_t(bottom) - top); }
    friend bool operator==(const WindowRect&, const WindowRect&) = default;

private:
    static int Saturate(std::int64_t v) {
        return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
    }
};

/// How a placement shows its window. Stored placements always restore to the
/// normal state.
enum class WindowShowState { Normal };

struct WindowPlacement {
    WindowRect normal;
    WindowShowState show = WindowShowState::Normal;
};

/// Parses "%d,%d,%d,%d". Anything but exactly four decimal integers (each may
/// have a sign and surrounding blanks) separated by commas gives nullopt:
/// three or five numbers, letters, a number outside the int range.
std::optional<WindowRect> ParseWindowRect(const QString& text);
/// The record's text for a rectangle.
QString FormatWindowRect(const WindowRect& rect);

/// The stored rectangle of `section`, or WindowRect::Default() when the entry
/// is missing or malformed.
WindowRect ReadWindowRect(const ProfileStore& store, const QString& section);
void WriteWindowRect(ProfileStore& store, const QString& section, const WindowRect& rect);

/// The placement for a window whose place is stored in `section`: it starts
/// from `mainWindow`'s current normal geometry (the default rectangle when
/// there is no main window); a stored rectangle (bottom not 0) replaces it;
/// when nothing is stored and the main window is visible, the width and height
/// are halved, so a new window opens at the main window's top-left corner with
/// half its size. The show state is always normal.
///
/// A stored rectangle that lies entirely off every screen is moved (and shrunk
/// if needed) onto the primary screen's available area: a window restored
/// where no screen is would be lost to the user.
WindowPlacement GetStoredPlacement(const ProfileStore& store, const QString& section,
                                   const QWidget* mainWindow);

/// Moves `rect` onto the primary screen's available area when it intersects no
/// screen; gives it back unchanged otherwise (or when there are no screens).
WindowRect KeepOnScreen(const WindowRect& rect);

/// Applies a placement to a top-level window: restores the normal state and
/// sets the normal geometry. A rectangle with the default-position marker
/// leaves the window where it is (the window manager places a new window); an
/// empty or inverted size keeps the window's current size. Setting the
/// geometry the window already has does nothing, so a window that was never
/// placed stays free for the window manager to place.
void ApplyWindowPlacement(QWidget* window, const WindowPlacement& placement);

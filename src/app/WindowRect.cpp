#include "app/WindowRect.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include "platform/store/ProfileStore.h"

WindowRect WindowRect::FromQRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

QRect WindowRect::ToQRect() const {
    return QRect(left, top, Width(), Height());
}

std::optional<WindowRect> ParseWindowRect(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok, 10);
        if (!ok)
            return std::nullopt;
    }
    return WindowRect{values[0], values[1], values[2], values[3]};
}

QString FormatWindowRect(const WindowRect& rect) {
    return QString::asprintf("%d,%d,%d,%d", rect.left, rect.top, rect.right, rect.bottom);
}

WindowRect ReadWindowRect(const ProfileStore& store, const QString& section) {
    return ParseWindowRect(store.GetProfileString(section, kWindowRectKey))
        .value_or(WindowRect::Default());
}

void WriteWindowRect(ProfileStore& store, const QString& section, const WindowRect& rect) {
    store.WriteProfileString(section, kWindowRectKey, FormatWindowRect(rect));
}

WindowRect KeepOnScreen(const WindowRect& rect) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (screens.isEmpty() || primary == nullptr)
        return rect;

    // Widths are computed in 64 bits: a damaged record may hold extremes.
    const qint64 width = std::max<qint64>(1, qint64(rect.right) - rect.left);
    const qint64 height = std::max<qint64>(1, qint64(rect.bottom) - rect.top);
    for (const QScreen* screen : screens) {
        const QRect g = screen->geometry();
        if (rect.left < qint64(g.x()) + g.width() && qint64(rect.left) + width > g.x() &&
            rect.top < qint64(g.y()) + g.height() && qint64(rect.top) + height > g.y())
            return rect;
    }

    const QRect area = primary->availableGeometry();
    const int w = int(std::min<qint64>(width, area.width()));
    const int h = int(std::min<qint64>(height, area.height()));
    const int left =
        int(std::clamp<qint64>(rect.left, area.x(), qint64(area.x()) + area.width() - w));
    const int top =
        int(std::clamp<qint64>(rect.top, area.y(), qint64(area.y()) + area.height() - h));
    return {left, top, left + w, top + h};
}

WindowPlacement GetStoredPlacement(const ProfileStore& store, const QString& section,
                                   const QWidget* mainWindow) {
    WindowPlacement placement;
    if (mainWindow != nullptr) {
        // normalGeometry() is kept only while a window is maximized or full
        // screen; otherwise the normal place is where the window is.
        const bool restored = mainWindow->isMaximized() || mainWindow->isFullScreen();
        placement.normal =
            WindowRect::FromQRect(restored ? mainWindow->normalGeometry() : mainWindow->geometry());
    }

    const WindowRect stored = ReadWindowRect(store, section);
    if (stored.bottom != 0) {
        placement.normal = KeepOnScreen(stored);
    } else if (mainWindow != nullptr && mainWindow->isVisible()) {
        WindowRect& r = placement.normal;
        r.right -= r.Width() / 2;
        r.bottom -= r.Height() / 2;
    }
    placement.show = WindowShowState::Normal;
    return placement;
}

void ApplyWindowPlacement(QWidget* window, const WindowPlacement& placement) {
    if (window == nullptr)
        return;
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        window->setWindowState(window->windowState() &
                               ~(Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
    const WindowRect& r = placement.normal;
    if (r.IsDefaultPosition())
        return;

    QRect target = r.ToQRect();
    if (r.Width() <= 0 || r.Height() <= 0)
        target.setSize(window->size());
    if (target != window->geometry())
        window->setGeometry(target);
}

#include "app/ToolbarResource.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <functional>
#include <optional>

#include "shell/CommandIds.h"

namespace {

// Drawings are made on a 16 x 16 grid and scaled to the pixmap's size.
using Drawing = std::function<void(QPainter&)>;

void DrawLargeIcons(QPainter& p) {
    p.drawRect(QRectF(2, 2, 5, 5));
    p.drawRect(QRectF(9, 2, 5, 5));
    p.drawRect(QRectF(2, 9, 5, 5));
    p.drawRect(QRectF(9, 9, 5, 5));
}

void DrawSmallIcons(QPainter& p) {
    for (int column = 0; column < 2; ++column) {
        for (int row = 0; row < 3; ++row) {
            const qreal x = 1.5 + column * 7;
            const qreal y = 2.5 + row * 4.5;
            p.drawRect(QRectF(x, y, 2, 2));
            p.drawLine(QPointF(x + 3.5, y + 1), QPointF(x + 6, y + 1));
        }
    }
}

void DrawList(QPainter& p) {
    for (int column = 0; column < 2; ++column)
        for (int row = 0; row < 4; ++row)
            p.drawLine(QPointF(2 + column * 7, 3 + row * 3.3),
                       QPointF(7 + column * 7, 3 + row * 3.3));
}

void DrawDetails(QPainter& p) {
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.drawLine(QPointF(1.5, 5.5), QPointF(14.5, 5.5));
    p.drawLine(QPointF(8.5, 2.5), QPointF(8.5, 13.5));
    p.drawLine(QPointF(11.5, 2.5), QPointF(11.5, 13.5));
    p.drawLine(QPointF(1.5, 8.5), QPointF(14.5, 8.5));
    p.drawLine(QPointF(1.5, 11), QPointF(14.5, 11));
}

void DrawText(QPainter& p, const QString& text) {
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
}

void DrawSize(QPainter& p) {
    p.drawRect(QRectF(2, 10, 3, 4));
    p.drawRect(QRectF(6.5, 6.5, 3, 7.5));
    p.drawRect(QRectF(11, 2.5, 3, 11.5));
}

void DrawDate(QPainter& p) {
    p.drawEllipse(QPointF(8, 8), 6, 6);
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
}

void DrawAscending(QPainter& p) {
    p.drawLine(QPointF(4, 14), QPointF(4, 2));
    p.drawLine(QPointF(4, 2), QPointF(1.5, 5));
    p.drawLine(QPointF(4, 2), QPointF(6.5, 5));
    p.drawLine(QPointF(9, 4), QPointF(11, 4));
    p.drawLine(QPointF(9, 8), QPointF(13, 8));
    p.drawLine(QPointF(9, 12), QPointF(15, 12));
}

void DrawPanes(QPainter& p, qreal split) {
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    if (split > 0)
        p.drawLine(QPointF(1.5 + split, 2.5), QPointF(1.5 + split, 13.5));
}

void DrawOnePane(QPainter& p) {
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.fillRect(QRectF(12.5, 2.5, 2, 11), p.pen().color());
}

void DrawArrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    const qreal direction = to.x() > from.x() ? -1 : 1;
    p.drawLine(to, QPointF(to.x() + 2.5 * direction, to.y() - 2.5));
    p.drawLine(to, QPointF(to.x() + 2.5 * direction, to.y() + 2.5));
}

void DrawSameFolder(QPainter& p) {
    DrawPanes(p, 6.5);
    DrawArrow(p, QPointF(4, 8), QPointF(12, 8));
}

void DrawSwap(QPainter& p) {
    DrawArrow(p, QPointF(2, 5), QPointF(14, 5));
    DrawArrow(p, QPointF(14, 11), QPointF(2, 11));
}

Drawing DrawingFor(int id) {
    switch (id) {
        case ID_VIEW_LARGEICON:
            return DrawLargeIcons;
        case ID_VIEW_SMALLICON:
            return DrawSmallIcons;
        case ID_VIEW_LIST:
            return DrawList;
        case ID_VIEW_DETAILS:
            return DrawDetails;
        case ID_SORT_NAME:
            return [](QPainter& p) { DrawText(p, QStringLiteral("Az")); };
        case ID_SORT_TYPE:
            return [](QPainter& p) { DrawText(p, QStringLiteral(".x")); };
        case ID_SORT_SIZE:
            return DrawSize;
        case ID_SORT_DATE:
            return DrawDate;
        case ID_SORT_ASCENDING:
            return DrawAscending;
        case ID_PANES_EQUAL:
            return [](QPainter& p) { DrawPanes(p, 6.5); };
        case ID_PANES_ONE:
            return DrawOnePane;
        case ID_PANES_SAME_FOLDER:
            return DrawSameFolder;
        case ID_PANES_SWAP:
            return DrawSwap;
        default:
            return nullptr;
    }
}

QIcon DrawnIcon(const Drawing& drawing) {
    const QColor ink = QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
    const QColor disabledInk =
        QGuiApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    QIcon icon;
    for (int size : {16, 24, 32}) {
        for (const auto& [color, mode] :
             {std::pair{ink, QIcon::Normal}, std::pair{disabledInk, QIcon::Disabled}}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(size / 16.0, size / 16.0);
            QPen pen(color);
            pen.setWidthF(1.0);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            drawing(painter);
            painter.end();
            icon.addPixmap(pixmap, mode);
        }
    }
    return icon;
}

struct ThemeChoice {
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

std::optional<ThemeChoice> ThemeChoiceFor(int id) {
    switch (id) {
        case ID_PANE_REFRESH:
            return ThemeChoice{"view-refresh", QStyle::SP_BrowserReload};
        case ID_SORT_ASCENDING:
            return ThemeChoice{"view-sort-ascending", QStyle::SP_ArrowUp};
        default:
            return std::nullopt;
    }
}

}  // namespace

const QList<int>& MainToolbarButtons() {
    static const QList<int> buttons = {
        ID_PANE_REFRESH,      kToolbarSeparator, ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST,
        ID_VIEW_DETAILS,      kToolbarSeparator, ID_SORT_NAME,      ID_SORT_TYPE,      ID_SORT_SIZE,
        ID_SORT_DATE,         ID_SORT_ASCENDING, kToolbarSeparator, ID_PANES_EQUAL,    ID_PANES_ONE,
        ID_PANES_SAME_FOLDER, ID_PANES_SWAP,
    };
    return buttons;
}

QIcon ToolbarIcon(int id) {
    if (const std::optional<ThemeChoice> choice = ThemeChoiceFor(id)) {
        const QString name = QString::fromLatin1(choice->themeName);
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
        // The ascending sort has a drawing of its own that reads better than
        // a plain arrow.
        if (const Drawing drawing = DrawingFor(id))
            return DrawnIcon(drawing);
        if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
            return app->style()->standardIcon(choice->fallback);
    }
    if (const Drawing drawing = DrawingFor(id))
        return DrawnIcon(drawing);
    return QIcon();
}

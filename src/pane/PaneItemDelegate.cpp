#include "pane/PaneItemDelegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <QTreeView>
#include <algorithm>
#include <climits>

#include "pane/ListExtendedStyle.h"

using namespace ListExtendedStyle;

PaneItemDelegate::PaneItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void PaneItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const auto* tree = qobject_cast<const QTreeView*>(option.widget);
    QStyleOptionViewItem opt(option);
    if (tree && !(m_extendedStyle & kFullRowSelect) && index.column() > 0)
        opt.state &= ~QStyle::State_Selected;
    if ((m_extendedStyle & (kOneClickActivate | kTwoClickActivate)) && index.column() == 0) {
        const bool hot = opt.state & QStyle::State_MouseOver;
        if ((hot && (m_extendedStyle & kUnderlineHot)) ||
            (!hot && (m_extendedStyle & kUnderlineCold)))
            opt.font.setUnderline(true);
    }
    QStyledItemDelegate::paint(painter, opt, index);

    if (tree && (m_extendedStyle & kGridLines)) {
        painter->save();
        QColor line = option.palette.color(QPalette::Mid);
        line.setAlpha(140);
        painter->setPen(line);
        const QRect r = option.rect;
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }

    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view && !view->hasFocus() && view->currentIndex().row() == index.row() &&
        view->currentIndex().isValid())
        PaintFocusMark(painter, option, index, tree);
}

bool PaneItemDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Qt commits from the event loop and lets the key run on into
            // the view, which then opens the row under its old name.
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// Large icons centre their labels under the icon, whatever the column's
// alignment.
void PaneItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->decorationPosition == QStyleOptionViewItem::Top)
        option->displayAlignment = Qt::AlignCenter;
}

// The list views use uniform item sizes, which Qt takes from the first row;
// every row gets its grid cell instead, so no label is cut to the first
// row's width.
QSize PaneItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    if (const auto* list = qobject_cast<const QListView*>(option.widget)) {
        const QSize grid = list->gridSize();
        if (grid.isValid())
            return list->viewMode() == QListView::IconMode ? grid - QSize(6, 4) : grid;
    }
    return QStyledItemDelegate::sizeHint(option, index);
}

bool PaneItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QString tip;
    const bool elided = IsElided(option, index);
    // Info tips answer for the first column only. A label shown in full gets
    // the item's description alone; an elided one its full text with the
    // description on the next line.
    if (m_infoTip && (m_extendedStyle & kInfoTip) && index.column() == 0) {
        const QString info = m_infoTip(index);
        if (!info.isEmpty())
            tip = elided ? index.data(Qt::DisplayRole).toString() + QLatin1Char('\n') + info : info;
    }
    if (tip.isEmpty() && (m_extendedStyle & kLabelTip) && elided)
        tip = index.data(Qt::DisplayRole).toString();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(event->globalPos(), tip, view, view->visualRect(index));
    return true;
}

QRect PaneItemDelegate::TextRect(const QStyleOptionViewItem& option, const QModelIndex& index,
                                 QStyleOptionViewItem& opt) const {
    opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
}

bool PaneItemDelegate::IsElided(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem opt;
    const QRect textRect = TextRect(option, index, opt);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QFontMetrics fm(opt.font);
    if (opt.features & QStyleOptionViewItem::WrapText) {
        const QRect needed =
            fm.boundingRect(QRect(0, 0, textRect.width() - 2 * margin, INT_MAX / 2),
                            Qt::TextWordWrap | Qt::TextWrapAnywhere, opt.text);
        return needed.height() > textRect.height();
    }
    return fm.horizontalAdvance(opt.text) > textRect.width() - 2 * margin;
}

void PaneItemDelegate::PaintFocusMark(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index, const QTreeView* tree) const {
    painter->save();
    painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    const QRect r = option.rect.adjusted(0, 0, -1, -1);
    if (tree) {
        // Each cell draws its part of one frame around the whole row.
        const QHeaderView* header = tree->header();
        const int visual = header->visualIndex(index.column());
        painter->drawLine(r.topLeft(), r.topRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        if (visual == 0)
            painter->drawLine(r.topLeft(), r.bottomLeft());
        if (visual == header->count() - 1 - header->hiddenSectionCount())
            painter->drawLine(r.topRight(), r.bottomRight());
    } else {
        QStyleOptionViewItem opt;
        const QRect textRect = TextRect(option, index, opt);
        const int width =
            std::min(textRect.width(), QFontMetrics(opt.font).horizontalAdvance(opt.text) + 3);
        QRect frame(textRect.left(), textRect.top(), width, textRect.height());
        if (opt.decorationPosition == QStyleOptionViewItem::Top)
            frame.moveLeft(textRect.left() + (textRect.width() - width) / 2);
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

#include "pane/StickySelectionKeeper.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

#include "pane/PaneRowModel.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"

namespace {

constexpr Qt::KeyboardModifiers kExtending = Qt::ControlModifier | Qt::ShiftModifier;

}  // namespace

StickySelectionKeeper::StickySelectionKeeper(PaneRowModel* model, QItemSelectionModel* selection,
                                             QWidget* redraw, QObject* parent)
    : QObject(parent), m_model(model), m_selection(selection), m_redraw(redraw) {
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            &StickySelectionKeeper::OnSelectionChanged);
}

void StickySelectionKeeper::Attach(QAbstractItemView* view) {
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

void StickySelectionKeeper::SetEnabled(bool sticky) {
    m_sticky = sticky;
    m_marqueeSuspended = false;
}

QItemSelectionModel::SelectionFlags StickySelectionKeeper::Command(
    const QModelIndex& index, const QEvent* event, QItemSelectionModel::SelectionFlags base) const {
    // Without an event the view moves the current row on its own (the
    // search by first letters): only the focus moves.
    if (!event)
        return QItemSelectionModel::NoUpdate;
    constexpr auto kSelectRow = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<const QKeyEvent*>(event)->modifiers() & kExtending)
                return base;
            return QItemSelectionModel::NoUpdate;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->modifiers() & kExtending)
                return base;
            if (!index.isValid())
                return QItemSelectionModel::NoUpdate;
            // A selected row is unselected when the button comes up again
            // over it, so the selection can still be dragged from it.
            if (m_selection->isSelected(index))
                return QItemSelectionModel::NoUpdate;
            return kSelectRow;
        }
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->modifiers() & kExtending)
                return base;
            if (mouse->button() == Qt::LeftButton && index.isValid() && index.row() == m_pressRow &&
                m_pressOnSelected && m_selection->isSelected(index)) {
                m_allowedDeselectRow = index.row();
                return QItemSelectionModel::Deselect | QItemSelectionModel::Rows;
            }
            return QItemSelectionModel::NoUpdate;
        }
        case QEvent::MouseMove:
            if (static_cast<const QMouseEvent*>(event)->modifiers() & kExtending)
                return base;
            return QItemSelectionModel::NoUpdate;
        default:
            return base;
    }
}

void StickySelectionKeeper::OnSelectionChanged(const QItemSelection& selected,
                                               const QItemSelection& deselected) {
    if (m_restoring)
        return;
    // A deselection that neither the program, nor Ctrl or Shift, nor a plain
    // click on that very row asked for is refused: the marks keep the rows
    // and the selection is put back from them.
    bool refused = false;
    if (m_sticky && m_programChange == 0 && !deselected.isEmpty() &&
        !(m_inputModifiers & kExtending)) {
        for (const QItemSelectionRange& range : deselected) {
            if (range.top() != m_allowedDeselectRow || range.bottom() != m_allowedDeselectRow) {
                refused = true;
                break;
            }
        }
    }
    m_allowedDeselectRow = -1;
    const int count = m_model->Count();
    auto mark = [&](const QItemSelection& ranges, std::uint32_t value) {
        for (const QItemSelectionRange& range : ranges) {
            const int last = std::min(range.bottom(), count - 1);
            for (int row = std::max(range.top(), 0); row <= last; ++row) {
                if (FolderItem* item = m_model->ItemAt(row))
                    item->selectedMark = value;
            }
        }
    };
    // Deselected first: a reordering reports the same items in both.
    if (refused)
        QCoreApplication::postEvent(this, new QEvent(QEvent::Type(WM_RESTORE_STICKY_SEL)));
    else
        mark(deselected, 0);
    mark(selected, 1);
}

void StickySelectionKeeper::Restore() {
    QCoreApplication::removePostedEvents(this, WM_RESTORE_STICKY_SEL);
    m_model->CommitPending();
    const ProgramChange change(*this);
    // A widget whose painting is held already (a batch of rows arriving)
    // stays held.
    const bool hold = m_redraw && m_redraw->updatesEnabled();
    if (hold)
        m_redraw->setUpdatesEnabled(false);
    m_restoring = true;
    m_selection->clearSelection();
    m_restoring = false;
    QItemSelection marked;
    const int count = m_model->Count();
    const int lastColumn = m_model->columnCount() - 1;
    for (int row = 0; row < count; ++row) {
        if (!m_model->ItemAt(row)->selectedMark)
            continue;
        int end = row;
        while (end + 1 < count && m_model->ItemAt(end + 1)->selectedMark) ++end;
        marked.select(m_model->index(row, 0), m_model->index(end, std::max(lastColumn, 0)));
        row = end;
    }
    if (!marked.isEmpty())
        m_selection->select(marked, QItemSelectionModel::Select);
    if (hold)
        m_redraw->setUpdatesEnabled(true);
}

bool StickySelectionKeeper::event(QEvent* event) {
    if (event->type() == QEvent::Type(WM_RESTORE_STICKY_SEL)) {
        Restore();
        return true;
    }
    return QObject::event(event);
}

void StickySelectionKeeper::TrackMarquee(QEvent* event, bool overRow) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_marqueePending = !overRow && mouse->button() == Qt::LeftButton;
            m_pressPos = mouse->position().toPoint();
            break;
        case QEvent::MouseMove:
            // A marquee begins when the button drags away from empty space,
            // not at a plain click there.
            if (m_marqueePending && (mouse->buttons() & Qt::LeftButton) &&
                (mouse->position().toPoint() - m_pressPos).manhattanLength() >=
                    QApplication::startDragDistance()) {
                m_marqueePending = false;
                if (m_sticky) {
                    m_sticky = false;
                    m_marqueeSuspended = true;
                }
            }
            break;
        case QEvent::MouseButtonRelease:
            if (mouse->buttons() == Qt::NoButton)
                m_marqueePending = false;
            break;
        default:
            break;
    }
}

bool StickySelectionKeeper::eventFilter(QObject* watched, QEvent* event) {
    // The viewport's parent is its view.
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    const bool isViewport = !view && watched->parent() &&
                            (view = qobject_cast<QAbstractItemView*>(watched->parent())) &&
                            view->viewport() == watched;
    if (!view)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress:
            if (!isViewport)
                m_inputModifiers = static_cast<QKeyEvent*>(event)->modifiers();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (isViewport) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                m_inputModifiers = mouse->modifiers();
                const QModelIndex index = view->indexAt(mouse->position().toPoint());
                m_pressOnSelected = index.isValid() && m_selection->isSelected(index);
                m_pressRow = index.isValid() ? index.row() : -1;
                TrackMarquee(event, index.isValid());
            }
            break;
        case QEvent::MouseMove:
            if (isViewport) {
                m_inputModifiers = static_cast<QMouseEvent*>(event)->modifiers();
                TrackMarquee(event, false);
            }
            break;
        case QEvent::MouseButtonRelease:
            if (!isViewport)
                break;
            m_inputModifiers = static_cast<QMouseEvent*>(event)->modifiers();
            TrackMarquee(event, false);
            if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
                // After the view has finished with the release (a marquee
                // ends there): a marquee's suspension of sticky selection
                // ends too.
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (m_marqueeSuspended) {
                            m_marqueeSuspended = false;
                            m_sticky = true;
                        }
                        Q_EMIT buttonsReleased();
                    },
                    Qt::QueuedConnection);
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

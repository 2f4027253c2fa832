#pragma once
// StickySelectionKeeper: sticky selection for the views over one
// PaneRowModel that share one selection model. While it is on, the
// selection is kept against plain keys and clicks:
// - a change made with Ctrl or Shift held, by mouse or key, is allowed;
// - a keyboard move without them moves only the focus;
// - a plain click on an unselected row selects it and keeps the others; a
//   plain click on a selected row unselects only that row (at the release,
//   so a drag of the selection can start from it) and keeps the focus; a
//   right click only adds its row; a plain click on empty space changes
//   nothing;
// - a change that would have unselected a selected row some other way is
//   refused: WM_RESTORE_STICKY_SEL is posted to the keeper, which drops the
//   further queued ones and selects again exactly the rows whose items have
//   `selectedMark` (Restore);
// - while a marquee (rubber band) selection runs, sticky selection is
//   suspended, and it is on again once every button is up.
// Every selection change made while not restoring copies the row's new
// state into its item's `selectedMark`, whether sticky selection is on or
// not. Changes made inside a ProgramChange (the program's own) are never
// refused.
//
// What a view must do: be Attach()ed (the keeper watches its keys and mouse
// before anyone else filtering them), and route its selectionCommand()
// through Command() while IsEnabled(). Main thread only.

#include <QItemSelectionModel>
#include <QObject>
#include <QPoint>

class PaneRowModel;
class QAbstractItemView;
class QWidget;

class StickySelectionKeeper : public QObject {
    Q_OBJECT
public:
    /// Keeps the selection of `selection`, a selection model over `model`.
    /// `redraw` (may be null) is the widget whose painting is held while
    /// Restore() puts the selection back. None is owned.
    StickySelectionKeeper(PaneRowModel* model, QItemSelectionModel* selection, QWidget* redraw,
                          QObject* parent = nullptr);

    /// Marks the program's own changes of the selection for its lifetime;
    /// marks nest.
    class ProgramChange {
    public:
        explicit ProgramChange(const StickySelectionKeeper& keeper) : m_keeper(keeper) {
            ++m_keeper.m_programChange;
        }
        ~ProgramChange() { --m_keeper.m_programChange; }
        ProgramChange(const ProgramChange&) = delete;
        ProgramChange& operator=(const ProgramChange&) = delete;

    private:
        const StickySelectionKeeper& m_keeper;
    };

    /// Watches the keys and mouse of `view` and its viewport. Attach a view
    /// after installing any other event filter that may swallow its keys:
    /// the keeper must see every key's modifiers.
    void Attach(QAbstractItemView* view);

    /// Turns sticky selection on or off; a marquee's suspension ends too.
    void SetEnabled(bool sticky);
    bool IsEnabled() const { return m_sticky; }
    /// The selection is being put back from the marks.
    bool IsRestoring() const { return m_restoring; }

    /// Unselects every row, then selects every row whose item has
    /// `selectedMark` (contiguous rows as one range), with painting held;
    /// commits the model's pending rows and drops the queued
    /// WM_RESTORE_STICKY_SEL events first. Linear in the rows.
    void Restore();

    /// What a view's key or click does to the selection under sticky
    /// selection (`base`: what it would do otherwise); no event (the view
    /// moving the current row by itself, as its keyboard search does) only
    /// moves the focus.
    QItemSelectionModel::SelectionFlags Command(const QModelIndex& index, const QEvent* event,
                                                QItemSelectionModel::SelectionFlags base) const;

Q_SIGNALS:
    /// Every mouse button went up over an attached view, after the view has
    /// finished with the release; a marquee's suspension has ended by then.
    void buttonsReleased();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// WM_RESTORE_STICKY_SEL.
    bool event(QEvent* event) override;

private:
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void TrackMarquee(QEvent* event, bool overRow);

    PaneRowModel* m_model;
    QItemSelectionModel* m_selection;
    QWidget* m_redraw;
    bool m_sticky = false;
    bool m_restoring = false;
    mutable int m_programChange = 0;
    // The modifiers of the input event being handled, the row pressed and
    // whether it was selected then, the row whose plain click may unselect
    // it, the marquee state.
    Qt::KeyboardModifiers m_inputModifiers;
    int m_pressRow = -1;
    bool m_pressOnSelected = false;
    mutable int m_allowedDeselectRow = -1;
    bool m_marqueePending = false;
    bool m_marqueeSuspended = false;
    QPoint m_pressPos;
};

#pragma once
// PaneRefresh: a folder pane's refresh (CPanexView::RefreshPane,
// RefreshChanged, the command ID_PANE_REFRESH and the watch's
// WM_FOLDER_CHANGED), which reads the folder again and settles the
// differences row by row so that the selection and the scroll position
// survive.
//
// Contract, as the pane's header states it for the calls it passes on:
// - A folder still streaming in is not compared: the refresh is noted and
//   runs when the read ends (the pane's read settles it).
// - A plain directory that no longer exists sends the pane to the Desktop
//   (and the refresh is false).
// - Settle() lists new items the filter lets through, removes gone ones
//   (one signal per run of rows), renews changed rows; with
//   `selectChanged` new and changed rows are selected in one change of the
//   selection and the last of them gets the focus; without, the rows of the
//   items named in `names` are unselected. "bAutoReSort" sorts again, the
//   focused row kept in view. `listedTotal` stays the sum of the listed
//   items' sizes.
// - A folder-changed event acts only when it names the pane's current
//   model (or no model, 0); the further queued ones are dropped, so a burst
//   refreshes once; refreshes go through the pane's virtual RefreshPane and
//   RefreshChanged.
//
// It keeps nothing: made on the spot over a pane, it works on that pane's
// model and list. Main thread only.

#include <QStringList>
#include <vector>

class CPanexView;
class FolderItem;
class QEvent;

class PaneRefresh {
public:
    explicit PaneRefresh(CPanexView& pane) : m_pane(pane) {}

    /// RefreshPane: the whole folder read again.
    bool All(bool selectChanged, QStringList* names);
    /// RefreshChanged: only the entries named.
    bool Names(const std::vector<QString>& names);
    /// The rows after the model's refresh, over `items` (those a refresh by
    /// name touched, in order) or over all items when null.
    void Settle(bool selectChanged, QStringList* names, const std::vector<FolderItem*>* items);
    /// ID_PANE_REFRESH on this pane, or with Alt held the other one; a
    /// folder on another machine is read on the model's worker. The notice
    /// says which pane was refreshed, or that the refresh failed.
    void OnCommand();
    /// WM_FOLDER_CHANGED for the pane: true when `event` is one (acted on
    /// or not), false for any other event.
    bool HandleEvent(QEvent* event);

private:
    bool FolderStillThere();
    void SelectRefreshed(const std::vector<FolderItem*>& items);
    void UnselectNamed(const QStringList& names);

    CPanexView& m_pane;
};

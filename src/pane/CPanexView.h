#pragma once
// CPanexView: one folder pane of the main window. It shows one folder at a
// time (its FolderModel) as the rows of a PaneListCtrl, one row per item
// that passes the pane's visual filter, under a caption strip with the
// folder's title. It reads folders, refreshes them when their watch says
// they changed, keeps the visual filter and its own settings section, and
// answers the pane commands routed to it (refresh, and the list's sort and
// view commands).
//
// What the pane needs of the frame (the store, the other pane, the active
// pane, the command line) it asks through a PaneHost.
//
// The pane is its core (this class: settings, reading folders, the rows,
// the filter, the caption, the list commands), its refresh (PaneRefresh.h:
// RefreshPane, RefreshChanged, ID_PANE_REFRESH and the watch's notices) and
// the parts it owns (PaneParts.h, which it derives from): navigation,
// activation, rename and the event router, each with its own header. The
// pane's public functions that belong to a part are PaneParts' and pass the
// call on to it. Commands are offered to navigation, rename and activation
// in that order, then to the core and the list.
//
// Guarantees:
// - OpenFolder() is the one way the pane changes folder; when the new
//   folder can't be read the pane keeps the old one, rows and all.
// - Rows point at items of the current model; the rows are deleted before
//   the model that owns their items is destroyed.
// - `listedTotal` is the sum of the sizes of the listed items at all times
//   between calls.
// - A folder-changed event is acted on only when it names the current
//   model; a burst of them refreshes once.
//
// Main thread only.

#include <QEvent>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "pane/NavigationList.h"
#include "pane/PaneParts.h"
#include "pane/PaneStatusLine.h"
#include "platform/namespace/IdList.h"
#include "platform/ui/CommandTarget.h"
#include "shell/CommandIds.h"
#include "shell/PatternList.h"

class FolderItem;
class FolderModel;
class PaneCaption;
class PaneHost;
class PaneListCtrl;
class PaneQuickFilter;
class ProfileStore;
class QMenu;

/// The settings sections of the first and the second pane.
inline const QString kLeftPaneSection = QStringLiteral("Left Pane Settings");
inline const QString kRightPaneSection = QStringLiteral("Right Pane Settings");

/// The free-space interval's default and range (milliseconds).
inline constexpr int kDefaultFreeSpaceInterval = 20000;
inline constexpr int kMinFreeSpaceInterval = 1000;
inline constexpr int kMaxFreeSpaceInterval = 10000000;

/// The smallest "nMaxListColumnWidth" that limits anything; below it, 0 (no
/// limit).
inline constexpr int kMinMaxListColumnWidth = 50;

/// The filter text that hides nothing.
inline const QString kNoFilter = QStringLiteral("*");

/// The last visual filter other than "*" that a pane set (process-wide; the
/// quick filter toggle brings it back). Empty when none.
QString& LastVisualFilter();

/// Internal command ID_INTERNAL_GO as an event: it carries an absolute id list that
/// the pane it is posted to gives to the command target (that pane, or the
/// other one while Alt is held), which opens it with OpenFolder. Other
/// windows (the folder tree) send a pane to a folder this way.
class GoToIdListEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::Type(ID_INTERNAL_GO);
    explicit GoToIdListEvent(IdList absolute) : QEvent(kType), idList(std::move(absolute)) {}
    IdList idList;
};

class CPanexView : public QWidget, public CommandTarget, public PaneParts {
    Q_OBJECT

public:
    /// A pane with no folder yet, its parts built. Call LoadSettings() and
    /// then InitialUpdate() once the host knows which pane this is.
    explicit CPanexView(PaneHost& host, QWidget* parent = nullptr);
    /// Deletes the rows, then the model (stopping its watch), then the
    /// parts (the event router first).
    ~CPanexView() override;

    // -- Settings ---------------------------------------------------------

    /// "Left Pane Settings" for the first pane, "Right Pane Settings" for
    /// the second.
    QString SettingsSection() const;

    /// Reads the pane's settings from the host's store, with their clamps:
    /// "szDisplayFilter" (empty or unparsable: "*"), "szInitialFolder"
    /// (leading white space removed), "bStickySelection",
    /// "nMaxListColumnWidth" (below 50: 0), "binDetailsColumns" and the list's keys. The first
    /// pane also reads "msFreeSpaceUpdateInterval" (outside 1000..10000000:
    /// 20000), writing it back at once, and loads the visual filter history;
    /// the second pane reads "bLameMessages" (LoadLameMessages).
    void LoadSettings();

    /// Writes the pane's settings when the general setting "bSaveSettings"
    /// is on (else nothing): the filter, "szInitialFolder" (only while the
    /// pane shows a file-system folder: its path), "bStickySelection",
    /// "nMaxListColumnWidth", the list's keys; the first pane also the
    /// free-space interval and the visual filter history. The frame calls
    /// it while closing, before the panes are destroyed.
    void SaveSettings(ProfileStore& store) const;

    /// The pane's first folder: the command line's folder for this pane,
    /// else the stored initial folder, else the process's current
    /// directory, opened as typed text (GoToText: a wildcard part becomes
    /// the filter); when that fails, the Desktop. False only when even the
    /// Desktop could not be read.
    bool InitialUpdate();

    // -- Reading folders ----------------------------------------------------

    /// Opens the folder (absolute id list; the empty list is the Desktop):
    /// notice "Reading folder...", a new model read with its entries, the
    /// rows filled, the watch started for file-system folders, the
    /// activation update. On failure the alert "Reading from '%s' has
    /// failed miserably" (the folder's title, or "(that folder)") and the
    /// pane keeps its folder: false. Entries that could not be read give the
    /// alert "Some items in the folder were not accessible".
    ///
    /// A directory of the file system streams in: it is read on the model's
    /// worker (FolderModel::StartRead) and its rows are appended batch by
    /// batch in the directory's order, filtered as they come; a folder read
    /// whole within a few tens of milliseconds is shown as one, a larger one
    /// shows its first rows at once and the rest as they come, while the
    /// window answers the user. When the read ends the rows are sorted once
    /// (the focused row keeps its item and stays in view), the notice
    /// "Reading folder..." clears or becomes the read's alert, and a refresh
    /// asked for meanwhile runs. Opening another folder cancels the read at
    /// once. A folder that does not answer being opened within 1.5 s (a
    /// mount whose server has gone) gives the alert "'%s' does not answer;
    /// the pane stays where it was" and false.
    bool OpenFolder(IdList idList);

    /// True while the folder shown is still streaming in.
    bool IsReading() const;

    /// Rebuilds the rows from the model: every item folder-like or matching
    /// the filter is listed (all with the filter "*"), in the model's order,
    /// then sorted unless the sort key is "Unsorted". Redrawing is suspended
    /// meanwhile.
    void FillList();
    void ApplyFolderColumns();

    /// Lists `item` at the end of the rows: listState 1, its size added to
    /// `listedTotal`. Without `force`, an item that is not folder-like and
    /// does not match the filter gets listState 0 and no row (-1).
    int AddRow(FolderItem* item, bool force);

    /// Removes the row of `item`, subtracts its size from `listedTotal` and
    /// destroys the item in the model.
    void RemoveRow(FolderItem* item);

    /// Sets the visual filter from a comma-separated pattern text; false
    /// (nothing changed) when it holds no pattern. A text that differs
    /// (case-blind) from the current filter becomes the filter (in its
    /// canonical form), goes to the front of the visual filter history and,
    /// unless it is "*", becomes the last filter. The rows are not touched:
    /// ReapplyFilter() does that.
    bool SetFilter(const QString& text);

    /// Lists the model again under the current filter: every item loses its
    /// remembered selection and the rows are refilled; the caption shows
    /// the filter; the active pane updates the address bar.
    void ReapplyFilter();

    /// Re-reads the folder and settles the differences row by row, so the
    /// selection and the scroll position survive: new items are listed (if
    /// the filter lets them), gone ones removed, changed ones get their size
    /// and date texts renewed. With `selectChanged`, new and changed rows
    /// are selected, the last of them (in the model's order) gets the focus
    /// and is brought into view, and with `names` their names are appended
    /// to it; the new rows are shown and the focus moves once, after all of
    /// them are settled. Without `selectChanged`, the listed rows of the
    /// items named in `names` are unselected, in one pass over the items
    /// (the first item of each name, as FindByName would find it). Re-sorts
    /// when "bAutoReSort" is on, the focused row kept in view. A plain directory that
    /// no longer exists sends the pane to the Desktop (false). False when
    /// the folder could not be enumerated. Virtual so that a test can count
    /// refreshes.
    virtual bool RefreshPane(bool selectChanged, QStringList* names);

    /// RefreshPane(false, none) for the entries named in `names` only
    /// (FolderModel::RefreshNames): the same marks, rows and totals for
    /// them, at a cost in proportion to the names, not to the folder. The
    /// watch's notices come here while the watch knows the names. False
    /// when the model can't refresh by name or the folder vanished (then
    /// the pane went to the Desktop, as RefreshPane does). Virtual so that
    /// a test can count refreshes.
    virtual bool RefreshChanged(const std::vector<QString>& names);

    // -- Focus by name ------------------------------------------------------

    /// Focuses the listed row of the item named exactly `name` and brings it
    /// into view; with `select` also selects it (other rows keep their
    /// selection). The row, or -1. While the folder streams in, a name not
    /// in yet is focused when its batch comes, unless the focus has been
    /// moved by then.
    int FocusByName(const QString& name, bool select);

    // -- State ---------------------------------------------------------------

    FolderModel* Model() const { return m_model.get(); }
    PaneListCtrl* List() const { return m_list; }
    PaneHost& Host() const { return m_host; }
    bool IsFirstPane() const;

    const PatternList& Filter() const { return m_filter; }
    /// The filter's canonical text; "*" for none.
    const QString& FilterText() const { return m_filterText; }
    /// Sum of the sizes of the listed items.
    std::uint64_t listedTotal() const { return m_listedTotal; }
    /// "bStickySelection", held by the list (which enforces it).
    bool stickySelection() const;
    void SetStickySelection(bool on);
    int maxListColumnWidth() const { return m_maxListColumnWidth; }
    /// Sets "nMaxListColumnWidth" (below 50: 0, no maximum) and lays the
    /// List columns out again.
    void SetMaxListColumnWidth(int width);
    /// The stored folder to open first; cleared by the first OpenFolder().
    const QString& initialFolder() const { return m_initialFolder; }
    /// The caption strip's height: the caption font's height plus 6.
    int captionHeight() const { return m_captionHeight; }
    /// "msFreeSpaceUpdateInterval" (the first pane reads it).
    int freeSpaceUpdateInterval() const { return m_freeSpaceUpdateInterval; }
    /// The optional Details columns shown, as bits of "binDetailsColumns"
    /// (DetailsColumns.h); read and written with the pane's settings.
    int detailsColumns() const { return m_detailsColumns; }
    /// Shows the optional columns of `bits` after "Name", "Size" and the
    /// date; the columns that stay keep their widths.
    void SetDetailsColumns(int bits);
    /// The Details header's context menu: one checkable item per optional
    /// column, toggling it.
    std::unique_ptr<QMenu> BuildColumnsMenu();
    /// The quick filter (PaneQuickFilter.h): command ID_QUICK_FILTER opens
    /// it over this pane.
    PaneQuickFilter* QuickFilter() const { return m_quickFilter; }
    /// The caption's text: the title, and " [filter]" unless the filter is
    /// "*".
    QString CaptionText() const;

    // -- Commands ------------------------------------------------------------

    /// ID_PANE_REFRESH (refresh; with Alt the other pane), ID_QUICK_FILTER and the list's sort and
    /// view commands.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

protected:
    /// WM_FOLDER_CHANGED from the current model's watch: drops the further
    /// queued ones and takes the watch's changes; with their names known,
    /// RefreshChanged(names); with changes the names don't cover (queue
    /// overflow, the folder itself moved) RefreshPane(false, none); with
    /// none, nothing, unless nothing was read since the folder opened.
    bool event(QEvent* e) override;

public:
    /// The caption strip.
    PaneCaption* Caption() const { return m_caption; }

    // -- What the parts share ----------------------------------------------------

    /// Focuses the listed row of `item` and brings it into view; with
    /// `select` also selects it. The row, or -1 (no item, or not listed).
    int FocusItem(FolderItem* item, bool select);
    /// Redraws the caption strip with the folder's title and the filter, and
    /// the other pane's strip (its colour depends on which pane is active).
    void UpdateCaption();

private:
    // The quick filter sets the filter and the rows itself, keystroke by
    // keystroke, without the history or a sort.
    friend class PaneQuickFilter;
    // The refresh settles the re-read folder into the rows and the totals.
    friend class PaneRefresh;

    void DeleteRows();
    // The streamed read's batches and end.
    void OnReadBatch(std::list<FolderItem>::iterator first);
    void OnReadDone(int result);
    // The notice that ends a read: none, or its alert.
    void ShowReadResult(int result);
    FolderItem* FocusedItem() const;

    PaneHost& m_host;
    PaneCaption* m_caption = nullptr;
    PaneListCtrl* m_list = nullptr;
    std::unique_ptr<FolderModel> m_model;
    // The pane's column widths while the trash's columns are shown.
    std::optional<std::vector<int>> m_paneColumnWidths;
    PatternList m_filter;
    QString m_filterText = kNoFilter;
    std::uint64_t m_listedTotal = 0;
    int m_maxListColumnWidth = 0;
    int m_detailsColumns = 0;
    QString m_initialFolder;
    int m_captionHeight = 0;
    int m_freeSpaceUpdateInterval = kDefaultFreeSpaceInterval;
    // The streamed read: OpenFolder is waiting for it; its result; a name
    // to focus when it comes in (while the focus stays on m_focusAtPending);
    // a refresh asked for during the read.
    bool m_opening = false;
    int m_readResult = 0;
    QString m_pendingFocus;
    bool m_pendingSelect = false;
    const FolderItem* m_focusAtPending = nullptr;
    bool m_refreshAfterRead = false;

    PaneQuickFilter* m_quickFilter = nullptr;  // a child of the pane
};

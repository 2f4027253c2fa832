#pragma once
// FindResultsWindow: the modeless window of one search. It starts the
// search when it is made, lists each found item as it arrives, and then
// lets the user act on the results like on a pane's rows.
//
// The list is a PaneListCtrl with the columns "Name", "In Folder", "Size"
// and the date column of the options, the pane's sorting (plus "by
// folder": folder paths case-blind, then names in the same direction),
// view styles, column widths and type-ahead search, kept in "Find
// File/Folder Settings". Rows are not sorted while the search runs; at its
// end they are sorted once (unless the sort is "Unsorted").
//
// Each row is a FolderItem made from the found path (items of one folder
// share a bound folder); a path that no longer resolves is dropped without
// a word. Found paths are turned into rows a slice at a time between
// events, so the window stays live however many hits come.
//
// Title: "Searching... (ESC to cancel)", then "Find results in %s". Status
// line: "Searching: %s" while the search runs, then "%d item(s) found", or
// "No matching items found -- why don't I self-destruct?" and the window
// closes itself after 3 s. ESC and the close box only stop a running
// search (the window stays, with what was found); otherwise they close the
// window, which stores its place in "szWindowRect" when settings are saved.
//
// Commands (keys, and the popup "findRMB" of the host):
//   Enter, double-click,         Browse: the active pane (the other one
//   ID_FIND_BROWSE               with Alt) opens the first selected row's
//                                folder and selects every selected row of
//                                that folder
//   F3, ID_FIND_VIEW_FILE        View file (one row; an empty file or a
//                                folder only beeps)
//   Del, ID_FIND_DELETE          Delete (to the trash; Shift: for good);
//                                the rows go first, whatever the outcome
//   Ctrl+C, ID_FIND_COPY         Copy the selected items to the clipboard
//   Ctrl+B, ID_FIND_BATCH        Batch file over the selected rows, each
//                                with its own folder as $P
//   Ctrl+A, ID_FIND_SELECT_ALL   Select every row
//   ID_FIND_PRINT_LIST           Print list ("CvDirListing", in the editor)
//   ID_SORT_FIRST..ID_SORT_LAST, ID_SORT_ASCENDING,
//   ID_VIEW_STYLE_FIRST..ID_VIEW_STYLE_LAST
//                                sort and view (PaneListCtrl)
//
// Main thread only. The host (the frame) outlives the window.

#include <QHash>
#include <QWidget>
#include <functional>
#include <list>
#include <memory>

#include "find/FindRequest.h"

class BoundFolder;
class FindSearchJob;
class FolderItem;
class PaneHost;
class PaneListCtrl;
class QDialog;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;

namespace FindResultsTexts {
inline const QString kSearching = QStringLiteral("Searching... (ESC to cancel)");
inline const QString kResultsIn = QStringLiteral("Find results in %1");
inline const QString kSearchingFolder = QStringLiteral("Searching: %1");
inline const QString kFound = QStringLiteral("%1 item(s) found");
inline const QString kNothing =
    QStringLiteral("No matching items found -- why don't I self-destruct?");
inline const QString kQuitting = QStringLiteral("Automatically quitting window...");
inline const QString kInFolder = QStringLiteral("In Folder");
}  // namespace FindResultsTexts

/// What the window needs of the program beyond the host.
struct FindWindowServices {
    /// Opens a file in the editor or viewer (`viewOnly`); true when it did.
    std::function<bool(const QString& path, bool viewOnly)> openInEditor;
    /// The temporary listing file and the temporary script of the run.
    std::function<QString()> listingPath;
    std::function<QString()> batchPath;
    /// Starts a written script in a terminal in a working folder.
    std::function<bool(const QString& script, const QString& workingDirectory)> runScript;
    /// Shows a dialog modally; true when it was accepted (tests fill it in).
    std::function<bool(QDialog& dialog)> runDialog;
    /// Loads the batch template history once per run (the tools own it).
    std::function<void()> loadBatchHistory;
    /// Puts the window at its stored place, or where a new window of its
    /// kind opens; stores its place when it closes (settings saved only).
    std::function<void(QWidget* window)> restorePlacement;
    std::function<void(QWidget* window)> storePlacement;
};

class FindResultsWindow : public QWidget {
    Q_OBJECT
public:
    /// The close timer's delay after no result, or after the last row went.
    static constexpr int kSelfCloseMs = 3000;

    /// Builds the window, places it (the stored rectangle, else half the
    /// main window at its top-left corner) and starts the search.
    FindResultsWindow(PaneHost& host, FindRequest request, FindWindowServices services,
                      QWidget* mainWindow = nullptr);
    ~FindResultsWindow() override;

    PaneListCtrl* List() const { return m_list; }
    QString StatusText() const;
    bool IsRunning() const { return m_running; }
    /// Rows listed (the item store's count).
    int Count() const;
    /// Found paths not yet turned into rows.
    int Waiting() const { return int(m_waiting.size()); }
    const FindRequest& Request() const { return m_request; }
    /// The full path of a row's item.
    QString RowPath(int row) const;
    /// The search job (tests wait for it).
    FindSearchJob& Job() { return *m_job; }

    // The commands.
    bool OnCommand(int id);
    /// enabled / checked of a popup command.
    bool UpdateCommand(int id, bool& enabled, bool& checked) const;
    void Browse(bool otherPane);
    void ViewFile();
    void DeleteSelected(bool permanent);
    void CopySelected();
    void BatchFile();
    void PrintList();
    /// ESC, Cancel, the close box: stops a running search, else closes.
    void RequestClose();
    /// Ends the search without waiting for its report and closes the window
    /// (the main window is closing: the results go with it).
    void CloseNow();
    /// The listing's text (Print list), for the rows in list order.
    QString ListingText() const;
    /// The context menu "findRMB" with this window's states (sort, view
    /// style, the commands that need a selection), kept whenever it is
    /// about to show; nullptr when the host has no such menu.
    std::unique_ptr<QMenu> BuildContextMenu();

Q_SIGNALS:
    /// The search ended and the window has settled (title, status, sort).
    void searchFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnBatch(const QList<QByteArray>& paths);
    void TakeWaiting();
    void OnFinished();
    FolderItem* MakeItem(const QByteArray& path);
    void SetStatus(const QString& text);
    void ShowCount();
    void ShowContextMenu(const QPoint& globalPos);
    void SaveSettings();
    int CompareRows(FolderItem* a, FolderItem* b, std::uint32_t parameter) const;
    std::vector<FolderItem*> Selected() const;
    void RemoveItems(const std::vector<FolderItem*>& items);

    PaneHost& m_host;
    FindRequest m_request;
    FindWindowServices m_services;
    PaneListCtrl* m_list;
    QStatusBar* m_statusBar;
    QLabel* m_status;
    QTimer* m_folderTimer;
    QTimer* m_takeTimer;
    std::unique_ptr<FindSearchJob> m_job;
    std::list<QByteArray> m_waiting;
    bool m_running = false;
    bool m_finishPending = false;
    bool m_closing = false;
    QHash<QByteArray, std::shared_ptr<BoundFolder>> m_folders;
    std::list<std::unique_ptr<FolderItem>> m_items;
    QHash<const FolderItem*, std::list<std::unique_ptr<FolderItem>>::iterator> m_itemIndex;
};

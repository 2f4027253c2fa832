#pragma once
// CFolderStats: the command ID_FOLDER_DATA "Folder data..." (Ctrl+D) and what its
// windows share for the run. The frame puts it into its command chain after
// the active pane; it reaches the panes and the settings through the
// PaneHost only.
//
// Reading: the active pane's folder (a file-system folder; any other gives
// "The current folder is fully un-cooperative") is read by ReadFolderStats()
// on a worker thread. Meanwhile the main thread shows the wait cursor and
// "Reading sub-tree... (ESC to interrupt)" as a long operation and polls for
// Escape, which stops the walk. Outcome: success opens a statistics window;
// some folders not accessible gives "Some parts of the tree were not
// accessible" and opens it; a failure gives the notice above and no window;
// Escape only takes the status text away (the partial tree is dropped).
// The process's current directory is never changed.
//
// Settings ("Folder Data Settings"): "nSortBy" (ID_SORT_NAME by name, ID_SORT_SIZE by
// size, anything else reads as ID_SORT_SIZE) and "szWindowRect", read when the first
// window of the run is built; the saver is registered then and writes the
// sort choice and the placement the last closed window had (or the stored
// one). Between windows the run keeps both in memory.
//
// Windows live until the user closes them, or until this object goes (their
// placement then counts as the last closed one's).
//
// In the frame's chain it also carries ID_DIRDATA_PRINT "Print" for the statistics
// window that is active (else the newest), enabled while one is open.
//
// Main thread only. The host outlives it.

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "platform/thread/WorkerThread.h"
#include "platform/ui/CommandTarget.h"
#include "stats/FolderStatNode.h"

class FolderStatsWindow;
class PaneHost;
class ProfileStore;
class QMenu;
class QWidget;

namespace FolderStatsTexts {
inline const QString kReading = QStringLiteral("Reading sub-tree... (ESC to interrupt)");
inline const QString kUncooperative = QStringLiteral("The current folder is fully un-cooperative");
inline const QString kPartly = QStringLiteral("Some parts of the tree were not accessible");
inline const QString kTitle = QStringLiteral("Folder Statistics (Disk free space: %1)");
inline const QString kUntitled = QStringLiteral("Untitled");
}  // namespace FolderStatsTexts

namespace FolderStatsKeys {
inline const QString kSection = QStringLiteral("Folder Data Settings");
inline const QString kSortBy = QStringLiteral("nSortBy");
}  // namespace FolderStatsKeys

/// "nSortBy" as read: ID_SORT_NAME stays, anything else is ID_SORT_SIZE.
int ClampStatSortCommand(int stored);

class CFolderStats : public CommandTarget {
public:
    /// Opens a file in the editor (`viewOnly`); true when one started.
    using EditorOpener = std::function<bool(const QString& path, bool viewOnly)>;
    using PathProvider = std::function<QString()>;
    using SaverRegistrar = std::function<void(std::function<void(ProfileStore&)> saver)>;
    /// The window-rectangle record of a section: read (nullopt when missing
    /// or malformed) and write.
    using RectReader = std::function<std::optional<QRect>(ProfileStore&, const QString& section)>;
    using RectWriter =
        std::function<void(ProfileStore&, const QString& section, const QRect& rect)>;

    explicit CFolderStats(PaneHost& host);
    /// Closes the windows still open.
    ~CFolderStats() override;
    CFolderStats(const CFolderStats&) = delete;
    CFolderStats& operator=(const CFolderStats&) = delete;

    void SetEditorOpener(EditorOpener opener) { m_opener = std::move(opener); }
    void SetListingPath(PathProvider provider) { m_listingPath = std::move(provider); }
    void SetSaverRegistrar(SaverRegistrar registrar) { m_registrar = std::move(registrar); }
    void SetRectAccess(RectReader reader, RectWriter writer) {
        m_readRect = std::move(reader);
        m_writeRect = std::move(writer);
    }
    /// Test seams handed to every reading.
    void SetReadHooks(StatReadHooks hooks) { m_hooks = std::move(hooks); }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    /// ID_FOLDER_DATA: reads the active pane's folder and opens a window for it;
    /// the window, or nullptr when none opened (failure, Escape).
    FolderStatsWindow* ShowFolderData();

    /// The windows open now, oldest first.
    QList<FolderStatsWindow*> Windows() const;
    /// The window a command from outside the windows acts on (ID_DIRDATA_PRINT "Print"
    /// from the frame): the active statistics window, else the newest one;
    /// nullptr when none is open.
    FolderStatsWindow* CommandWindow() const;

    // -- What the windows share ---------------------------------------------

    StatSortOrder SortOrder() const { return m_run->sortOrder; }
    void SetSortOrder(StatSortOrder order) { m_run->sortOrder = order; }
    /// The placement for the next window: the last closed window's, else
    /// the stored one; nullopt leaves it to the window manager.
    std::optional<QRect> Placement() const { return m_run->placement; }
    void RememberPlacement(const QRect& rect) { m_run->placement = rect; }
    /// Sends the active pane (the other one while Alt is held) to `path`.
    void Browse(const QByteArray& path);
    /// Writes the tree as the listing file and opens it in the editor.
    void Print(const FolderStatNode& root);
    /// The popup "dirData" of the command table, parented to `parent`.
    std::unique_ptr<QMenu> CreatePopupMenu(QWidget* parent);

private:
    StatReading ReadOnWorker(const QByteArray& path, const QString& rootName);
    void EnsureSettings();

    PaneHost& m_host;
    EditorOpener m_opener;
    PathProvider m_listingPath;
    SaverRegistrar m_registrar;
    RectReader m_readRect;
    RectWriter m_writeRect;
    StatReadHooks m_hooks;
    bool m_settingsLoaded = false;
    // What the run keeps between windows. Shared with the saver, which runs
    // when the application ends, after the frame and this object are gone.
    struct RunState {
        StatSortOrder sortOrder = StatSortOrder::BySize;
        std::optional<QRect> placement;
    };
    std::shared_ptr<RunState> m_run = std::make_shared<RunState>();
    QList<QPointer<FolderStatsWindow>> m_windows;
    WorkerThread m_worker;
};

/// The root's name: for the root of a volume "<label> (<mount point>)"
/// ("Untitled" when it has none), else the folder's own name.
QString StatRootName(const QByteArray& path);

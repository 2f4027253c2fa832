#pragma once
// CPaneTransfer: the transfer commands of the folder panes, and the panes'
// drag and drop. The frame puts it into its command chain right after the
// active pane, so the commands act on the active pane (and the opposite
// pane as their target) without the pane knowing about transfers:
//
//   ID_FILE_COPYTO / ID_FILE_MOVETO
//                  copy / move to the opposite pane's folder, through the
//                  target folder dialog; with Ctrl without it (a copy into
//                  the pane's own folder gives the copies new names, a move
//                  there is refused with a hint to rename)
//   ID_FILE_DELETE
//                  delete the selection: to the trash, with Shift for good;
//                  in virtual folders the folder's own "delete" verb
//   ID_EDIT_COPY / ID_EDIT_CUT
//                  copy / cut the selection to the clipboard (preferred
//                  effect 5 / 6); cut items are shown ghosted
//   ID_EDIT_PASTE / ID_EDIT_PASTE_LINK
//                  paste / paste as symbolic links into the pane's folder
//   ID_FILE_VIEW / ID_FILE_EDIT
//                  view / edit the selected files through the editor opener
//                  the frame installs (disabled without one)
//
// Copy, move, delete, copy and cut are enabled while the active pane has a
// selection; paste while the clipboard offers items. It also implements the
// panes' transfer hooks (PaneTransferHooks.h), the one way a pane hands
// transfers over, and installs itself as them while it lives: pasting into
// a folder item from its context menu, dragging the selection out of a
// pane, and a pane as a drop target (the item under the cursor highlighted
// when it takes the drop, folder items receive the drop themselves, a
// right-button drag ends with a Copy Here / Move Here / Link Here / Cancel
// menu, its default entry the effect a left-button drop would have). A drag of the selection out
// of an archive offers other programs temporary copies of the entries
// (ContentsMimeData), while a drop onto our own panes copies from the
// entries' streams.
//
// Main thread only. The host (the frame) outlives it.

#include <QMimeData>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "pane/PaneTransferHooks.h"
#include "platform/ui/CommandTarget.h"
#include "shell/HistoryList.h"

class CPanexView;
class FolderItem;
class PaneHost;
class ProfileStore;
class QDrag;
class ShellDataObject;
class TargetFolderDialog;

/// The notices of the transfer commands.
namespace TransferNotices {
inline const QString kKarma = QStringLiteral("Have you heard about the karma/darma hypothesis?");
inline const QString kMoveNeedsOtherFolder =
    QStringLiteral("Move requires a different target folder; try the 'Rename' command");
inline const QString kNoSource =
    QStringLiteral("Try as you may, this folder won't source any file operations");
inline const QString kNoDelete = QStringLiteral("Neither man nor beast can delete in here");
inline const QString kClipboardRefused =
    QStringLiteral("This folder has a dyslexia wrt. this verb");
inline const QString kNothingToDrag = QStringLiteral("Perhaps sir wishes to drag something else?");
inline const QString kTooLarge = QStringLiteral("This item is too large to be viewed");
/// An entry that could not be unpacked to be viewed: its name and why.
inline const QString kCantRead = QStringLiteral("\"%1\" can't be read: %2");
inline const QString kNeedsFile = QStringLiteral("This operation requires a file object");
inline const QString kManyFiles = QStringLiteral("Are you sure you want to %1 all these files?");
}  // namespace TransferNotices

/// More selected items than this asks before viewing or editing them all.
inline constexpr int kManyFilesToOpen = 10;

/// The history of copy and move targets (loaded the first time the dialog
/// opens).
HistoryList& TargetFolderHistory();

class CPaneTransfer : public CommandTarget, public PaneTransferHooks {
public:
    /// Opens a file in the viewer (`viewOnly`) or the editor; true when an
    /// editor started.
    using EditorOpener = std::function<bool(const QString& path, bool viewOnly)>;
    /// Whether an editor can be opened now.
    using EditorAvailable = std::function<bool()>;
    /// Registers the saver of "Target Folder History" for the exit (called
    /// once, when the history is first loaded).
    using SaverRegistrar = std::function<void(std::function<void(ProfileStore&)> saver)>;
    /// Shows the target dialog; true for OK. The default runs exec().
    using DialogRunner = std::function<bool(TargetFolderDialog& dialog)>;
    /// Runs a drag; gives the action performed. The default runs exec().
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;
    /// The menu at the end of a right-button drop: the chosen effect (0 for
    /// Cancel) among `allowed`, `preferred` the default entry. The default
    /// shows "Copy Here", "Move Here", "Link Here" and "Cancel".
    using DropMenu =
        std::function<std::uint32_t(QPoint global, std::uint32_t allowed, std::uint32_t preferred)>;

    /// Installs itself as the panes' transfer hooks.
    explicit CPaneTransfer(PaneHost& host);
    ~CPaneTransfer() override;
    CPaneTransfer(const CPaneTransfer&) = delete;
    CPaneTransfer& operator=(const CPaneTransfer&) = delete;

    void SetEditorOpener(EditorOpener opener, EditorAvailable available = {});
    void SetSaverRegistrar(SaverRegistrar registrar) { m_registrar = std::move(registrar); }
    void SetDialogRunner(DialogRunner runner) { m_dialogRunner = std::move(runner); }
    void SetDragRunner(DragRunner runner) { m_dragRunner = std::move(runner); }
    void SetDropMenu(DropMenu menu) { m_dropMenu = std::move(menu); }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // The commands, on the active pane.
    void CopyOrMove(bool move);
    void Delete();
    void CopyToClipboard(bool cut);
    void Paste(bool asLinks);
    void ViewOrEdit(bool edit);

    /// A data object over the selected items of `pane`, in the list's order;
    /// nullptr without a selection or when the folder gives none.
    static std::unique_ptr<ShellDataObject> SelectionDataObject(CPanexView& pane);

    // PaneTransferHooks
    void BeginDrag(CPanexView& pane, int row, Qt::MouseButton button) override;
    void DragEnter(CPanexView& pane, QAbstractItemView& view, QDragEnterEvent& event) override;
    void DragMove(CPanexView& pane, QAbstractItemView& view, QDragMoveEvent& event) override;
    void DragLeave(CPanexView& pane) override;
    void Drop(CPanexView& pane, QAbstractItemView& view, QDropEvent& event) override;
    bool PasteInto(CPanexView& pane, const IdList& absolute) override;

private:
    // The drop-target state of one pane between drag events.
    struct DropState {
        QPointer<CPanexView> pane;
        std::shared_ptr<const ShellDataObject> data;
        std::uint32_t lastKeyState = 0;
        QPoint lastPoint{-1, -1};
        std::uint32_t lastEffect = 0;
        int highlightRow = -1;
        bool rightButton = false;
    };

    CPanexView* ActivePane() const;
    bool HasSelection() const;
    void ViewOrEditRemote(CPanexView& pane, FolderItem& item, bool edit);
    void EnsureHistoryLoaded();
    void ClearGhosts();
    std::uint32_t ComputeEffect(DropState& state, QAbstractItemView& view, QPoint point,
                                std::uint32_t keyState, std::uint32_t allowed);
    void RemoveHighlight(DropState& state);
    std::shared_ptr<const ShellDataObject> DragDataOf(const QDropEvent& event) const;
    std::uint32_t TransferAt(CPanexView& pane, QAbstractItemView& view, QPoint point,
                             std::uint32_t effect, const ShellDataObject& data);

    PaneHost& m_host;
    EditorOpener m_opener;
    EditorAvailable m_editorAvailable;
    SaverRegistrar m_registrar;
    DialogRunner m_dialogRunner;
    DragRunner m_dragRunner;
    DropMenu m_dropMenu;
    bool m_historyLoaded = false;
    DropState m_drop;
    // The data of a drag started here, while it runs (drops onto our own
    // panes use it, file contents and all), and the MIME data it travels as.
    std::shared_ptr<const ShellDataObject> m_dragData;
    QPointer<QMimeData> m_dragMime;
    std::unique_ptr<QObject> m_context;  // receiver of the clipboard's signal
    PaneTransferHooks* m_previousHooks = nullptr;
};

#pragma once
// The transfer executor: every copy, move or link of a data object into a
// folder ends here, whether a command, a paste or a drop started it. It
// decides between the file-operation engine (file paths into a file-system
// folder) and the folder's own drop target (virtual folders, archives,
// links, contents streams), keeps the program-wide operation record, pauses
// the change watch of the panes concerned while the work runs, and brings
// both panes up to date afterwards: the pane of the target selects what is
// new, the pane of the source unselects what was copied.
//
// The panes are the two of the PaneHost given (its active pane and the
// other one). Main thread only. When the program has a background queue
// (BackgroundOperations(), platform/fileop/FileOpQueue.h) the engine's
// copies and moves run there: the call returns once the operation has
// started, the panes' change watch keeps running (so the items show as they
// arrive), and the record, the clipboard and both panes are brought up to
// date when the operation ends. Without one, the engine runs here, one
// operation at a time.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "platform/namespace/ShellFolder.h"

class FolderItem;
class FolderModel;
class PaneHost;
struct FileOpRequest;

/// The record of the last file operation: source and target folders'
/// parsing paths and the effect it performed (0 when it failed).
struct OperationRecord {
    QString sourcePath;
    QString targetPath;
    std::uint32_t effect = 0;
};

/// The one record of the program.
OperationRecord& TheOperationRecord();

/// Writes the record and pauses the change watch of every pane whose
/// folder's path equals either path (exact comparison: names are
/// case-sensitive here). Delete passes the folder's path, an empty target
/// and effect 2.
void BeginPaneOperation(PaneHost& host, const QString& sourcePath, const QString& targetPath,
                        std::uint32_t effect);

/// When the recorded effect is not 0: the pane(s) showing the target folder
/// refresh selecting what is new or changed (their names collected when the
/// effect was a copy), then the pane(s) showing only the source folder
/// refresh unselecting the collected names; RefreshPane re-sorts when
/// "bAutoReSort" is on. Then the watch of the panes concerned runs again.
void EndPaneOperation(PaneHost& host);

/// The source folder of a data object as a parsing path: the parent entry
/// of "Shell IDList Array" (the desktop when that entry is empty); for data
/// of other programs, which carry only file paths, the folder of the first
/// path. Empty when it carries neither.
QString SourceFolderOf(const ShellDataObject& data);

/// The request that deletes the entries at `paths` as the Delete command
/// does: to the Trash, unless Shift is held.
FileOpRequest DeleteRequestOf(const QStringList& paths);

/// Performs `operation` (1 copy, 2 move, 4 link, 0 as the data prefers) of
/// `data` (nullptr: the clipboard's) into `target`:
///  1. wait cursor; the source folder (SourceFolderOf) and the target's path
///     go into the record; no source folder: 0, silently;
///  2. the watches of the panes concerned pause (BeginPaneOperation);
///  3. the data must offer "Shell IDList Array", file contents or file
///     paths, else nothing is done;
///  4. operation 0 takes the preferred effect (OperationFromPreferred);
///  5. copy or move of file paths (and no file-name map) into a file-system
///     folder goes to the engine: allow-undo, no-confirmation while
///     "bAskConfirmation" is off, rename-on-collision for a copy into the
///     source folder itself; done when the engine carried out at least one
///     item (in the background: the effect asked for, at once; the rest
///     follows when the operation ends);
///  6. otherwise the folder's drop target (its parent's for the folder
///     item, the folder's own, or for a directory a FileSystemDropTarget)
///     gets DragEnter and Drop with the operation as the allowed effect and
///     the key state that stands for it;
///  7. a move of the clipboard's data that did something empties the
///     clipboard;
///  8. the effect (3 reported as 1, 0 when nothing was done) goes into the
///     record, EndPaneOperation() brings the panes up to date, and with
///     `report` a failure shows "This computer won't comply with your
///     demands" (not when the user declined every item in the engine's
///     questions).
/// Gives the effect performed.
std::uint32_t ExecuteTransfer(PaneHost& host, std::uint32_t operation, const ShellDataObject* data,
                              FolderModel& target, bool report);

/// Copy or move (`operation` 1 or 2) of the file-system items at `paths`,
/// which lie in `sourcePath`, into the file-system folder `targetPath`, by
/// the engine, as ExecuteTransfer's engine path does with a data object's
/// paths (the same request, record, refresh and notice): what F5 and F6 use
/// for a file-system selection, with no data object in between. 0 when there
/// is nothing to do.
std::uint32_t ExecutePathTransfer(PaneHost& host, std::uint32_t operation, const QStringList& paths,
                                  const QString& sourcePath, const QString& targetPath,
                                  bool report);

/// ExecuteTransfer into the folder of a folder-like item (a folder, or in a
/// file-system folder a link to one: its target), opened as a temporary
/// FolderModel without its entries. When it can't be opened: with `report`
/// the notice "This item don't do that kind of things"; 0.
std::uint32_t ExecuteTransferIntoItem(PaneHost& host, std::uint32_t operation,
                                      const ShellDataObject* data, FolderItem& item, bool report);

/// The drop target of a folder: its parent folder's for the folder's item,
/// else the folder's own, else for a file-system folder a
/// FileSystemDropTarget. nullptr when nothing can be dropped there.
std::unique_ptr<ShellDropTarget> FolderDropTarget(FolderModel& folder);

/// The drop target of an item of a folder: the folder's for the item, else
/// for a folder-like item of a file-system folder (links followed) a
/// FileSystemDropTarget of its path. nullptr for items that take no drops.
std::unique_ptr<ShellDropTarget> DropTargetOfItem(FolderItem& item);

/// The notices of the executor.
inline const QString kNoComplyNotice =
    QStringLiteral("This computer won't comply with your demands");
inline const QString kItemNoDropNotice = QStringLiteral("This item don't do that kind of things");

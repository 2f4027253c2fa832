#pragma once
// CPaneFileUtils: the pane commands that make new items and work on file
// contents or times directly. The frame puts it into its command chain
// after the transfer commands, so they act on the active pane without the
// pane knowing about them:
//
//   ID_NEW_FILE / ID_NEW_FOLDER
//                  new file (F7) / new folder (F8): the first free default
//                  name, created, listed and opened for renaming in place
//   ID_PASTE_HARDLINK
//                  paste hard link: links the clipboard's files and folder
//                  trees into the pane's folder (HardLinker)
//   ID_SPLIT_FILE
//                  split the selected file into numbered chunks
//   ID_MERGE_FILES
//                  merge the selected files, in list order, into one
//   ID_SHRED       shred the selection (Shredder)
//   ID_TOUCH_DATES
//                  touch dates: the selected files' modified time to now
//   ID_SYNC_TOUCH
//                  sync touch: the modified times of the active pane's items
//                  onto the same-named items of the other pane
//
// Each pauses the change watch of the folder it writes to, refreshes that
// pane afterwards and reports through notices; split, merge, shred and hard
// links run as long operations (progress bar, Escape between blocks or
// entries) whose disk work runs on a worker thread while the main thread
// shows the bar and polls Escape (shell/LongOperationWorker.h). Questions go
// through the prompter, on the main thread. All need a file-system
// folder in the active pane.
//
// Main thread only. The host (the frame) outlives it.

#include <QString>
#include <cstdint>

#include "platform/ui/CommandTarget.h"

class CPanexView;
class PaneHost;

/// The notices of these commands.
namespace FileUtilNotices {
inline const QString kDeclined = QStringLiteral("New %1 creation request has beed declined");
inline const QString kFile = QStringLiteral("file");
inline const QString kFolder = QStringLiteral("folder");
inline const QString kHardLinking = QStringLiteral("Hard linking... (ESC to abort)");
inline const QString kNeedsFile = QStringLiteral("This operation requires a file object");
inline const QString kSplitPrompt = QStringLiteral("Split size in K-bytes");
inline const QString kSplitting = QStringLiteral("Splitting... (ESC to abort)");
inline const QString kSplitTitle = QStringLiteral("Split File");
inline const QString kChunkExists =
    QStringLiteral("%1\n\nA file with this name already exists; overwrite it anyway?");
inline const QString kSplitFailed = QStringLiteral("I/O error or user aborted split.");
inline const QString kTooFew = QStringLiteral("Too few files selected for merging");
inline const QString kDatesOutOfOrder = QStringLiteral(
    "The selected files' creation dates are not in order\n(make sure you have them "
    "arranged/sorted properly)\n\nProceed with merging anyway?");
inline const QString kMergePrompt = QStringLiteral("Merge target name");
inline const QString kMerging = QStringLiteral("Merging... (ESC to abort)");
inline const QString kMergeTargetExists =
    QStringLiteral("%1\n\nMerge target file exists, overwrite anyway?");
inline const QString kMergeFailed = QStringLiteral("I/O error or user aborted merge.");
inline const QString kMergeIntoSource =
    QStringLiteral("The merge target '%1' is one of the files to merge; nothing was merged");
inline const QString kSourceChanged =
    QStringLiteral("'%1' changed its size while it was read; the %2 was stopped");
inline const QString kSplitWord = QStringLiteral("split");
inline const QString kMergeWord = QStringLiteral("merge");
inline const QString kShredQuestion = QStringLiteral(
    "You are about to blow files into extinction.\nIt's impossible to recover "
    "shredded items.\n\nAre you sure you want to proceed?");
inline const QString kShreding = QStringLiteral("Shreding... (ESC to abort)");
inline const QString kShredAborted =
    QStringLiteral("Shreding aborted, but some files may have gone");
inline const QString kShredError = QStringLiteral("Write error, shreding aborted");
inline const QString kShredOtherLinks =
    QStringLiteral("'%1' has other hard links and was not shredded; shreding aborted");
inline const QString kShredOtherVolume =
    QStringLiteral("'%1' is on another volume and was not shredded; shreding aborted");
inline const QString kShredChanged =
    QStringLiteral("'%1' changed its size while it was shredded and was left; shreding aborted");
inline const QString kTouched = QStringLiteral("File times touched to present");
inline const QString kSynced = QStringLiteral("File times sync-ed with inactive pane");
inline const QString kNoMatches =
    QStringLiteral("No matching items (filenames) among the two panes");
}  // namespace FileUtilNotices

class CPaneFileUtils : public CommandTarget {
public:
    explicit CPaneFileUtils(PaneHost& host);
    ~CPaneFileUtils() override;
    CPaneFileUtils(const CPaneFileUtils&) = delete;
    CPaneFileUtils& operator=(const CPaneFileUtils&) = delete;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // The commands, on the active pane.
    void NewItem(bool isFolder);
    // F8 in a remote folder read through GIO: made on the server.
    void NewRemoteFolder();
    void PasteHardLink();
    void Split();
    void Merge();
    void Shred();
    void TouchDates();
    void SyncTouch();

    /// The split size in KiB: the last one entered in this run (1,420 at
    /// first).
    static std::int64_t& SplitSizeKiB();

private:
    CPanexView* ActivePane() const;

    PaneHost& m_host;
};

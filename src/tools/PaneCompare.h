#pragma once
// Comparing the two panes: by name, size and date (F9 selects what is newer
// or missing on the other side, Ctrl+F9 what is the same on both), by
// contents (Alt+F9), and keeping the panes' rows together while scrolling.
// CPaneTools runs them; everything here works on the panes it is given.
//
// Items match by name only, exactly (names are case-sensitive here), among
// the rows the other pane lists. Dates are the kind Details view shows
// (general setting "eFileDateUzed"). Main thread only; the content
// comparison reads its files on a worker thread (LongOperationWorker.h)
// while this thread keeps the bar, Escape and the selection.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/namespace/ShellTypes.h"
#include "tools/ContentCompare.h"

class CPanexView;
class FolderItem;

namespace CompareTexts {
inline const QString kFiltersDiffer = QStringLiteral(
    "The two panes have different visual filters.\nThe synchronization may be "
    "incomplete.\nContinue anyway?\n");
inline const QString kNotModificationDates = QStringLiteral(
    "The file dates shown are NOT the modification ones.\nThe comparison results may be "
    "ambiguous. Continue anyway?\n(Use 'View/Options' command to change the date settings)");
inline const QString kIdentified =
    QStringLiteral("%1 items identified and selected for further action.");
inline const QString kDiffering = QStringLiteral("Differing");
inline const QString kIdentical = QStringLiteral("Identical");
inline const QString kSeemIdentical =
    QStringLiteral("The contents of the two folders seem identical");
inline const QString kNoCommon = QStringLiteral("No common items shared between the folders");
inline const QString kComparingContents = QStringLiteral("Comparing contents... (ESC to abort)");
inline const QString kReadError = QStringLiteral("Read error comparing %1");
inline const QString kAllIdentical =
    QStringLiteral("All files are identical with matching files in the other pane.");
inline const QString kDifferingSelected =
    QStringLiteral("Differing items identified and selected for further action.");
inline const QString kFolderChanged =
    QStringLiteral("A pane changed folder while contents were compared; nothing was selected");
inline const QString kSyncScrolling = QStringLiteral("Synchronized pane scrolling %1");
}  // namespace CompareTexts

/// Two file times compared with the comparison's tolerance: under three
/// seconds apart they are equal; when exactly one side is an archive
/// (`thisArchive` / `otherArchive`), a file-system time 0 to 58 whole
/// seconds after the archive's is equal too (archives keep coarse times),
/// never one before it. Negative, 0 or positive as `a` is earlier, equal or
/// later.
int CompareTimesWithTolerance(FileTime a, FileTime b, bool thisArchive, bool otherArchive);

/// Selects in `pane` the items that differ from `other` (`differing`: newer
/// here, or missing there) or that are identical (same size, equal date);
/// every row is set selected or unselected. A zero-size folder stays
/// unselected unless "bSelectIncFolders" is on. The first selected item gets
/// the focus and is brought into view. Gives the count selected.
int MarkAgainstOpposite(CPanexView& pane, CPanexView& other, bool differing);

/// F9 (`differing`) and Ctrl+F9 on the two panes: the two questions (visual
/// filters differ; the dates shown are not modification dates), then
/// MarkAgainstOpposite on the left pane and the right one, then the status
/// text. False when a question was answered No.
bool SynchronizePanes(CPanexView& left, CPanexView& right, bool differing);

/// Whether the two panes show different folders (paths compared exactly).
bool PanesShowDifferentFolders(const CPanexView& left, const CPanexView& right);

/// How one pair of files is compared (CompareFileContents, or a stand-in
/// in tests). Runs on the worker thread.
using ContentComparer = std::function<ContentResult(
    const QByteArray& first, const QByteArray& second, std::uint64_t listedSize,
    ContentBuffers& buffers, const std::function<bool()>& stop)>;

/// Alt+F9: compares the contents of the active pane's files with their
/// twins in `other` and selects the ones that differ (see the header of
/// ContentCompare.h); a long operation with Escape. Nothing happens when the
/// two show the same folder or `other` shows neither a file-system nor an
/// archive folder.
///
/// The rows listed when it starts are the ones compared, taken with their
/// paths on this thread; the files are read on a worker thread while the
/// window paints, and the verdicts are applied here afterwards, by name.
/// A temporary copy an archive item needs is made on this thread when the
/// worker comes to it. When either pane changes folder meanwhile, the run
/// stops and selects nothing ("A pane changed folder ...").
void SyncOnContent(CPanexView& pane, CPanexView& other,
                   const ContentComparer& compare = CompareFileContents);

/// Sync scrolling: brings the row named as `pane`'s focused row in `other`
/// to the same height, when both are in Details view and `sideBySide`.
void FollowScroll(CPanexView& pane, CPanexView& other, bool sideBySide);

/// Ctrl+P: in Details view, scrolls so the focused row is the first shown.
void ScrollFocusedToTop(CPanexView& pane);

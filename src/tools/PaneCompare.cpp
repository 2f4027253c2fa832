#include "tools/PaneCompare.h"

#include <QPointer>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>
#include <optional>
#include <vector>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/LongOperation.h"
#include "shell/LongOperationWorker.h"
#include "shell/Notice.h"
#include "shell/ProgressStepper.h"
#include "tools/ContentCompare.h"

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
// Archives keep times to two seconds and often in local time rounding; a
// file up to this many whole seconds newer than its archived twin counts as
// the same.
constexpr std::int64_t kArchiveSlackSeconds = 59;

bool IsFolderItem(const FolderItem* item) {
    return (item->attributes & SFGAO_FOLDER) != 0;
}

// The twin of `item` among the rows `other` lists; nullptr when none.
FolderItem* MatchIn(CPanexView& other, const FolderItem& item) {
    FolderModel* model = other.Model();
    FolderItem* match = model ? model->FindByName(item.name) : nullptr;
    return match && other.List()->RowOf(match) >= 0 ? match : nullptr;
}

bool IsArchive(const CPanexView& pane) {
    return pane.Model() && pane.Model()->IsDescriptor();
}

// The date order of `item` against its
// twin, a zero-size folder against a file counting later on the folder side.
int DateOrder(CPanexView& pane, CPanexView& other, FolderItem& item, FolderItem& match) {
    const bool folder = IsFolderItem(&item);
    const bool matchFolder = IsFolderItem(&match);
    if (folder && !matchFolder && item.size == 0)
        return 1;
    if (!folder && matchFolder && match.size == 0)
        return -1;
    FolderModel& model = *pane.Model();
    if (!model.IsFileSystem() && !model.IsDescriptor()) {
        // Virtual folders have no dates to speak of; the folder's own order
        // of the two ids stands in.
        const int order = model.shellFolder->CompareIDs(0, item.id, match.id);
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    const int kind = General().fileDateUsed;
    return CompareTimesWithTolerance(item.times[size_t(kind)], match.times[size_t(kind)],
                                     IsArchive(pane), IsArchive(other));
}

// Holds the list's painting while the selection is changed.
class RedrawPause {
public:
    explicit RedrawPause(PaneListCtrl& list) : m_list(list) { m_list.SuspendRedraw(); }
    ~RedrawPause() { m_list.ResumeRedraw(); }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    PaneListCtrl& m_list;
};

void FocusFirstSelected(PaneListCtrl& list, const std::vector<bool>& selected) {
    for (size_t row = 0; row < selected.size(); ++row) {
        if (selected[row]) {
            list.SetFocusedRow(int(row), false);
            return;
        }
    }
}

}  // namespace

int CompareTimesWithTolerance(FileTime a, FileTime b, bool thisArchive, bool otherArchive) {
    if (a == b)
        return 0;
    // The whole difference decides, not the low halves of the two times:
    // two times a second apart on either side of a 2^32 boundary are as
    // close as any others.
    const std::int64_t difference = std::int64_t(a) - std::int64_t(b);
    if (difference / kTicksPerSecond >= -2 && difference / kTicksPerSecond <= 2)
        return 0;
    if (thisArchive != otherArchive) {
        const std::int64_t fsMinusArchive = thisArchive ? -difference : difference;
        const std::int64_t seconds = fsMinusArchive / kTicksPerSecond;
        if (fsMinusArchive >= 0 && seconds < kArchiveSlackSeconds)
            return 0;
    }
    return difference < 0 ? -1 : 1;
}

int MarkAgainstOpposite(CPanexView& pane, CPanexView& other, bool differing) {
    PaneListCtrl& list = *pane.List();
    const RedrawPause pause(list);
    std::vector<bool> selected(size_t(list.RowCount()), false);
    int count = 0;
    for (int row = 0; row < list.RowCount(); ++row) {
        FolderItem& item = *list.ItemAt(row);
        FolderItem* match = MatchIn(other, item);
        bool select = false;
        if (!match) {
            select = differing;
        } else {
            const int order = DateOrder(pane, other, item, *match);
            select = differing ? order > 0 : (order == 0 && item.size == match->size);
        }
        if (select && IsFolderItem(&item) && item.size == 0 && !General().selectIncFolders)
            select = false;
        selected[size_t(row)] = select;
        count += select ? 1 : 0;
    }
    list.SetSelectedRows(selected);
    FocusFirstSelected(list, selected);
    return count;
}

bool PanesShowDifferentFolders(const CPanexView& left, const CPanexView& right) {
    const FolderModel* a = left.Model();
    const FolderModel* b = right.Model();
    return a && b && a->path != b->path;
}

bool SynchronizePanes(CPanexView& left, CPanexView& right, bool differing) {
    if (left.FilterText() != right.FilterText() &&
        MessageBoxText(CompareTexts::kFiltersDiffer, PromptButtons::YesNo, PromptIcon::Warning) !=
            PromptAnswer::Yes)
        return false;
    if (General().fileDateUsed != kTimeModified &&
        MessageBoxText(CompareTexts::kNotModificationDates, PromptButtons::YesNo,
                       PromptIcon::Warning) != PromptAnswer::Yes)
        return false;
    const int leftCount = MarkAgainstOpposite(left, right, differing);
    const int rightCount = MarkAgainstOpposite(right, left, differing);
    // Straight to the status bar: this report is never replaced by a
    // humorous text.
    if (leftCount > 0 || rightCount > 0)
        DeliverNotice(CompareTexts::kIdentified.arg(differing ? CompareTexts::kDiffering
                                                              : CompareTexts::kIdentical),
                      false);
    else
        DeliverNotice(differing ? CompareTexts::kSeemIdentical : CompareTexts::kNoCommon, false);
    return true;
}

namespace {

// One row of the active pane as the content comparison takes it before the
// run: what the worker needs, owned outright, and the name to find the row
// by afterwards.
struct ContentRow {
    QString name;
    enum class Kind { kSkip, kDecided, kRead } kind = Kind::kSkip;
    bool select = false;  // kDecided: the verdict
    bool zeroSizeFolder = false;
    std::uint64_t size = 0;    // kRead: the listed size
    QByteArray first, second;  // kRead: the two paths (empty: asked for later)
};

// Whether both panes still show the folders the run began with.
class PanePairWatch {
public:
    PanePairWatch(CPanexView& pane, CPanexView& other)
        : m_pane(&pane),
          m_other(&other),
          m_model(pane.Model()),
          m_otherModel(other.Model()),
          m_path(m_model->path),
          m_otherPath(m_otherModel->path) {}
    bool Same() const {
        return m_pane && m_other && m_pane->Model() == m_model &&
               m_other->Model() == m_otherModel && m_model->path == m_path &&
               m_otherModel->path == m_otherPath;
    }

private:
    QPointer<CPanexView> m_pane;
    QPointer<CPanexView> m_other;
    const FolderModel* m_model;
    const FolderModel* m_otherModel;
    QString m_path;
    QString m_otherPath;
};

// An archive's items are read through temporary copies that the folder
// makes on demand; a file-system item's path is its folder's and its name.
QByteArray PathNow(CPanexView& pane, FolderItem& item) {
    if (!pane.Model()->IsFileSystem())
        return {};
    const QString path = item.ItemPath();
    return path.isEmpty() ? QByteArray() : NameToBytes(path);
}

}  // namespace

void SyncOnContent(CPanexView& pane, CPanexView& other, const ContentComparer& compare) {
    FolderModel* model = pane.Model();
    FolderModel* otherModel = other.Model();
    if (!model || !otherModel || model->path == otherModel->path)
        return;
    if (!otherModel->IsFileSystem() && !otherModel->IsDescriptor())
        return;
    PaneListCtrl& list = *pane.List();
    const bool archive = model->IsDescriptor();
    const bool includeFolders = General().selectIncFolders;

    // The rows are taken now, on this thread: the worker never touches a
    // pane, and rows that arrive later are not part of this run.
    std::vector<ContentRow> rows(size_t(list.RowCount()));
    for (int row = 0; row < list.RowCount(); ++row) {
        FolderItem& item = *list.ItemAt(row);
        ContentRow& entry = rows[size_t(row)];
        entry.name = item.name;
        if (!archive && (item.attributes & SFGAO_FILESYSTEM) == 0)
            continue;
        entry.zeroSizeFolder = IsFolderItem(&item) && item.size == 0;
        FolderItem* match = MatchIn(other, item);
        entry.kind = ContentRow::Kind::kDecided;
        if (!match) {
            entry.select = true;
        } else if (entry.zeroSizeFolder) {
            entry.select = false;
        } else if (item.size != match->size) {
            entry.select = true;
        } else if (item.size == 0) {
            entry.select = false;
        } else {
            entry.kind = ContentRow::Kind::kRead;
            entry.size = item.size;
            entry.first = PathNow(pane, item);
            entry.second = PathNow(other, *match);
        }
        if (entry.select && entry.zeroSizeFolder && !includeFolders)
            entry.select = false;
    }

    // The verdicts, by row of `rows`; the rows after a stop keep theirs.
    std::vector<std::optional<bool>> verdicts(rows.size());
    const PanePairWatch watch(pane, other);
    {
        LongOperation operation(CompareTexts::kComparingContents);
        LongOperationWorker worker(operation, false);
        worker.SetCancelCheck([&watch] { return !watch.Same(); });
        // Asked on this thread for a path the worker lacks (an archive's
        // temporary copy); false when the panes have moved on.
        const auto resolve = [&](ContentRow& entry) {
            return worker.OnMainThread<bool>([&] {
                if (!watch.Same())
                    return false;
                const auto pathOf = [](CPanexView& view, const QString& name) {
                    FolderItem* item = view.Model()->FindByName(name);
                    const QString path = item ? item->ItemPath() : QString();
                    return path.isEmpty() ? QByteArray() : NameToBytes(path);
                };
                if (entry.first.isEmpty())
                    entry.first = pathOf(pane, entry.name);
                if (entry.second.isEmpty())
                    entry.second = pathOf(other, entry.name);
                return true;
            });
        };
        const auto readError = [&](const QString& name) {
            worker.OnMainThread<bool>([&] {
                Notice(CompareTexts::kReadError.arg(DisplayFromName(name)), true);
                return true;
            });
        };
        worker.Run([&] {
            ContentBuffers buffers;
            ProgressStepper stepper(rows.size());
            const std::function<bool()> stop = [&worker] { return worker.StopRequested(); };
            for (size_t row = 0; row < rows.size(); ++row) {
                if (stepper.Advance())
                    worker.Step();
                ContentRow& entry = rows[row];
                if (entry.kind == ContentRow::Kind::kSkip)
                    continue;
                bool select = entry.select;
                bool halt = false;
                if (entry.kind == ContentRow::Kind::kRead) {
                    if ((entry.first.isEmpty() || entry.second.isEmpty()) && !resolve(entry))
                        break;
                    const ContentResult result =
                        entry.first.isEmpty() || entry.second.isEmpty()
                            ? ContentResult::kOpenError
                            : compare(entry.first, entry.second, entry.size, buffers, stop);
                    switch (result) {
                        case ContentResult::kEqual:
                            select = false;
                            break;
                        case ContentResult::kDiffer:
                            select = true;
                            break;
                        case ContentResult::kOpenError:
                            // A pair that was not read is never taken for
                            // identical: it stands out with the differing
                            // ones.
                            readError(entry.name);
                            select = true;
                            break;
                        case ContentResult::kReadError:
                            // The same for a read that broke off; the run
                            // ends with this pair counted.
                            readError(entry.name);
                            select = true;
                            halt = true;
                            break;
                        case ContentResult::kAborted:
                            // The item keeps its selection; the run ends
                            // here.
                            halt = true;
                            select = false;
                            break;
                    }
                    if (halt && !select)
                        break;
                }
                verdicts[row] = select;
                if (halt || worker.StopRequested())
                    break;
            }
        });
    }
    if (!watch.Same()) {
        // The rows the verdicts name are gone: nothing is selected by them.
        Notice(CompareTexts::kFolderChanged, true);
        return;
    }
    // By name: rows may have come or moved since the run began.
    std::vector<bool> selected(size_t(list.RowCount()), false);
    for (int row : list.SelectedRows()) selected[size_t(row)] = true;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!verdicts[i])
            continue;
        FolderItem* item = model->FindByName(rows[i].name);
        const int row = item ? list.RowOf(item) : -1;
        if (row >= 0)
            selected[size_t(row)] = *verdicts[i];
    }
    const RedrawPause pause(list);
    list.SetSelectedRows(selected);
    if (std::none_of(verdicts.begin(), verdicts.end(), [](const auto& v) { return v && *v; })) {
        Notice(CompareTexts::kAllIdentical, true);
        return;
    }
    FocusFirstSelected(list, selected);
    Notice(CompareTexts::kDifferingSelected, true);
}

void FollowScroll(CPanexView& pane, CPanexView& other, bool sideBySide) {
    PaneListCtrl& list = *pane.List();
    PaneListCtrl& otherList = *other.List();
    const int row = list.FocusedRow();
    const FolderItem* item = row >= 0 ? list.ItemAt(row) : nullptr;
    FolderItem* match = item ? MatchIn(other, *item) : nullptr;
    if (!match || !sideBySide || list.ViewStyle() != ID_VIEW_DETAILS ||
        otherList.ViewStyle() != ID_VIEW_DETAILS)
        return;
    const int otherRow = otherList.RowOf(match);
    QTreeView* view = list.TreeView();
    QTreeView* otherView = otherList.TreeView();
    const int y = view->visualRect(list.Model()->index(row, 0)).top();
    const int otherY = otherView->visualRect(otherList.Model()->index(otherRow, 0)).top();
    QScrollBar* bar = otherView->verticalScrollBar();
    if (otherView->verticalScrollMode() == QAbstractItemView::ScrollPerItem) {
        const int height =
            std::max(1, otherView->visualRect(otherList.Model()->index(otherRow, 0)).height());
        bar->setValue(bar->value() + (otherY - y) / height);
    } else {
        bar->setValue(bar->value() + (otherY - y));
    }
    otherList.EnsureVisible(otherRow);
}

void ScrollFocusedToTop(CPanexView& pane) {
    PaneListCtrl& list = *pane.List();
    const int row = list.FocusedRow();
    if (row < 0 || list.ViewStyle() != ID_VIEW_DETAILS)
        return;
    list.TreeView()->scrollTo(list.Model()->index(row, 0), QAbstractItemView::PositionAtTop);
}

// Opening a folder of many files in a pane (read, scan, fill, sort by name)
// against `ls -lU` over the same folder, re-sorting its rows against
// `sort -f` over the same names, and the pane's work on the watch's notice
// after one and after 1,000 changes made from outside, against the open,
// all in the same run. Prints the ratios and the memory per row.
// Usage: bench_pane [count]

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "BenchPaneHost.h"
#include "BenchSupport.h"
#include "pane/CPanexView.h"
#include "pane/CompareItems.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"
#include "shell/ShellContext.h"

namespace {

constexpr int kRuns = 3;

// A pane that counts its refreshes, so the bench can tell whether the
// watch's notice of the change read the folder again.
class CountingPane : public CPanexView {
public:
    using CPanexView::CPanexView;
    bool RefreshPane(bool selectChanged, QStringList* names) override {
        ++refreshes;
        return CPanexView::RefreshPane(selectChanged, names);
    }
    int refreshes = 0;
};

// `sort -f` over the names in `listPath`, output discarded: the best of
// `runs`.
double SortSeconds(const QString& listPath, int runs) {
    return BestSeconds(runs, [&] {
        QProcess sort;
        sort.setStandardOutputFile(QProcess::nullDevice());
        sort.start(QStringLiteral("sort"), {QStringLiteral("-f"), listPath});
        sort.waitForFinished(-1);
    });
}

bool AppendTo(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, "more", 4) == 4;
    ::close(fd);
    return ok;
}

// Makes changes from outside, waits (bounded) until the watch has settled
// them, and gives the time the pane spends on the notices it posted: the
// cost of keeping the pane current after those changes.
double SecondsToSettle(CPanexView& pane, const std::function<void()>& change) {
    const ChangeWatch* watch = pane.Model()->watch.get();
    if (!watch)
        return -1;
    double spent = 0;
    int settled = watch->SettledCount();
    const int changesBefore = watch->ChangeCount();
    change();
    QElapsedTimer wait;
    wait.start();
    while (watch->ChangeCount() == changesBefore && wait.elapsed() < 5000) QThread::msleep(1);
    // A slow burst may settle more than once: handle each notice until the
    // watch has been quiet for a while.
    for (;;) {
        wait.restart();
        while (watch->SettledCount() == settled && wait.elapsed() < 1000) QThread::msleep(1);
        if (watch->SettledCount() == settled)
            break;
        settled = watch->SettledCount();
        QElapsedTimer timer;
        timer.start();
        QCoreApplication::sendPostedEvents(&pane, WM_FOLDER_CHANGED);
        spent += timer.nsecsElapsed() / 1e9;
    }
    return spent;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallDesktopNamespace();
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100000;
    QTemporaryDir temp;
    const QString folderPath = temp.path();
    const IdList folderId = MakeBenchFolder(folderPath, count);
    if (folderId.IsNull())
        return 1;

    const double lsSeconds = LsSeconds(folderPath, kRuns);

    BenchPane<CountingPane> pane;

    // Each run opens the folder afresh: the previous model is destroyed by
    // the next OpenFolder, as when the user goes elsewhere and back.
    const double openSeconds = BestSeconds(kRuns, [&] {
        pane->OpenFolder(folderId);
        // A large folder streams in: the open ends when the read has.
        while (pane->IsReading()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::processEvents();
    });
    const int rows = pane->List()->RowCount();

    // One file changes; the refresh must find it among the others. The
    // change is made a moment before the refresh, as when the user refreshes
    // after a program wrote the file: the watch has counted it by then (a
    // bounded wait). Its notice then arrives while the refresh runs, and the
    // pane must not read the folder a second time for it.
    const QByteArray changed = NameToBytes(folderPath) + "/file_000001.txt";
    double refreshSeconds = 1e9;
    double paneSeconds = 1e9;
    int refreshesByWatch = 0;
    const ChangeWatch* watch = pane->Model()->watch.get();
    for (int i = 0; i < kRuns; ++i) {
        const int changesBefore = watch ? watch->ChangeCount() : 0;
        const int settledBefore = watch ? watch->SettledCount() : 0;
        const int fd = ::open(changed.constData(), O_WRONLY | O_APPEND);
        if (fd >= 0) {
            if (::write(fd, "more", 4) != 4)
                std::fprintf(stderr, "write failed\n");
            ::close(fd);
        }
        QElapsedTimer wait;
        wait.start();
        while (watch && watch->ChangeCount() == changesBefore && wait.elapsed() < 1000)
            QThread::msleep(1);
        const int refreshesBefore = pane->refreshes;
        QElapsedTimer timer;
        timer.start();
        pane->RefreshPane(false, nullptr);
        const double paneOnly = timer.nsecsElapsed() / 1e9;
        // The notice of the change, if the watch posts one, is part of the
        // cost of the refresh.
        wait.restart();
        while (watch && watch->SettledCount() == settledBefore && wait.elapsed() < 1000)
            QThread::msleep(1);
        const double waited = wait.nsecsElapsed() / 1e9;
        QCoreApplication::processEvents();
        refreshSeconds = std::min(refreshSeconds, timer.nsecsElapsed() / 1e9 - waited);
        paneSeconds = std::min(paneSeconds, paneOnly);
        refreshesByWatch += pane->refreshes - refreshesBefore - 1;
    }

    // The model's own part of the refresh, apart from the list.
    std::uint64_t total = 0;
    const double modelRefreshSeconds = BestSeconds(kRuns, [&] { pane->Model()->Refresh(total); });

    // Re-sorting the rows: the direction flips, so every run sorts afresh.
    const double resortSeconds = BestSeconds(kRuns, [&] {
        pane->List()->OnCommand(ID_SORT_ASCENDING);
        QCoreApplication::processEvents();
    });
    if (!pane->List()->Ascending())
        pane->List()->OnCommand(ID_SORT_ASCENDING);
    // The ordering alone, apart from the model's bookkeeping and the views.
    std::vector<FolderItem*> ordered;
    for (FolderItem& item : pane->Model()->items) ordered.push_back(&item);
    bool flip = false;
    const double orderSeconds = BestSeconds(kRuns, [&] {
        flip = !flip;
        SortItems(ordered, SortParameter(ID_SORT_NAME, flip));
    });
    const QString namesPath = pane.storeDir.filePath(QStringLiteral("names.txt"));
    {
        QFile names(namesPath);
        if (names.open(QIODevice::WriteOnly)) {
            for (const FolderItem& item : pane->Model()->items)
                names.write(NameToBytes(item.name) + '\n');
        }
    }
    const double sortSeconds = SortSeconds(namesPath, kRuns);

    // Changes from outside, seen by the watch: one file written; then 1,000
    // changes (600 files written, 200 made, 200 deleted).
    const QByteArray base = NameToBytes(folderPath) + '/';
    double oneChangeSeconds = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        oneChangeSeconds = std::min(
            oneChangeSeconds, SecondsToSettle(*pane, [&] { AppendTo(base + "file_000002.txt"); }));
    }
    double manyChangesSeconds = 1e9;
    const int rowsBefore = pane->List()->RowCount();
    for (int run = 0; run < kRuns; ++run) {
        manyChangesSeconds = std::min(
            manyChangesSeconds, SecondsToSettle(*pane, [&] {
                char name[64];
                for (int i = 0; i < 600; ++i) {
                    std::snprintf(name, sizeof name, "file_%06d.txt", (i * 97 + run) % count);
                    AppendTo(base + name);
                }
                for (int i = 0; i < 200; ++i) {
                    std::snprintf(name, sizeof name, "new_%d_%03d.txt", run, i);
                    const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT, 0644);
                    if (fd >= 0)
                        ::close(fd);
                    if (run > 0) {
                        std::snprintf(name, sizeof name, "new_%d_%03d.txt", run - 1, i);
                        ::unlink((base + name).constData());
                    }
                }
            }));
    }
    const bool rowsRight = pane->List()->RowCount() == rowsBefore + 200;

    // Memory of one opened folder: a second pane keeps it while we measure.
    malloc_trim(0);
    const std::size_t before = mallinfo2().uordblks;
    auto second = std::make_unique<CPanexView>(pane.host);
    second->LoadSettings();
    second->List()->SetSortKey(ID_SORT_NAME);
    second->OpenFolder(folderId);
    while (second->IsReading()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    const std::size_t after = mallinfo2().uordblks;
    qsizetype nameChars = 0;
    for (const FolderItem& item : second->Model()->items) nameChars += item.name.size();
    const double perRow = double(after - before) / double(second->List()->RowCount());
    const double nameBytes = 2.0 * double(nameChars) / double(second->List()->RowCount());

    std::printf("rows:                     %d\n", rows);
    std::printf("ls -lU:                   %.3f s\n", lsSeconds);
    std::printf("open (read,scan,fill,sort): %.3f s  ratio to ls -lU %.2f (target <= 1)\n",
                openSeconds, openSeconds / lsSeconds);
    std::printf("refresh after one change: %.3f s  ratio to open %.2f (target <= 0.33)\n",
                refreshSeconds, refreshSeconds / openSeconds);
    std::printf("  of which RefreshPane:   %.3f s\n", paneSeconds);
    std::printf("  of which the model:     %.3f s\n", modelRefreshSeconds);
    std::printf("  refreshes by the watch: %d in %d runs\n", refreshesByWatch, kRuns);
    std::printf(
        "re-sort by name:          %.3f s  ratio to sort -f %.2f (target <= 2; sort -f %.3f s)\n",
        resortSeconds, resortSeconds / sortSeconds, sortSeconds);
    std::printf("  of which the ordering:  %.3f s\n", orderSeconds);
    std::printf("watch, one change:        %.4f s  ratio to open %.3f (target <= 0.05)\n",
                oneChangeSeconds, oneChangeSeconds / openSeconds);
    std::printf("watch, 1,000 changes:     %.4f s  ratio to open %.3f (target <= 0.33)%s\n",
                manyChangesSeconds, manyChangesSeconds / openSeconds,
                rowsRight ? "" : "  ROWS WRONG");
    std::printf("memory per row:           %.0f bytes (name %.0f; target <= 600)\n", perRow,
                nameBytes);
    return 0;
}

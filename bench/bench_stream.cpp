// Opening a very large folder in a pane as the window does it: the time to
// its first rows (OpenFolder and one pass of the event loop, which paints
// them), the time until the whole folder is in and sorted, and the memory
// the open folder keeps, against `ls -lU` over the same folder in the same
// run. Also how long the pane's event loop was held at most while the
// folder streamed in (the window's longest stall).
// Usage: bench_stream [count] [parent folder]
// (defaults: 1,000,000 files under /dev/shm; the folder is removed after).

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BenchPaneHost.h"
#include "BenchSupport.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/ShellContext.h"

namespace {

constexpr int kRuns = 3;

double LoadAverage() {
    double one = -1;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &one) != 1)
            one = -1;
        std::fclose(f);
    }
    return one;
}

long ResidentKb() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct OpenFigures {
    double firstRows = 0;    // seconds until rows were shown
    double whole = 0;        // seconds until the read ended (sorted)
    double longestHold = 0;  // the longest single pass of the event loop meanwhile
    int rowsAtFirst = 0;
};

OpenFigures OpenOnce(CPanexView& pane, const IdList& folder) {
    OpenFigures figures;
    QElapsedTimer timer;
    timer.start();
    pane.OpenFolder(folder);
    while (pane.List()->RowCount() == 0 && pane.IsReading()) QCoreApplication::processEvents();
    QCoreApplication::processEvents();  // the pass that paints them
    figures.firstRows = timer.nsecsElapsed() / 1e9;
    figures.rowsAtFirst = pane.List()->RowCount();
    while (pane.IsReading()) {
        QElapsedTimer pass;
        pass.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        figures.longestHold = std::max(figures.longestHold, pass.nsecsElapsed() / 1e9);
    }
    figures.whole = timer.nsecsElapsed() / 1e9;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallDesktopNamespace();
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1000000;
    const QString parent = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/dev/shm");
    QTemporaryDir temp(parent + QStringLiteral("/corvane-bench-stream-XXXXXX"));
    if (!temp.isValid()) {
        std::fprintf(stderr, "could not make a folder in %s\n", qPrintable(parent));
        return 1;
    }
    const QString folderPath = temp.path();
    const IdList folderId = MakeBenchFolder(folderPath, count);
    if (folderId.IsNull())
        return 1;

    BenchPane<> pane;
    const IdList elsewhere = ParsePath(pane.storeDir.path());

    std::printf("run  load   ls -lU   first rows (rows)   whole load   ratio   longest hold\n");
    double bestRatio = 1e9;
    double worstFirst = 0;
    for (int run = 1; run <= kRuns; ++run) {
        const double load = LoadAverage();
        const double ls = LsSeconds(folderPath, 1);
        const OpenFigures f = OpenOnce(*pane, folderId);
        const double ratio = f.whole / ls;
        bestRatio = std::min(bestRatio, ratio);
        worstFirst = std::max(worstFirst, f.firstRows);
        std::printf("%3d  %5.2f  %6.3f s  %7.4f s (%6d)   %7.3f s   %5.2fx  %6.3f s\n", run, load,
                    ls, f.firstRows, f.rowsAtFirst, f.whole, ratio, f.longestHold);
        std::fflush(stdout);
        // Away and back, as the user would: the next run reads afresh.
        pane->OpenFolder(elsewhere);
        QCoreApplication::processEvents();
    }

    // The same without the final sort ("Unsorted"), which tells the read's
    // own share from the sort's.
    {
        pane->List()->SetSortKey(ID_SORT_NONE);
        const double load = LoadAverage();
        const double ls = LsSeconds(folderPath, 1);
        const OpenFigures f = OpenOnce(*pane, folderId);
        std::printf("unsorted  %5.2f  %6.3f s  %7.4f s (%6d)   %7.3f s   %5.2fx  %6.3f s\n", load,
                    ls, f.firstRows, f.rowsAtFirst, f.whole, f.whole / ls, f.longestHold);
        pane->OpenFolder(elsewhere);
        QCoreApplication::processEvents();
        pane->List()->SetSortKey(ID_SORT_NAME);
    }

    // Memory of the open folder: from an empty pane to the folder read.
    malloc_trim(0);
    const std::size_t heapBefore = mallinfo2().uordblks;
    const long rssBefore = ResidentKb();
    OpenOnce(*pane, folderId);
    const int rows = pane->List()->RowCount();
    const std::size_t heapAfter = mallinfo2().uordblks;
    const long rssAfter = ResidentKb();
    const double perRow = rows > 0 ? double(heapAfter - heapBefore) / rows : 0;
    std::printf("rows %d; heap %.1f MB (%.0f bytes a row); resident %.1f MB -> %.1f MB\n", rows,
                (heapAfter - heapBefore) / 1048576.0, perRow, rssBefore / 1024.0,
                rssAfter / 1024.0);

    // Going away during a read: how long OpenFolder of another folder takes
    // while the large one streams in.
    pane->OpenFolder(elsewhere);
    QCoreApplication::processEvents();
    pane->OpenFolder(folderId);
    QElapsedTimer leave;
    leave.start();
    const bool wasReading = pane->IsReading();
    pane->OpenFolder(elsewhere);
    const double leaveSeconds = leave.nsecsElapsed() / 1e9;
    std::printf("leaving during the read (%s): %.4f s\n", wasReading ? "was reading" : "read done",
                leaveSeconds);

    std::printf(
        "targets: first rows <= 0.1 s (worst %.4f s), whole load <= 1.2x ls -lU (best "
        "%.2fx), memory <= 600 MB (heap %.1f MB)\n",
        worstFirst, bestRatio, (heapAfter - heapBefore) / 1048576.0);
    pane.pane.reset();
    return 0;
}

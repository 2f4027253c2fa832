// Tabs in a pane: the memory of 20 tabs, each on a folder of many files,
// against 20 times the memory of one pane on that folder, and the time from
// switching to a tab to its folder painted (no reading), against `ls -lU`
// over the same folder, all in the same run. The tabs are the window's own
// (PaneTabs, each tab a CPanexView as the window builds it).
// Usage: bench_tabs [files per folder] [tabs]

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchPaneHost.h"
#include "BenchSupport.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneTabs.h"
#include "platform/desktop/DesktopNamespace.h"
#include "shell/CommandIds.h"
#include "shell/ShellContext.h"

namespace {

constexpr int kRuns = 3;

void WaitForRead(const CPanexView& view) {
    while (view.IsReading()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
}

std::size_t HeapInUse() {
    malloc_trim(0);
    return mallinfo2().uordblks;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallDesktopNamespace();
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10000;
    const int tabs = argc > 2 ? std::max(2, std::atoi(argv[2])) : 20;
    QTemporaryDir temp;
    QTemporaryDir storeDir;
    const IdList folder = MakeBenchFolder(temp.path(), count);
    if (folder.IsNull())
        return 1;
    const double lsSeconds = LsSeconds(temp.path(), kRuns);
    BenchHost host(storeDir.filePath(QStringLiteral("bench.ini")));

    // One pane on the folder, as the window builds one.
    std::size_t onePane = 0;
    {
        const std::size_t before = HeapInUse();
        BenchPane<> pane;
        pane->OpenFolder(folder);
        WaitForRead(*pane);
        onePane = HeapInUse() - before;
    }

    // A side with `tabs` tabs on it, each its own model and watch.
    const std::size_t before = HeapInUse();
    auto side = std::make_unique<PaneTabs>(host, true);
    CPanexView* first = side->Current();
    host.pane = first;
    first->LoadSettings();
    first->List()->SetSortKey(ID_SORT_NAME);
    side->resize(800, 600);
    side->show();
    first->OpenFolder(folder);
    WaitForRead(*first);
    for (int i = 1; i < tabs; ++i) {
        CPanexView* view = side->OpenInNewTab(folder, false, side->Count());
        if (!view) {
            std::fprintf(stderr, "tab %d did not open\n", i + 1);
            return 1;
        }
        WaitForRead(*view);
    }
    const std::size_t allTabs = HeapInUse() - before;

    // Switching: from one tab to the next, until the tab is painted. Every
    // tab keeps its model (nothing is read again) and its rows.
    std::vector<const FolderModel*> models;
    for (int i = 0; i < side->Count(); ++i) models.push_back(side->ViewAt(i)->Model());
    std::vector<double> switches;
    for (int run = 0; run < kRuns; ++run) {
        for (int i = 0; i < side->Count(); ++i) {
            const int next = (side->CurrentIndex() + 1) % side->Count();
            QElapsedTimer timer;
            timer.start();
            side->SetCurrentIndex(next);
            host.pane = side->Current();
            side->repaint();
            QCoreApplication::processEvents();
            switches.push_back(timer.nsecsElapsed() / 1e9);
        }
    }
    bool noReread = true;
    for (int i = 0; i < side->Count(); ++i) {
        noReread = noReread && side->ViewAt(i)->Model() == models[std::size_t(i)] &&
                   side->ViewAt(i)->List()->RowCount() == count;
    }
    std::sort(switches.begin(), switches.end());
    const double median = switches[switches.size() / 2];
    const double worst = switches.back();

    const double perTabRatio = double(allTabs) / (double(tabs) * double(onePane));
    std::printf("files per folder:         %d\n", count);
    std::printf("ls -lU:                   %.4f s\n", lsSeconds);
    std::printf("one pane:                 %.1f MB\n", onePane / 1048576.0);
    std::printf("%d tabs:                  %.1f MB  ratio to %d x one pane %.2f (target <= 1)\n",
                tabs, allTabs / 1048576.0, tabs, perTabRatio);
    std::printf(
        "switch to a tab, painted: median %.4f s, worst %.4f s (target <= 0.050); "
        "ratio of the worst to ls -lU %.2f\n",
        median, worst, worst / lsSeconds);
    std::printf("models kept, rows kept:   %s\n", noReread ? "yes (no re-read)" : "NO");
    host.pane = nullptr;
    side.reset();
    return noReread ? 0 : 1;
}

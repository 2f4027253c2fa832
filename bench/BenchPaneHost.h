#pragma once
// The one set-up of a pane in the benchmarks: the host of a lone pane (a
// store of its own, no other pane, the pane itself active), the pane as the
// window builds it, and the folder of numbered files the pane benchmarks
// open.

#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "BenchSupport.h"
#include "pane/CPanexView.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/ShellContext.h"

class BenchHost : public PaneHost {
public:
    explicit BenchHost(const QString& storePath) : m_store(storePath) {}
    ProfileStore& Store() override { return m_store; }
    QString CommandLineFolder(const CPanexView&) const override { return {}; }
    bool IsFirstPane(const CPanexView&) const override { return true; }
    CPanexView* OtherPane(const CPanexView&) const override { return nullptr; }
    CPanexView* ActivePane() const override { return pane; }
    CPanexView* pane = nullptr;

private:
    ProfileStore m_store;
};

/// A lone pane as the window builds it: its settings read from a store in a
/// temporary folder (`storeDir`, empty otherwise), sorted by name, shown at
/// 800 x 600 so that the list view lays its rows out. Make it after the
/// application object and the namespace.
template <class Pane = CPanexView>
struct BenchPane {
    BenchPane() : host(storeDir.filePath(QStringLiteral("bench.ini"))) {
        pane = std::make_unique<Pane>(host);
        host.pane = pane.get();
        pane->LoadSettings();
        pane->List()->SetSortKey(ID_SORT_NAME);
        pane->resize(800, 600);
        pane->show();
    }
    Pane* operator->() const { return pane.get(); }
    Pane& operator*() const { return *pane; }

    QTemporaryDir storeDir;
    BenchHost host;
    std::unique_ptr<Pane> pane;
};

/// Makes `count` numbered files in `folderPath` out of name order (as
/// MakeNumberedFiles) and gives the folder's id list; a null one, with the
/// reason on stderr, when the files or the id could not be made.
inline IdList MakeBenchFolder(const QString& folderPath, int count) {
    std::printf("making %d files in %s ...\n", count, qPrintable(folderPath));
    std::fflush(stdout);
    if (!MakeNumberedFiles(folderPath, count, true, 0)) {
        std::fprintf(stderr, "could not make the files\n");
        return IdList();
    }
    EnsureShellContext();
    const IdList folderId = ParsePath(folderPath);
    if (folderId.IsNull())
        std::fprintf(stderr, "could not parse %s\n", qPrintable(folderPath));
    return folderId;
}

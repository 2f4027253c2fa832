// Enumerating a folder of many files into folder items, against `ls -lU`
// over the same folder in the same run. Prints the time ratio and the memory
// each item costs beyond its name. Usage: bench_enumerate [count] [folder]
// (the folder is made in the temporary folder and removed at the end unless
// one is given).

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <list>
#include <memory>

#include "BenchSupport.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"
#include "shell/FolderItemOwner.h"
#include "shell/ShellContext.h"

namespace {

constexpr int kRuns = 5;

struct Enumerated {
    std::list<FolderItem> items;
    qsizetype nameChars = 0;
};

bool Enumerate(BoundFolder& folder, Enumerated& out) {
    auto ids = folder.OwnerShellFolder().EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS |
                                                     SHCONTF_INCLUDEHIDDEN);
    if (!ids)
        return false;
    IdList id;
    while (ids->Next(id) == EnumIdList::Result::Item) {
        out.items.emplace_back();
        if (!out.items.back().Init(folder, std::move(id))) {
            out.items.pop_back();
            continue;
        }
        out.nameChars += out.items.back().name.size();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    InstallDesktopNamespace();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    QTemporaryDir temp;
    const QString folderPath = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    if (argc <= 2) {
        std::printf("making %d files in %s ...\n", count, qPrintable(folderPath));
        if (!MakeNumberedFiles(folderPath, count, false, 7)) {
            std::fprintf(stderr, "could not make the files\n");
            return 1;
        }
    }

    const double lsSeconds = LsSeconds(folderPath, kRuns);

    if (!EnsureShellContext()) {
        std::fprintf(stderr, "no shell context\n");
        return 1;
    }
    const IdList folderId = ParsePath(folderPath);
    auto folder = BoundFolder::Bind(folderId);
    if (!folder) {
        std::fprintf(stderr, "could not bind %s\n", qPrintable(folderPath));
        return 1;
    }

    std::size_t listed = 0;
    const double ourSeconds = BestSeconds(kRuns, [&] {
        Enumerated run;
        Enumerate(*folder, run);
        listed = run.items.size();
    });

    // Memory of one enumeration kept alive, measured by the allocator.
    malloc_trim(0);
    const std::size_t before = mallinfo2().uordblks;
    auto kept = std::make_unique<Enumerated>();
    Enumerate(*folder, *kept);
    const std::size_t after = mallinfo2().uordblks;
    const double perItem = double(after - before) / double(kept->items.size());
    // The name is held once, as UTF-16 (displayName shares it).
    const double nameBytes = 2.0 * double(kept->nameChars) / double(kept->items.size());

    std::printf("items:               %zu\n", listed);
    std::printf("ls -lU:              %.3f s\n", lsSeconds);
    std::printf("corvane enumerate:   %.3f s\n", ourSeconds);
    std::printf("ratio (corvane/ls):  %.2f  (target <= 2)\n", ourSeconds / lsSeconds);
    std::printf("memory per item:     %.0f bytes, of which the name %.0f\n", perItem, nameBytes);
    std::printf("beyond the name:     %.0f bytes  (target <= 400)\n", perItem - nameBytes);
    return 0;
}

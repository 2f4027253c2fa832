// Expanding a folder of many sub-folders in the folder tree (the worker's
// read: the entries by type, sorted as the folder sorts), against
// `find -mindepth 1 -maxdepth 1 -type d` over the same folder in the same
// run. Usage: bench_tree [count] [folder] (the folder is made in the
// temporary folder and removed at the end unless one is given).

#include <sys/stat.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchSupport.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/namespace/NameCodec.h"
#include "shell/ShellContext.h"
#include "tree/TreeFolderReader.h"

namespace {

constexpr int kRuns = 5;

double FindSeconds(const QString& folder) {
    return BestSeconds(kRuns, [&] {
        QProcess find;
        find.setStandardOutputFile(QProcess::nullDevice());
        find.start(
            QStringLiteral("find"),
            {folder, QStringLiteral("-mindepth"), QStringLiteral("1"), QStringLiteral("-maxdepth"),
             QStringLiteral("1"), QStringLiteral("-type"), QStringLiteral("d")});
        find.waitForFinished(-1);
    });
}

}  // namespace

int main(int argc, char** argv) {
    InstallDesktopNamespace();
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    if (argc <= 2) {
        const QByteArray base = NameToBytes(folder);
        for (int i = 0; i < count; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/folder_%06d", int((i * 7919LL) % count));
            if (::mkdir((base + name).constData(), 0755) != 0) {
                std::fprintf(stderr, "bench_tree: cannot make the folders\n");
                return 1;
            }
        }
    }
    const IdList id = ParsePath(folder);
    std::size_t listed = 0;
    const double ours =
        BestSeconds(kRuns, [&] { listed = ReadTreeFolder(id, true).entries.size(); });
    const double find = FindSeconds(folder);
    std::printf("tree expand of %zu sub-folders: %.4f s; find -type d: %.4f s; ratio %.2f\n",
                listed, ours, find, find > 0 ? ours / find : 0.0);
    return 0;
}

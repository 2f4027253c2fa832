// Folder statistics against `du -s`, in the same run, on the same tree: a
// tree of 200,000 files in 20,000 folders made here (apparent sizes only,
// so it is made quickly), warm (one unmeasured pass of each first, then the
// best of five). Corvane's side is the reading Ctrl+D runs, on its worker
// thread, without the window. The totals are checked against
// `du -s --apparent-size -B1` and `du -s --inodes` (less the folders
// themselves, which du counts and the statistics do not).
//
// Target: at most 1.0 times `du -s`.
//
// Usage: bench_stats [folder] [folders] [files per folder]
// (defaults: . 20000 10)

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <future>

#include "BenchSupport.h"
#include "platform/thread/WorkerThread.h"
#include "stats/FolderStatNode.h"

namespace {

constexpr int kRuns = 5;

QByteArray Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

// The first number du prints.
unsigned long long DuFigure(const QStringList& arguments) {
    return Run(QStringLiteral("du"), arguments).split('\t').value(0).toULongLong();
}

// The folders' own sizes, which du's apparent size includes.
unsigned long long FolderSizes(const QString& root) {
    const QByteArray out =
        Run(QStringLiteral("find"), {root, QStringLiteral("-type"), QStringLiteral("d"),
                                     QStringLiteral("-printf"), QStringLiteral("%s\\n")});
    unsigned long long total = 0;
    for (const QByteArray& line : out.split('\n')) total += line.toULongLong();
    return total;
}

StatReading ReadOnWorker(WorkerThread& worker, const QByteArray& path) {
    auto promise = std::make_shared<std::promise<StatReading>>();
    std::future<StatReading> done = promise->get_future();
    worker.Start([promise, path](const JobControl& control) {
        promise->set_value(ReadFolderStats(path, QStringLiteral("root"), control.StopFlag().get()));
    });
    worker.Wait();
    return done.get();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString base = args.value(1, QStringLiteral("."));
    const int folders = args.value(2, QStringLiteral("20000")).toInt();
    const int files = args.value(3, QStringLiteral("10")).toInt();

    QTemporaryDir dir(QDir(base).absoluteFilePath(QStringLiteral("bench_stats-XXXXXX")));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString root = dir.path() + QStringLiteral("/tree");
    if (::mkdir(NameToBytes(root).constData(), 0755) != 0) {
        std::fprintf(stderr, "cannot make the tree\n");
        return 1;
    }
    const long long made = MakeSizedTree(root, folders, 100, files);
    if (made < 0) {
        std::fprintf(stderr, "cannot make the tree\n");
        return 1;
    }
    std::printf("tree: %d folders, %d files, %lld bytes\n", folders, folders * files, made);

    WorkerThread worker;
    const QByteArray path = NameToBytes(root);
    StatReading reading = ReadOnWorker(worker, path);  // warms the cache
    Run(QStringLiteral("du"), {QStringLiteral("-s"), root});

    // The same totals as du.
    const unsigned long long duBytes =
        DuFigure({QStringLiteral("-s"), QStringLiteral("--apparent-size"), QStringLiteral("-B1"),
                  root}) -
        FolderSizes(root);
    const unsigned long long duFiles =
        DuFigure({QStringLiteral("-s"), QStringLiteral("--inodes"), root}) -
        (unsigned long long)(folders + 1);
    if (reading.result != StatReadResult::Success || !reading.root ||
        reading.root->TotalBytes() != duBytes ||
        (unsigned long long)reading.root->ShownFiles() != duFiles ||
        reading.root->ShownFolders() != folders || duBytes != (unsigned long long)made) {
        std::fprintf(stderr,
                     "totals differ: corvane %llu bytes %lld files, du %llu bytes %llu files\n",
                     reading.root ? (unsigned long long)reading.root->TotalBytes() : 0ull,
                     reading.root ? (long long)reading.root->ShownFiles() : -1ll, duBytes, duFiles);
        return 1;
    }
    std::printf("totals: %llu bytes, %llu files, %d folders (same as du)\n", duBytes, duFiles,
                folders);

    const double corvane = BestSeconds(kRuns, [&] { reading = ReadOnWorker(worker, path); });
    const double du = BestSeconds(kRuns, [&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("du"), {QStringLiteral("-s"), root});
        process.waitForFinished(-1);
    });
    std::printf("statistics read: %.3f s\n", corvane);
    std::printf("du -s:           %.3f s\n", du);
    std::printf("ratio: %.2f (target <= 1.0)\n", corvane / du);
    return 0;
}

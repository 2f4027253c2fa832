// The file-operation engine against the tools a user would compare it with,
// in the same run: copying one 1 GiB file and a tree of 10,000 small files
// against `cp -a`, and moving the tree to another file system (/dev/shm)
// against `mv`. Prints each time, the ratio (target: at most 1.2) and the
// peak memory. Usage: bench_fileop [folder-on-disk] [folder-on-other-fs]
// (defaults: the temporary folder and /dev/shm; everything made is removed).

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/fileop/FileOperation.h"

namespace {

constexpr int kRuns = 3;

bool Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

void Remove(const QString& path) {
    Run(QStringLiteral("rm"), {QStringLiteral("-rf"), path});
}

bool MakeBigFile(const QByteArray& path, qint64 size) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> block(8 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = char((i * 2654435761u) >> 13);
    bool ok = true;
    for (qint64 done = 0; ok && done < size; done += qint64(block.size()))
        ok = ::write(fd, block.data(), block.size()) == ssize_t(block.size());
    return ::close(fd) == 0 && ok;
}

// 100 folders of 100 files of 1 to 4 KB.
bool MakeTree(const QByteArray& root) {
    if (::mkdir(root.constData(), 0755) != 0)
        return false;
    std::vector<char> bytes(4096, 'x');
    for (int folder = 0; folder < 100; ++folder) {
        const QByteArray sub = root + "/folder_" + QByteArray::number(folder);
        if (::mkdir(sub.constData(), 0755) != 0)
            return false;
        for (int file = 0; file < 100; ++file) {
            const QByteArray path = sub + "/file_" + QByteArray::number(file) + ".txt";
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0)
                return false;
            const std::size_t size = 1024 + std::size_t((folder * 100 + file) * 37 % 3072);
            const bool ok = ::write(fd, bytes.data(), size) == ssize_t(size);
            if (::close(fd) != 0 || !ok)
                return false;
        }
    }
    return true;
}

bool Engine(FileOpRequest::Func func, const QByteArray& source, const QByteArray& target) {
    FileOpRequest request;
    request.func = func;
    request.sources = {source};
    request.targetFolder = target;
    request.noConfirmation = true;
    const FileOpResult result = SHFileOperation(request);
    if (!result.Succeeded())
        std::fprintf(stderr, "engine failed: %s\n", qPrintable(result.errors.join('\n')));
    return result.Succeeded();
}

// The best of `runs` timings of `work`, each after an untimed `setUp`.
template <typename S, typename W>
double BestAfter(int runs, S&& setUp, W&& work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        setUp();
        best = std::min(best, BestSeconds(1, work));
    }
    return best;
}

void Report(const char* what, double ours, double theirs, const char* tool) {
    std::printf("%-34s engine %8.3f s   %-6s %8.3f s   ratio %.2f\n", what, ours, tool, theirs,
                theirs > 0 ? ours / theirs : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // A widget application, so that the progress dialog shows as it would.
    QApplication app(argc, argv);
    InstallDesktopNamespace();
    QTemporaryDir disk(argc > 1 ? QString::fromLocal8Bit(argv[1]) +
                                      QStringLiteral("/bench-fileop-XXXXXX")
                                : QString());
    QTemporaryDir other((argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/dev/shm")) +
                        QStringLiteral("/bench-fileop-XXXXXX"));
    if (!disk.isValid() || !other.isValid()) {
        std::fprintf(stderr, "can't make the work folders\n");
        return 1;
    }
    const QString base = disk.path();
    const QByteArray baseBytes = NameToBytes(base);
    const QByteArray otherBytes = NameToBytes(other.path());
    QDir().mkpath(base + QStringLiteral("/out"));

    // One 1 GiB file, copied on the same disk.
    const QByteArray big = baseBytes + "/big.bin";
    if (!MakeBigFile(big, 1LL << 30)) {
        std::fprintf(stderr, "can't make the big file\n");
        return 1;
    }
    const QString out = base + QStringLiteral("/out");
    const QString outBig = out + QStringLiteral("/big.bin");
    bool ok = true;
    const auto clearBig = [&] {
        Remove(outBig);
        ::sync();
    };
    const double bigOurs = BestAfter(
        kRuns, clearBig, [&] { ok = Engine(FileOpRequest::Copy, big, NameToBytes(out)) && ok; });
    const double bigCp = BestAfter(kRuns, clearBig, [&] {
        Run(QStringLiteral("cp"), {QStringLiteral("-a"), NameFromBytes(big), out});
    });
    Remove(outBig);
    Remove(NameFromBytes(big));

    // 10,000 small files in 100 folders, copied on the same disk.
    const QByteArray tree = baseBytes + "/tree";
    if (!MakeTree(tree)) {
        std::fprintf(stderr, "can't make the tree\n");
        return 1;
    }
    const QString outTree = out + QStringLiteral("/tree");
    const auto clearTree = [&] {
        Remove(outTree);
        ::sync();
    };
    const double treeOurs = BestAfter(
        kRuns, clearTree, [&] { ok = Engine(FileOpRequest::Copy, tree, NameToBytes(out)) && ok; });
    const double treeCp = BestAfter(kRuns, clearTree, [&] {
        Run(QStringLiteral("cp"), {QStringLiteral("-a"), NameFromBytes(tree), out});
    });

    // The tree moved to another file system; a fresh copy to move each run
    // (made untimed).
    const QString moving = base + QStringLiteral("/moving");
    const QString moved = other.path() + QStringLiteral("/moving");
    const auto prepare = [&] {
        Remove(moved);
        Remove(moving);
        Run(QStringLiteral("cp"), {QStringLiteral("-a"), NameFromBytes(tree), moving});
        ::sync();
    };
    const double moveOurs = BestAfter(kRuns, prepare, [&] {
        ok = Engine(FileOpRequest::Move, NameToBytes(moving), otherBytes) && ok;
    });
    const double moveMv = BestAfter(kRuns, prepare, [&] {
        Run(QStringLiteral("mv"), {moving, other.path()});
    });
    Remove(moved);
    Remove(moving);

    std::printf("best of %d runs each\n", kRuns);
    Report("copy one 1 GiB file (same disk)", bigOurs, bigCp, "cp -a");
    Report("copy 10,000 small files (same disk)", treeOurs, treeCp, "cp -a");
    Report("move 10,000 small files (to tmpfs)", moveOurs, moveMv, "mv");
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %.1f MB\n", usage.ru_maxrss / 1024.0);
    if (!ok) {
        std::fprintf(stderr, "some engine runs failed\n");
        return 1;
    }
    return 0;
}

// Split and merge against the tools a user would compare them with, in the
// same run: splitting one 1 GiB file into 100 MiB chunks against
// `split -b`, and merging the chunks against `cat`. Each tool's output is
// removed before the next run; the best of three runs counts. Prints each
// time, the ratio (target: at most 1.2) and the peak memory.
// Usage: bench_fileutils [folder-on-disk] (default: the temporary folder;
// everything made is removed).

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "fileops/FileChunks.h"

namespace {

constexpr int kRuns = 3;
constexpr qint64 kFileSize = 1024LL * 1024 * 1024;
constexpr std::uint64_t kChunk = 100ULL * 1024 * 1024;

bool Shell(const QString& command) {
    QProcess process;
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString Quoted(const QString& path) {
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
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

// Empties a folder of the chunks and outputs, outside the timed work.
void Clear(const QString& folder) {
    Shell(QStringLiteral("rm -rf %1/* && sync").arg(Quoted(folder)));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir root(base + QStringLiteral("/bench-fileutils-XXXXXX"));
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString source = root.filePath(QStringLiteral("big.bin"));
    const QString work = root.filePath(QStringLiteral("out"));
    QDir().mkpath(work);
    if (!MakeBigFile(source.toUtf8(), kFileSize)) {
        std::fprintf(stderr, "cannot write the 1 GiB file\n");
        return 1;
    }
    Shell(QStringLiteral("sync"));

    // Split: our chunks beside a copy-free name in the work folder.
    const QByteArray ourSource = (work + QStringLiteral("/big.bin")).toUtf8();
    const int count = int(ChunkCount(std::uint64_t(kFileSize), kChunk));
    bool ok = true;
    double ours = 1e9;
    double tool = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        Clear(work);
        ok = ok && ::link(source.toUtf8().constData(), ourSource.constData()) == 0;
        ours = std::min(ours, BestSeconds(1, [&] {
                            ok = ok && SplitFile(ourSource, kChunk, {}) == SplitResult::kDone;
                        }));
        Clear(work);
        tool = std::min(tool, BestSeconds(1, [&] {
                            ok = ok && Shell(QStringLiteral("cd %1 && split -b %2 %3 big.bin.")
                                                 .arg(Quoted(work))
                                                 .arg(kChunk)
                                                 .arg(Quoted(source)));
                        }));
    }
    std::printf(
        "split 1 GiB into %d chunks: corvane %.3f s, split -b %.3f s, ratio %.2f "
        "(target <= 1.2)\n",
        count, ours, tool, ours / tool);

    // Merge: the chunks split made, into one file, against cat.
    Clear(work);
    ok = ok && Shell(QStringLiteral("cd %1 && split -b %2 -d -a 2 %3 c.")
                         .arg(Quoted(work))
                         .arg(kChunk)
                         .arg(Quoted(source)));
    std::vector<QByteArray> chunks;
    QString names;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("c.%1").arg(i, 2, 10, QLatin1Char('0'));
        chunks.push_back((work + QLatin1Char('/') + name).toUtf8());
        names += QLatin1Char(' ') + name;
    }
    const QByteArray target = (work + QStringLiteral("/merged")).toUtf8();
    ours = tool = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        ::unlink(target.constData());
        Shell(QStringLiteral("sync"));
        ours = std::min(ours, BestSeconds(1, [&] {
                            ok = ok && MergeFiles(chunks, target, {}) == MergeResult::kDone;
                        }));
        ::unlink(target.constData());
        Shell(QStringLiteral("sync"));
        tool = std::min(
            tool, BestSeconds(1, [&] {
                ok =
                    ok && Shell(QStringLiteral("cd %1 && cat%2 > merged").arg(Quoted(work), names));
            }));
    }
    ok = ok &&
         Shell(QStringLiteral("cmp %1 %2").arg(Quoted(source), Quoted(QString::fromUtf8(target))));
    std::printf(
        "merge %d chunks into 1 GiB: corvane %.3f s, cat %.3f s, ratio %.2f "
        "(target <= 1.2)\n",
        count, ours, tool, ours / tool);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %ld KiB\n", usage.ru_maxrss);
    if (!ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    return 0;
}

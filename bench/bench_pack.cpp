// Packing a tree of small files into a tar.gz the way "Pack..." does it
// (CPackTools::RunPack: the worker thread, its progress reports and the
// progress dialog's event loop), against `tar -czf` over the same tree in
// the same run. Prints both times and the ratio (target: at most 1.2), and
// checks that both archives list the same number of entries.
// Usage: bench_pack [files]   (default 10000)

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "pack/CPackTools.h"
#include "pane/PaneHost.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/store/ProfileStore.h"

namespace {

constexpr int kRuns = 9;

// No panes: RunPack needs none.
class NoPanes : public PaneHost {
public:
    explicit NoPanes(const QString& storePath) : m_store(storePath) {}
    ProfileStore& Store() override { return m_store; }
    QString CommandLineFolder(const CPanexView&) const override { return {}; }
    bool IsFirstPane(const CPanexView&) const override { return true; }
    CPanexView* OtherPane(const CPanexView&) const override { return nullptr; }
    CPanexView* ActivePane() const override { return nullptr; }

private:
    ProfileStore m_store;
};

// `files` files of 100 to 2,000 bytes of text in folders of 100 each.
bool MakeTree(const QString& root, int files) {
    const QByteArray base = NameToBytes(root);
    if (::mkdir(base.constData(), 0755) != 0)
        return false;
    QByteArray text;
    for (int i = 0; text.size() < 4096; ++i)
        text += "line " + QByteArray::number(i * 7919 % 1000) + " of some ordinary text\n";
    for (int i = 0; i < files; ++i) {
        char name[64];
        if (i % 100 == 0) {
            std::snprintf(name, sizeof name, "/d%04d", i / 100);
            if (::mkdir((base + name).constData(), 0755) != 0)
                return false;
        }
        std::snprintf(name, sizeof name, "/d%04d/file_%06d.txt", i / 100, i);
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        const int length = 100 + (i * 37) % 1900;
        const bool ok = ::write(fd, text.constData() + (i % 97), size_t(length)) == length;
        ::close(fd);
        if (!ok)
            return false;
    }
    return true;
}

double CpuSeconds(int who) {
    struct rusage usage;
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long long Entries(const QString& archive) {
    QString error;
    ForgetArchiveIndexes();
    const auto index = ArchiveIndex::Build(NameToBytes(archive), &error);
    return index ? index->Count() - 1 : -1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir dir;
    const QString tree = dir.filePath(QStringLiteral("tree"));
    if (!MakeTree(tree, files)) {
        std::fprintf(stderr, "could not make the tree\n");
        return 1;
    }
    NoPanes host(dir.filePath(QStringLiteral("profile.ini")));
    CPackTools tools(host);
    const QString ours = dir.filePath(QStringLiteral("ours.tar.gz"));
    const QString theirs = dir.filePath(QStringLiteral("theirs.tar.gz"));

    bool failed = false;
    auto packOurs = [&] {
        QFile::remove(ours);
        PackRequest request;
        request.baseFolder = NameToBytes(dir.path());
        request.names = {"tree"};
        request.archivePath = NameToBytes(ours);
        request.format = ArchiveFormat::TarGz;
        const PackResult result = tools.RunPack(request, nullptr);
        failed = failed || !result.done;
    };
    auto packTheirs = [&] {
        QFile::remove(theirs);
        QProcess tar;
        tar.start(QStringLiteral("tar"), {QStringLiteral("-czf"), theirs, QStringLiteral("-C"),
                                          dir.path(), QStringLiteral("tree")});
        tar.waitForFinished(-1);
        failed = failed || tar.exitCode() != 0;
    };
    // The two take turns, so that a burst of other work on the machine
    // falls on both alike; the best run of each counts, for the time the
    // user waits (wall) and for the processor time spent (every thread, and
    // tar's gzip child).
    double packSeconds = 1e9;
    double tarSeconds = 1e9;
    double packCpu = 1e9;
    double tarCpu = 1e9;
    auto timeOurs = [&] {
        const double before = CpuSeconds(RUSAGE_SELF);
        packSeconds = std::min(packSeconds, BestSeconds(1, packOurs));
        packCpu = std::min(packCpu, CpuSeconds(RUSAGE_SELF) - before);
    };
    auto timeTheirs = [&] {
        const double before = CpuSeconds(RUSAGE_CHILDREN);
        tarSeconds = std::min(tarSeconds, BestSeconds(1, packTheirs));
        tarCpu = std::min(tarCpu, CpuSeconds(RUSAGE_CHILDREN) - before);
    };
    // Who goes first alternates too: the first of a pair may find the
    // tree's pages evicted by the machine's other work, the second not.
    for (int run = 0; run < kRuns; ++run) {
        if (run % 2 == 0) {
            timeOurs();
            timeTheirs();
        } else {
            timeTheirs();
            timeOurs();
        }
    }
    if (failed) {
        std::fprintf(stderr, "a pack failed\n");
        return 1;
    }
    const long long ourEntries = Entries(ours);
    const long long theirEntries = Entries(theirs);
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("pack %d small files into tar.gz (best of %d, taking turns)\n", files, kRuns);
    std::printf("  Corvane Pack: %.3f s wall, %.3f s cpu, %lld entries, %lld bytes\n", packSeconds,
                packCpu, ourEntries, (long long)QFileInfo(ours).size());
    std::printf("  tar -czf:     %.3f s wall, %.3f s cpu, %lld entries, %lld bytes\n", tarSeconds,
                tarCpu, theirEntries, (long long)QFileInfo(theirs).size());
    std::printf("  ratio: %.2f wall (target <= 1.2), %.2f cpu\n", packSeconds / tarSeconds,
                packCpu / tarCpu);
    std::printf("  max RSS: %ld kB\n", usage.ru_maxrss);
    return ourEntries == theirEntries ? 0 : 1;
}

// The pane tools against the Linux tools that do the same job, in the same
// run, on the same files:
// - the containing-text scan (ScanFileForText over every file of a folder,
//   as Ctrl+G runs it) against `grep -rlF`, on a folder of text and binary
//   files mixed; with "Match case" and "Search non-text files" on, so both
//   answer the same question (the hit lists are checked to be equal), and
//   with the defaults (case-blind, binary files skipped) for information;
// - the content comparison of two folders of equal-size files, pair by pair
//   (CompareFileContents as Alt+F9 runs it) against `cmp -s` over the same
//   pairs.
// Each is timed twice: the per-file loop alone, and the pane command as the
// window runs it (ScanPaneForText and SyncOnContent on real panes over the
// same folders, with the status bar's Escape poll installed), which adds
// taking the rows, the progress and Escape handling, and selecting the hits.
// Data is made in the folder given (default: the current folder) and
// removed at the end. Target: each ratio at most 1.2. Warm cache: every
// timing is the best of three runs after one unmeasured pass.
//
// Usage: bench_tools [folder] [scan files] [scan MB] [compare pairs] [pair KB]
// (defaults: . 10000 1024 2000 256; e.g. "bench_tools /work/x 1000 50 200 64"
// for a quick run).

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <cstdio>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "pane/CPanexView.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/EscapePoll.h"
#include "shell/LongOperation.h"
#include "shell/ShellContext.h"
#include "tools/ContentCompare.h"
#include "tools/PaneCompare.h"
#include "tools/ScanFileForText.h"
#include "tools/TextScan.h"

namespace {

constexpr int kRuns = 3;
const QByteArray kNeedle = "Zebrafish-Quantum";

bool WriteFile(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

// Text of words and lines, `size` bytes.
QByteArray TextOf(std::mt19937& random, qint64 size) {
    static const char* words[] = {"lorem",    "ipsum",  "dolor", "sit",       "amet",  "quantum",
                                  "zebra",    "fish",   "alpha", "beta",      "gamma", "delta",
                                  "function", "return", "value", "Zebrafish", "the",   "and"};
    QByteArray text;
    text.reserve(size + 16);
    int column = 0;
    while (text.size() < size) {
        const char* word = words[random() % (sizeof words / sizeof *words)];
        text += word;
        column += int(std::strlen(word)) + 1;
        if (column > 72) {
            text += '\n';
            column = 0;
        } else {
            text += ' ';
        }
    }
    text.truncate(size);
    return text;
}

QByteArray BinaryOf(std::mt19937& random, qint64 size) {
    QByteArray bytes(size, '\0');
    for (qint64 i = 8; i < size; ++i) bytes[i] = char(random() & 0xff);
    return bytes;
}

// `count` files of `totalMB` in all: four in five text (one in ten of those
// with the needle near the end), the rest binary (one in ten with the
// needle).
bool MakeScanFolder(const QByteArray& folder, int count, qint64 totalMB) {
    std::mt19937 random(42);
    const qint64 average = totalMB * 1024 * 1024 / count;
    for (int i = 0; i < count; ++i) {
        const qint64 size = std::max<qint64>(64, average / 2 + qint64(random() % (average + 1)));
        const bool binary = i % 5 == 4;
        QByteArray bytes = binary ? BinaryOf(random, size) : TextOf(random, size);
        if (i % 10 == 3 || i % 10 == 9)
            bytes.replace(size - kNeedle.size() - 10, kNeedle.size(), kNeedle);
        char name[32];
        std::snprintf(name, sizeof name, "/f%05d.%s", i, binary ? "bin" : "txt");
        if (!WriteFile(folder + name, bytes))
            return false;
    }
    return true;
}

bool MakeComparePairs(const QByteArray& a, const QByteArray& b, int pairs, qint64 kb) {
    std::mt19937 random(7);
    for (int i = 0; i < pairs; ++i) {
        QByteArray bytes = TextOf(random, kb * 1024);
        char name[32];
        std::snprintf(name, sizeof name, "/p%05d", i);
        if (!WriteFile(a + name, bytes))
            return false;
        if (i % 10 == 5)
            bytes[bytes.size() - 1] = '#';  // one in ten differs in its last byte
        if (!WriteFile(b + name, bytes))
            return false;
    }
    return true;
}

QStringList Names(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Unsorted);
}

// The two panes of the pane commands; the first is the active one.
class PairHost : public PaneHost {
public:
    explicit PairHost(const QString& storePath) : m_store(storePath) {}
    ProfileStore& Store() override { return m_store; }
    QString CommandLineFolder(const CPanexView&) const override { return {}; }
    bool IsFirstPane(const CPanexView& pane) const override { return &pane == first; }
    CPanexView* OtherPane(const CPanexView& pane) const override {
        return &pane == first ? second : first;
    }
    CPanexView* ActivePane() const override { return first; }
    CPanexView* first = nullptr;
    CPanexView* second = nullptr;

private:
    ProfileStore m_store;
};

// The status bar's share of a long operation: the Escape watch for its
// length and a poll that runs the event loop, as the window has them.
ProgressSink StatusBarLikeSink(std::unique_ptr<EscapePollScope>& scope) {
    ProgressSink sink;
    sink.begin = [&scope](const QString&) { scope = std::make_unique<EscapePollScope>(); };
    sink.step = [] {};
    sink.poll = [](bool orQuit) { return orQuit ? PollEscapeOrQuit() : PollEscape(); };
    sink.end = [&scope] { scope.reset(); };
    return sink;
}

bool OpenWhole(CPanexView& pane, const QString& path) {
    if (!pane.OpenFolder(ParsePath(path)))
        return false;
    while (pane.IsReading()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    return true;
}

long PeakKilobytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallDesktopNamespace();
    EnsureShellContext();
    const QStringList args = app.arguments();
    const QString base = args.value(1, QDir::currentPath());
    const int scanFiles = args.value(2, "10000").toInt();
    const qint64 scanMB = args.value(3, "1024").toLongLong();
    const int pairs = args.value(4, "2000").toInt();
    const qint64 pairKB = args.value(5, "256").toLongLong();

    QTemporaryDir root(base + "/bench_tools-XXXXXX");
    if (!root.isValid())
        return 2;
    const QString scanDir = root.path() + "/scan";
    const QString leftDir = root.path() + "/left";
    const QString rightDir = root.path() + "/right";
    for (const QString& dir : {scanDir, leftDir, rightDir}) QDir().mkpath(dir);
    std::printf("making %d files of %lld MB and %d pairs of %lld KB in %s\n", scanFiles,
                (long long)scanMB, pairs, (long long)pairKB, qPrintable(root.path()));
    if (!MakeScanFolder(NameToBytes(scanDir), scanFiles, scanMB) ||
        !MakeComparePairs(NameToBytes(leftDir), NameToBytes(rightDir), pairs, pairKB)) {
        std::printf("could not make the data\n");
        return 2;
    }

    // -- The text scan ----------------------------------------------------------
    const QStringList files = Names(scanDir);
    // The poll the command hands in: a few checks a second, here a clock
    // read per block as the command's throttle costs.
    QElapsedTimer clock;
    clock.start();
    qint64 lastPoll = 0;
    const std::function<bool()> poll = [&] {
        const qint64 now = clock.elapsed();
        if (now - lastPoll >= 40)
            lastPoll = now;
        return false;
    };
    auto scan = [&](const TextScanOptions& options, QSet<QString>* hits) {
        for (const QString& name : files) {
            if (ScanFileForText(NameToBytes(scanDir + u'/' + name), kNeedle, options, poll) == 1 &&
                hits)
                hits->insert(name);
        }
    };
    auto grep = [&](const QStringList& flags, QSet<QString>* hits) {
        QProcess process;
        process.start("grep", flags + QStringList{"-r", "--", QString::fromUtf8(kNeedle), scanDir});
        process.waitForFinished(-1);
        if (hits) {
            for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
                if (!line.isEmpty())
                    hits->insert(QString::fromUtf8(line).section(u'/', -1));
        }
    };
    const TextScanOptions likeGrep{.matchCase = true, .searchBinFiles = true};
    QSet<QString> ours, theirs;
    scan(likeGrep, &ours);
    grep({"-lF"}, &theirs);
    const double scanSeconds = BestSeconds(kRuns, [&] { scan(likeGrep, nullptr); });
    const double grepSeconds = BestSeconds(kRuns, [&] { grep({"-lF"}, nullptr); });
    std::printf(
        "text scan, match case, non-text files too: %.3f s, grep -rlF %.3f s, ratio %.2f "
        "(target <= 1.2); hits %lld / %lld%s\n",
        scanSeconds, grepSeconds, scanSeconds / grepSeconds, (long long)ours.size(),
        (long long)theirs.size(), ours == theirs ? ", the same files" : ", DIFFERENT FILES");

    const TextScanOptions defaults{};
    QSet<QString> blind;
    scan(defaults, &blind);
    const double blindSeconds = BestSeconds(kRuns, [&] { scan(defaults, nullptr); });
    const double grepBlindSeconds = BestSeconds(kRuns, [&] { grep({"-liF"}, nullptr); });
    std::printf(
        "text scan, defaults (case-blind, text files only): %.3f s, grep -rliF (all "
        "files) %.3f s, ratio %.2f; hits %lld\n",
        blindSeconds, grepBlindSeconds, blindSeconds / grepBlindSeconds, (long long)blind.size());

    // -- The content comparison --------------------------------------------------
    const QStringList pairNames = Names(leftDir);
    const std::uint64_t pairBytes = std::uint64_t(pairKB) * 1024;
    int differing = 0;
    auto compare = [&] {
        ContentBuffers buffers;
        differing = 0;
        for (const QString& name : pairNames) {
            const ContentResult result =
                CompareFileContents(NameToBytes(leftDir + u'/' + name),
                                    NameToBytes(rightDir + u'/' + name), pairBytes, buffers, poll);
            differing += result == ContentResult::kDiffer ? 1 : 0;
        }
    };
    int cmpDiffering = 0;
    auto cmp = [&] {
        QProcess sh;
        sh.setWorkingDirectory(leftDir);
        sh.start("/bin/sh", {"-c",
                             "n=0; for f in *; do cmp -s \"$f\" \"$1/$f\" || n=$((n+1)); done; "
                             "echo $n",
                             "sh", rightDir});
        sh.waitForFinished(-1);
        cmpDiffering = sh.readAllStandardOutput().trimmed().toInt();
    };
    compare();
    cmp();
    const double compareSeconds = BestSeconds(kRuns, compare);
    const double cmpSeconds = BestSeconds(kRuns, cmp);
    std::printf(
        "content comparison: %.3f s, cmp -s over the same pairs %.3f s, ratio %.2f "
        "(target <= 1.2); differing %d / %d\n",
        compareSeconds, cmpSeconds, compareSeconds / cmpSeconds, differing, cmpDiffering);

    // -- The pane commands, as the window runs them ------------------------------
    QTemporaryDir storeDir;
    PairHost host(storeDir.filePath(QStringLiteral("bench.ini")));
    CPanexView first(host);
    CPanexView second(host);
    host.first = &first;
    host.second = &second;
    first.LoadSettings();
    second.LoadSettings();
    std::unique_ptr<EscapePollScope> scope;
    const ProgressSink previousSink = SetProgressSink(StatusBarLikeSink(scope));
    if (!OpenWhole(first, scanDir)) {
        std::printf("could not open %s in a pane\n", qPrintable(scanDir));
        return 2;
    }
    int paneHits = 0;
    const QString needle = QString::fromUtf8(kNeedle);
    const double paneScanSeconds = BestSeconds(
        kRuns, [&] { paneHits = ScanPaneForText(first, needle, QStringLiteral("*.*"), likeGrep); });
    std::printf(
        "pane text scan (Ctrl+G), match case, non-text files too: %.3f s, ratio to grep -rlF "
        "%.2f (target <= 1.2); hits %d\n",
        paneScanSeconds, paneScanSeconds / grepSeconds, paneHits);
    if (!OpenWhole(first, leftDir) || !OpenWhole(second, rightDir)) {
        std::printf("could not open the pair folders in the panes\n");
        return 2;
    }
    int paneDiffering = 0;
    const double paneCompareSeconds = BestSeconds(kRuns, [&] {
        first.List()->ClearSelection();
        SyncOnContent(first, second);
        paneDiffering = int(first.List()->SelectedRows().size());
    });
    std::printf(
        "pane content comparison (Alt+F9): %.3f s, ratio to cmp -s %.2f (target <= 1.2); "
        "differing %d\n",
        paneCompareSeconds, paneCompareSeconds / cmpSeconds, paneDiffering);
    SetProgressSink(previousSink);

    std::printf("peak memory %ld KB\n", PeakKilobytes());
    root.remove();
    return 0;
}

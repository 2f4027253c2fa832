// Find files against the Linux tools that do the same job, in the same run,
// on the same tree (warm: every timing is the best of three runs after one
// unmeasured pass):
// - by name: a FindRequest for "*7.log" run by the real search job (its
//   worker thread, its batches delivered to this thread; no window)
//   against `find -name '*7.log'` and `fdfind -u -g '*7.log'`;
// - by contained text: "Match case" on (grep -F is case-sensitive) against
//   `grep -rlF`;
// - the first hit on screen: from the job's start to its first batch
//   delivered on this thread;
// - cancel: from the stop flag raised (after the first batch) to the end of
//   the worker.
// Every tool's hit count is checked against Corvane's.
//
// The tree: 200,000 small text files in 20,000 folders (20 top folders of
// 999 folders each, 10 files per folder), made under $TMPDIR (or /tmp) once
// and kept for later runs ("bench_find --remove" deletes it).
// Targets: name <= 1.0 x find and <= 1.5 x fdfind; text <= 1.0 x grep -rlF;
// first hit <= 0.1 s; cancel <= 0.1 s.
//
// Usage: bench_find [folders] [files per folder]   (defaults 20000 10)

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <cstdio>
#include <optional>

#include "BenchSupport.h"
#include "find/FindRequest.h"
#include "find/FindSearchJob.h"

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

// `folders` folders in 20 top folders, `files` files each, named
// "f<n>.log" or "f<n>.txt"; every 97th file holds the needle.
bool MakeTree(const QByteArray& root, int folders, int files) {
    const QByteArray marker =
        root + "/.complete-" + QByteArray::number(folders) + "-" + QByteArray::number(files);
    if (::access(marker.constData(), F_OK) == 0)
        return true;
    QDir(QString::fromUtf8(root)).removeRecursively();
    if (!QDir().mkpath(QString::fromUtf8(root)))
        return false;
    const int tops = 20;
    int made = 0;
    long counter = 0;
    for (int top = 0; top < tops && made < folders; ++top) {
        const QByteArray topPath = root + "/top" + QByteArray::number(top);
        if (::mkdir(topPath.constData(), 0755) != 0)
            return false;
        ++made;
        const int below = folders / tops - 1;
        for (int sub = 0; sub <= below && made <= folders; ++sub) {
            const QByteArray folder =
                sub == below ? topPath : topPath + "/d" + QByteArray::number(sub);
            if (sub != below) {
                if (::mkdir(folder.constData(), 0755) != 0)
                    return false;
                ++made;
            }
            for (int f = 0; f < files; ++f, ++counter) {
                const QByteArray name = folder + "/f" + QByteArray::number(counter) +
                                        (counter % 3 == 0 ? ".log" : ".txt");
                QByteArray body = "line one of file " + QByteArray::number(counter) + "\n";
                if (counter % 97 == 0)
                    body += "here is the " + kNeedle + " text\n";
                body += "the end\n";
                if (!WriteFile(name, body))
                    return false;
            }
        }
    }
    return WriteFile(marker, "");
}

// A tool's output lines counted, and its time.
struct ToolRun {
    int lines = -1;
    double seconds = 0;
};

ToolRun RunTool(const QString& program, const QStringList& arguments) {
    ToolRun run;
    run.seconds = BestSeconds(kRuns, [&] {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(-1);
        run.lines = int(process.readAllStandardOutput().count('\n'));
    });
    return run;
}

// One search through the real job: hits, time, first batch and (when
// `cancelAfterFirst`) the stop-to-end time.
struct JobRun {
    int hits = 0;
    double seconds = 0;
    double firstBatch = -1;
    double cancel = -1;
};

JobRun RunJob(const FindRequest& request, bool cancelAfterFirst) {
    JobRun run;
    QEventLoop loop;
    QElapsedTimer clock;
    std::optional<FindSearchJob> job;
    job.emplace(
        [&](const QList<QByteArray>& paths) {
            if (run.firstBatch < 0) {
                run.firstBatch = clock.nsecsElapsed() / 1e9;
                if (cancelAfterFirst) {
                    QElapsedTimer stop;
                    stop.start();
                    job->Stop();
                    job->Wait();
                    run.cancel = stop.nsecsElapsed() / 1e9;
                }
            }
            run.hits += int(paths.size());
        },
        [&](FindOutcome) { loop.quit(); });
    job->SetIdlePriority(false);
    clock.start();
    job->Start(request);
    loop.exec();
    run.seconds = clock.nsecsElapsed() / 1e9;
    return run;
}

JobRun BestJob(const FindRequest& request) {
    JobRun best;
    best.seconds = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        const JobRun run = RunJob(request, false);
        if (run.seconds < best.seconds)
            best = run;
    }
    return best;
}

long MaxRssKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray tmp =
        qEnvironmentVariableIsEmpty("TMPDIR") ? QByteArray("/tmp") : qgetenv("TMPDIR");
    const QByteArray root = tmp + "/corvane-bench-find";
    if (argc > 1 && QByteArray(argv[1]) == "--remove") {
        QDir(QString::fromUtf8(root)).removeRecursively();
        return 0;
    }
    const int folders = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int files = argc > 2 ? std::atoi(argv[2]) : 10;
    std::printf("tree of %d files in %d folders in %s\n", folders * files, folders,
                root.constData());
    QElapsedTimer making;
    making.start();
    if (!MakeTree(root, folders, files)) {
        std::printf("could not make the tree\n");
        return 1;
    }
    std::printf("tree ready in %.1f s\n", making.nsecsElapsed() / 1e9);
    const QString rootText = QString::fromUtf8(root);

    FindRequest byName;
    byName.folders = {root};
    byName.patterns.Parse(QStringLiteral("*7.log"));
    FindRequest byText;
    byText.folders = {root};
    byText.useText = true;
    byText.text = kNeedle;
    byText.textOptions.matchCase = true;

    // One unmeasured pass of each warms the caches.
    RunJob(byName, false);
    RunJob(byText, false);

    const JobRun name = BestJob(byName);
    const ToolRun find = RunTool(QStringLiteral("find"),
                                 {rootText, QStringLiteral("-name"), QStringLiteral("*7.log")});
    const ToolRun fd =
        RunTool(QStringLiteral("fdfind"),
                {QStringLiteral("-u"), QStringLiteral("-g"), QStringLiteral("*7.log"), rootText});
    const JobRun text = BestJob(byText);
    const ToolRun grep = RunTool(QStringLiteral("grep"),
                                 {QStringLiteral("-rlF"), QString::fromUtf8(kNeedle), rootText});

    const double nameFind = name.seconds / find.seconds;
    const double nameFd = fd.lines >= 0 ? name.seconds / fd.seconds : 0;
    const double textGrep = text.seconds / grep.seconds;
    std::printf("by name:  corvane %.3f s (%d hits), find %.3f s (%d), fdfind %.3f s (%d)\n",
                name.seconds, name.hits, find.seconds, find.lines, fd.seconds, fd.lines);
    std::printf("          ratio to find %.2f (target 1.0: %s), to fdfind %.2f (target 1.5: %s)\n",
                nameFind, Verdict(nameFind <= 1.0), nameFd, Verdict(nameFd <= 1.5));
    std::printf("by text:  corvane %.3f s (%d hits), grep -rlF %.3f s (%d)\n", text.seconds,
                text.hits, grep.seconds, grep.lines);
    std::printf("          ratio to grep %.2f (target 1.0: %s)\n", textGrep,
                Verdict(textGrep <= 1.0));

    // First hit and cancel: the best of three, a search that has plenty
    // left to do when it is stopped.
    FindRequest everything;
    everything.folders = {root};
    everything.patterns.Parse(QStringLiteral("*.txt,*.log"));
    double first = 1e9;
    double cancel = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        const JobRun run = RunJob(everything, true);
        first = std::min(first, run.firstBatch);
        cancel = std::min(cancel, run.cancel);
    }
    std::printf("first hit on screen %.4f s (target 0.1: %s), cancel %.4f s (target 0.1: %s)\n",
                first, Verdict(first <= 0.1), cancel, Verdict(cancel <= 0.1));
    std::printf("max resident memory %ld kB\n", MaxRssKb());

    const bool countsAgree = name.hits == find.lines && (fd.lines < 0 || name.hits == fd.lines) &&
                             text.hits == grep.lines;
    if (!countsAgree) {
        std::printf("HIT COUNTS DIFFER\n");
        return 1;
    }
    std::printf("hit counts agree\n");
    return 0;
}

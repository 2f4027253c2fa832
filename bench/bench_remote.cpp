// A folder on another machine, reached as the window reaches it: the pane
// opens a remote folder of many files by its URI (mapped to GVfs's FUSE
// path, its entries read through GIO) until its last row is in, against `gio list` and `sftp -b`
// (ls) over the same folder; the engine copies a large local file into a remote folder, against
// `gio copy`, and back out. All in the same run: the listings the best of a few runs each, the
// copies the median of a few rounds. Prints the times and
// the ratios (target: at most 1.5).
//
// Run by bench/remote.sh, which starts the server and mounts it:
// Usage: bench_remote <folder uri> <local file> <target folder uri>
//        <sftp options and destination...>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchPaneHost.h"
#include "BenchSupport.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/fileop/FileCopyRoute.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/fileop/FileOperation.h"
#include "platform/fs/EntrySource.h"
#include "platform/namespace/NameCodec.h"
#include "platform/remote/GioEntrySource.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/ShellContext.h"

namespace {

constexpr int kRuns = 3;
constexpr int kCopyRounds = 5;

bool Run(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!input.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

void Report(const char* what, double ours, double theirs, const char* tool) {
    std::printf("%-30s corvane %7.3f s   %-10s %7.3f s   ratio %.2f\n", what, ours, tool, theirs,
                theirs > 0 ? ours / theirs : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: bench_remote <folder uri> <local file> <target folder uri> <sftp "
                     "options and destination...>\n");
        return 2;
    }
    InstallDesktopNamespace();
    EnsureShellContext();
    const QString folderUri = QString::fromLocal8Bit(argv[1]);
    const QByteArray localFile = argv[2];
    const QString targetUri = QString::fromLocal8Bit(argv[3]);
    QStringList sftp;
    for (int i = 4; i < argc; ++i) sftp << QString::fromLocal8Bit(argv[i]);

    // The monitor learns of the mount made before the bench started.
    RemoteMounts& mounts = RemoteMounts::Instance();
    QElapsedTimer wait;
    wait.start();
    while (!mounts.Map().LocalPathOf(targetUri) && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const std::optional<QByteArray> targetPath = mounts.Map().LocalPathOf(targetUri);
    if (!targetPath) {
        std::fprintf(stderr, "%s is not mounted with a local path\n", qPrintable(targetUri));
        return 1;
    }

    // Listing: the pane opens the folder by its URI, as typed in the
    // address bar.
    BenchPane<> pane;
    bool opened = true;
    // Until the last row is in: the pane streams a folder in batches.
    const auto listOnce = [&] {
        // From elsewhere each time, so that the folder is read afresh.
        pane->OpenFolder(IdList::Empty());
        opened = pane->GoToText(folderUri) && opened;
        // Waits as the window's event loop does (a spinning wait would take
        // the worker's processor); the timer bounds every wait.
        QElapsedTimer limit;
        limit.start();
        QTimer tick;
        tick.start(100);
        while (pane->Model() && pane->Model()->IsReading() && limit.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
    };
    const double listOurs = BestSeconds(kRuns, listOnce);
    const int rows = pane->List()->RowCount();
    const QString shown = pane->Model() ? pane->Model()->title : QString();
    // For comparison only: the same listing through the FUSE bridge's own
    // directory reads and one stat per entry, as before the folder was read
    // through GIO.
    SetEntrySourceFactory(nullptr);
    const double listFuse = BestSeconds(1, listOnce);
    const int fuseRows = pane->List()->RowCount();
    InstallGioEntrySource();
    const double listGio = BestSeconds(kRuns, [&] {
        Run(QStringLiteral("gio"), {QStringLiteral("list"), QStringLiteral("-a"),
                                    QStringLiteral("standard::size,time::modified"), folderUri});
    });
    const QByteArray remoteFolder = ParseRemoteUri(folderUri)->path;
    const double listSftp = BestSeconds(kRuns, [&] {
        Run(QStringLiteral("sftp"),
            QStringList{QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-")} + sftp,
            "ls -l " + remoteFolder + "\n");
    });

    // Copying a large file into the remote folder and back out: the engine
    // on the FUSE paths, started on a background queue as the window starts
    // it; `gio copy` on the URIs. The copies are removed (untimed) between
    // runs.
    const QByteArray name = localFile.mid(localFile.lastIndexOf('/') + 1);
    const QByteArray copied = *targetPath + "/" + name;
    const QByteArray backFolder = localFile + ".back";
    const QByteArray back = backFolder + "/" + name;
    ::mkdir(backFolder.constData(), 0755);
    const qint64 size = QFileInfo(QString::fromLocal8Bit(localFile)).size();
    FileOpQueue queue;
    bool copiedOk = true;
    const auto engineCopy = [&](const QByteArray& source, const QByteArray& folder) {
        FileOpRequest request;
        request.func = FileOpRequest::Copy;
        request.sources = {source};
        request.targetFolder = folder;
        request.noConfirmation = true;
        bool finished = false;
        queue.Start(std::move(request), [&](const FileOpResult& result) {
            copiedOk = result.Succeeded() && copiedOk;
            finished = true;
        });
        while (!finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    };
    const auto gioCopy = [&](const QString& from, const QString& to) {
        copiedOk = Run(QStringLiteral("gio"), {QStringLiteral("copy"), from, to}) && copiedOk;
    };
    const auto sizeIs = [&](const QByteArray& path) {
        return QFileInfo(QString::fromLocal8Bit(path)).size() == size;
    };
    const QString localUri = QUrl::fromLocalFile(QString::fromLocal8Bit(localFile)).toString();
    const QString remoteUri = targetUri + QLatin1Char('/') + QString::fromLocal8Bit(name);
    const QString backUri = QUrl::fromLocalFile(QString::fromLocal8Bit(back)).toString();
    // Who goes first alternates from round to round, and the medians are
    // compared: one slow copy of either side (the server and the daemon
    // share the machine) must not decide the ratio.
    std::vector<double> intoOursRuns, intoGioRuns, outOursRuns, outGioRuns;
    const auto oursRound = [&] {
        ::unlink(copied.constData());
        intoOursRuns.push_back(BestSeconds(1, [&] { engineCopy(localFile, *targetPath); }));
        copiedOk = sizeIs(copied) && copiedOk;
        ::unlink(back.constData());
        outOursRuns.push_back(BestSeconds(1, [&] { engineCopy(copied, backFolder); }));
        copiedOk = sizeIs(back) && copiedOk;
    };
    const auto gioRound = [&] {
        ::unlink(copied.constData());
        intoGioRuns.push_back(BestSeconds(1, [&] { gioCopy(localUri, remoteUri); }));
        copiedOk = sizeIs(copied) && copiedOk;
        ::unlink(back.constData());
        outGioRuns.push_back(BestSeconds(1, [&] { gioCopy(remoteUri, backUri); }));
        copiedOk = sizeIs(back) && copiedOk;
    };
    for (int i = 0; i < kCopyRounds; ++i) {
        if (i % 2 == 0) {
            oursRound();
            gioRound();
        } else {
            gioRound();
            oursRound();
        }
    }
    const auto median = [](std::vector<double> runs) {
        std::sort(runs.begin(), runs.end());
        return runs[runs.size() / 2];
    };
    const double intoOurs = median(intoOursRuns), intoGio = median(intoGioRuns);
    const double outOurs = median(outOursRuns), outGio = median(outGioRuns);
    // For comparison only: the engine's own reads and writes through the
    // bridge, as before the bytes went through GIO.
    SetFileCopyRoute(nullptr);
    ::unlink(copied.constData());
    const double intoFuse = BestSeconds(1, [&] { engineCopy(localFile, *targetPath); });
    copiedOk = sizeIs(copied) && copiedOk;
    InstallBridgeCopyRoute();
    ::unlink(copied.constData());
    ::unlink(back.constData());
    ::rmdir(backFolder.constData());

    std::printf("folder %s: %d rows, shown as %s%s\n", qPrintable(folderUri), rows,
                qPrintable(shown), opened ? "" : " (GoToText failed)");
    Report("list the remote folder", listOurs, listGio, "gio list");
    Report("list the remote folder", listOurs, listSftp, "sftp -b ls");
    std::printf(
        "(through the FUSE bridge's stats instead: %.3f s, %d rows, ratio %.2f to gio list)\n",
        listFuse, fuseRows, listGio > 0 ? listFuse / listGio : 0.0);
    std::printf("copy %.0f MB to the server and back%s\n", size / 1e6, copiedOk ? "" : " (FAILED)");
    std::printf("copies: the median of %d rounds, who goes first alternating\n", kCopyRounds);
    Report("copy a large file there", intoOurs, intoGio, "gio copy");
    Report("copy it back out", outOurs, outGio, "gio copy");
    std::printf("(the engine's own writes through the FUSE bridge instead: %.3f s, ratio %.2f)\n",
                intoFuse, intoGio > 0 ? intoFuse / intoGio : 0.0);
    return opened && copiedOk ? 0 : 1;
}

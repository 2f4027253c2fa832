// A folder on another machine, reached as the window reaches it: the pane
// opens a remote folder of many files by its URI (mapped to GVfs's FUSE
// path, read as any folder), against `gio list` and `sftp -b` (ls) over the
// same folder; the engine copies a large local file into a remote folder,
// against `gio copy`. All in the same run, the best of a few runs each.
// Prints the times and the ratios (target: at most 1.5).
//
// Run by bench/remote.sh, which starts the server and mounts it:
// Usage: bench_remote <folder uri> <local file> <target folder uri>
//        <sftp options and destination...>

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "BenchPaneHost.h"
#include "BenchSupport.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/fileop/FileOperation.h"
#include "platform/namespace/NameCodec.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/ShellContext.h"

namespace {

constexpr int kRuns = 3;

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
    const double listOurs = BestSeconds(kRuns, [&] {
        // From elsewhere each time, so that the folder is read afresh.
        pane->OpenFolder(IdList::Empty());
        opened = pane->GoToText(folderUri) && opened;
        QCoreApplication::processEvents();
    });
    const int rows = pane->List()->RowCount();
    const QString shown = pane->Model() ? pane->Model()->title : QString();
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

    // Copying a large file into the remote folder: the engine on the FUSE
    // path, `gio copy` on the URI. The copy is removed (untimed) between runs.
    const QByteArray name = localFile.mid(localFile.lastIndexOf('/') + 1);
    const QByteArray copied = *targetPath + "/" + name;
    const qint64 size = QFileInfo(QString::fromLocal8Bit(localFile)).size();
    bool copiedOk = true;
    double copyOurs = 1e9, copyGio = 1e9;
    for (int i = 0; i < 2; ++i) {
        ::unlink(copied.constData());
        copyOurs = std::min(copyOurs, BestSeconds(1, [&] {
                                FileOpRequest request;
                                request.func = FileOpRequest::Copy;
                                request.sources = {localFile};
                                request.targetFolder = *targetPath;
                                request.noConfirmation = true;
                                copiedOk = SHFileOperation(request).Succeeded() && copiedOk;
                            }));
        copiedOk = QFileInfo(QString::fromLocal8Bit(copied)).size() == size && copiedOk;
        ::unlink(copied.constData());
        copyGio = std::min(copyGio, BestSeconds(1, [&] {
                               Run(QStringLiteral("gio"),
                                   {QStringLiteral("copy"), QString::fromLocal8Bit(localFile),
                                    targetUri + QLatin1Char('/') + QString::fromLocal8Bit(name)});
                           }));
    }
    ::unlink(copied.constData());

    std::printf("folder %s: %d rows, shown as %s%s\n", qPrintable(folderUri), rows,
                qPrintable(shown), opened ? "" : " (GoToText failed)");
    Report("list the remote folder", listOurs, listGio, "gio list");
    Report("list the remote folder", listOurs, listSftp, "sftp -b ls");
    std::printf("copy %.0f MB to the server%s\n", size / 1e6, copiedOk ? "" : " (FAILED)");
    Report("copy a large file there", copyOurs, copyGio, "gio copy");
    return opened && copiedOk ? 0 : 1;
}

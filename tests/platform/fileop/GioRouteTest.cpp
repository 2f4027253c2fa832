// Copies whose bytes GIO carries (FileCopyRoute.h), driven through the
// engine with a folder of the test's own standing in for a remote location
// (named by "file://" URIs, so GIO's local backend does the copying): the
// engine's promises must hold exactly as for its own copies.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QRandomGenerator>
#include <QUrl>
#include <optional>

#include "FileOpTestSupport.h"
#include "platform/fileop/FileCopyRoute.h"
#include "platform/fileop/FileOpProgressSink.h"
#include "support/Wait.h"

namespace {

QByteArray g_remote;        // the folder that counts as remote
QString g_scheme = "file";  // the scheme its URIs are given

std::optional<QString> TestUriOf(const QByteArray& path) {
    if (g_remote.isEmpty() || (path != g_remote && !path.startsWith(g_remote + '/')))
        return std::nullopt;
    QString uri = FileUriOfPath(path);
    uri.replace(0, 4, g_scheme);
    return uri;
}

QByteArray RandomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// The engine's own writes fail (EIO), so that a copy can only arrive whole
// through GIO; GIO's copy runs for real, with hooks at each piece it
// reports, or fails as told.
class GioIo : public FaultIo {
public:
    GioIo() {
        budget = 0;
        error = EIO;
    }
    int gioCopies = 0;
    int takenFirst = 0;  // copies whose target name is taken just before
    QByteArray taken;    // the last name taken so
    std::optional<int> gioError;
    std::function<void(std::uint64_t, std::uint64_t, const std::function<bool()>&)> onPiece;

    GioCopyResult GioCopy(const QString& sourceUri, const QString& targetUri, bool overwrite,
                          const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                          const std::function<bool()>& keepGoing) override {
        ++gioCopies;
        if (takenFirst > 0) {
            // Someone else's file appears under the name just drawn.
            --takenFirst;
            taken = QFile::encodeName(QUrl(targetUri).toLocalFile());
            QFile foreign(QString::fromLocal8Bit(taken));
            if (foreign.open(QIODevice::WriteOnly))
                foreign.write("foreign");
            GioCopyResult failed;
            failed.error = EEXIST;
            return failed;
        }
        if (gioError) {
            GioCopyResult failed;
            failed.error = *gioError;
            failed.message = QStringLiteral("injected");
            return failed;
        }
        return FileOpIo::GioCopy(
            sourceUri, targetUri, overwrite,
            [&](std::uint64_t done, std::uint64_t total) {
                progress(done, total);
                if (onPiece)
                    onPiece(done, total, keepGoing);
            },
            keepGoing);
    }
};

// Keeps the latest progress the engine reports.
class LastProgress : public FileOpProgressSink {
public:
    void Report(const FileOpProgress& progress) override { bytesDone = progress.bytesDone; }
    void Hold() override {}
    std::atomic<std::uint64_t> bytesDone{0};
};

class GioRouteTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_remote = dir.Join("remote");
        g_scheme = QStringLiteral("file");
        ASSERT_TRUE(dir.MakeFolder("remote"));
        ASSERT_TRUE(dir.MakeFolder("local"));
        SetFileCopyRoute(&TestUriOf);
    }
    void TearDown() override {
        SetFileCopyRoute(nullptr);
        g_remote.clear();
    }
    FileOpRequest Copy(const QByteArray& source, const QByteArray& target) const {
        FileOpRequest request;
        request.func = FileOpRequest::Copy;
        request.sources = {dir.Join(source)};
        request.targetFolder = dir.Join(target);
        request.noConfirmMkdir = true;
        return request;
    }
    TestDir dir;
    ScopedPrompter prompter;  // every question is one the test expects
};

}  // namespace

// Into the remote folder and back out: the bytes arrive whole, with the
// mode and times the engine gives every copy, and nothing else is left in
// either folder. A folder on the way is made by the engine, its file
// copied by GIO, its link kept a link.
TEST_F(GioRouteTest, CopiesArriveWholeBothWays) {
    const QByteArray data = RandomBytes(3 << 20);
    ASSERT_TRUE(dir.MakeFile("local/big.bin", data, 1500000000));
    ASSERT_TRUE(dir.SetMode("local/big.bin", 0640));
    ASSERT_TRUE(dir.MakeFile("local/tree/inner.txt", "inner"));
    ASSERT_TRUE(dir.MakeFile("local/tree/empty"));
    ASSERT_TRUE(dir.MakeSymlink("local/tree/link", "inner.txt"));
    GioIo io;

    FileOpRequest in = Copy("local/big.bin", "remote");
    in.sources.push_back(dir.Join("local/tree"));
    ASSERT_TRUE(RunOp(in, &io).Succeeded());
    EXPECT_EQ(io.gioCopies, 3);
    EXPECT_EQ(io.written, 0u) << "the engine wrote the bytes itself";
    EXPECT_EQ(ReadBytes(dir.Join("remote/big.bin")), data);
    const struct stat copied = Lstat(dir.Join("remote/big.bin"));
    EXPECT_EQ(copied.st_mode & 07777, 0640u);
    EXPECT_EQ(copied.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(Describe(dir.Join("remote/tree")), Describe(dir.Join("local/tree")));

    ASSERT_TRUE(RunOp(Copy("remote/big.bin", "local/back"), &io).Succeeded());
    EXPECT_EQ(io.gioCopies, 4);
    EXPECT_EQ(ReadBytes(dir.Join("local/back/big.bin")), data);
    EXPECT_EQ(Lstat(dir.Join("local/back/big.bin")).st_mode & 07777, 0640u);
    EXPECT_TRUE(Leftovers(dir.PathBytes()).empty());
    EXPECT_EQ(Describe(dir.Join("local/back")).size(), 1u);
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

// Cancelled while GIO copies: neither the real name nor the temporary (nor
// anything GIO made on the way) is left; the source is untouched. The
// count of bytes climbs with GIO's pieces to the file's size.
TEST_F(GioRouteTest, CancelLeavesNothingAndProgressCountsGiosPieces) {
    const QByteArray data = RandomBytes(24 << 20);
    ASSERT_TRUE(dir.MakeFile("local/big.bin", data));
    GioIo io;
    FileOperation* running = nullptr;
    io.onPiece = [&](std::uint64_t done, std::uint64_t, const std::function<bool()>&) {
        if (done > 0 && running)
            running->Cancel();
    };
    const FileOpResult cancelled = RunOp(Copy("local/big.bin", "remote"), &io,
                                         [&](FileOperation& operation) { running = &operation; });
    EXPECT_TRUE(cancelled.aborted);
    EXPECT_EQ(io.gioCopies, 1);
    EXPECT_TRUE(Describe(g_remote).empty()) << Describe(g_remote).begin()->first.constData();
    EXPECT_EQ(ReadBytes(dir.Join("local/big.bin")), data);

    // Progress: at GIO's last piece the operation reports the whole file
    // (the engine reports to a sink a few times a second, so the piece
    // keeps asking until it has).
    LastProgress sink;
    bool reached = false;
    io.onPiece = [&](std::uint64_t done, std::uint64_t total, const std::function<bool()>& go) {
        if (done == total && !reached)
            reached = SpinFor([&] { return go() && sink.bytesDone == std::uint64_t(data.size()); });
    };
    const FileOpResult copied =
        RunOp(Copy("local/big.bin", "remote"), &io,
              [&](FileOperation& operation) { operation.SetProgressSink(&sink); });
    EXPECT_TRUE(copied.Succeeded());
    EXPECT_TRUE(reached) << "last progress seen: " << sink.bytesDone;
    EXPECT_EQ(ReadBytes(dir.Join("remote/big.bin")), data);
}

// An existing file in the remote folder is asked about as any other:
// Overwrite replaces it through GIO, Skip keeps it and copies nothing.
TEST_F(GioRouteTest, AnExistingTargetIsAskedAbout) {
    ASSERT_TRUE(dir.MakeFile("local/a.txt", "new a"));
    ASSERT_TRUE(dir.MakeFile("local/b.txt", "new b"));
    ASSERT_TRUE(dir.MakeFile("remote/a.txt", "old a"));
    ASSERT_TRUE(dir.MakeFile("remote/b.txt", "old b"));
    GioIo io;
    prompter->AnswerChoice(int(ConflictChoice::Overwrite)).AnswerChoice(int(ConflictChoice::Skip));
    FileOpRequest request = Copy("local/a.txt", "remote");
    request.sources.push_back(dir.Join("local/b.txt"));
    const FileOpResult result = RunOp(request, &io);

    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    ASSERT_EQ(prompter->Requests().size(), 2);
    EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("a.txt")));
    EXPECT_EQ(io.gioCopies, 1);
    EXPECT_EQ(dir.Read("remote/a.txt"), "new a");
    EXPECT_EQ(dir.Read("remote/b.txt"), "old b");
    EXPECT_TRUE(result.anySkipped);
    EXPECT_TRUE(Leftovers(g_remote).empty());
}

// GIO's failures: one it reports is asked about with its errno's words,
// and Cancel leaves nothing; a location GIO can't copy at all (here a
// scheme no backend serves, so the failure is GIO's own) falls back to the
// engine's bytes, onto a temporary of its own.
TEST_F(GioRouteTest, FailuresAreAskedAndUnsupportedFallsBack) {
    ASSERT_TRUE(dir.MakeFile("local/a.txt", "bytes of a"));
    {
        GioIo io;
        io.gioError = ENOSPC;
        prompter->AnswerChoice(int(ErrorChoice::Cancel));
        const FileOpResult result = RunOp(Copy("local/a.txt", "remote"), &io);
        EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
        ASSERT_EQ(prompter->Requests().size(), 1);
        EXPECT_TRUE(
            prompter->Requests()[0].text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
            << prompter->Requests()[0].text.toStdString();
        EXPECT_TRUE(result.aborted);
        EXPECT_TRUE(Describe(g_remote).empty());
    }
    g_scheme = QStringLiteral("corvane-nowhere");
    prompter->Clear();
    FaultIo engineOnly;
    ASSERT_TRUE(RunOp(Copy("local/a.txt", "remote"), &engineOnly).Succeeded())
        << prompter->Describe().toStdString();
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
    EXPECT_EQ(engineOnly.written, std::uint64_t(10));
    EXPECT_EQ(dir.Read("remote/a.txt"), "bytes of a");
    EXPECT_EQ(Describe(g_remote).size(), 1u);
}

// A temporary name someone else took in the meantime is neither written
// over nor removed: another name is drawn and the copy arrives.
TEST_F(GioRouteTest, ATakenTemporaryNameIsLeftAloneAndAnotherDrawn) {
    ASSERT_TRUE(dir.MakeFile("local/a.txt", "bytes of a"));
    GioIo io;
    io.takenFirst = 1;
    ASSERT_TRUE(RunOp(Copy("local/a.txt", "remote"), &io).Succeeded())
        << prompter->Describe().toStdString();
    EXPECT_EQ(io.gioCopies, 2);
    EXPECT_EQ(dir.Read("remote/a.txt"), "bytes of a");
    ASSERT_FALSE(io.taken.isEmpty());
    EXPECT_EQ(ReadBytes(io.taken), QByteArray("foreign"));
    EXPECT_EQ(Describe(g_remote).size(), 2u);
}

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/fs/XdgDirs.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/shellui/ShellLaunch.h"
#include "support/LaunchViewer.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

const auto* const kApps = ::testing::AddGlobalTestEnvironment(new LaunchViewerEnvironment);

QByteArray ReadTrimmed(const QByteArray& path) {
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

}  // namespace

TEST(ShellLaunch, RunsExecutablesInTheirFolderAndStartsDesktopEntries) {
    TestDir dir;
    const QByteArray ranMark = MarkPath("ran");
    ASSERT_TRUE(dir.MakeFile("tools/run me.sh", "#!/bin/sh\npwd > " + ranMark + ".tmp && mv " +
                                                    ranMark + ".tmp " + ranMark + "\n"));
    ASSERT_TRUE(dir.SetMode("tools/run me.sh", 0755));
    EXPECT_TRUE(ShellLaunchPath(dir.Join("tools/run me.sh")));
    ASSERT_TRUE(WaitForFile(ranMark));
    EXPECT_EQ(ReadTrimmed(ranMark), dir.Join("tools"));

    const QByteArray startedMark = MarkPath("started");
    ASSERT_TRUE(dir.MakeFile("start.desktop",
                             "[Desktop Entry]\nType=Application\nName=Start\n"
                             "Exec=touch " +
                                 startedMark + "\n"));
    EXPECT_TRUE(ShellLaunchPath(dir.Join("start.desktop")));
    EXPECT_TRUE(WaitForFile(startedMark));

    // A desktop entry that is no application starts nothing.
    ASSERT_TRUE(dir.MakeFile("broken.desktop", "not a desktop entry\n"));
    EXPECT_FALSE(ShellLaunchPath(dir.Join("broken.desktop")));
}

TEST(ShellLaunch, OpensOtherFilesWithTheDefaultApplication) {
    TestDir dir;
    const QByteArray viewerMark = MarkPath("viewer");
    ::unlink(viewerMark.constData());
    // The run bit alone does not make a program: without a "#!" or ELF
    // header the file is a document and opens with its application.
    ASSERT_TRUE(dir.MakeFile("notes.txt", "touch " + MarkPath("executed") + "\n"));
    ASSERT_TRUE(dir.SetMode("notes.txt", 0755));
    EXPECT_TRUE(ShellLaunchPath(dir.Join("notes.txt")));
    ASSERT_TRUE(WaitForFile(viewerMark));
    EXPECT_EQ(ReadTrimmed(viewerMark), dir.Join("notes.txt"));
    EXPECT_NE(::access(MarkPath("executed").constData(), F_OK), 0);
}

TEST(ShellLaunch, ResolvesIdListsAndReportsFailures) {
    TestDir dir;
    const QByteArray mark = MarkPath("by-id");
    ASSERT_TRUE(dir.MakeFile("go.sh", "#!/bin/sh\ntouch " + mark + "\n"));
    ASSERT_TRUE(dir.SetMode("go.sh", 0700));
    ASSERT_TRUE(dir.MakeSymlink("dangling", "nowhere"));
    auto desktop = SHGetDesktopFolder();
    const IdList id = desktop->ParseDisplayName(QString::fromUtf8(dir.Join("go.sh")));
    ASSERT_FALSE(id.IsNull());
    EXPECT_TRUE(ShellLaunch(id));
    EXPECT_TRUE(WaitForFile(mark));

    EXPECT_FALSE(ShellLaunch(IdList()));
    EXPECT_FALSE(ShellLaunchPath(dir.Join("missing.txt")));
    EXPECT_FALSE(ShellLaunchPath(dir.Join("dangling")));
    // An id of an item deleted since it was listed.
    ASSERT_EQ(::unlink(dir.Join("go.sh").constData()), 0);
    EXPECT_FALSE(ShellLaunch(id));

    // The hook stands in for the real launch, and an empty one brings it back.
    int calls = 0;
    SetShellLaunchHook([&](const IdList& launched) {
        ++calls;
        return launched == id;
    });
    EXPECT_TRUE(ShellLaunch(id));
    SetShellLaunchHook({});
    EXPECT_FALSE(ShellLaunch(id));
    EXPECT_EQ(calls, 1);
}

// A launch that cannot start says why, and tells "no application for the
// type" apart from other failures so the pane can offer "Open with".
TEST(ShellLaunch, AFailedLaunchSaysWhy) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("blob.corvanenone", QByteArray("\x00\x01\x02\x03\xff", 5)));
    ASSERT_TRUE(dir.MakeFile("note.txt", "words\n"));

    LaunchOutcome outcome = ShellLaunchPathWithReason(dir.Join("blob.corvanenone"));
    EXPECT_FALSE(outcome.started);
    EXPECT_TRUE(outcome.noDefaultApplication);
    EXPECT_TRUE(outcome.why.startsWith(
        QStringLiteral("No application is set to open \"blob.corvanenone\"")))
        << outcome.why.toStdString();
    EXPECT_EQ(outcome.path, dir.Join("blob.corvanenone"));

    outcome = ShellLaunchPathWithReason(dir.Join("gone.txt"));
    EXPECT_FALSE(outcome.started);
    EXPECT_FALSE(outcome.noDefaultApplication);
    EXPECT_TRUE(outcome.why.contains(QStringLiteral("No such file"))) << outcome.why.toStdString();

    // The text file has the test viewer: started, nothing to say.
    outcome = ShellLaunchPathWithReason(dir.Join("note.txt"));
    EXPECT_TRUE(outcome.started) << outcome.why.toStdString();
    EXPECT_TRUE(outcome.why.isEmpty());
    EXPECT_TRUE(WaitForFile(MarkPath("viewer")));
}

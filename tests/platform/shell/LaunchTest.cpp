#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/shell/ShellLaunch.h"
#include "platform/shell/ShellNamespace.h"
#include "platform/shell/XdgDirs.h"
#include "support/TestDir.h"

namespace {

// Where the test applications leave their marks.
QTemporaryDir* g_marks = nullptr;

QByteArray MarkPath(const char* name) {
    return g_marks->path().toUtf8() + "/" + name;
}

bool WriteFile(const QByteArray& path, const QByteArray& contents) {
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(contents) == contents.size();
}

// An installed application for text files that writes the path it was given
// into its mark (atomically, so a reader never sees half of it).
QByteArray ViewerEntry(const QByteArray& mark) {
    return "[Desktop Entry]\nType=Application\nName=Corvane Launch Viewer\n"
           "Exec=sh -c 'echo \"$1\" > " +
           mark + ".tmp && mv " + mark + ".tmp " + mark + "' sh %f\nMimeType=text/plain;\n";
}

// The applications are installed before the first test, so GIO's first look
// at the applications folders already finds them.
class LaunchApps : public ::testing::Environment {
public:
    void SetUp() override {
        g_marks = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/corvane-launch-XXXXXX"));
        const QByteArray apps = XdgDataHome() + "/applications";
        MakePathBytes(apps);
        WriteFile(apps + "/corvane-launch-viewer.desktop", ViewerEntry(MarkPath("viewer")));
        MakePathBytes(XdgConfigHome());
        WriteFile(XdgConfigHome() + "/mimeapps.list",
                  "[Default Applications]\ntext/plain=corvane-launch-viewer.desktop\n");
    }
    void TearDown() override {
        delete g_marks;
        g_marks = nullptr;
    }
};

const auto* const kApps = ::testing::AddGlobalTestEnvironment(new LaunchApps);

bool WaitForFile(const QByteArray& path) {
    return QTest::qWaitFor([&] { return ::access(path.constData(), F_OK) == 0; }, 10000);
}

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

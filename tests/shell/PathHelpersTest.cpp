#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "platform/fs/Volumes.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/NameCodec.h"
#include "shell/PathHelpers.h"
#include "shell/ResolveUserPath.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"

namespace {

TEST(PathHelpersTest, JoinAndSplitOnSlash) {
    EXPECT_EQ(PathJoin("/", "etc"), "/etc");
    EXPECT_EQ(PathJoin("/home/u/", "a.txt"), "/home/u/a.txt");
    EXPECT_EQ(PathJoin("/home/u", "a.txt"), "/home/u/a.txt");
    EXPECT_EQ(PathJoin("dir", "x"), "dir/x");

    EXPECT_EQ(PathNamePart("/home/u/a.txt"), "a.txt");
    EXPECT_EQ(PathFolderPart("/home/u/a.txt"), "/home/u/");
    EXPECT_EQ(PathNamePart("/home/u/"), "");
    EXPECT_EQ(PathFolderPart("/home/u/"), "/home/u/");
    EXPECT_EQ(PathFolderPart("/"), "/");
    // No separator: the whole text is the name, and there is no folder.
    EXPECT_EQ(PathNamePart("a.txt"), "a.txt");
    EXPECT_EQ(PathFolderPart("a.txt"), "");
    // A backslash is an ordinary character of a name here.
    EXPECT_EQ(PathNamePart("/x/a\\b"), "a\\b");
}

TEST(PathHelpersTest, RootPartIsTheVolumeMountPoint) {
    TestDir dir;
    const QString path = NameFromBytes(dir.Join("a/b"));
    const QString root = PathRootPart(path);
    EXPECT_EQ(root, VolumeRootOf(path));
    EXPECT_TRUE(root == "/" || path.startsWith(root + "/")) << root.toStdString();
    EXPECT_EQ(PathRootPart("/"), "/");
}

TEST(PathHelpersTest, KindOnTheExactBytes) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(dir.MakeFile("file.txt", "x"));
    ASSERT_TRUE(dir.MakeFile("caf\xe9.txt", "x"));
    ASSERT_TRUE(dir.MakeSymlink("to-sub", "sub"));
    ASSERT_TRUE(dir.MakeSymlink("dangling", "nowhere"));
    auto kind = [&](const QByteArray& relative) {
        return PathKind(NameFromBytes(dir.Join(relative)));
    };
    EXPECT_EQ(kind(""), -1);
    EXPECT_EQ(kind("sub"), -1);
    EXPECT_EQ(kind("file.txt"), 1);
    EXPECT_EQ(kind("caf\xe9.txt"), 1);
    EXPECT_EQ(kind("caf\xc3\xa9.txt"), 0);  // the UTF-8 spelling is another name
    EXPECT_EQ(kind("FILE.TXT"), 0);         // and so is another case
    EXPECT_EQ(kind("to-sub"), -1);
    EXPECT_EQ(kind("dangling"), 1);
    EXPECT_EQ(kind("missing"), 0);
    EXPECT_EQ(PathKind(QString()), 0);
}

TEST(PathHelpersTest, HomeExpansion) {
    const QString home = HomeFolder();
    ASSERT_FALSE(home.isEmpty());
    EXPECT_EQ(ExpandHome("~"), home);
    EXPECT_EQ(ExpandHome("~/docs"), PathJoin(home, "docs"));
    EXPECT_EQ(ExpandHome("~user/docs"), "~user/docs");
    EXPECT_EQ(ExpandHome("a/~"), "a/~");
}

TEST(PathHelpersTest, TempFolderTakesTmpdirAsBytes) {
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray("/tmp/caf\xe9/"));
    EXPECT_EQ(NameToBytes(TempFolder()), QByteArray("/tmp/caf\xe9"));
    qunsetenv("TMPDIR");
    EXPECT_EQ(TempFolder(), QDir::tempPath());
    if (!saved.isNull())
        qputenv("TMPDIR", saved);
}

TEST(PathHelpersTest, DriveFoldersRememberOneFolderPerVolume) {
    CwdKeeper keeper;
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("one"));
    ASSERT_TRUE(dir.MakeFolder("tw\xf6"));
    const QString one = NameFromBytes(dir.Join("one"));
    const QString two = NameFromBytes(dir.Join("tw\xf6"));
    const QString volume = PathRootPart(one);

    DriveFolders folders;
    folders.RememberFolder("relative/path");
    EXPECT_TRUE(folders.Entries().empty());

    ASSERT_TRUE(folders.SetFolder(one, true));
    EXPECT_EQ(CwdIdentity(), PathIdentity(dir.Join("one")));
    ASSERT_EQ(folders.Entries().size(), 1u);
    EXPECT_EQ(folders.Entries()[0].volume, volume);

    // A second folder of the same volume replaces the first.
    ASSERT_TRUE(folders.SetFolder(two, false));
    ASSERT_EQ(folders.Entries().size(), 1u);
    EXPECT_EQ(folders.FolderOf(volume), two);

    // A change that fails is not remembered.
    EXPECT_FALSE(folders.SetFolder(NameFromBytes(dir.Join("missing")), true));
    EXPECT_EQ(folders.FolderOf(volume), two);

    // Going to the volume enters its remembered folder (exact bytes).
    ASSERT_TRUE(folders.ToDrive(volume));
    EXPECT_EQ(CwdIdentity(), PathIdentity(dir.Join("tw\xf6")));

    // A volume with no remembered folder is entered at its mount point.
    folders.Clear();
    ASSERT_TRUE(folders.ToDrive(one));
    EXPECT_EQ(CwdIdentity(), PathIdentity(NameToBytes(volume)));
}

class ShellHelpersTest : public FakeShellTest {};

TEST_F(ShellHelpersTest, DesktopNameAndIcon) {
    EXPECT_EQ(DesktopName(), "Desktop");
    EXPECT_EQ(DesktopIcon(), 0);  // the namespace gives none
    Root().SetNormalName("My Desktop").SetIconIndex(7);
    EXPECT_EQ(DesktopName(), "My Desktop");
    EXPECT_EQ(DesktopIcon(), 7);
}

TEST_F(ShellHelpersTest, FolderPathOfNamesFoldersOnly) {
    CwdKeeper keeper;
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("sub/a.txt", "x"));
    const QByteArray real = RealPathBytes(dir.PathBytes());
    FakeNode& sub = MirrorFolder(real + "/sub");
    sub.AddFile("a.txt", 1, 0, kFsFile);
    Root().AddFolder("Printers");

    EXPECT_EQ(FolderPathOf("   ::Printers"), "::Printers");
    EXPECT_EQ(FolderPathOf(NameFromBytes(real + "/sub")), NameFromBytes(real + "/sub"));
    // An absolute folder with a filter resolves (0x4A) with the folder flag.
    EXPECT_EQ(FolderPathOf(NameFromBytes(real + "/sub/*.txt")), NameFromBytes(real + "/sub"));
    EXPECT_EQ(FolderPathOf(NameFromBytes(real + "/sub/a.txt")), "");  // a file
    EXPECT_EQ(FolderPathOf("*.txt"), "");
    EXPECT_EQ(FolderPathOf(NameFromBytes(real + "/nothing")), "");
}

class BrowseForFolderTest : public RealShellTest {};

TEST_F(BrowseForFolderTest, GivesTheChosenFolderParsingName) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ScopedPrompter prompter;
    prompter->AnswerFolder(dir.Path() + "/./sub/").AnswerFolder(std::nullopt);

    EXPECT_EQ(BrowseForFolder("Pick one", dir.Path()), dir.Path() + "/sub");
    EXPECT_EQ(BrowseForFolder("Again", QString()), std::nullopt);
    ASSERT_EQ(prompter->Requests().size(), 2);
    EXPECT_EQ(prompter->Requests()[0].kind, PromptKind::BrowseForFolder);
    EXPECT_EQ(prompter->Requests()[0].title, "Pick one");
    EXPECT_EQ(prompter->Requests()[0].initialText, dir.Path());
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();

    // The Desktop itself stands for the desktop directory.
    prompter->AnswerFolder(DesktopDirectory());
    EXPECT_EQ(BrowseForFolder("Desk", QString()), DesktopDirectory());
}

}  // namespace

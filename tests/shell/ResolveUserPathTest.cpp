#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "platform/namespace/NameCodec.h"
#include "shell/PathHelpers.h"
#include "shell/ResolveUserPath.h"
#include "support/TestDir.h"

namespace {

// A real tree mirrored into the fake namespace:
//   <dir>/docs/        (folder)  a.txt  b.TXT
//   <dir>/docs/inner/  (folder)
//   <dir>/caf\xe9/     (folder, a name that is not UTF-8)
//   <dir>/disk-only/   (on disk, unknown to the namespace)
class ResolveUserPathTest : public FakeShellTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.MakeFile("docs/a.txt", "a"));
        ASSERT_TRUE(dir.MakeFile("docs/b.TXT", "b"));
        ASSERT_TRUE(dir.MakeFolder("docs/inner"));
        ASSERT_TRUE(dir.MakeFolder("caf\xe9"));
        ASSERT_TRUE(dir.MakeFolder("disk-only"));
        real = RealPathBytes(dir.PathBytes());
        ASSERT_FALSE(real.isEmpty());
        top = &MirrorFolder(real);
        docs = &top->AddFolder("docs", kFsFolder);
        docs->AddFile("a.txt", 1, 0, kFsFile);
        docs->AddFile("b.TXT", 1, 0, kFsFile);
        docs->AddFolder("inner", kFsFolder);
        top->AddFolder(NameFromBytes("caf\xe9"), kFsFolder);
        Root().AddFolder("Printers");
        ASSERT_EQ(::chdir(real.constData()), 0);
    }

    IdList Id(const QByteArray& relative) const {
        return shell->AbsoluteId(*shell->NodeOf(ParsePath(NameFromBytes(real + relative))));
    }

    // Resolves and checks that the current directory did not move.
    ResolvedPath Resolve(const QString& text) {
        const auto before = CwdIdentity();
        ResolvedPath r = ResolveUserPath(text);
        EXPECT_EQ(CwdIdentity(), before) << "current directory moved for " << text.toStdString();
        return r;
    }

    CwdKeeper keeper;
    TestDir dir;
    QByteArray real;
    FakeNode* top = nullptr;
    FakeNode* docs = nullptr;
};

TEST_F(ResolveUserPathTest, EmptyTextAndBarePatterns) {
    for (const QString& text : {QString(), QString("   "), QString("\t \n")}) {
        const ResolvedPath r = Resolve(text);
        EXPECT_EQ(r.flags, 0x18u);
        EXPECT_TRUE(r.idList.IsNull());
    }
    for (const QString& text : {QString("*.txt"), QString("  a?c"), QString("*")}) {
        const ResolvedPath r = Resolve(text);
        EXPECT_EQ(r.flags, 0x12u) << text.toStdString();
        EXPECT_TRUE(r.idList.IsNull());
    }
    // A wildcard in the folder part as well fails.
    for (const QString& text : {QString("do*/a*.txt"), QString("d?cs/x"), QString("/t*/a")}) {
        const ResolvedPath r = Resolve(text);
        EXPECT_EQ(r.flags, 0x01u) << text.toStdString();
        EXPECT_TRUE(r.idList.IsNull());
    }
}

TEST_F(ResolveUserPathTest, AbsoluteAndParsedTexts) {
    const QString docsPath = NameFromBytes(real + "/docs");
    ResolvedPath r = Resolve("  " + docsPath);
    EXPECT_EQ(r.flags, 0x48u);
    EXPECT_EQ(r.idList, Id("/docs"));

    r = Resolve(docsPath + "/a.txt");
    EXPECT_EQ(r.flags, 0x44u);
    EXPECT_EQ(r.idList, Id("/docs/a.txt"));

    // The folder part of a pattern, with its trailing "/".
    r = Resolve(docsPath + "/*.txt");
    EXPECT_EQ(r.flags, 0x4Au);
    EXPECT_EQ(r.idList, Id("/docs"));

    r = Resolve("::Printers");
    EXPECT_EQ(r.flags, 0x48u);
    EXPECT_EQ(r.idList, shell->AbsoluteId("Printers"));

    // An absolute path that exists nowhere is rooted, then fails.
    r = Resolve(NameFromBytes(real + "/missing/folder"));
    EXPECT_EQ(r.flags, 0x01u);
    EXPECT_TRUE(r.idList.IsNull());
}

TEST_F(ResolveUserPathTest, RelativeTextsResolveAgainstTheCurrentDirectory) {
    ResolvedPath r = Resolve("docs");
    EXPECT_EQ(r.flags, 0x28u);
    EXPECT_EQ(r.idList, Id("/docs"));

    ASSERT_EQ(::chdir("docs/inner"), 0);
    r = Resolve("..");
    EXPECT_EQ(r.flags, 0x28u);
    EXPECT_EQ(r.idList, Id("/docs"));
    r = Resolve("../..");
    EXPECT_EQ(r.flags, 0x28u);
    EXPECT_EQ(r.idList, Id(""));
    ASSERT_EQ(::chdir(real.constData()), 0);

    // A pattern after a relative folder: the filter flag, no folder flag.
    r = Resolve("docs/*.txt");
    EXPECT_EQ(r.flags, 0x22u);
    EXPECT_EQ(r.idList, Id("/docs"));

    // A name that is not UTF-8 is entered by its exact bytes.
    r = Resolve(NameFromBytes("caf\xe9"));
    EXPECT_EQ(r.flags, 0x28u);
    EXPECT_EQ(r.idList, Id("/caf\xe9"));
    EXPECT_EQ(Resolve(NameFromBytes("caf\xc3\xa9")).flags, 0x01u);

    // Names are case-sensitive.
    EXPECT_EQ(Resolve("DOCS").flags, 0x01u);
    // Missing, and known to the disk but not to the namespace.
    EXPECT_EQ(Resolve("missing").flags, 0x01u);
    r = Resolve("disk-only");
    EXPECT_EQ(r.flags, 0x01u);
    EXPECT_TRUE(r.idList.IsNull());
}

TEST_F(ResolveUserPathTest, FileTargetsNameTheFileToFocus) {
    // A file in the current directory: nothing is left of the folder part.
    ASSERT_EQ(::chdir("docs"), 0);
    ResolvedPath r = Resolve("a.txt");
    EXPECT_EQ(r.flags, 0x14u);
    EXPECT_EQ(r.idList, Id("/docs/a.txt"));
    ASSERT_EQ(::chdir(real.constData()), 0);

    r = Resolve("docs/b.TXT");
    EXPECT_EQ(r.flags, 0x24u);
    EXPECT_EQ(r.idList, Id("/docs/b.TXT"));
    EXPECT_EQ(Resolve("docs/B.txt").flags, 0x01u);
}

TEST_F(ResolveUserPathTest, HomeIsExpandedFirst) {
    const QByteArray home = RealPathBytes(NameToBytes(HomeFolder()));
    ASSERT_FALSE(home.isEmpty());
    ASSERT_EQ(::mkdir((home + "/notes").constData(), 0755) == 0 || errno == EEXIST, true);
    FakeNode& homeNode = MirrorFolder(home);
    homeNode.AddFolder("notes", kFsFolder);

    ResolvedPath r = Resolve("~");
    EXPECT_EQ(r.flags, 0x48u);
    EXPECT_EQ(shell->NodeOf(r.idList), &homeNode);
    r = Resolve("~/notes/*.md");
    EXPECT_EQ(r.flags, 0x4Au);
    EXPECT_EQ(shell->NodeOf(r.idList), homeNode.Child("notes"));
    ::rmdir((home + "/notes").constData());
}

TEST_F(ResolveUserPathTest, RemovedCurrentDirectoryIsStillRestored) {
    ASSERT_TRUE(dir.MakeFolder("doomed"));
    ASSERT_EQ(::chdir("doomed"), 0);
    const auto doomed = CwdIdentity();
    ASSERT_EQ(::rmdir((real + "/doomed").constData()), 0);

    // Relative texts can't be entered from a removed folder; whatever the
    // result, the process is back in the removed folder afterwards.
    EXPECT_EQ(Resolve("docs").flags, 0x01u);
    Resolve("..");
    Resolve("");
    EXPECT_EQ(Resolve(NameFromBytes(real + "/docs")).flags, 0x48u);
    EXPECT_EQ(CwdIdentity(), doomed);
}

}  // namespace

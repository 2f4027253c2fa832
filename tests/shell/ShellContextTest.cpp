#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "shell/ShellContext.h"

namespace {

class ShellContextTest : public FakeShellTest {};

TEST_F(ShellContextTest, ReadyOnlyWithDesktopDirectoryAndComputer) {
    Root().AddFolder("Computer");
    Root().AddFolder("Desk", FakeShellTest::kFsFolder).SetParsingName("/home/u/Desktop");

    EXPECT_FALSE(EnsureShellContext());
    EXPECT_EQ(ContextDesktop(), nullptr);
    shell->SetSpecialFolder(CSIDL_DESKTOPDIRECTORY, "Desk");
    EXPECT_FALSE(EnsureShellContext());

    // Tried again at the next use, and kept once ready.
    shell->SetSpecialFolder(CSIDL_DRIVES, "Computer");
    ASSERT_TRUE(EnsureShellContext());
    const ShellContext& c = TheShellContext();
    ASSERT_NE(ContextDesktop(), nullptr);
    EXPECT_EQ(c.desktopDirectory, shell->AbsoluteId("Desk"));
    EXPECT_EQ(c.drives, shell->AbsoluteId("Computer"));
    EXPECT_TRUE(c.PathTitles);
    shell->SetSpecialFolder(CSIDL_DRIVES, IdList());
    EXPECT_TRUE(EnsureShellContext());
    EXPECT_EQ(c.drives, shell->AbsoluteId("Computer"));

    // The formats and the icons.
    EXPECT_EQ(c.cfShellIdList, ClipFormats::kShellIdList);
    EXPECT_EQ(c.cfPreferredDropEffect, ClipFormats::kPreferredDropEffect);
    EXPECT_EQ(c.cfFileNameMap, c.cfFileNameMapW);
    EXPECT_EQ(c.cfFileContents, ClipFormats::kFileContents);
    EXPECT_EQ(c.cfFileGroupDescriptor, ClipFormats::kFileGroupDescriptor);
    EXPECT_EQ(c.cfFileGroupDescriptorW, ClipFormats::kFileGroupDescriptorW);
    ASSERT_NE(c.images, nullptr);
    EXPECT_FALSE(c.images->Icon(c.FolderIcon).isNull() && c.images->Icon(c.ExeIcon).isNull());
    EXPECT_LT(c.GenericFileIcon, c.images->Count());
}

TEST_F(ShellContextTest, DisplayNamesAndParsing) {
    FakeNode& docs = Root().AddFolder("Docs");
    docs.AddFile("a.txt").SetDisplayName("A text");
    auto desktop = SHGetDesktopFolder();
    ASSERT_TRUE(desktop);

    const IdList a = shell->AbsoluteId("Docs/a.txt");
    EXPECT_EQ(ShellDisplayName(*desktop, shell->AbsoluteId("Docs"), SHGDN_NORMAL), "Docs");
    EXPECT_EQ(AbsoluteDisplayName(a, SHGDN_INFOLDER), "A text");
    EXPECT_EQ(AbsoluteDisplayName(a, SHGDN_FORPARSING), "::Docs/a.txt");
    EXPECT_EQ(AbsoluteDisplayName(IdList::Empty(), SHGDN_NORMAL), "Desktop");
    EXPECT_EQ(ShellDisplayName(*desktop, IdList(), SHGDN_NORMAL), std::nullopt);
    EXPECT_EQ(AbsoluteDisplayName(shell->AbsoluteId("Docs").Concat(FakeShellNamespace::ItemId("x")),
                                  SHGDN_NORMAL),
              std::nullopt);

    EXPECT_EQ(ParsePath("::Docs/a.txt"), a);
    EXPECT_TRUE(ParsePath("Docs").IsNull());  // relative texts are not parsed
    EXPECT_TRUE(ParsePath("").IsNull());
}

}  // namespace

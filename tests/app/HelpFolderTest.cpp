#include <gtest/gtest.h>

#include <QDir>

#include "app/MainMenu.h"
#include "support/TestDir.h"

// The program finds its help files in a build tree and when installed.
TEST(HelpFolderTest, BesideTheProgramElseUnderTheInstallationsShareFolder) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("build/help/Keyboard.txt", "keys"));
    ASSERT_TRUE(dir.MakeFile("usr/share/corvane/help/Keyboard.txt", "keys"));
    ASSERT_TRUE(dir.MakeFolder("usr/bin"));

    // A build tree: "help" next to the program.
    const QString build = dir.Path() + QStringLiteral("/build");
    EXPECT_EQ(HelpFolderOf(build), build + QStringLiteral("/help"));

    // Installed: share/corvane/help under the prefix the program lies in,
    // wherever that prefix is.
    EXPECT_EQ(HelpFolderOf(dir.Path() + QStringLiteral("/usr/bin")),
              dir.Path() + QStringLiteral("/usr/share/corvane/help"));
    EXPECT_TRUE(QDir(HelpFolderOf(dir.Path() + QStringLiteral("/usr/bin")))
                    .exists(QStringLiteral("Keyboard.txt")));
}

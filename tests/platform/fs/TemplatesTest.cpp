#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Templates.h"
#include "platform/shellui/ContextMenu.h"
#include "support/TestDir.h"

TEST(Templates, NumberedNamesKeepTheExtension) {
    EXPECT_EQ(NumberedName("Letter.txt", 1), "Letter.txt");
    EXPECT_EQ(NumberedName("Letter.txt", 2), "Letter (2).txt");
    EXPECT_EQ(NumberedName("archive.tar.gz", 3), "archive.tar (3).gz");
    EXPECT_EQ(NumberedName("README", 2), "README (2)");
    EXPECT_EQ(NumberedName(".profile", 2), ".profile (2)");  // a leading dot is no extension
}

TEST(Templates, ListsTemplateFilesSortedAndSkipsTheRest) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("t/zebra.odt"));
    ASSERT_TRUE(dir.MakeFile("t/Apple.txt"));
    ASSERT_TRUE(dir.MakeFile("t/.hidden"));
    ASSERT_TRUE(dir.MakeFile("t/old.txt~"));
    ASSERT_TRUE(dir.MakeSymlink("t/dangling", "nowhere"));
    ASSERT_TRUE(dir.MakeSymlink("t/linked.md", dir.Join("t/Apple.txt")));
    ASSERT_TRUE(dir.MakeFolder("t/empty folder"));
    ASSERT_TRUE(dir.MakeFile("t/Mail/note.eml"));
    ASSERT_TRUE(dir.MakeFile(QByteArray("t/bad\xff.txt")));
    const auto list = ListTemplates(dir.Join("t"));
    QStringList names;
    for (const auto& entry : list) names << entry.displayName;
    EXPECT_EQ(names.join(QLatin1Char('|')).toStdString(),
              QStringLiteral("Apple|bad\uFFFD|linked|Mail|zebra").toStdString());
    ASSERT_EQ(list.size(), 5u);
    EXPECT_TRUE(list[3].folder);
    ASSERT_EQ(list[3].children.size(), 1u);
    EXPECT_EQ(list[3].children[0].path, dir.Join("t/Mail/note.eml"));
    EXPECT_EQ(list[1].fileName, QByteArray("bad\xff.txt"));

    EXPECT_TRUE(ListTemplates(dir.Join("missing")).empty());
}

TEST(Templates, CreatesExclusivelyAndKeepsTheMode) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("t/run.sh", "#!/bin/sh\n"));
    ASSERT_TRUE(dir.SetMode("t/run.sh", 0750));
    ASSERT_TRUE(dir.MakeFolder("out"));
    ASSERT_TRUE(dir.MakeFile("out/run.sh", "mine"));
    QString error;
    const auto made = CreateFromTemplate(dir.Join("t/run.sh"), dir.Join("out"), &error);
    ASSERT_TRUE(made) << error.toStdString();
    EXPECT_EQ(*made, "run (2).sh");
    EXPECT_EQ(dir.Read("out/run (2).sh"), "#!/bin/sh\n");
    EXPECT_EQ(dir.Read("out/run.sh"), "mine");
    struct stat st;
    ASSERT_EQ(::stat(dir.Join("out/run (2).sh").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0700, 0700u);

    // A folder template, a missing template and a missing target folder fail
    // with a reason.
    ASSERT_TRUE(dir.MakeFolder("t/folder"));
    EXPECT_FALSE(CreateFromTemplate(dir.Join("t/folder"), dir.Join("out"), &error));
    EXPECT_FALSE(CreateFromTemplate(dir.Join("t/none"), dir.Join("out"), &error));
    error.clear();
    EXPECT_FALSE(CreateFromTemplate(dir.Join("t/run.sh"), dir.Join("no/such"), &error));
    EXPECT_FALSE(error.isEmpty());
}

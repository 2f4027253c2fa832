#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/ProductVersion.h"
#include "platform/namespace/NameCodec.h"

TEST(CommandLineTest, ProfileSwitchSpellingsSelectTheSameProfile) {
    const CommandLine slashLower = ParseCommandLine({QStringLiteral("/s:work")});
    const CommandLine hyphenUpper = ParseCommandLine({QStringLiteral("-S:work")});
    EXPECT_TRUE(slashLower.hasProfileSwitch);
    EXPECT_EQ(slashLower.ProfileName(), QStringLiteral("Corvanework"));
    EXPECT_EQ(hyphenUpper.ProfileName(), slashLower.ProfileName());
    EXPECT_TRUE(slashLower.startFolders.isEmpty());

    // No switch: the plain profile. An empty suffix is the plain profile too.
    EXPECT_EQ(ParseCommandLine({}).ProfileName(), QStringLiteral("Corvane"));
    EXPECT_EQ(ParseCommandLine({QStringLiteral("-s:")}).ProfileName(), QStringLiteral("Corvane"));
}

TEST(CommandLineTest, FoldersAndSecondSwitch) {
    // A second switch is a start folder; only the first two folders count.
    const CommandLine line = ParseCommandLine({QStringLiteral("/home/a"), QStringLiteral("-s:one"),
                                               QStringLiteral("/S:two"), QStringLiteral("/third")});
    EXPECT_EQ(line.profileSuffix, QStringLiteral("one"));
    EXPECT_EQ(line.startFolders,
              (QStringList{QStringLiteral("/home/a"), QStringLiteral("/S:two")}));

    // Near misses are folders: no colon, another letter, the switch later in the text.
    const CommandLine misses = ParseCommandLine({QStringLiteral("-sx"), QStringLiteral("/t:x")});
    EXPECT_FALSE(misses.hasProfileSwitch);
    EXPECT_EQ(misses.startFolders.size(), 2);
}

TEST(CommandLineTest, SuffixNeverNamesAnotherFolder) {
    EXPECT_EQ(ParseCommandLine({QStringLiteral("-s:../../etc/x")}).ProfileName(),
              QStringLiteral("Corvane.._.._etc_x"));
}

TEST(CommandLineTest, ArgumentsAreBytes) {
    // A folder name that is not valid UTF-8 survives the trip from argv.
    const char* argv[] = {"corvane", "/tmp/caf\xe9", "-s:\xc3\xa9t\xc3\xa9", nullptr};
    const QStringList arguments = ArgumentsFromArgv(3, argv);
    ASSERT_EQ(arguments.size(), 2);
    EXPECT_EQ(NameToBytes(arguments[0]), QByteArray("/tmp/caf\xe9"));
    EXPECT_EQ(ParseCommandLine(arguments).profileSuffix, QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
}

TEST(CommandLineTest, StartFoldersGivenAsFileUrisArePaths) {
    // What a desktop entry's %U passes: escapes decoded to the name's own
    // bytes (a name that is not UTF-8 included), either form of the local
    // host, the scheme in any case.
    const char* argv[] = {"corvane", "file:///home/u/My%20Folder/caf%E9", "FILE://localhost/tmp",
                          nullptr};
    const CommandLine line = ParseCommandLine(ArgumentsFromArgv(3, argv));
    ASSERT_EQ(line.startFolders.size(), 2);
    EXPECT_EQ(NameToBytes(line.startFolders[0]), QByteArray("/home/u/My Folder/caf\xe9"));
    EXPECT_EQ(line.startFolders[1], QStringLiteral("/tmp"));

    // Plain paths stay as typed, and so does a URI that names no local
    // file, which then fails to open as a missing folder would rather
    // than open some other folder.
    EXPECT_EQ(StartFolderOf(QStringLiteral("/srv/file:///x")), QStringLiteral("/srv/file:///x"));
    EXPECT_EQ(StartFolderOf(QStringLiteral("relative/dir")), QStringLiteral("relative/dir"));
    EXPECT_EQ(StartFolderOf(QStringLiteral("file://otherhost/etc")),
              QStringLiteral("file://otherhost/etc"));
    EXPECT_EQ(StartFolderOf(QStringLiteral("file:///a%00b")), QStringLiteral("file:///a%00b"));
    EXPECT_EQ(StartFolderOf(QStringLiteral("sftp://host/home")),
              QStringLiteral("sftp://host/home"));

    // The profile switch is never read as a URI, and a URI after two folders
    // is ignored like any third folder.
    const CommandLine withSwitch =
        ParseCommandLine({QStringLiteral("-s:file:///x"), QStringLiteral("/a"),
                          QStringLiteral("file:///b"), QStringLiteral("file:///c")});
    EXPECT_EQ(withSwitch.profileSuffix, QStringLiteral("file:___x"));
    EXPECT_EQ(withSwitch.startFolders, (QStringList{QStringLiteral("/a"), QStringLiteral("/b")}));
}

TEST(CommandLineTest, HelpAndVersionAreAnsweredOnTheTerminal) {
    EXPECT_FALSE(TerminalAnswer({}).has_value());
    EXPECT_FALSE(TerminalAnswer({QStringLiteral("/home"), QStringLiteral("-s:x")}).has_value());
    // Near misses are folders, as any other argument.
    EXPECT_FALSE(TerminalAnswer({QStringLiteral("--helpme"), QStringLiteral("-version")}));

    const std::optional<QString> version = TerminalAnswer({QStringLiteral("--version")});
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(*version, QStringLiteral("corvane ") + GetProductVersion() + QLatin1Char('\n'));
    EXPECT_NE(GetProductVersion(), QStringLiteral("[unknown]"));

    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const std::optional<QString> help = TerminalAnswer({QStringLiteral("/tmp"), option});
        ASSERT_TRUE(help.has_value()) << option.toStdString();
        EXPECT_TRUE(help->startsWith(QStringLiteral("Usage: corvane ")));
        EXPECT_TRUE(help->contains(QStringLiteral("/s:PROFILE")));
        EXPECT_TRUE(help->endsWith(QLatin1Char('\n')));
    }
    // The first of the two counts.
    EXPECT_EQ(TerminalAnswer({QStringLiteral("--version"), QStringLiteral("--help")}), version);
}

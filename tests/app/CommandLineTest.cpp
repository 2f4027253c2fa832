#include <gtest/gtest.h>

#include "app/CommandLine.h"
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

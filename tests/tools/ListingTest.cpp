// Listings and copied names: the format guard, the totals line, an empty
// selection, and the text Alt+C puts on the clipboard.

#include <gtest/gtest.h>

#include "shell/GeneralSettings.h"
#include "tools/DirListing.h"

namespace {

TEST(ListingFormat, OnlyExactlyThreePlainStringConversionsPass) {
    EXPECT_TRUE(IsValidListingFormat("%-25s %10s %s\n"));
    EXPECT_TRUE(IsValidListingFormat("%s|%.3s|%-4.2s 100%%\n"));
    EXPECT_FALSE(IsValidListingFormat("%s %s\n")) << "two";
    EXPECT_FALSE(IsValidListingFormat("%s %s %s %s\n")) << "four";
    EXPECT_FALSE(IsValidListingFormat("%s %s %n\n")) << "a conversion that writes";
    EXPECT_FALSE(IsValidListingFormat("%s %d %s\n"));
    EXPECT_FALSE(IsValidListingFormat("%*s %s %s\n")) << "a width taken from the arguments";
    EXPECT_FALSE(IsValidListingFormat("%s %s %s %"));
    EXPECT_FALSE(IsValidListingFormat("%s %s %ls"));
}

TEST(ListingFormat, WidthsPadAndPrecisionsCut) {
    EXPECT_EQ(FormatListingLine("[%-5s][%5s][%.2s] 5%%", "ab", "cd", "efgh"),
              "[ab   ][   cd][ef] 5%");
    const QString longName(30, u'n');
    EXPECT_EQ(FormatListingLine(ListingTexts::kDefaultFormat, longName, "1", "d"),
              longName + "          1 d\n")
        << "a long name pushes the columns right, uncut";
    EXPECT_EQ(FormatListingLine("%-3s|%s|%s", "\u00e9", "b", "c"), "\u00e9  |b|c")
        << "widths count characters, not UTF-8 bytes";
}

TEST(Listing, TotalsLine) {
    GeneralSettings saved = General();
    MutableGeneral().plainBytesFormat = true;
    const QString text =
        BuildListing("/data", 0, {{"a", "1,000", "d1", 1000}, {"b", "2,000", "d2", 2000}},
                     ListingTexts::kDefaultFormat, true);
    const QStringList lines = text.split(u'\n');
    EXPECT_EQ(lines.value(0), "LISTING OF '/data'");
    EXPECT_EQ(lines.value(1), "---------------");
    EXPECT_TRUE(lines.value(2).startsWith("NAME")) << lines.value(2).toStdString();
    EXPECT_TRUE(lines.value(2).endsWith("SIZE MODIFIED"));
    EXPECT_EQ(lines.value(5), "---------------");
    EXPECT_EQ(lines.value(6), "2 item(s); 3,000 bytes in total");
    EXPECT_EQ(lines.value(7), "");
    EXPECT_EQ(lines.size(), 8);
    MutableGeneral() = saved;
}

TEST(Listing, EmptySelectionStillHasTitleHeadingAndTotal) {
    const QString text = BuildListing("/x", 2, {}, ListingTexts::kDefaultFormat, false);
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[2].endsWith("ACCESSED"));
    EXPECT_EQ(lines[4], "0 item(s); 0 in total");
}

TEST(CopyNames, JoinedWithoutATrailingLineFeed) {
    EXPECT_EQ(JoinNames({"/a/b"}, false), "/a/b");
    EXPECT_EQ(JoinNames({"/a/b", "/a/c d"}, false), "/a/b\n/a/c d");
    EXPECT_EQ(JoinNames({"/a/b", "/a/c d", "/a/it's"}, true), "/a/b\n'/a/c d'\n'/a/it'\\''s'");
}

}  // namespace

// The per-file text search: block boundaries, the text-file test, the case
// and whole-word rules, Escape, and files that are not plain files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TestDir.h"
#include "tools/ScanFileForText.h"

namespace {

class ScanTest : public ::testing::Test {
protected:
    int Scan(const QByteArray& contents, const QByteArray& text, TextScanOptions options = {}) {
        dir.MakeFile("f", contents);
        return ScanFileForText(dir.Join("f"), text, options);
    }
    TestDir dir;
};

TEST_F(ScanTest, TextAcrossTheBlockBoundaryIsFoundWhereverItFalls) {
    // The text's first byte at every position from well before the end of
    // the first block to past it, so every split across the two blocks
    // is tried.
    const QByteArray text = "needle-in-haystack";
    for (int start = kScanBlockSize - 40; start <= kScanBlockSize + 2; ++start) {
        QByteArray contents(kScanBlockSize * 2, 'x');
        contents.replace(start, text.size(), text);
        EXPECT_EQ(Scan(contents, text), 1) << "start " << start;
    }
    // And a text never written is not found in the same file.
    QByteArray contents(kScanBlockSize * 3 + 5, 'x');
    EXPECT_EQ(Scan(contents, "needle"), 0);
}

TEST_F(ScanTest, TextTestOfTheFirstFiftyBytes) {
    QByteArray binary = "abc";
    binary.append('\0');
    binary.append(QByteArray(100, 'a'));
    binary.append(" word ");
    EXPECT_EQ(Scan(binary, "word"), 0) << "a NUL in the first 50 bytes makes it not text";
    EXPECT_EQ(Scan(binary, "word", {.searchBinFiles = true}), 1);

    QByteArray late = QByteArray(60, 'a') + '\0' + " word";
    EXPECT_EQ(Scan(late, "word"), 1) << "a NUL after byte 50 does not count";

    QByteArray control = "\x01header word";
    EXPECT_EQ(Scan(control, "word"), 0);
    EXPECT_EQ(Scan("tab\there\r\nvt\v ff\f word", "word"), 1) << "9 to 13 are text";
    // UTF-8 text outside ASCII is still text.
    EXPECT_EQ(Scan("Caf\xc3\xa9 cr\xc3\xa8me br\xc3\xbbl\xc3\xa9"
                   "e word",
                   "word"),
              1);
}

TEST_F(ScanTest, ShortFilesAndEmptyFiles) {
    EXPECT_EQ(Scan("abc", "abcd"), 0) << "a file shorter than the text";
    EXPECT_EQ(Scan("abcd", "abcd"), 1) << "a file exactly the text";
    EXPECT_EQ(Scan("", "a"), 0);
    EXPECT_EQ(ScanFileForText(dir.Join("missing"), "a", {}), 0);
}

TEST_F(ScanTest, CaseRules) {
    EXPECT_EQ(Scan("Hello World", "world"), 1);
    EXPECT_EQ(Scan("Hello World", "WORLD"), 1);
    EXPECT_EQ(Scan("Hello World", "world", {.matchCase = true}), 0);
    EXPECT_EQ(Scan("Hello World", "World", {.matchCase = true}), 1);
    // A text that is all letters has no anchor byte: both cases of its
    // first letter are looked for.
    EXPECT_EQ(Scan("xxxxQUICKxxxx", "quick"), 1);
    EXPECT_EQ(Scan("xxxxquickxxxx", "QUICK"), 1);
    // Only letters flip: "@" and "`" differ by the case bit too.
    EXPECT_EQ(Scan("a`b", "a@b"), 0);
    // Bytes above 127 compare by Unicode case without "Match case".
    EXPECT_EQ(Scan("le \xc3\x89T\xc3\x89 dernier", "\xc3\xa9t\xc3\xa9"), 1);
    EXPECT_EQ(Scan("le \xc3\x89T\xc3\x89 dernier", "\xc3\xa9t\xc3\xa9", {.matchCase = true}), 0);
    EXPECT_EQ(Scan("le \xc3\xa9t\xc3\xa9 dernier", "\xc3\xa9t\xc3\xa9", {.matchCase = true}), 1);
}

TEST_F(ScanTest, WholeWords) {
    const TextScanOptions words{.wordsOnly = true};
    EXPECT_EQ(Scan("there is a cat.", "cat", words), 1);
    EXPECT_EQ(Scan("concat and cats", "cat", words), 0);
    EXPECT_EQ(Scan("cat", "cat", words), 1) << "the file's own ends are no characters";
    EXPECT_EQ(Scan("concat, cat_1, cat", "cat", words), 1) << "the last one counts";
    EXPECT_EQ(Scan("my_cat", "cat", words), 0) << "_ is a word character";

    // At the boundary the neighbour across it is not looked at: "cat" at
    // the very end of the first block counts as a whole word although the
    // next byte of the file is a letter; the second block starts two bytes
    // back and sees "at" there, so nothing else matches.
    QByteArray contents(kScanBlockSize - 3, ' ');
    contents += "catx";
    contents += QByteArray(100, ' ');
    EXPECT_EQ(Scan(contents, "cat", words), 1);
    // The same bytes away from a boundary are no whole word.
    EXPECT_EQ(Scan(QByteArray(100, ' ') + "catx" + QByteArray(100, ' '), "cat", words), 0);
}

TEST_F(ScanTest, EscapeEndsTheSearchBeforeTheNextBlock) {
    dir.MakeFile("big", QByteArray(kScanBlockSize * 4, 'x'));
    int polls = 0;
    EXPECT_EQ(ScanFileForText(dir.Join("big"), "needle", {}, [&] { return ++polls == 2; }), -1);
    EXPECT_EQ(polls, 2);
}

TEST_F(ScanTest, ThingsThatAreNotFilesAreNotSearched) {
    ASSERT_EQ(::mkfifo(dir.Join("fifo").constData(), 0600), 0);
    // Reading a FIFO nobody writes to would block the program for good.
    EXPECT_EQ(ScanFileForText(dir.Join("fifo"), "x", {}), 0);
    ASSERT_TRUE(dir.MakeFolder("folder"));
    EXPECT_EQ(ScanFileForText(dir.Join("folder"), "x", {}), 0);
}

TEST(BlockSearch, EveryOccurrenceUpToTheLastFittingStartIsTried) {
    const char block[] = "aaaab";
    EXPECT_TRUE(BlockContainsText(block, 5, "aab", {}));
    EXPECT_TRUE(BlockContainsText(block, 5, "b", {}));
    EXPECT_FALSE(BlockContainsText(block, 4, "b", {})) << "past the block's length";
    EXPECT_TRUE(BlockContainsText("x-y", 3, "-Y", {}));
    EXPECT_FALSE(BlockContainsText("x-y", 3, "-Y", {.matchCase = true}));
}

}  // namespace

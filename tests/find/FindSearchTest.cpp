// The search over real temporary trees: the pattern rules, the date and
// size windows at their edges, exact names, links, folders that go away
// during the walk, the text test and the stop flag.

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <atomic>

#include "find/FindCriteria.h"
#include "find/FindRequest.h"
#include "support/TestDir.h"

namespace {

struct Hits {
    QList<QByteArray> paths;
    QList<QByteArray> folders;
    FindOutcome outcome = FindOutcome::Done;
};

Hits Search(const FindRequest& request, std::function<void(Hits&)> onFound = {},
            std::function<void(const QByteArray&)> onFolder = {},
            std::atomic<bool>* stopFlag = nullptr) {
    Hits hits;
    std::atomic<bool> ownStop{false};
    std::atomic<bool>& stop = stopFlag ? *stopFlag : ownStop;
    FindSink sink;
    sink.found = [&](QByteArray path) {
        hits.paths.append(path);
        if (onFound)
            onFound(hits);
    };
    sink.folder = [&](const QByteArray& folder) {
        hits.folders.append(folder);
        if (onFolder)
            onFolder(folder);
    };
    hits.outcome = RunFindSearch(request, stop, sink);
    return hits;
}

QSet<QByteArray> Set(const QList<QByteArray>& list) {
    return QSet<QByteArray>(list.begin(), list.end());
}

FindRequest NamedRequest(const TestDir& dir, const QString& named, bool autoPad = true) {
    FindRequest request;
    request.folders = {dir.PathBytes()};
    request.patterns.Parse(FindPatternText(named, autoPad));
    return request;
}

}  // namespace

TEST(FindPatternTest, LoneStarEmptiesAndPaddingKeepsExclusions) {
    EXPECT_EQ(FindPatternText(QStringLiteral("*"), true), QString());
    EXPECT_EQ(FindPatternText(QStringLiteral(" * "), false), QString());
    EXPECT_EQ(FindPatternText(QStringLiteral("report,-old"), true),
              QStringLiteral("*report*,-old"));
    EXPECT_EQ(FindPatternText(QStringLiteral("report,-old"), false), QStringLiteral("report,-old"));
    // A wildcard anywhere in the text turns padding off for every pattern.
    EXPECT_EQ(FindPatternText(QStringLiteral("report*,old"), true), QStringLiteral("report*,old"));
    EXPECT_EQ(FindPatternText(QStringLiteral("a?c,d"), true), QStringLiteral("a?c,d"));
    // "*,x" is not a lone "*": the list keeps both.
    EXPECT_EQ(FindPatternText(QStringLiteral("*,x"), true), QStringLiteral("*,x"));

    PatternList padded;
    padded.Parse(FindPatternText(QStringLiteral("report,-old"), true));
    EXPECT_TRUE(padded.Matches(QStringLiteral("annual-report.txt")));
    EXPECT_TRUE(padded.Matches(QStringLiteral("REPORT")));
    EXPECT_TRUE(padded.Matches(QStringLiteral("old-report")));
    EXPECT_FALSE(padded.Matches(QStringLiteral("old")));
    EXPECT_FALSE(padded.Matches(QStringLiteral("summary.txt")));

    PatternList prefix;
    prefix.Parse(FindPatternText(QStringLiteral("report*"), true));
    EXPECT_TRUE(prefix.Matches(QStringLiteral("report-2024.txt")));
    EXPECT_FALSE(prefix.Matches(QStringLiteral("annual-report.txt")));
}

TEST(FindWindowsTest, DateWindowsOfBothMethods) {
    FindRequest request;
    FindCriteria criteria;
    const QDateTime now(QDate(2026, 5, 20), QTime(15, 30, 10));
    criteria.dateMethod = kDatePrevious;
    criteria.prevCount = 3;
    const std::int64_t nowSecs = now.toSecsSinceEpoch();
    for (auto [units, seconds] :
         {std::pair{int(kPrevHours), 3600LL}, std::pair{int(kPrevDays), 86400LL},
          std::pair{int(kPrevMonths), 30 * 86400LL}}) {
        criteria.prevUnits = units;
        SetFindDateWindow(request, criteria, now);
        EXPECT_EQ(request.dateUntil, nowSecs);
        EXPECT_EQ(request.dateFrom, nowSecs - 3 * seconds) << units;
    }

    criteria.dateMethod = kDateBetween;
    criteria.from = QDate(2026, 5, 1);
    criteria.until = QDate(2026, 5, 20);
    SetFindDateWindow(request, criteria, now);
    EXPECT_EQ(request.dateFrom, QDateTime(QDate(2026, 5, 1), QTime(0, 0)).toSecsSinceEpoch());
    EXPECT_EQ(request.dateUntil,
              QDateTime(QDate(2026, 5, 20), QTime(23, 59, 59)).toSecsSinceEpoch());
    criteria.from.reset();
    SetFindDateWindow(request, criteria, now);
    EXPECT_EQ(request.dateFrom, QDateTime(QDate(1900, 1, 1), QTime(0, 0)).toSecsSinceEpoch());
}

TEST(FindWindowsTest, SizeWindowsIn64Bits) {
    FindRequest request;
    FindCriteria criteria;
    criteria.kiloBytes = 2147483647;
    criteria.sizeKind = kSizeAtLeast;
    SetFindSizeWindow(request, criteria);
    EXPECT_EQ(request.sizeMin, 2147483647ULL * 1024ULL);
    EXPECT_EQ(request.sizeMax, UINT64_MAX);
    criteria.sizeKind = kSizeAtMost;
    criteria.kiloBytes = 1;
    SetFindSizeWindow(request, criteria);
    EXPECT_EQ(request.sizeMin, 0u);
    EXPECT_EQ(request.sizeMax, 1024u);
}

TEST(FindSearchTest, DateWindowIncludesBothEdgesToTheSecond) {
    TestDir dir;
    const std::int64_t from = QDateTime(QDate(2025, 1, 10), QTime(0, 0)).toSecsSinceEpoch();
    const std::int64_t until = QDateTime(QDate(2025, 1, 12), QTime(23, 59, 59)).toSecsSinceEpoch();
    ASSERT_TRUE(dir.MakeFile("before", "x", from - 1));
    ASSERT_TRUE(dir.MakeFile("first", "x", from));
    ASSERT_TRUE(dir.MakeFile("last", "x", until));
    ASSERT_TRUE(dir.MakeFile("after", "x", until + 1));
    FindCriteria criteria;
    criteria.dateMethod = kDateBetween;
    criteria.from = QDate(2025, 1, 10);
    criteria.until = QDate(2025, 1, 12);
    FindRequest request = NamedRequest(dir, QStringLiteral("*"));
    request.useDates = true;
    SetFindDateWindow(request, criteria, QDateTime::currentDateTime());
    const Hits hits = Search(request);
    EXPECT_EQ(Set(hits.paths), QSet<QByteArray>({dir.Join("first"), dir.Join("last")}));
}

TEST(FindSearchTest, SizeWindowIncludesItsEdgesAndNeverAFolder) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("empty"));
    ASSERT_TRUE(dir.MakeFile("k1023", QByteArray(1023, 'a')));
    ASSERT_TRUE(dir.MakeFile("k1024", QByteArray(1024, 'a')));
    ASSERT_TRUE(dir.MakeFile("k1025", QByteArray(1025, 'a')));
    ASSERT_TRUE(dir.MakeFolder("folder"));
    FindCriteria criteria;
    criteria.kiloBytes = 1;
    FindRequest request = NamedRequest(dir, QStringLiteral("*"));
    request.useSize = true;

    criteria.sizeKind = kSizeAtLeast;
    SetFindSizeWindow(request, criteria);
    EXPECT_EQ(Set(Search(request).paths), QSet<QByteArray>({dir.Join("k1024"), dir.Join("k1025")}));

    criteria.sizeKind = kSizeAtMost;
    SetFindSizeWindow(request, criteria);
    EXPECT_EQ(Set(Search(request).paths),
              QSet<QByteArray>({dir.Join("empty"), dir.Join("k1023"), dir.Join("k1024")}));
}

TEST(FindSearchTest, APatternFindsFoldersAndFilesAndDescentDoesNotNeedAMatch) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("annual-report.txt"));
    ASSERT_TRUE(dir.MakeFile("old"));
    ASSERT_TRUE(dir.MakeFile("other/deep/report"));
    ASSERT_TRUE(dir.MakeFolder("reports"));
    ASSERT_TRUE(dir.MakeFile(".hidden-report"));
    const Hits hits = Search(NamedRequest(dir, QStringLiteral("report,-old")));
    EXPECT_EQ(Set(hits.paths),
              QSet<QByteArray>({dir.Join("annual-report.txt"), dir.Join("other/deep/report"),
                                dir.Join("reports"), dir.Join(".hidden-report")}));
    EXPECT_EQ(hits.paths.size(), 4);
    // A folder is reported before anything below it.
    FindRequest all = NamedRequest(dir, QStringLiteral("*"));
    all.patterns.Parse(QStringLiteral("other,report"));
    const Hits ordered = Search(all);
    ASSERT_EQ(ordered.paths.size(), 2);
    EXPECT_EQ(ordered.paths.first(), dir.Join("other"));

    // Without subfolders only the folder's own entries.
    FindRequest flat = NamedRequest(dir, QStringLiteral("report"));
    flat.recursive = false;
    EXPECT_FALSE(Set(Search(flat).paths).contains(dir.Join("other/deep/report")));
    EXPECT_TRUE(Set(Search(flat).paths).contains(dir.Join("annual-report.txt")));
}

TEST(FindSearchTest, NamesWithNewlinesAndInvalidUtf8AreFoundExactly) {
    TestDir dir;
    const QByteArray newline("two\nlines.txt");
    const QByteArray invalid("bad\xff\xfe name.txt");
    ASSERT_TRUE(dir.MakeFile(newline, "needle"));
    ASSERT_TRUE(dir.MakeFile("sub/" + invalid, "needle"));
    ASSERT_TRUE(dir.MakeFile("plain.dat", "needle"));
    const Hits hits = Search(NamedRequest(dir, QStringLiteral("*.txt")));
    EXPECT_EQ(Set(hits.paths), QSet<QByteArray>({dir.Join(newline), dir.Join("sub/" + invalid)}));

    // The text test reads the file under its exact name too.
    FindRequest text = NamedRequest(dir, QStringLiteral("*"));
    text.useText = true;
    text.text = "needle";
    EXPECT_EQ(
        Set(Search(text).paths),
        QSet<QByteArray>({dir.Join(newline), dir.Join("sub/" + invalid), dir.Join("plain.dat")}));
}

TEST(FindSearchTest, ASymbolicLinkLoopEndsAndLinksAreNeverEntered) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a/f.txt"));
    ASSERT_TRUE(dir.MakeSymlink("a/up", ".."));
    ASSERT_TRUE(dir.MakeSymlink("a/self", "."));
    ASSERT_TRUE(dir.MakeSymlink("a/abs", dir.PathBytes()));
    const Hits hits = Search(NamedRequest(dir, QStringLiteral("*")));
    EXPECT_EQ(hits.outcome, FindOutcome::Done);
    EXPECT_EQ(Set(hits.paths),
              QSet<QByteArray>({dir.Join("a"), dir.Join("a/f.txt"), dir.Join("a/up"),
                                dir.Join("a/self"), dir.Join("a/abs")}));
    EXPECT_EQ(hits.paths.size(), 5);
    // Size and text tests look at the link, never through it into a folder.
    FindRequest sized = NamedRequest(dir, QStringLiteral("*"));
    sized.useSize = true;
    sized.sizeMin = 0;
    EXPECT_FALSE(Set(Search(sized).paths).contains(dir.Join("a")));
}

TEST(FindSearchTest, FoldersRemovedDuringTheSearchAreSimplyMissing) {
    TestDir dir;
    for (const char* name : {"a", "b", "c"}) {
        ASSERT_TRUE(dir.MakeFile(QByteArray(name) + "/inner/file.txt", "x"));
        ASSERT_TRUE(dir.MakeFile(QByteArray(name) + "/top.txt", "x"));
    }
    QByteArray firstEntered;
    const Hits hits =
        Search(NamedRequest(dir, QStringLiteral("*.txt")), {}, [&](const QByteArray& folder) {
            if (folder == dir.PathBytes() || !firstEntered.isEmpty())
                return;
            // The first sub-folder entered removes its
            // siblings before the walk reaches them.
            firstEntered = folder;
            for (const char* name : {"a", "b", "c"}) {
                const QByteArray other = dir.Join(name);
                if (other != folder)
                    QDir(QString::fromUtf8(other)).removeRecursively();
            }
        });
    EXPECT_EQ(hits.outcome, FindOutcome::Done);
    ASSERT_FALSE(firstEntered.isEmpty());
    EXPECT_EQ(Set(hits.paths),
              QSet<QByteArray>({firstEntered + "/top.txt", firstEntered + "/inner/file.txt"}));

    // A look-in folder that is gone by the time it is walked is passed over.
    FindRequest request = NamedRequest(dir, QStringLiteral("*.txt"));
    request.folders = {dir.Join("gone"), dir.PathBytes()};
    const Hits again = Search(request);
    EXPECT_EQ(again.outcome, FindOutcome::Done);
    EXPECT_EQ(again.paths.size(), 2);
}

TEST(FindSearchTest, TextTestSkipsFoldersNonTextFilesAndFilesWithoutTheText) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("yes.txt", "a Needle here"));
    ASSERT_TRUE(dir.MakeFile("no.txt", "nothing"));
    ASSERT_TRUE(dir.MakeFile("binary.bin", QByteArray("\0\1needle", 8)));
    ASSERT_TRUE(dir.MakeFolder("needle"));
    FindRequest request = NamedRequest(dir, QStringLiteral("*"));
    request.useText = true;
    request.text = "needle";
    EXPECT_EQ(Set(Search(request).paths), QSet<QByteArray>({dir.Join("yes.txt")}));
    request.textOptions.matchCase = true;
    EXPECT_TRUE(Search(request).paths.isEmpty());
    request.textOptions = {false, false, true};
    EXPECT_EQ(Set(Search(request).paths),
              QSet<QByteArray>({dir.Join("yes.txt"), dir.Join("binary.bin")}));
}

TEST(FindSearchTest, TheStopFlagEndsTheSearchAtOnceWithTheFoldersStillToCome) {
    TestDir dir;
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(dir.MakeFile("f" + QByteArray::number(i) + ".txt"));
    ASSERT_TRUE(dir.MakeFile("sub/deeper.txt"));
    TestDir second;
    ASSERT_TRUE(second.MakeFile("other.txt"));
    FindRequest request = NamedRequest(dir, QStringLiteral("*.txt"));
    request.folders.append(second.PathBytes());
    std::atomic<bool> stop{false};
    const Hits hits = Search(
        request, [&](Hits&) { stop = true; }, {}, &stop);
    EXPECT_EQ(hits.outcome, FindOutcome::Stopped);
    EXPECT_EQ(hits.paths.size(), 1);
    EXPECT_FALSE(hits.folders.contains(second.PathBytes()));
}

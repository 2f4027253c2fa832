#include <gtest/gtest.h>

#include "platform/store/ProfileStore.h"
#include "shell/HistoryList.h"
#include "support/TestDir.h"

namespace {

const QString kSection = QStringLiteral("Test History");

HistoryList Of(const QStringList& newestFirst, int maximum = 15) {
    HistoryList list;
    for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it) list.Add(maximum, *it);
    return list;
}

TEST(HistoryList, AddMovesEqualEntriesAndDropsTheOldest) {
    HistoryList list = Of({"x", "abc", "y"});
    list.Add(15, "abc");
    EXPECT_EQ(list.entries(), QStringList({"abc", "x", "y"}));
    list.Add(15, "ABC");  // case counts
    EXPECT_EQ(list.entries(), QStringList({"ABC", "abc", "x", "y"}));
    list.Add(15, QString());
    list.Add(15, "");
    EXPECT_EQ(list.count(), 4);

    HistoryList full = Of({"a", "b", "c"});
    full.Add(3, "n");
    EXPECT_EQ(full.entries(), QStringList({"n", "a", "b"}));
    full.Add(3, "b");  // already there: nothing is dropped
    EXPECT_EQ(full.entries(), QStringList({"b", "n", "a"}));

    EXPECT_EQ(full.First(), QStringLiteral("b"));
    EXPECT_FALSE(HistoryList().First().has_value());
}

TEST(HistoryList, LoadStopsAtGapsAndTheMaximumAndDropsRepeats) {
    TestDir dir;
    ProfileStore store(dir.Path() + "/p.ini");
    store.WriteProfileString(kSection, "0", "a");
    store.WriteProfileString(kSection, "1", "");
    store.WriteProfileString(kSection, "2", "b");
    HistoryList list = Of({"old"});
    list.Load(15, store, kSection);
    EXPECT_EQ(list.entries(), QStringList({"a"}));

    store.WriteProfileString(kSection, "1", "a");
    store.WriteProfileString(kSection, "2", "b");
    store.WriteProfileString(kSection, "3", "A");
    store.WriteProfileString(kSection, "4", "b");
    store.WriteProfileString(kSection, "5", "c");
    list.Load(15, store, kSection);
    EXPECT_EQ(list.entries(), QStringList({"a", "b", "A", "c"}));
    list.Load(3, store, kSection);  // reads "0".."2" only
    EXPECT_EQ(list.entries(), QStringList({"a", "b"}));

    list.Load(15, store, QStringLiteral("Missing History"));
    EXPECT_TRUE(list.isEmpty());
}

TEST(HistoryList, SaveWritesAtMostTheMaximumAndLeavesLaterKeys) {
    TestDir dir;
    const QString file = dir.Path() + "/p.ini";
    {
        ProfileStore store(file);
        for (int i = 0; i < 6; ++i) store.WriteProfileString(kSection, QString::number(i), "stale");
        Of({"one", "two", "three", "four"}).Save(3, store, kSection);
        ASSERT_TRUE(store.Flush());
    }
    ProfileStore reread(file);
    EXPECT_EQ(reread.GetProfileString(kSection, "0"), "one");
    EXPECT_EQ(reread.GetProfileString(kSection, "2"), "three");
    EXPECT_EQ(reread.GetProfileString(kSection, "3"), "stale");
    EXPECT_EQ(reread.GetProfileString(kSection, "5"), "stale");

    // What is saved loads back the same.
    const HistoryList saved = Of({"p/q", "a b", "ünï"});
    {
        ProfileStore store(file);
        saved.Save(15, store, QStringLiteral("Round History"));
        ASSERT_TRUE(store.Flush());
    }
    HistoryList loaded;
    loaded.Load(3, ProfileStore(file), QStringLiteral("Round History"));
    EXPECT_EQ(loaded.entries(), saved.entries());
}

}  // namespace

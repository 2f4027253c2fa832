#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "ListCtrlTestItems.h"
#include "pane/CompareItems.h"
#include "shell/CommandIds.h"

namespace {

QStringList Sorted(std::vector<FolderItem*> items, int key, bool ascending) {
    const std::uint32_t parameter = SortParameter(key, ascending);
    std::stable_sort(items.begin(), items.end(), [&](FolderItem* a, FolderItem* b) {
        return CompareItems(a, b, parameter) < 0;
    });
    return NamesOf(items);
}

// FileTime values a day apart.
constexpr FileTime kDay = 864000000000ULL;
constexpr FileTime kT0 = 133000000000000000ULL;

TEST(CompareItemsTest, FoldersFirstByNameAndDescendingPutsThemLast) {
    TestFolder folder;
    folder.Add("beta.txt");
    folder.AddFolder("Zeta");
    folder.Add("Alpha.txt");
    folder.AddFolder("docs");
    folder.Add("gamma");

    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_NAME, true),
              QStringList({"docs", "Zeta", "Alpha.txt", "beta.txt", "gamma"}));
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_NAME, false),
              QStringList({"gamma", "beta.txt", "Alpha.txt", "Zeta", "docs"}));
}

TEST(CompareItemsTest, SortsOnTheFileSystemNameNotTheDisplayName) {
    TestFolder folder;
    folder.Add("a")->displayName = "Zulu";
    folder.Add("b")->displayName = "Alpha";
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_NAME, true), QStringList({"a", "b"}));
}

TEST(CompareItemsTest, DateKeyTreatsOnlyFoldersOfSizeZeroAsFolders) {
    TestFolder folder;
    folder.Add("old.txt", 1, kT0);
    folder.AddFolder("sized", 4096, kT0 + 2 * kDay);  // its size was made known
    folder.Add("new.txt", 1, kT0 + 3 * kDay);
    folder.AddFolder("plain", 0, kT0);  // oldest of all, still first
    folder.Add("mid.txt", 1, kT0 + kDay);

    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_DATE, true),
              QStringList({"plain", "new.txt", "sized", "mid.txt", "old.txt"}));
    // Descending reverses everything, the folder of size 0 comes last.
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_DATE, false),
              QStringList({"old.txt", "mid.txt", "sized", "new.txt", "plain"}));
    // Under the size key the same rule applies; by name it is a folder.
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_SIZE, true),
              QStringList({"plain", "mid.txt", "new.txt", "old.txt", "sized"}));
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_NAME, true).mid(0, 2),
              QStringList({"plain", "sized"}));
}

TEST(CompareItemsTest, DateKeyFollowsTheChosenDate) {
    TestFolder folder;
    FolderItem* a = folder.Add("a", 0, kT0 + 5 * kDay);
    FolderItem* b = folder.Add("b", 0, kT0);
    a->times[kTimeCreated] = kT0;
    b->times[kTimeCreated] = kT0 + 5 * kDay;
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_DATE, true), QStringList({"a", "b"}));
    ScopedFileDate created(kTimeCreated);
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_DATE, true), QStringList({"b", "a"}));
}

TEST(CompareItemsTest, TypeKeyPutsNamesWithoutExtensionFirstAndBreaksTiesByName) {
    TestFolder folder;
    folder.Add("b.txt");
    folder.Add("readme");
    folder.Add("A.TXT");
    folder.Add("c.doc");
    folder.Add("Makefile");
    folder.Add("archive.tar.gz");
    folder.Add("trailing.");

    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_TYPE, true),
              QStringList({"Makefile", "readme", "trailing.", "c.doc", "archive.tar.gz", "A.TXT",
                           "b.txt"}));
}

TEST(CompareItemsTest, SizeKeySmallerFirstTiesByName) {
    TestFolder folder;
    folder.Add("big", 5000000000ULL);
    folder.Add("b", 10);
    folder.Add("a", 10);
    folder.Add("empty", 0);
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_SIZE, true), QStringList({"empty", "a", "b", "big"}));
}

TEST(CompareItemsTest, NamesDifferingOnlyInCaseTieAndKeepTheirOrder) {
    TestFolder folder;
    FolderItem* lower = folder.Add("a");
    FolderItem* upper = folder.Add("A");
    folder.Add("Ä");
    folder.Add("ä");
    EXPECT_EQ(CompareItems(lower, upper, SortParameter(ID_SORT_NAME, true)), 0);
    EXPECT_EQ(CompareItems(upper, lower, SortParameter(ID_SORT_NAME, false)), 0);

    const QStringList once = Sorted(folder.Items(), ID_SORT_NAME, true);
    EXPECT_EQ(once, QStringList({"a", "A", "Ä", "ä"}));
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_NAME, false), QStringList({"Ä", "ä", "a", "A"}));
    // The same input always gives the same order.
    EXPECT_EQ(Sorted(folder.Items(), ID_SORT_NAME, true), once);
}

TEST(CompareItemsTest, VirtualFolderOrderIgnoresKeyAndDirection) {
    TestFolder folder(SFGAO_FOLDER);  // neither file system nor descriptor
    folder.Ranked().order = {"Printers", "Mouse", "Zoom", "Audio"};
    folder.Add("Audio", 10);
    folder.AddFolder("Zoom");
    folder.Add("Mouse", 1);
    folder.Add("Printers", 99);

    const QStringList shellOrder({"Printers", "Mouse", "Zoom", "Audio"});
    for (int key : {ID_SORT_NAME, ID_SORT_TYPE, ID_SORT_SIZE, ID_SORT_DATE}) {
        EXPECT_EQ(Sorted(folder.Items(), key, true), shellOrder) << key;
        EXPECT_EQ(Sorted(folder.Items(), key, false), shellOrder) << key;
    }
}

// The keys made once must give exactly the order of the comparison, under
// every key, both directions and every date: names in many cases and
// scripts (characters whose folding differs from lower-casing, characters
// beyond 16 bits, names that differ only in case, which tie), extensions
// that differ only in case or not at all, folders with and without a size,
// sizes and dates that tie.
TEST(CompareItemsTest, SortItemsGivesTheOrderOfTheComparison) {
    const QStringList parts = {
        "a",      "A", "b", "Z", "z", "0", "9",          "_",          " ",          "-",
        "ß",      "ẞ", "İ", "ı", "i", "I", "ſ",          "s",          "S",          "\u212A",
        "k",      "K", "Σ", "σ", "ς", "É", "é",          "Ω",          "ω",          "Å",
        "\u00E5", "Я", "я", "ǅ", "ǆ", "Ǆ", "\U00010400", "\U00010428", "\U0001F600", "中",
    };
    const QStringList extensions = {"",   ".txt", ".TXT", ".Txt",       ".tar", ".gz",
                                    ".Ä", ".ä",   ".ſ",   ".s",         ".",    ".c",
                                    ".C", ".ß",   ".ss",  ".\U00010400"};
    std::mt19937 random(12);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    TestFolder folder;
    for (int i = 0; i < 600; ++i) {
        QString name;
        const int length = 1 + pick(5);
        for (int c = 0; c < length; ++c) name += parts[pick(int(parts.size()))];
        name += extensions[pick(int(extensions.size()))];
        const std::uint64_t size = std::uint64_t(pick(4)) * 100;
        const FileTime modified = kT0 + FileTime(pick(5)) * kDay;
        FolderItem* item = pick(5) == 0 ? folder.AddFolder(name, pick(2) ? 0 : size, modified)
                                        : folder.Add(name, size, modified);
        item->times[kTimeCreated] = kT0 + FileTime(pick(3)) * kDay;
        item->times[kTimeAccessed] = kT0 + FileTime(pick(3)) * kDay;
    }
    // The same names again in other cases: ties that must keep their order.
    for (int i = 0; i < 100; ++i) {
        const FolderItem* other = folder.Items()[std::size_t(pick(600))];
        folder.Add(pick(2) ? other->name.toUpper() : other->name.toLower(), other->size,
                   other->times[kTimeModified]);
    }

    for (int date : {0, 1, 2}) {
        const ScopedFileDate chosen(date);
        for (int key : {ID_SORT_NAME, ID_SORT_TYPE, ID_SORT_SIZE, ID_SORT_DATE, ID_SORT_NONE}) {
            for (bool ascending : {true, false}) {
                std::vector<FolderItem*> items = folder.Items();
                std::shuffle(items.begin(), items.end(), random);
                std::vector<FolderItem*> expected = items;
                const std::uint32_t parameter = SortParameter(key, ascending);
                std::stable_sort(expected.begin(), expected.end(),
                                 [&](FolderItem* a, FolderItem* b) {
                                     return CompareItems(a, b, parameter) < 0;
                                 });
                SortItems(items, parameter);
                ASSERT_EQ(NamesOf(items), NamesOf(expected))
                    << "key " << key << " ascending " << ascending << " date " << date;
                EXPECT_TRUE(items == expected) << "equal names keep their order";
            }
        }
    }

    // A virtual folder's own order, whatever the key.
    TestFolder virtualFolder(SFGAO_FOLDER);
    virtualFolder.Ranked().order = {"Printers", "Mouse", "Zoom", "Audio"};
    virtualFolder.Add("Audio", 10);
    virtualFolder.AddFolder("Zoom");
    virtualFolder.Add("Mouse", 1);
    virtualFolder.Add("Printers", 99);
    std::vector<FolderItem*> items = virtualFolder.Items();
    SortItems(items, SortParameter(ID_SORT_SIZE, false));
    EXPECT_EQ(NamesOf(items), QStringList({"Printers", "Mouse", "Zoom", "Audio"}));
}

}  // namespace

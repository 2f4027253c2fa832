// The order a pane shows after its sort commands, as the window runs them,
// against a stable sort by CompareItems of the rows it showed before.

#include <gtest/gtest.h>

#include <algorithm>

#include "PaneTestSupport.h"
#include "pane/CompareItems.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "support/TestDir.h"

namespace {

class PaneSortTest : public OnePaneTest<> {
protected:
    std::vector<FolderItem*> Rows() const {
        std::vector<FolderItem*> rows;
        for (int row = 0; row < pane->List()->RowCount(); ++row)
            rows.push_back(pane->List()->ItemAt(row));
        return rows;
    }

    static std::vector<QString> Names(const std::vector<FolderItem*>& items) {
        std::vector<QString> names;
        for (const FolderItem* item : items) names.push_back(item->name);
        return names;
    }
};

// Names that differ only in case (ties the sort must keep in their order),
// extensions in several cases, none, an empty one, several dots, a leading
// dot, non-ASCII letters whose folding is not plain lower-casing; folders
// with and without a known size; sizes and dates that tie. Every key, both
// directions, each date column: the window's rows must come out exactly as
// the comparison orders the rows they were in before.
TEST_F(PaneSortTest, SortCommandsGiveTheOrderOfCompareItems) {
    const std::int64_t t0 = 1600000000;
    const char* names[] = {
        "readme",   "README",     "ReadMe.txt", "readme.TXT",  "a.b.c",    "A.B.C",
        ".profile", "notes.",     "Notes",      "zeta.tar.gz", "Zeta.GZ",  "x.c",
        "X.C",      "x.cpp",      "straße.ß",   "STRASSE.ss",  "Ärger.md", "ärger.MD",
        "éclair",   "Éclair.Txt", "ǅemal",      "ǆemal.txt",   "ſ.s",      "S.S",
        "k.K",      "\u212A.k",   "10.txt",     "9.txt",       "_under",   "-dash",
        " space",   "Ω.ω",        "ω.Ω",
    };
    int i = 0;
    for (const char* name : names) {
        // Sizes and dates in few values, so many rows tie on them.
        ASSERT_TRUE(dir.MakeFile(name, QByteArray((i % 3) * 10, 'x'), t0 + (i % 4) * 3600));
        ++i;
    }
    for (const char* folder : {"docs", "Docs2", "zz folder", "Ärchiv", "a.b", "sized"})
        ASSERT_TRUE(dir.MakeFolder(folder));
    ASSERT_TRUE(pane->OpenFolder(ParsePath(dir.Path())));
    ASSERT_EQ(pane->List()->RowCount(), int(std::size(names)) + 6);
    // A folder whose size was made known sorts among the files by size and
    // date.
    FolderItem* sized = pane->Model()->FindByName(QStringLiteral("sized"));
    ASSERT_NE(sized, nullptr);
    sized->size = 10;

    PaneListCtrl& list = *pane->List();
    for (int date : {0, 1, 2}) {
        MutableGeneral().fileDateUsed = date;
        for (int key : {ID_SORT_NAME, ID_SORT_TYPE, ID_SORT_SIZE, ID_SORT_DATE}) {
            for (int flip = 0; flip < 2; ++flip) {
                std::vector<FolderItem*> expected = Rows();
                ASSERT_TRUE(list.OnCommand(flip ? ID_SORT_ASCENDING : key));
                const std::uint32_t parameter = SortParameter(list.SortKey(), list.Ascending());
                std::stable_sort(expected.begin(), expected.end(),
                                 [&](FolderItem* a, FolderItem* b) {
                                     return CompareItems(a, b, parameter) < 0;
                                 });
                const std::vector<FolderItem*> shown = Rows();
                ASSERT_EQ(Names(shown), Names(expected))
                    << "key " << key << " ascending " << list.Ascending() << " date " << date;
                EXPECT_TRUE(shown == expected) << "names that tie keep their order";
            }
        }
    }
    // Descending by name: files Z..A first, folders last.
    list.OnCommand(ID_SORT_NAME);
    if (list.Ascending())
        list.OnCommand(ID_SORT_ASCENDING);
    const std::vector<FolderItem*> rows = Rows();
    const auto firstFolder = std::find_if(rows.begin(), rows.end(), [](const FolderItem* item) {
        return (item->attributes & SFGAO_FOLDER) != 0;
    });
    EXPECT_EQ(
        std::count_if(firstFolder, rows.end(),
                      [](const FolderItem* item) { return !(item->attributes & SFGAO_FOLDER); }),
        0);
    EXPECT_EQ(rows.back()->name, QStringLiteral("a.b"));
}

// A header click on a list already ascending under the new key reverses
// it; the order is that of the comparison in both directions.
TEST_F(PaneSortTest, HeaderClickReversesAnAscendingList) {
    for (const char* name : {"b.txt", "B.txt", "a.c", "c"}) ASSERT_TRUE(dir.MakeFile(name, "x"));
    ASSERT_TRUE(dir.MakeFolder("f"));
    pane->List()->SetSortKey(ID_SORT_NAME);
    ASSERT_TRUE(pane->OpenFolder(ParsePath(dir.Path())));
    std::vector<FolderItem*> expected = Rows();
    EXPECT_EQ(expected.front()->name, QStringLiteral("f"));
    pane->List()->HeaderClicked(0);
    EXPECT_FALSE(pane->List()->Ascending());
    // Names that tie (b.txt, B.txt) keep their order in both directions.
    std::stable_sort(expected.begin(), expected.end(), [](FolderItem* a, FolderItem* b) {
        return CompareItems(a, b, SortParameter(ID_SORT_NAME, false)) < 0;
    });
    const std::vector<FolderItem*> reversed = Rows();
    EXPECT_TRUE(reversed == expected);
    EXPECT_EQ(reversed.back()->name, QStringLiteral("f"));
}

}  // namespace

// The quick filter: typing narrows the pane's rows to the names that contain
// the text (case-blind, wildcards inside), in the order they had, folders
// kept; Escape brings back the filter and the rows of before; a hidden row is
// never selected; a refresh while the field is open lists what is on disk.

#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "PaneTestSupport.h"
#include "pane/PaneQuickFilter.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "support/TestDir.h"

namespace {

class QuickFilterTest : public OnePaneTest<> {
protected:
    void SetUp() override {
        MutableGeneral().autoReSort = false;
        OnePaneTest::SetUp();
        pane->List()->SetSortKey(ID_SORT_NAME);
        pane->List()->SetAscending(true);
        tester = std::make_unique<QAbstractItemModelTester>(
            pane->List()->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        ASSERT_TRUE(dir.MakeFile("Alpha.txt", "aaaa"));
        ASSERT_TRUE(dir.MakeFile("beta.TXT", "bb"));
        ASSERT_TRUE(dir.MakeFile("gamma.log", "g"));
        ASSERT_TRUE(dir.MakeFile("delta.txt", "ddddddd"));
        ASSERT_TRUE(dir.MakeFolder("sub"));
    }
    void TearDown() override {
        tester.reset();
        OnePaneTest::TearDown();
    }

    bool Open() { return OpenUnwatched(*pane, dir); }  // the tests refresh by hand
    std::uint64_t ListedSizes() {
        std::uint64_t total = 0;
        for (int row = 0; row < pane->List()->RowCount(); ++row)
            total += pane->List()->ItemAt(row)->size;
        return total;
    }
    PaneQuickFilter& Quick() { return *pane->QuickFilter(); }

    std::unique_ptr<QAbstractItemModelTester> tester;
};

using Names = std::vector<QString>;

TEST(QuickFilterPattern, TypedTextStandsForNamesThatContainIt) {
    EXPECT_EQ(PaneQuickFilter::PatternTextFor(QStringLiteral("abc")), QStringLiteral("*abc*"));
    EXPECT_EQ(PaneQuickFilter::PatternTextFor(QStringLiteral(" a?c , -bak ")),
              QStringLiteral("*a?c*,-*bak*"));
    EXPECT_EQ(PaneQuickFilter::PatternTextFor(QStringLiteral(" , ,")), kNoFilter);
    EXPECT_EQ(PaneQuickFilter::PatternTextFor(QStringLiteral("-")), kNoFilter);
}

// Typing narrows case-blind, with wildcards, keeping the sorted order and
// the folders; the filter, the caption and the listed total follow; an
// empty text brings every row back in the order of before.
TEST_F(QuickFilterTest, TypingNarrowsInOrderAndClearingWidensAgain) {
    ASSERT_TRUE(Open());
    const Names all = RowNames(*pane);
    ASSERT_EQ(all, (Names{"sub", "Alpha.txt", "beta.TXT", "delta.txt", "gamma.log"}));

    ASSERT_TRUE(pane->OnCommand(ID_QUICK_FILTER));
    ASSERT_TRUE(Quick().IsOpen());
    QTest::keyClicks(Quick().Field(), QStringLiteral("TXT"));
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "Alpha.txt", "beta.TXT", "delta.txt"}));
    EXPECT_EQ(pane->FilterText(), QStringLiteral("*TXT*"));
    EXPECT_TRUE(pane->CaptionText().contains(QStringLiteral("[*TXT*]")));
    EXPECT_EQ(pane->listedTotal(), ListedSizes());
    EXPECT_EQ(pane->Model()->FindByName(QStringLiteral("gamma.log"))->listState, kListHidden);

    Quick().SetText(QStringLiteral("l?h"));
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "Alpha.txt"}));
    EXPECT_EQ(pane->listedTotal(), ListedSizes());

    Quick().SetText(QString());
    EXPECT_EQ(RowNames(*pane), all);
    EXPECT_EQ(pane->FilterText(), kNoFilter);
    EXPECT_EQ(pane->listedTotal(), ListedSizes());
}

// Escape: the field closes, the pane's filter of before is back with its
// rows in their order; marks of rows that stayed listed are kept, a row
// that was hidden lost its mark and no hidden item was ever selected.
TEST_F(QuickFilterTest, EscapeRestoresTheFilterAndHiddenRowsAreNeverSelected) {
    ASSERT_TRUE(pane->SetFilter(QStringLiteral("*.txt")));
    ASSERT_TRUE(Open());
    const Names before = RowNames(*pane);
    ASSERT_EQ(before, (Names{"sub", "Alpha.txt", "beta.TXT", "delta.txt"}));
    PaneListCtrl& list = *pane->List();
    list.SelectRow(RowOf("Alpha.txt"), true);
    list.SelectRow(RowOf("delta.txt"), true);
    list.SetFocusedRow(RowOf("delta.txt"), false);

    pane->OnCommand(ID_QUICK_FILTER);
    QTest::keyClicks(Quick().Field(), QStringLiteral("alp"));
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "Alpha.txt"}));
    const std::vector<FolderItem*> selected = list.SelectedItems();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected.front()->name, QStringLiteral("Alpha.txt"));
    EXPECT_GE(list.FocusedRow(), 0);  // the focus went to a listed row

    QTest::keyClick(Quick().Field(), Qt::Key_Escape);
    EXPECT_FALSE(Quick().IsOpen());
    EXPECT_EQ(pane->FilterText(), QStringLiteral("*.txt"));
    EXPECT_EQ(RowNames(*pane), before);
    EXPECT_TRUE(list.IsRowSelected(RowOf("Alpha.txt")));
    EXPECT_FALSE(list.IsRowSelected(RowOf("delta.txt")));
    EXPECT_EQ(RowOf("gamma.log"), -1);
    EXPECT_EQ(pane->listedTotal(), ListedSizes());
    EXPECT_TRUE(VisualFilterHistory().entries().isEmpty() ||
                !VisualFilterHistory().entries().contains(QStringLiteral("*alp*")));
}

// Return keeps the typed filter and puts it in the history; files made and
// removed while the field is open (a hidden one among them) are what the
// rows show after a refresh and a further keystroke.
TEST_F(QuickFilterTest, RefreshWhileOpenAndReturnKeepsTheFilter) {
    ASSERT_TRUE(Open());
    pane->OnCommand(ID_QUICK_FILTER);
    QTest::keyClicks(Quick().Field(), QStringLiteral("ta"));
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "beta.TXT", "delta.txt"}));

    // A hidden file goes: no row tells of it.
    ASSERT_EQ(::unlink(dir.Join("gamma.log").constData()), 0);
    ASSERT_TRUE(pane->RefreshPane(false, nullptr));
    QTest::keyClick(Quick().Field(), Qt::Key_Backspace);  // "t"
    QTest::keyClick(Quick().Field(), Qt::Key_Backspace);  // ""
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "Alpha.txt", "beta.TXT", "delta.txt"}));

    // A file comes and a listed one goes.
    QTest::keyClicks(Quick().Field(), QStringLiteral("ta"));
    ASSERT_TRUE(dir.MakeFile("zeta.md", "z"));
    ASSERT_EQ(::unlink(dir.Join("beta.TXT").constData()), 0);
    ASSERT_TRUE(pane->RefreshPane(false, nullptr));
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "delta.txt", "zeta.md"}));
    QTest::keyClick(Quick().Field(), Qt::Key_Backspace);  // "t"
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "Alpha.txt", "delta.txt", "zeta.md"}));
    QTest::keyClick(Quick().Field(), Qt::Key_Backspace);  // ""
    QTest::keyClicks(Quick().Field(), QStringLiteral("ALP"));
    QTest::keyClick(Quick().Field(), Qt::Key_Return);
    EXPECT_FALSE(Quick().IsOpen());
    EXPECT_EQ(pane->FilterText(), QStringLiteral("*ALP*"));
    EXPECT_EQ(RowNames(*pane), (Names{"sub", "Alpha.txt"}));
    ASSERT_FALSE(VisualFilterHistory().entries().isEmpty());
    EXPECT_EQ(VisualFilterHistory().entries().front(), QStringLiteral("*ALP*"));
}

}  // namespace

#include <gtest/gtest.h>

#include <QApplication>

#include "ListCtrlTestItems.h"
#include "pane/PaneRowModel.h"
#include "pane/TypeAheadSearch.h"
#include "support/ScriptedPrompter.h"

namespace {

class TypeAheadSearchTest : public ::testing::Test {
protected:
    void Fill(std::initializer_list<const char*> names) {
        for (const char* name : names) model.Append(folder.Add(QString::fromUtf8(name)), false);
    }

    ScopedPrompter prompter;
    TestFolder folder;
    PaneRowModel model;
    TypeAheadSearch search{&model};
};

// Shift letters: anywhere in the label, after the focused row first, then
// from the top up to the focused row itself; a miss beeps and keeps the
// letters, a pause of more than a second (or a clock that went backwards)
// starts afresh.
TEST_F(TypeAheadSearchTest, ContainsSearchesAfterTheFocusThenFromTheTop) {
    Fill({"Report", "tape", "apex", "draft"});
    EXPECT_EQ(search.Contains('A', 1000, 1), 2) << "apex: the first after row 1";
    EXPECT_EQ(search.Contains('P', 1500, 2), 1) << "AP: wraps to tape before apex itself";
    EXPECT_EQ(search.Contains('E', 2000, 1), 2) << "APE";
    EXPECT_EQ(search.Contains('X', 2500, 2), 2) << "APEX: the focused row is searched last";
    EXPECT_TRUE(prompter->Beeps().empty());
    EXPECT_EQ(search.Contains('Z', 3000, 1), -1) << "APEXZ";
    ASSERT_EQ(prompter->Beeps().size(), 1);
    EXPECT_EQ(prompter->Beeps()[0], BeepKind::Exclamation);

    // 1,001 ms later: "R" alone, found after the focus in "draft".
    EXPECT_EQ(search.Contains('R', 4001, 1), 3);
    // Time going backwards counts as a pause: "O" alone, in "Report".
    EXPECT_EQ(search.Contains('O', 100, 3), 0);
    // No focus: from the top only.
    EXPECT_EQ(search.Contains('D', 50000, -1), 3);
    // Pending rows are searched too.
    model.Append(folder.Add("zulu"), true);
    EXPECT_EQ(search.Contains('Z', 60000, 0), 4);
}

// Plain text: at the start of the label, case-blind, wrapping round; a new
// search starts after the focused row, a longer one may stay on it. Reset
// forgets the letters of both searches.
TEST_F(TypeAheadSearchTest, PrefixNarrowsInPlaceAndResetStartsAfresh) {
    Fill({"top", "tar", "Toe", "other"});
    EXPECT_EQ(search.Prefix("t", 1000, 0), 1) << "a new search looks past the focus";
    EXPECT_EQ(search.Prefix("o", 1010, 1), 2) << "to: the longer search moves on to Toe";
    EXPECT_EQ(search.Prefix("p", 1020, 2), 0) << "top: wraps round";
    EXPECT_EQ(search.Prefix("x", 1030, 0), -1) << "topx: nowhere";
    EXPECT_TRUE(prompter->Beeps().empty()) << "a prefix miss is silent";

    // Typed quickly but after a Reset: "o" alone.
    search.Reset();
    EXPECT_EQ(search.Prefix("o", 1040, 0), 3);
    // The Shift search keeps letters of its own and is reset too.
    EXPECT_EQ(search.Contains('T', 1050, 0), 1);
    search.Reset();
    EXPECT_EQ(search.Contains('R', 1060, 1), 3) << "R, not TR";
    EXPECT_EQ(prompter->Beeps().size(), 0u);

    PaneRowModel empty;
    TypeAheadSearch none(&empty);
    EXPECT_EQ(none.Prefix("a", 1, -1), -1);
    EXPECT_EQ(none.Contains('A', 1, -1), -1);
}

// A key event without a time (a synthetic one) reads the search's clock:
// letters within an interval of it go on the same search, a pause of more
// than the interval, or a clock that went backwards, starts afresh.
TEST_F(TypeAheadSearchTest, EventsWithoutATimeReadTheClock) {
    Fill({"top", "tar", "other", "pa"});
    unsigned long now = 5000;
    search.SetClock([&] { return now; });
    EXPECT_EQ(search.Prefix("t", 0, 0), 1);
    EXPECT_EQ(search.Prefix("o", 0, 1), 0) << "to: the clock stood still";
    now += (unsigned long)QApplication::keyboardInputInterval() + 1;
    EXPECT_EQ(search.Prefix("o", 0, 0), 2) << "o alone after the pause";

    EXPECT_EQ(search.Contains('A', 0, 0), 1);
    now += TypeAheadSearch::kContainsResetMs;  // not more than the interval
    EXPECT_EQ(search.Contains('R', 0, 1), 1) << "AR";
    now += TypeAheadSearch::kContainsResetMs + 1;
    EXPECT_EQ(search.Contains('P', 0, 1), 3) << "P alone, not ARP";
    now -= 10;
    EXPECT_EQ(search.Contains('T', 0, 3), 0) << "T alone: the clock went back";
    EXPECT_TRUE(prompter->Beeps().empty());
}

}  // namespace

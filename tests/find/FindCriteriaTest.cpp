// The checks of "&Find" in their order, the run-wide criteria and their
// stored form, and the date fields' exchange.

#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include "find/FindCriteria.h"
#include "platform/store/ProfileStore.h"
#include "shell/HistoryList.h"
#include "support/TestDir.h"
#include "tools/TextScan.h"

namespace {

const QDate kToday(2026, 3, 14);

class FindCriteriaTest : public ::testing::Test {
protected:
    void SetUp() override {
        criteria.Load(store, kToday);
        values.lookIn = dir.Path();
        values.untilText = FormatFindDate(kToday);
    }
    void TearDown() override {
        FindLookInHistory().Clear();
        GrepFindHistory().Clear();
        GrepTypesHistory().Clear();
    }

    // The checks with a resolver that accepts the test folder and "/".
    std::optional<FindCheckFailure> Check() {
        return CheckFindValues(
            values, criteria, kToday,
            [this](const QString& entry) -> std::optional<QString> {
                if (entry == dir.Path() || entry == QStringLiteral("/"))
                    return entry;
                return std::nullopt;
            },
            &checked);
    }

    QTemporaryDir storeDir;
    ProfileStore store{storeDir.filePath(QStringLiteral("p.ini"))};
    TestDir dir;
    FindCriteria criteria;
    FindDialogValues values;
    FindChecked checked;
};

}  // namespace

TEST_F(FindCriteriaTest, APatternOfStarAloneWithNothingElseIsRefusedAndEmptyIsStar) {
    for (const QString& named : {QStringLiteral("*"), QString(), QStringLiteral("  ")}) {
        values.named = named;
        values.recursive = true;
        const auto failure = Check();
        ASSERT_TRUE(failure) << named.toStdString();
        EXPECT_EQ(failure->message, FindTexts::kUnconstrained);
        EXPECT_TRUE(failure->warning);
        EXPECT_EQ(failure->control, FindControl::Named);
        EXPECT_EQ(values.named, QStringLiteral("*"));
    }
    // Any constraint that stays on lets "*" through.
    values.useSize = true;
    values.kiloBytes = 1;
    EXPECT_FALSE(Check());
    EXPECT_TRUE(checked.useSize);
    EXPECT_EQ(checked.named, QStringLiteral("*"));
}

TEST_F(FindCriteriaTest, BetweenWithEmptyDatesOrATimeOnlyDropsTheDateConstraint) {
    values.named = QStringLiteral("*");
    values.useDates = true;
    values.dateMethod = kDateBetween;
    for (const QString& from : {QString(), QStringLiteral("10:30"), QStringLiteral(" 23:59:01 ")}) {
        values.fromText = from;
        values.untilText = QString();
        const auto failure = Check();
        ASSERT_TRUE(failure) << from.toStdString();
        EXPECT_EQ(failure->message, FindTexts::kUnconstrained) << from.toStdString();
        EXPECT_FALSE(criteria.from);
    }
    // An until date of today alone constrains nothing either.
    values.fromText.clear();
    values.untilText = FormatFindDate(kToday);
    values.named = QStringLiteral("x");
    EXPECT_FALSE(Check());
    EXPECT_FALSE(checked.useDates);
    // An earlier until date alone does.
    values.untilText = FormatFindDate(kToday.addDays(-3));
    EXPECT_FALSE(Check());
    EXPECT_TRUE(checked.useDates);
    // A from date alone gets today as its until date.
    values.fromText = FormatFindDate(kToday.addDays(-9));
    values.untilText = QStringLiteral("   ");
    EXPECT_FALSE(Check());
    EXPECT_TRUE(checked.useDates);
    EXPECT_EQ(criteria.until, kToday);
    EXPECT_EQ(values.untilText, FormatFindDate(kToday));
}

TEST_F(FindCriteriaTest, DatesAreCheckedForFormatAndOrder) {
    values.named = QStringLiteral("a");
    values.useDates = true;
    values.fromText = QStringLiteral("no date");
    auto failure = Check();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, FindTexts::kDateFormat.arg(FindDateFormat()));
    EXPECT_FALSE(failure->warning);
    EXPECT_EQ(failure->control, FindControl::FromDate);

    values.fromText = FormatFindDate(kToday.addDays(2));
    values.untilText = FormatFindDate(kToday);
    failure = Check();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, FindTexts::kFromAfterUntil);
    EXPECT_EQ(failure->control, FindControl::UntilDate);

    // The same day at both ends is a window of one day.
    values.fromText = FormatFindDate(kToday);
    EXPECT_FALSE(Check());
    EXPECT_TRUE(checked.useDates);
}

TEST_F(FindCriteriaTest, DateFieldsRoundTripThroughTheLocaleFormat) {
    const QDate day(2024, 2, 29);
    const DateTake taken = TakeFindDate(FormatFindDate(day));
    EXPECT_TRUE(taken.ok);
    EXPECT_EQ(taken.date, day);
    EXPECT_EQ(TakeFindDate(QStringLiteral("2024-02-29")).date, day);
    EXPECT_FALSE(TakeFindDate(QStringLiteral("31 of Smarch")).ok);
    EXPECT_TRUE(TakeFindDate(QStringLiteral("9:05")).ok);
    EXPECT_FALSE(TakeFindDate(QStringLiteral("9:05")).date);
    EXPECT_EQ(FormatFindDate(std::nullopt), QString());
    // The year is shown whole, never as two ambiguous digits.
    EXPECT_TRUE(FormatFindDate(day).contains(QStringLiteral("2024")));
}

TEST_F(FindCriteriaTest, PreviousZeroAndSizeZeroDropTheirConstraints) {
    values.named = QStringLiteral("*");
    values.useDates = true;
    values.dateMethod = kDatePrevious;
    values.prevCount = 0;
    values.prevUnits = kPrevDays;
    auto failure = Check();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, FindTexts::kUnconstrained);

    values.useDates = false;
    values.useSize = true;
    values.kiloBytes = 0;
    for (int kind : {kSizeAtLeast, kSizeAtMost}) {
        values.sizeKind = kind;
        failure = Check();
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->message, FindTexts::kUnconstrained);
    }
    values.named = QStringLiteral("x");
    EXPECT_FALSE(Check());
    EXPECT_FALSE(checked.useSize);
    EXPECT_FALSE(checked.useDates);

    values.useDates = true;
    values.prevCount = 2;
    EXPECT_FALSE(Check());
    EXPECT_TRUE(checked.useDates);
}

TEST_F(FindCriteriaTest, LookInIsCheckedFirstAndKeptInItsNormalForm) {
    values.named = QStringLiteral("*");  // would fail later
    values.lookIn = QStringLiteral("   ");
    auto failure = Check();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, FindTexts::kLookInEmpty);
    EXPECT_EQ(failure->control, FindControl::LookIn);

    values.lookIn = QStringLiteral(" , ,");
    failure = Check();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, FindTexts::kRootInvalid);

    values.lookIn = dir.Path() + QStringLiteral(", /nowhere/at/all");
    failure = Check();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, FindTexts::kSomeFolderInvalid);

    // A blank entry between two commas is left out.
    values.named = QStringLiteral("a");
    values.lookIn = dir.Path() + QStringLiteral(" ,, /");
    EXPECT_FALSE(Check());
    EXPECT_EQ(values.lookIn, dir.Path() + QStringLiteral(",/"));
    EXPECT_EQ(checked.folders, QStringList({dir.Path(), QStringLiteral("/")}));
}

TEST_F(FindCriteriaTest, TextConstraintNeedsATextAndTheRunKeepsValuesOfAFailedFind) {
    values.named = QStringLiteral("a");
    values.useText = true;
    values.recursive = false;
    values.kiloBytes = 77;
    values.prevUnits = kPrevMonths;
    values.dateMethod = kDatePrevious;
    const auto failure = Check();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, FindTexts::kNoText);
    EXPECT_EQ(failure->control, FindControl::FindWhat);
    EXPECT_FALSE(criteria.recursive);
    EXPECT_EQ(criteria.kiloBytes, 77);
    EXPECT_EQ(criteria.prevUnits, kPrevMonths);
    EXPECT_EQ(criteria.dateMethod, kDatePrevious);

    values.findWhat = QStringLiteral("needle");
    EXPECT_FALSE(Check());
    EXPECT_TRUE(checked.useText);
    AddFindHistories(checked);
    EXPECT_EQ(FindLookInHistory().First(), dir.Path());
    EXPECT_EQ(GrepFindHistory().First(), QStringLiteral("needle"));
    EXPECT_EQ(GrepTypesHistory().First(), QStringLiteral("a"));
}

TEST_F(FindCriteriaTest, StoredValuesOutOfRangeReadAsTheirDefaults) {
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kPrevUnits, 7);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kPrevCount, -4);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kKiloBytes, -1);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kRecursive, 0);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kSizeConstraint, 1);
    FindCriteria loaded;
    loaded.Load(store, kToday);
    EXPECT_EQ(loaded.prevUnits, kPrevHours);
    EXPECT_EQ(loaded.prevCount, 1);
    EXPECT_EQ(loaded.kiloBytes, 10);
    EXPECT_FALSE(loaded.recursive);
    EXPECT_EQ(loaded.sizeKind, kSizeAtMost);
    EXPECT_FALSE(loaded.from);
    EXPECT_EQ(loaded.until, kToday);

    store.WriteProfileInt(kFindSettingsSection, FindKeys::kPrevUnits, 2);
    loaded.Load(store, kToday);
    EXPECT_EQ(loaded.prevUnits, kPrevMonths);

    // What is saved reads back the same.
    loaded.prevCount = 5;
    loaded.kiloBytes = 300;
    loaded.dateMethod = kDatePrevious;
    loaded.autoPad = false;
    loaded.Save(store);
    FindCriteria again;
    again.Load(store, kToday);
    EXPECT_EQ(again.prevCount, 5);
    EXPECT_EQ(again.kiloBytes, 300);
    EXPECT_EQ(again.dateMethod, kDatePrevious);
    EXPECT_FALSE(again.autoPad);
    EXPECT_EQ(again.prevUnits, kPrevMonths);
}

TEST_F(FindCriteriaTest, TheProgramsResolverTakesExistingFoldersOnly) {
    ASSERT_TRUE(dir.MakeFile("file.txt", "x"));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    EXPECT_EQ(ResolveLookInEntry(dir.Path() + QStringLiteral("/sub/")),
              dir.Path() + QStringLiteral("/sub"));
    EXPECT_FALSE(ResolveLookInEntry(dir.Path() + QStringLiteral("/file.txt")));
    EXPECT_FALSE(ResolveLookInEntry(dir.Path() + QStringLiteral("/missing")));
    EXPECT_FALSE(ResolveLookInEntry(QStringLiteral("  ")));
}

TEST_F(FindCriteriaTest, AllLocalVolumesAreJoinedByCommasWithoutBlanks) {
    const QString text = AllLocalVolumesText();
    EXPECT_FALSE(text.contains(u' '));
    EXPECT_FALSE(text.startsWith(u',') || text.endsWith(u','));
    for (const QString& root : text.split(u',', Qt::SkipEmptyParts))
        EXPECT_TRUE(root.startsWith(u'/')) << root.toStdString();
}

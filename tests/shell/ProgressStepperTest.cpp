// The stepping rule of long operations: when the status bar's bar moves on
// by a tenth, item by item.
#include <gtest/gtest.h>

#include <QList>

#include "shell/ProgressStepper.h"

namespace {

// Runs the rule over `count` items; the items at which a step falls due.
QList<int> StepsAt(std::size_t count) {
    ProgressStepper stepper(count);
    QList<int> at;
    for (std::size_t item = 1; item <= count; ++item) {
        if (stepper.Advance())
            at.append(int(item));
    }
    EXPECT_EQ(stepper.Steps(), at.size());
    return at;
}

TEST(ProgressStepper, ThreeItemsStepThriceAndTwoHundredStepEveryTwentieth) {
    ProgressStepper three(3);
    EXPECT_NEAR(three.Increment(), 100.0 / 3, 1e-9);
    const double expected[] = {100.0 / 3 - 10, 200.0 / 3 - 20, 100.0 - 30};
    for (double accumulator : expected) {
        EXPECT_TRUE(three.Advance());
        EXPECT_NEAR(three.Accumulator(), accumulator, 1e-9);
    }
    // At most one step per item: three items end three tenths along.
    EXPECT_EQ(StepsAt(3), (QList<int>{1, 2, 3}));
    EXPECT_EQ(StepsAt(200), (QList<int>{20, 40, 60, 80, 100, 120, 140, 160, 180, 200}));
    // Nine items step nine times; nothing at all for none.
    EXPECT_EQ(StepsAt(9).size(), 9);
    EXPECT_TRUE(StepsAt(0).isEmpty());
    ProgressStepper none(0);
    EXPECT_EQ(none.Increment(), 0.0);
    EXPECT_FALSE(none.Advance());
}

TEST(ProgressStepper, ManyItemsEndFullOrOneTenthShortNeverPast) {
    // The accumulator is floating point: 1000 items fall a hair short of the
    // last tenth, which is the rule's, and nothing ever steps past the end.
    for (std::size_t count : {10u, 11u, 30u, 97u, 1000u, 4099u, 100000u}) {
        const QList<int> at = StepsAt(count);
        EXPECT_GE(at.size(), 9) << count << " items";
        EXPECT_LE(at.size(), 10) << count << " items";
    }
    EXPECT_EQ(StepsAt(10), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(StepsAt(1000).size(), 9);
    EXPECT_EQ(StepsAt(4099).size(), 10);
}

}  // namespace

// The long-operation service: what reaches the sink, in which order, and
// that no sink means no bar and no Escape.
#include <gtest/gtest.h>

#include <QStringList>

#include "shell/LongOperation.h"
#include "shell/ProgressStepper.h"

namespace {

// Records every call of the service and answers polls from a script.
class LongOperationTest : public ::testing::Test {
protected:
    LongOperationTest() {
        ProgressSink sink;
        sink.begin = [this](const QString& caption) { events.append("begin " + caption); };
        sink.step = [this] { events.append(QStringLiteral("step")); };
        sink.poll = [this](bool orQuit) {
            ++polls;
            events.append(orQuit ? QStringLiteral("poll or quit") : QStringLiteral("poll"));
            return polls == escapeAtPoll;
        };
        sink.end = [this] { events.append(QStringLiteral("end")); };
        m_previous = SetProgressSink(std::move(sink));
    }
    ~LongOperationTest() override { SetProgressSink(std::move(m_previous)); }

    // A tool's loop as the header shows it; the items it got through.
    int Shred(int items) {
        LongOperation operation(QStringLiteral("Shreding... (ESC to abort)"));
        ProgressStepper stepper{std::size_t(items)};
        int done = 0;
        for (int item = 0; item < items; ++item) {
            if (stepper.Advance())
                operation.Step();
            ++done;
            if (operation.PollEscape())
                break;
        }
        return done;
    }

    QStringList events;
    int polls = 0;
    int escapeAtPoll = -1;

private:
    ProgressSink m_previous;
};

TEST_F(LongOperationTest, TheSinkGetsBeginStepsPollsAndEndInOrder) {
    EXPECT_EQ(Shred(20), 20);
    QStringList expected{QStringLiteral("begin Shreding... (ESC to abort)")};
    for (int item = 1; item <= 20; ++item) {
        if (item % 2 == 0)
            expected.append(QStringLiteral("step"));
        expected.append(QStringLiteral("poll"));
    }
    expected.append(QStringLiteral("end"));
    EXPECT_EQ(events, expected);

    // The free functions are the same service, one call each.
    events.clear();
    BeginProgress(QStringLiteral("Splitting..."));
    StepProgress();
    EXPECT_FALSE(PollProgressEscapeOrQuit());
    EndProgress();
    EXPECT_EQ(events, (QStringList{QStringLiteral("begin Splitting..."), QStringLiteral("step"),
                                   QStringLiteral("poll or quit"), QStringLiteral("end")}));
}

TEST_F(LongOperationTest, EscapeStopsTheLoopAndTheBarStillGoes) {
    escapeAtPoll = 3;
    EXPECT_EQ(Shred(50), 3);
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first(), QStringLiteral("begin Shreding... (ESC to abort)"));
    EXPECT_EQ(events.last(), QStringLiteral("end"));
    EXPECT_EQ(events.count(QStringLiteral("end")), 1);
    EXPECT_EQ(events.count(QStringLiteral("poll")), 3);
    // 50 items step every fifth: none yet after three.
    EXPECT_EQ(events.count(QStringLiteral("step")), 0);
}

TEST_F(LongOperationTest, WithoutASinkNothingHappensAndEscapeIsNeverSeen) {
    const ProgressSink mine = SetProgressSink({});
    escapeAtPoll = 1;
    EXPECT_EQ(Shred(25), 25) << "no sink, no Escape: the operation runs to its end";
    EXPECT_FALSE(PollProgressEscape());
    EXPECT_FALSE(PollProgressEscapeOrQuit());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(polls, 0);

    // A sink that shows only steps: the other calls do nothing.
    ProgressSink stepsOnly;
    int steps = 0;
    stepsOnly.step = [&] { ++steps; };
    const ProgressSink none = SetProgressSink(stepsOnly);
    EXPECT_FALSE(none.begin || none.step || none.poll || none.end);
    EXPECT_EQ(Shred(10), 10);
    EXPECT_EQ(steps, 10);

    // Putting the first sink back restores it whole.
    SetProgressSink(mine);
    EXPECT_EQ(Shred(1), 1);
    EXPECT_EQ(events.first(), QStringLiteral("begin Shreding... (ESC to abort)"));
    EXPECT_EQ(events.last(), QStringLiteral("end"));
}

}  // namespace

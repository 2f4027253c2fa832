// Task threads that must not outlive the program: waited for all at once,
// by the destructor, and (for launches) when the application quits; a group
// with an exit wait does not hang on a task that never ends.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/thread/ThreadGroup.h"
#include "support/Gate.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

// Work that takes a while after the gate, so that a missing wait shows.
void Busy() {
    volatile std::uint64_t sum = 0;
    for (std::uint64_t i = 0; i < 3000000; ++i) sum = sum + i;
}

TEST(ThreadGroup, WaitAllJoinsEveryTaskAndALimitedWaitSaysSomeStillRun) {
    ThreadGroup group;
    Gate gate;
    std::atomic<int> done = 0;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(group.Run([&] {
            gate.Wait();
            Busy();
            ++done;
        }));
    }
    EXPECT_EQ(group.Running(), 4u);
    EXPECT_FALSE(group.WaitAll(0ms));
    EXPECT_EQ(group.Running(), 4u);
    gate.Open();
    EXPECT_TRUE(group.WaitAll());
    EXPECT_EQ(done, 4);
    EXPECT_EQ(group.Running(), 0u);

    // Tasks run after a wait are waited for like the first ones.
    EXPECT_TRUE(group.Run([&] {
        Busy();
        ++done;
    }));
    EXPECT_TRUE(group.WaitAll());
    EXPECT_EQ(done, 5);
    EXPECT_TRUE(group.WaitAll(0ms)) << "nothing runs: nothing to wait for";
}

TEST(ThreadGroup, DestructionWaitsForTheTasksStillRunning) {
    std::atomic<int> done = 0;
    Gate gate;
    {
        ThreadGroup group;
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(group.Run([&] {
                gate.Wait();
                Busy();
                ++done;
            }));
        }
        gate.Open();
    }
    EXPECT_EQ(done, 4) << "a task still ran after its group was destroyed";
}

TEST(ThreadGroup, AnExitWaitLeavesATaskThatNeverEndsBehind) {
    // The task owns its state, as a task of such a group must.
    struct Shared {
        Gate gate;
        std::atomic<bool> ended = false;
    };
    auto shared = std::make_shared<Shared>();
    {
        ThreadGroup group(1ms);
        ASSERT_TRUE(group.Run([shared] {
            shared->gate.Wait();
            shared->ended = true;
        }));
        EXPECT_EQ(group.Running(), 1u);
    }  // Does not hang: the task is left behind.
    EXPECT_FALSE(shared->ended);
    // Released later, it ends on its own without its group.
    shared->gate.Open();
    SpinFor([&] { return shared->ended.load(); }, 20000, 0);
    EXPECT_TRUE(shared->ended);
}

TEST(LaunchThreads, AreWaitedForWhenTheApplicationQuits) {
    Gate gate;
    std::atomic<bool> done = false;
    ASSERT_TRUE(LaunchThreads().Run([&] {
        gate.Wait();
        Busy();
        done = true;
    }));
    EXPECT_EQ(LaunchThreads().Running(), 1u);
    QTimer::singleShot(0, [&] {
        gate.Open();
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    EXPECT_TRUE(done) << "a launch was still running after the application quit";
    EXPECT_EQ(LaunchThreads().Running(), 0u);
}

}  // namespace

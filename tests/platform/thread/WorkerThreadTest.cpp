// The worker helper: reports reach the owner's thread in order, a stop ends
// the job, a replaced or cancelled job's reports are dropped, and nothing
// of a job outlives its WorkerThread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/thread/ReportBatch.h"
#include "platform/thread/WorkerThread.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

// Generous: only reached when the helper is broken.
constexpr int kDeadlineMs = 20000;

// Spins without touching the event loop, so that nothing posted is
// delivered meanwhile.
bool SpinUntil(const std::atomic<bool>& flag) {
    return SpinFor([&] { return flag.load(); }, kDeadlineMs, 0);
}

// A job's loop that ends on the stop flag, or (only when stopping is
// broken) at the deadline; says which.
bool LoopUntilStopped(const JobControl& control) {
    return SpinFor([&] { return control.StopRequested(); }, kDeadlineMs, 0);
}

TEST(WorkerThread, BatchesArriveInOrderOnTheOwnersThread) {
    WorkerThread worker;
    QList<int> single;        // one report per result
    QList<QList<int>> paced;  // results gathered until the end
    bool wrongThread = false;
    bool done = false;
    std::atomic<QThread*> jobThread = nullptr;
    QThread* const mainThread = QThread::currentThread();

    const auto onMain = [&] {
        if (QThread::currentThread() != mainThread)
            wrongThread = true;
    };
    worker.Start([&, onMain](const JobControl& control) {
        jobThread = QThread::currentThread();
        // An interval of 0: every result is due at once.
        ReportBatch<int> eager(control, 0ms, [&, onMain](const QList<int>& items) {
            onMain();
            single.append(items);
        });
        // An interval no test reaches: everything waits for the flush.
        ReportBatch<int> lazy(control, std::chrono::hours(1), [&, onMain](const QList<int>& items) {
            onMain();
            paced.append(items);
        });
        for (int i = 0; i < 200; ++i) {
            eager.Add(i);
            lazy.Add(i);
        }
        lazy.Flush();
        lazy.Add(200);  // left for the destructor to post
        control.Post([&, onMain] {
            onMain();
            done = true;
        });
    });
    ASSERT_TRUE(WaitFor([&] { return done; }, kDeadlineMs));
    worker.Wait();

    EXPECT_NE(jobThread.load(), mainThread);
    EXPECT_FALSE(wrongThread);
    QList<int> expected;
    for (int i = 0; i < 200; ++i) expected.append(i);
    EXPECT_EQ(single, expected);
    // The batch a job leaves pending is posted when the batch goes, after
    // the job's last post.
    ASSERT_TRUE(WaitFor([&] { return paced.size() >= 2; }, kDeadlineMs));
    ASSERT_EQ(paced.size(), 2) << "the lazy batch posted before its flush";
    EXPECT_EQ(paced[0], expected);
    EXPECT_EQ(paced[1], QList<int>{200});
    EXPECT_FALSE(worker.IsRunning());
}

TEST(WorkerThread, StopEndsTheJobAndItsLastReportStillArrives) {
    WorkerThread worker;
    std::atomic<bool> started = false;
    std::atomic<bool> sawStop = false;
    int finals = 0;
    worker.Start([&](const JobControl& control) {
        started = true;
        sawStop = LoopUntilStopped(control);
        control.Post([&] { ++finals; });
    });
    ASSERT_TRUE(SpinUntil(started));
    EXPECT_TRUE(worker.IsRunning());
    worker.Stop();
    worker.Wait();
    EXPECT_TRUE(sawStop) << "the job ran to its deadline instead of stopping";
    EXPECT_FALSE(worker.IsRunning());
    ASSERT_TRUE(WaitFor([&] { return finals == 1; }, kDeadlineMs));

    // Cancelled instead: the same last report is dropped, even though the
    // job posts it after the cancel.
    started = false;
    sawStop = false;
    worker.Start([&](const JobControl& control) {
        started = true;
        sawStop = LoopUntilStopped(control);
        control.Post([&] { ++finals; });
    });
    ASSERT_TRUE(SpinUntil(started));
    worker.Cancel();
    worker.Wait();
    EXPECT_TRUE(sawStop);
    // A marker posted through a later job shows the queue has been served.
    bool marker = false;
    worker.Start([&](const JobControl& control) { control.Post([&] { marker = true; }); });
    ASSERT_TRUE(WaitFor([&] { return marker; }, kDeadlineMs));
    EXPECT_EQ(finals, 1);
}

TEST(WorkerThread, ARestartedJobsStaleReportsAreDropped) {
    WorkerThread worker;
    QStringList received;
    std::atomic<bool> posted = false;
    std::atomic<bool> firstStopped = false;

    const std::uint64_t first = worker.Start([&](const JobControl& control) {
        control.Post([&] { received.append(QStringLiteral("old")); });
        posted = true;
        firstStopped = LoopUntilStopped(control);
        control.Post([&] { received.append(QStringLiteral("old, stopped")); });
    });
    // The first job's report waits in the queue while the second starts.
    ASSERT_TRUE(SpinUntil(posted));
    const std::uint64_t second = worker.Start([&](const JobControl& control) {
        control.Post([&] { received.append(QStringLiteral("new")); });
    });
    EXPECT_TRUE(firstStopped) << "Start did not stop and wait for the job before";
    EXPECT_GT(second, first);
    EXPECT_EQ(worker.Generation(), second);
    ASSERT_TRUE(WaitFor([&] { return !received.isEmpty(); }, kDeadlineMs));
    worker.Wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(received, QStringList{QStringLiteral("new")});
}

TEST(WorkerThread, DestructionWhileRunningJoinsAndDeliversNothingMore) {
    auto worker = std::make_unique<WorkerThread>();
    std::atomic<bool> started = false;
    std::atomic<bool> ended = false;
    std::atomic<bool> sawStop = false;
    int delivered = 0;
    worker->Start([&](const JobControl& control) {
        control.Post([&] { ++delivered; });
        started = true;
        sawStop = LoopUntilStopped(control);
        // Work after the stop, which the destructor must wait for.
        volatile std::uint64_t sum = 0;
        for (std::uint64_t i = 0; i < 2000000; ++i) sum = sum + i;
        control.Post([&] { ++delivered; });
        ended = true;
    });
    ASSERT_TRUE(SpinUntil(started));
    worker.reset();
    EXPECT_TRUE(ended) << "the job still ran after its WorkerThread was gone";
    EXPECT_TRUE(sawStop);
    // Calls queued to the destroyed worker are gone with it.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(delivered, 0);

    // Destroying an idle worker, or one whose job has ended, is harmless.
    WorkerThread idle;
    {
        WorkerThread finished;
        std::atomic<bool> ran = false;
        finished.Start([&](const JobControl&) { ran = true; });
        finished.Wait();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(finished.IsRunning());
    }
    EXPECT_FALSE(idle.IsRunning());
    EXPECT_EQ(idle.Generation(), 0u);
}

// A job stuck where no stop flag is looked at (a call on a mount that does
// not answer) can be let go: the owner neither waits for it on Abandon, on
// the next Start nor on its destruction; what the stuck job posts once it
// wakes reaches nobody, even after its WorkerThread is gone; the next job
// runs and reports as ever.
TEST(WorkerThread, AnAbandonedJobIsNotWaitedForAndPostsIntoNothing) {
    auto worker = std::make_unique<WorkerThread>();
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto woke = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> started = false;
    int stale = 0;
    worker->Start([&, release, woke](const JobControl& control) {
        started = true;
        while (!release->load()) std::this_thread::yield();  // no stop flag here
        control.Post([&] { ++stale; });
        woke->store(true);
    });
    ASSERT_TRUE(SpinUntil(started));
    EXPECT_FALSE(worker->WaitFor(10ms));
    worker->Abandon();
    EXPECT_FALSE(worker->IsRunning());
    EXPECT_TRUE(worker->WaitFor(0ms));  // nothing of ours runs

    int fresh = 0;
    worker->Start([&](const JobControl& control) { control.Post([&] { ++fresh; }); });
    ASSERT_TRUE(worker->WaitFor(std::chrono::milliseconds(kDeadlineMs)));
    // Delivered without the event loop, and only the current job's call.
    worker->DeliverPosted();
    EXPECT_EQ(fresh, 1);
    worker.reset();  // must not wait for the stuck job

    release->store(true);
    ASSERT_TRUE(SpinUntil(*woke));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(stale, 0);
}

TEST(ReportPacer, DueOnlyAfterItsIntervalAndRestartCountsAgain) {
    ReportPacer eager(0ms);
    EXPECT_TRUE(eager.Due());
    EXPECT_TRUE(eager.Due());
    ReportPacer lazy(std::chrono::hours(1));
    EXPECT_FALSE(lazy.Due());
    lazy.Restart();
    EXPECT_FALSE(lazy.Due());
}

}  // namespace

// A long operation's work on a worker thread: Escape seen by the main
// thread's poll stops it, its steps reach the bar on the main thread, its
// questions are asked on the main thread, and Run() returns only once the
// work has.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>

#include "shell/LongOperation.h"
#include "shell/LongOperationWorker.h"

namespace {

class LongOperationWorkerTest : public ::testing::Test {
protected:
    LongOperationWorkerTest() {
        ProgressSink sink;
        sink.step = [this] {
            ++steps;
            stepsOnMain = stepsOnMain && QThread::currentThread() == qApp->thread();
        };
        sink.poll = [this](bool orQuit) {
            lastOrQuit = orQuit;
            ++polls;
            return escapeNow.load();
        };
        m_previous = SetProgressSink(std::move(sink));
    }
    ~LongOperationWorkerTest() override { SetProgressSink(std::move(m_previous)); }

    int steps = 0;
    bool stepsOnMain = true;
    int polls = 0;
    bool lastOrQuit = false;
    std::atomic<bool> escapeNow{false};

private:
    ProgressSink m_previous;
};

TEST_F(LongOperationWorkerTest, EscapeStopsTheWorkAndStepsReachTheBar) {
    LongOperation operation(QStringLiteral("Shreding... (ESC to abort)"));
    LongOperationWorker worker(operation, false);
    bool workOnMain = true;
    int pieces = 0;
    worker.Run([&] {
        workOnMain = QThread::currentThread() == qApp->thread();
        // Work that only Escape ends (bounded, so that a fault fails rather
        // than hangs).
        while (!worker.StopRequested() && pieces < 50000) {
            ++pieces;
            if (pieces <= 5)
                worker.Step();
            if (pieces == 5)
                escapeNow.store(true);
            QThread::usleep(100);
        }
    });
    EXPECT_FALSE(workOnMain);
    EXPECT_GE(pieces, 5);
    EXPECT_EQ(steps, 5);
    EXPECT_TRUE(stepsOnMain);
    EXPECT_GE(polls, 1);
    EXPECT_FALSE(lastOrQuit);
    EXPECT_TRUE(worker.StopRequested());
}

TEST_F(LongOperationWorkerTest, QuestionsAreAskedOnTheMainThreadAndAnswered) {
    LongOperation operation(QStringLiteral("Splitting... (ESC to abort)"));
    LongOperationWorker worker(operation);
    std::vector<int> answers;
    bool askedOnMain = true;
    worker.Run([&] {
        for (int i = 0; i < 3; ++i) {
            answers.push_back(worker.OnMainThread<int>([&] {
                askedOnMain = askedOnMain && QThread::currentThread() == qApp->thread();
                return i * 10;
            }));
        }
    });
    EXPECT_TRUE(askedOnMain);
    EXPECT_EQ(answers, (std::vector<int>{0, 10, 20}));
    EXPECT_FALSE(worker.StopRequested());
    EXPECT_TRUE(lastOrQuit || polls == 0);
}

}  // namespace

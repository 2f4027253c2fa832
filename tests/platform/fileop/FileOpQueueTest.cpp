// Operations in the background: queued ones one after another, the others
// at once; pause and resume; cancel leaves no half file; a question asked by
// a worker is answered on the main thread while another operation runs; and
// closing the program with operations running asks.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <optional>

#include "FileOpTestSupport.h"
#include "platform/fileop/FileOpQueue.h"
#include "support/Wait.h"

namespace {

QByteArray Pattern(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) bytes[i] = char((i * 131) ^ (i >> 9));
    return bytes;
}

// Stops the operation's worker inside its first piece of data until the
// test lets it go: the operation is then known to be running, part way
// through a file.
class GateIo : public FaultIo {
public:
    GateIo() {
        onData = [this](std::uint64_t) {
            entered.store(true);
            // Bounded, so that a test that never opens the gate fails
            // instead of hanging.
            SpinFor([this] { return open.load(); });
        };
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> open{false};
};

struct Outcome {
    std::optional<FileOpResult> result;
    int order = 0;
};

class FileOpQueueTest : public ::testing::Test {
protected:
    FileOpRequest Copy(const char* name) {
        FileOpRequest request;
        request.sources = {dir.Join(QByteArray("src/") + name)};
        request.targetFolder = dir.Join("dst");
        return request;
    }
    FileOpQueue::Finished Record(Outcome& outcome) {
        return [this, &outcome](const FileOpResult& result) {
            outcome.result = result;
            outcome.order = ++finishedCount;
        };
    }
    void SetUp() override {
        ASSERT_TRUE(dir.MakeFile("src/big", big));
        ASSERT_TRUE(dir.MakeFile("src/small", "small"));
        ASSERT_TRUE(dir.MakeFile("src/other", "other"));
        ASSERT_TRUE(dir.MakeFolder("dst"));
    }

    TestDir dir;
    const QByteArray big = Pattern(20 << 20);  // three pieces of the copier
    int finishedCount = 0;
};

TEST_F(FileOpQueueTest, QueuedOperationsWaitTheirTurnOthersRunAtOnce) {
    ScopedPrompter prompter;
    FileOpQueue queue;
    GateIo gate;
    Outcome first, second, beside;
    FileOpQueue::Options gated;
    gated.queued = true;
    gated.io = &gate;
    const int a = queue.Start(Copy("big"), Record(first), nullptr, gated);
    const int b = queue.Start(Copy("small"), Record(second), nullptr, true);
    const int c = queue.Start(Copy("other"), Record(beside), nullptr, false);
    EXPECT_EQ(queue.Running(), 3);
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));

    // The one beside the queue runs while the first queued one is part way.
    ASSERT_TRUE(WaitFor([&] { return beside.result.has_value(); }));
    EXPECT_TRUE(beside.result->Succeeded());
    EXPECT_EQ(ReadBytes(dir.Join("dst/other")), "other");
    // The second queued one has not begun.
    EXPECT_TRUE(queue.IsWaiting(b));
    EXPECT_FALSE(queue.IsWaiting(a));
    EXPECT_FALSE(second.result.has_value());
    EXPECT_FALSE(Exists(dir.Join("dst/small")));

    gate.open.store(true);
    ASSERT_TRUE(WaitFor([&] { return second.result.has_value(); }));
    ASSERT_TRUE(first.result.has_value());
    EXPECT_LT(first.order, second.order);
    EXPECT_EQ(beside.order, 1);
    EXPECT_EQ(ReadBytes(dir.Join("dst/big")), big);
    EXPECT_EQ(ReadBytes(dir.Join("dst/small")), "small");
    EXPECT_EQ(queue.Running(), 0);
    EXPECT_FALSE(queue.Contains(c));
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

TEST_F(FileOpQueueTest, TakingAnOperationOutOfTheQueueLetsItRunAtOnce) {
    ScopedPrompter prompter;
    FileOpQueue queue;
    GateIo gate;
    Outcome first, second;
    FileOpQueue::Options gated;
    gated.queued = true;
    gated.io = &gate;
    queue.Start(Copy("big"), Record(first), nullptr, gated);
    const int b = queue.Start(Copy("small"), Record(second), nullptr, true);
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
    ASSERT_TRUE(WaitFor([&] { return queue.IsHeldNow(b); }));
    queue.SetQueued(b, false);
    ASSERT_TRUE(WaitFor([&] { return second.result.has_value(); }));
    EXPECT_TRUE(second.result->Succeeded());
    EXPECT_FALSE(first.result.has_value());
    gate.open.store(true);
    ASSERT_TRUE(WaitFor([&] { return first.result.has_value(); }));
    EXPECT_EQ(ReadBytes(dir.Join("dst/big")), big);
}

TEST_F(FileOpQueueTest, PauseHoldsTheCopyPartWayAndResumeFinishesIt) {
    ScopedPrompter prompter;
    FileOpQueue queue;
    GateIo gate;
    Outcome outcome;
    FileOpQueue::Options options;
    options.io = &gate;
    const int id = queue.Start(Copy("big"), Record(outcome), nullptr, options);
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
    queue.SetPaused(id, true);
    EXPECT_TRUE(queue.IsPaused(id));
    gate.open.store(true);
    // The worker stops at its next piece of work, part way through the file.
    ASSERT_TRUE(WaitFor([&] { return queue.IsHeldNow(id); }));
    EXPECT_FALSE(outcome.result.has_value());
    EXPECT_FALSE(Exists(dir.Join("dst/big")));
    const FileOpProgress held = queue.Progress(id);
    EXPECT_LT(held.bytesDone, std::uint64_t(big.size()));
    EXPECT_EQ(held.bytesTotal, std::uint64_t(big.size()));

    queue.SetPaused(id, false);
    ASSERT_TRUE(WaitFor([&] { return outcome.result.has_value(); }));
    EXPECT_TRUE(outcome.result->Succeeded());
    EXPECT_EQ(ReadBytes(dir.Join("dst/big")), big);
    EXPECT_TRUE(Leftovers(dir.Join("dst")).empty());
}

TEST_F(FileOpQueueTest, CancelPartWayLeavesNoPartialTarget) {
    // Once while the worker copies, once while it is paused.
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused);
        ScopedPrompter prompter;
        FileOpQueue queue;
        GateIo gate;
        Outcome outcome;
        FileOpQueue::Options options;
        options.io = &gate;
        const int id = queue.Start(Copy("big"), Record(outcome), nullptr, options);
        ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
        if (paused) {
            queue.SetPaused(id, true);
            gate.open.store(true);
            ASSERT_TRUE(WaitFor([&] { return queue.IsHeldNow(id); }));
        }
        queue.Cancel(id);
        gate.open.store(true);
        ASSERT_TRUE(WaitFor([&] { return outcome.result.has_value(); }));
        EXPECT_TRUE(outcome.result->aborted);
        EXPECT_FALSE(Exists(dir.Join("dst/big")));
        EXPECT_TRUE(Leftovers(dir.Join("dst")).empty());
        EXPECT_EQ(ReadBytes(dir.Join("src/big")), big);
        EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
    }
}

TEST_F(FileOpQueueTest, CancelBeforeItsTurnDoesNothing) {
    ScopedPrompter prompter;
    FileOpQueue queue;
    GateIo gate;
    Outcome first, second;
    FileOpQueue::Options gated;
    gated.queued = true;
    gated.io = &gate;
    queue.Start(Copy("big"), Record(first), nullptr, gated);
    const int b = queue.Start(Copy("small"), Record(second), nullptr, true);
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
    queue.Cancel(b);
    ASSERT_TRUE(WaitFor([&] { return second.result.has_value(); }));
    EXPECT_TRUE(second.result->aborted);
    ASSERT_EQ(second.result->notDone.size(), 1u);
    EXPECT_FALSE(Exists(dir.Join("dst/small")));
    gate.open.store(true);
    ASSERT_TRUE(WaitFor([&] { return first.result.has_value(); }));
    EXPECT_TRUE(first.result->Succeeded());
}

// Answers from a script, on the main thread only, and keeps its question
// open until another operation has finished: a question must hold only the
// operation that asks it.
class HoldingPrompter : public ScriptedPrompter {
public:
    std::function<bool()> holdUntil;
    bool onMainThread = true;
    int asked = 0;
    int Choose(const ChoiceRequest& request) override {
        ++asked;
        onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
        if (holdUntil)
            held = WaitFor(holdUntil);
        return ScriptedPrompter::Choose(request);
    }
    bool held = false;
};

TEST_F(FileOpQueueTest, AWorkersQuestionIsAnsweredOnTheMainThreadWhileAnotherOperationRuns) {
    ASSERT_TRUE(dir.MakeFile("dst/small", "old"));
    auto owned = std::make_unique<HoldingPrompter>();
    HoldingPrompter* prompter = owned.get();
    std::unique_ptr<Prompter> previous = InstallPrompter(std::move(owned));
    {
        FileOpQueue queue;
        Outcome asking, beside;
        prompter->holdUntil = [&] { return beside.result.has_value(); };
        prompter->AnswerChoice(int(ConflictChoice::Overwrite));
        queue.Start(Copy("small"), Record(asking));
        queue.Start(Copy("other"), Record(beside));
        ASSERT_TRUE(WaitFor([&] { return asking.result.has_value(); }));
        EXPECT_EQ(prompter->asked, 1);
        EXPECT_TRUE(prompter->onMainThread);
        EXPECT_TRUE(prompter->held) << "the other operation did not finish during the question";
        EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
        EXPECT_TRUE(asking.result->Succeeded());
        EXPECT_EQ(ReadBytes(dir.Join("dst/small")), "small");
        EXPECT_EQ(beside.order, 1);
    }
    InstallPrompter(std::move(previous));
}

TEST_F(FileOpQueueTest, ForAllAnswersHoldAcrossTheWorkersQuestions) {
    ASSERT_TRUE(dir.MakeFile("dst/small", "old small"));
    ASSERT_TRUE(dir.MakeFile("dst/other", "old other"));
    ScopedPrompter prompter;
    prompter->AnswerChoice(int(ConflictChoice::SkipAll));
    FileOpQueue queue;
    Outcome outcome;
    FileOpRequest request;
    request.sources = {dir.Join("src/small"), dir.Join("src/other")};
    request.targetFolder = dir.Join("dst");
    queue.Start(request, Record(outcome));
    ASSERT_TRUE(WaitFor([&] { return outcome.result.has_value(); }));
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(outcome.result->anySkipped);
    EXPECT_EQ(ReadBytes(dir.Join("dst/small")), "old small");
    EXPECT_EQ(ReadBytes(dir.Join("dst/other")), "old other");
}

TEST_F(FileOpQueueTest, ClosingWithOperationsRunningAsksAndWaitsForTheCancel) {
    ScopedPrompter prompter;
    FileOpQueue queue;
    // Nothing runs: no question.
    EXPECT_TRUE(queue.ConfirmClose(nullptr));
    EXPECT_TRUE(prompter->Requests().isEmpty());

    GateIo gate;
    Outcome outcome;
    FileOpQueue::Options options;
    options.io = &gate;
    const int id = queue.Start(Copy("big"), Record(outcome), nullptr, options);
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
    queue.SetPaused(id, true);
    gate.open.store(true);
    ASSERT_TRUE(WaitFor([&] { return queue.IsHeldNow(id); }));

    // No: the program stays and the operation goes on.
    prompter->AnswerMessage(PromptAnswer::No);
    EXPECT_FALSE(queue.ConfirmClose(nullptr));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("A file operation is")));
    EXPECT_EQ(prompter->Requests()[0].defaultButton, 1);  // No
    EXPECT_EQ(queue.Running(), 1);
    EXPECT_FALSE(outcome.result.has_value());

    // Yes: cancelled and waited for; when it returns the disk is as the
    // engine promises.
    prompter->AnswerMessage(PromptAnswer::Yes);
    EXPECT_TRUE(queue.ConfirmClose(nullptr));
    EXPECT_EQ(queue.Running(), 0);
    ASSERT_TRUE(outcome.result.has_value());
    EXPECT_TRUE(outcome.result->aborted);
    EXPECT_EQ(ReadBytes(dir.Join("src/big")), big);
    EXPECT_FALSE(Exists(dir.Join("dst/big")));
    EXPECT_TRUE(Leftovers(dir.Join("dst")).empty());
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
}

TEST_F(FileOpQueueTest, AQuestionWaitingWhenTheOperationIsCancelledTakesCancel) {
    ASSERT_TRUE(dir.MakeFile("dst/small", "old"));
    auto owned = std::make_unique<HoldingPrompter>();
    HoldingPrompter* prompter = owned.get();
    std::unique_ptr<Prompter> previous = InstallPrompter(std::move(owned));
    {
        FileOpQueue queue;
        Outcome outcome;
        int id = 0;
        // The question stays open until the operation is cancelled; its
        // answer (Overwrite) then comes too late to count.
        prompter->holdUntil = [&] {
            queue.Cancel(id);
            return true;
        };
        prompter->AnswerChoice(int(ConflictChoice::Overwrite));
        id = queue.Start(Copy("small"), Record(outcome));
        ASSERT_TRUE(WaitFor([&] { return outcome.result.has_value(); }));
        EXPECT_TRUE(outcome.result->aborted);
        EXPECT_EQ(ReadBytes(dir.Join("dst/small")), "old");
        EXPECT_EQ(ReadBytes(dir.Join("src/small")), "small");
    }
    InstallPrompter(std::move(previous));
}

TEST(RunningOperationsText, NamesTheCount) {
    EXPECT_EQ(RunningOperationsText(0), QString());
    EXPECT_EQ(RunningOperationsText(1), QStringLiteral("1 operation running"));
    EXPECT_EQ(RunningOperationsText(3), QStringLiteral("3 operations running"));
}

}  // namespace

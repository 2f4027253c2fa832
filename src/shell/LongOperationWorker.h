#pragma once
// LongOperationWorker: the disk work of a long operation (shred, split,
// merge, hard links) on a WorkerThread, while the main thread keeps what the
// user sees of it (LongOperation.h): the caption and the progress bar, the
// input held off the windows, and Escape (or, with `orQuit`, a quit) that
// stops the work after the piece at hand. The main thread itself never
// waits on the disk: it paints, polls and asks.
//
// The work runs on the worker thread and talks back only through this
// object: StopRequested() before each piece (the tools' stop hooks),
// Step() for each step of the bar, OnMainThread() for a question, which the
// main thread asks (the prompter, the four-answer box) while the work waits
// for its answer.
//
//     LongOperation operation(kShreding);
//     LongOperationWorker worker(operation, false);
//     Shredder shredder([&worker] { return worker.StopRequested(); });
//     worker.Run([&] { outcome = shredder.ShredItem(path); });
//
// Run() returns once the work has returned; what the work captured by
// reference (the caller's locals) is safe for that long. Main thread only,
// except the three calls for the work.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class LongOperation;

class LongOperationWorker {
public:
    /// `orQuit`: poll with PollEscapeOrQuit() (a quit request stops the
    /// work too and is carried out when the operation ends), else with
    /// PollEscape().
    explicit LongOperationWorker(LongOperation& operation, bool orQuit = true);

    LongOperationWorker(const LongOperationWorker&) = delete;
    LongOperationWorker& operator=(const LongOperationWorker&) = delete;

    /// Runs `work` on a worker thread; meanwhile polls Escape every few
    /// milliseconds, steps the bar and asks the work's questions. Returns
    /// when the work has returned. One Run() per worker object.
    void Run(const std::function<void()>& work);

    /// For the work: true once Escape (or a quit) was seen.
    bool StopRequested() const { return m_stop.load(std::memory_order_relaxed); }
    /// For the work: one step of the progress bar.
    void Step() { m_steps.fetch_add(1, std::memory_order_relaxed); }
    /// For the work: runs `call` on the main thread and gives its result.
    template <typename Result>
    Result OnMainThread(const std::function<Result()>& call) {
        std::optional<Result> result;
        Call([&] { result = call(); });
        return *result;
    }

private:
    void Call(const std::function<void()>& call);

    LongOperation& m_operation;
    bool m_orQuit;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_steps{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    struct PendingCall {
        const std::function<void()>* call;
        bool* served;
    };
    std::vector<PendingCall> m_calls;
    bool m_done = false;
};

#include "shell/LongOperationWorker.h"

#include <chrono>

#include "platform/thread/WorkerThread.h"
#include "shell/LongOperation.h"

namespace {

// How often the main thread looks at the keyboard and the bar: often
// enough that Escape feels immediate, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kPollInterval(20);

}  // namespace

LongOperationWorker::LongOperationWorker(LongOperation& operation, bool orQuit)
    : m_operation(operation), m_orQuit(orQuit) {}

void LongOperationWorker::Call(const std::function<void()>& call) {
    bool served = false;
    std::unique_lock lock(m_mutex);
    m_calls.push_back({&call, &served});
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return served; });
}

void LongOperationWorker::Run(const std::function<void()>& work) {
    WorkerThread worker;
    worker.Start([this, &work](const JobControl&) {
        work();
        std::lock_guard lock(m_mutex);
        m_done = true;
        m_changed.notify_all();
    });
    for (;;) {
        std::vector<PendingCall> calls;
        bool done = false;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, kPollInterval, [this] { return m_done || !m_calls.empty(); });
            calls.swap(m_calls);
            done = m_done;
        }
        for (const PendingCall& pending : calls) {
            (*pending.call)();
            std::lock_guard lock(m_mutex);
            *pending.served = true;
            m_changed.notify_all();
        }
        for (int steps = m_steps.exchange(0); steps > 0; --steps) m_operation.Step();
        if (done)
            break;
        if (!m_stop.load() &&
            (m_orQuit ? m_operation.PollEscapeOrQuit() : m_operation.PollEscape()))
            m_stop.store(true);
    }
    worker.Wait();
}

#include "platform/thread/ThreadGroup.h"

#include <QCoreApplication>
#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// Shared with the tasks, so that a task left running past its group's
// destruction still has somewhere to say it has ended.
struct ThreadGroup::State {
    std::mutex mutex;
    std::condition_variable ended;
    std::map<std::thread::id, std::thread> threads;  // started and not joined
    std::vector<std::thread::id> finished;           // ended, not yet joined
};

namespace {

// Takes the threads of ended tasks out of the group; the caller joins them
// without the lock (joining is quick: they are past their last step).
std::vector<std::thread> TakeFinished(std::map<std::thread::id, std::thread>& threads,
                                      std::vector<std::thread::id>& finished) {
    std::vector<std::thread> ended;
    for (const std::thread::id id : finished) {
        auto it = threads.find(id);
        if (it == threads.end())
            continue;
        ended.push_back(std::move(it->second));
        threads.erase(it);
    }
    finished.clear();
    return ended;
}

void JoinAll(std::vector<std::thread>& threads) {
    for (std::thread& thread : threads) thread.join();
}

}  // namespace

ThreadGroup::ThreadGroup() : m_state(std::make_shared<State>()) {}

ThreadGroup::ThreadGroup(std::chrono::milliseconds exitWait)
    : m_state(std::make_shared<State>()), m_exitWait(exitWait) {}

ThreadGroup::~ThreadGroup() {
    if (WaitAll(m_exitWait))
        return;
    // What still runs is left to end with the process; its record goes, so
    // that its end is not mistaken for another task's.
    std::lock_guard lock(m_state->mutex);
    for (auto& [id, thread] : m_state->threads) thread.detach();
    m_state->threads.clear();
}

bool ThreadGroup::Run(std::function<void()> task) {
    std::vector<std::thread> ended;
    {
        // The lock is held while the thread starts, so that a task ending at
        // once finds its own record when it reports.
        std::lock_guard lock(m_state->mutex);
        ended = TakeFinished(m_state->threads, m_state->finished);
        try {
            std::thread thread([state = m_state, task = std::move(task)] {
                task();
                std::lock_guard done(state->mutex);
                if (state->threads.count(std::this_thread::get_id()) != 0)
                    state->finished.push_back(std::this_thread::get_id());
                state->ended.notify_all();
            });
            const std::thread::id id = thread.get_id();
            m_state->threads.emplace(id, std::move(thread));
        } catch (const std::system_error&) {
            JoinAll(ended);
            return false;
        }
    }
    JoinAll(ended);
    return true;
}

bool ThreadGroup::WaitAll(std::optional<std::chrono::milliseconds> limit) {
    std::unique_lock lock(m_state->mutex);
    const auto allEnded = [this] { return m_state->finished.size() >= m_state->threads.size(); };
    bool none = true;
    if (limit)
        none = m_state->ended.wait_for(lock, *limit, allEnded);
    else
        m_state->ended.wait(lock, allEnded);
    std::vector<std::thread> ended = TakeFinished(m_state->threads, m_state->finished);
    lock.unlock();
    JoinAll(ended);
    return none;
}

std::size_t ThreadGroup::Running() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->threads.size() - std::min(m_state->threads.size(), m_state->finished.size());
}

ThreadGroup& LaunchThreads() {
    static ThreadGroup group;
    static const bool tied = [] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { group.WaitAll(); });
        return true;
    }();
    (void)tied;
    return group;
}

#pragma once
// A gate the threads of a test wait at until the test opens it. The wait is
// bounded like every wait of the tests (support/Wait.h): a test that never
// opens the gate fails instead of hanging.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "support/Wait.h"

class Gate {
public:
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    /// Waits until the gate is open, at most `ms` milliseconds; false when it
    /// stayed shut all that time. Any thread may wait.
    bool Wait(int ms = kWaitMs) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

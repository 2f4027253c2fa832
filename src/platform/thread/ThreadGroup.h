#pragma once
// ThreadGroup: short tasks that each get a thread of their own at once (a
// launch, a link's resolution) and must not be left running while the
// program tears itself down.
//
// Run() starts a task on a new thread and returns; WaitAll() blocks until
// every task has ended and joins their threads. Threads of tasks that have
// ended are joined at the next Run() too, so a long-lived group holds no more
// threads than tasks still running.
//
// The destructor waits like WaitAll(), for at most the group's exit wait
// when it has one. A task still running after that is left to end with the
// process; a group with an exit wait is only for tasks that touch nothing
// but what they own (a copy of a path, their shared result), since static
// objects and the application are destroyed around them.
//
// Every function may be called on any thread, but WaitAll() and the
// destructor never from one of the group's own tasks (that would wait for
// itself).
//
// Why not WorkerThread: a WorkerThread runs one job at a time, a new one
// replacing the old, and its owner joins it. The group's tasks are the
// opposite: many run side by side and none replaces another (two launches,
// the tree reading several folders at once), each reports once, and a task
// stuck on a mount that does not answer must not hold up the program's
// exit. Its users: launching (LaunchThreads), link resolution (FolderItem),
// the folder tree's reads (CTreeBrowser).
//
// Cost: one thread per task, created and joined; no pool is kept warm.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

class ThreadGroup {
public:
    /// A group whose destructor waits for every task, however long.
    ThreadGroup();
    /// A group whose destructor waits at most `exitWait`.
    explicit ThreadGroup(std::chrono::milliseconds exitWait);
    ~ThreadGroup();

    ThreadGroup(const ThreadGroup&) = delete;
    ThreadGroup& operator=(const ThreadGroup&) = delete;

    /// Starts `task` on a thread of its own. False when the system could not
    /// start a thread (the task is then dropped, not run).
    bool Run(std::function<void()> task);

    /// Blocks until every task started so far has ended, or `limit` has
    /// passed; joins the threads of the tasks that ended. True when no task
    /// is left running.
    bool WaitAll(std::optional<std::chrono::milliseconds> limit = std::nullopt);

    /// Tasks started and not yet ended.
    std::size_t Running() const;

private:
    struct State;

    std::shared_ptr<State> m_state;
    std::optional<std::chrono::milliseconds> m_exitWait;
};

/// The group the panes launch items on. The first use ties it to the
/// application: it is waited for when the application is about to quit, so a
/// launch in progress ends before the windows and the application go (and
/// by the process's exit at the latest).
ThreadGroup& LaunchThreads();

#pragma once
// The bounded wait every test uses for what happens asynchronously: a
// condition polled until it holds or a deadline passes, never a fixed
// sleep. The deadline is only reached when the code under test is broken,
// so it is generous; a test that needs a longer one says so.

#include <QByteArray>
#include <QString>
#include <functional>

/// How long a wait lasts by default, in milliseconds.
inline constexpr int kWaitMs = 10000;

/// Runs the event loop (deferred deletions included) until `done` holds or
/// `ms` milliseconds have passed; gives `done()` at the end. Call it on the
/// thread that owns the event loop.
bool WaitFor(const std::function<bool()>& done, int ms = kWaitMs);

/// Polls `done` without running any event loop until it holds or `ms`
/// milliseconds have passed; gives `done()` at the end. What was posted
/// meanwhile stays queued, and it may be called on any thread (a worker's
/// hook waiting for the test's thread, say). `pauseMs` is the pause between
/// polls; 0 only yields the processor.
bool SpinFor(const std::function<bool()>& done, int ms = kWaitMs, int pauseMs = 1);

/// Waits, the event loop running, until `path` exists.
bool WaitForFile(const QString& path, int ms = kWaitMs);
bool WaitForFile(const QByteArray& path, int ms = kWaitMs);

#pragma once
// Where a file operation that runs on a worker thread (FileOpQueue.h) sends
// its progress instead of showing a dialog and pumping events: the engine's
// reporter calls it from the operation's thread, between pieces of work.

#include "platform/fileop/FileOpProgressDialog.h"

class FileOpProgressSink {
public:
    virtual ~FileOpProgressSink() = default;
    /// A snapshot of the counts, at most a few times a second (and whenever
    /// the engine forces a report). Called on the operation's thread; the
    /// sink copies what it needs under its own lock.
    virtual void Report(const FileOpProgress& progress) = 0;
    /// Called at every pump of the engine on the operation's thread: blocks
    /// while the operation is held (paused, or queued behind another one)
    /// and returns once it may go on or has been cancelled.
    virtual void Hold() = 0;
};

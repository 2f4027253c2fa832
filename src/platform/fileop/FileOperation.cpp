#include "platform/fileop/FileOperation.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>

#include "platform/fileop/FileOpExecutor.h"
#include "platform/fs/Volumes.h"

// ---------------------------------------------------------------------------
// The real system calls.

// ---------------------------------------------------------------------------

// What an operation holds until it runs; the executor lives only while it
// runs, so that the progress dialog can be asked for meanwhile.
class FileOperation::Engine {
public:
    Engine(FileOpRequest request, QWidget* parent) : request(std::move(request)), parent(parent) {}

    FileOpRequest request;
    QWidget* parent;
    FileOpIo defaultIo;
    FileOpIo* io = &defaultIo;
    int delayMs = 500;
    FileOpProgressSink* sink = nullptr;
    std::unique_ptr<FileOpExecutor> executor;
};

FileOperation::FileOperation(FileOpRequest request, QWidget* parent)
    : m_engine(std::make_unique<Engine>(std::move(request), parent)) {}

FileOperation::~FileOperation() = default;

void FileOperation::SetIo(FileOpIo* io) {
    m_engine->io = io ? io : &m_engine->defaultIo;
}

void FileOperation::SetProgressSink(FileOpProgressSink* sink) {
    m_engine->sink = sink;
}

void FileOperation::SetProgressDelay(int milliseconds) {
    m_engine->delayMs = std::max(0, milliseconds);
}

FileOpResult FileOperation::Run() {
    m_engine->executor = std::make_unique<FileOpExecutor>(
        m_engine->request, m_engine->parent, *m_engine->io, m_cancelled, m_engine->delayMs);
    m_engine->executor->SetProgressSink(m_engine->sink);
    const FileOpResult result = m_engine->executor->Run();
    m_engine->executor.reset();
    return result;
}

void FileOperation::Cancel() {
    m_cancelled.store(true);
}

FileOpProgressDialog* FileOperation::ProgressDialog() const {
    return m_engine->executor ? m_engine->executor->Dialog() : nullptr;
}

FileOpResult SHFileOperation(const FileOpRequest& request, QWidget* parent) {
    FileOperation operation(request, parent);
    return operation.Run();
}

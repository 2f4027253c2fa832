#include "FuzzSupport.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <QGuiApplication>
#include <memory>

namespace {

void RemoveScratch() {
    QDir(QString::fromLocal8Bit(FuzzScratchFolder())).removeRecursively();
}

}  // namespace

const QByteArray& FuzzScratchFolder() {
    static const QByteArray folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        QByteArray pattern = QByteArray(tmp && *tmp ? tmp : "/tmp") + "/corvane-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        std::atexit(RemoveScratch);
        return pattern;
    }();
    return folder;
}

void FuzzWriteFile(const QByteArray& path, const char* data, std::size_t size) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        FUZZ_CHECK(n > 0);
        done += std::size_t(n);
    }
    ::close(fd);
}

void FuzzEnsureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "corvane-fuzz";
    static char* argv[] = {name, nullptr};
    // Lives until exit on purpose: Qt does not support a second application
    // object after the first is gone.
    static auto* app = new QGuiApplication(argc, argv);
    (void)app;
}

#include "support/Wait.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QTest>
#include <QThread>
#include <thread>

bool WaitFor(const std::function<bool()>& done, int ms) {
    return QTest::qWaitFor(done, ms);
}

bool SpinFor(const std::function<bool()>& done, int ms, int pauseMs) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        if (pauseMs > 0)
            QThread::msleep(pauseMs);
        else
            std::this_thread::yield();
    }
    return true;
}

bool WaitForFile(const QByteArray& path, int ms) {
    return WaitFor([&] { return ::access(path.constData(), F_OK) == 0; }, ms);
}

bool WaitForFile(const QString& path, int ms) {
    return WaitForFile(path.toUtf8(), ms);
}

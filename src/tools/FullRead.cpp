#include "tools/FullRead.h"

#include <unistd.h>

#include <cerrno>

qint64 ReadFull(int fd, char* buffer, qint64 size, qint64 offset) {
    qint64 done = 0;
    while (done < size) {
        const std::size_t want = std::size_t(size - done);
        const ssize_t got = offset < 0 ? ::read(fd, buffer + done, want)
                                       : ::pread(fd, buffer + done, want, offset + done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

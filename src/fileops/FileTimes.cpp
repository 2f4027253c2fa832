#include "fileops/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

timespec PresentTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

std::optional<timespec> ModifiedTime(const QByteArray& path) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return std::nullopt;
    return info.st_mtim;
}

bool SetModifiedTime(const QByteArray& path, const timespec& time) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    return ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

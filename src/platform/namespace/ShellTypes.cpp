#include "platform/namespace/ShellTypes.h"

FileTime FileTimeFromTimespec(std::int64_t seconds, std::int64_t nanoseconds) {
    const std::int64_t s = seconds + kFileTimeEpochOffsetSeconds;
    if (s < 0)
        return 0;
    return FileTime(s) * 10000000ULL + FileTime(nanoseconds / 100);
}

std::int64_t FileTimeToUnixMilliseconds(FileTime t) {
    return std::int64_t(t / 10000) - kFileTimeEpochOffsetSeconds * 1000;
}

#pragma once
// Setting modification times, for the touch and sync touch commands
// (CPaneFileUtils). Only regular files take a time (a link is followed to
// its file): folders and anything else are skipped, as they cannot be
// opened for writing, which is what the commands did to set a time.
// The access time is left as it is. Times keep their nanoseconds.

#include <time.h>

#include <QByteArray>
#include <optional>

/// The present time of the system clock.
timespec PresentTime();

/// The modification time of the file at `path` (a link followed); nullopt
/// when it can't be read.
std::optional<timespec> ModifiedTime(const QByteArray& path);

/// Sets the modification time of the regular file at `path` (a link
/// followed) to `time`. False for folders and other non-files, and when
/// the system refuses (only the file's owner may set a time).
bool SetModifiedTime(const QByteArray& path, const timespec& time);

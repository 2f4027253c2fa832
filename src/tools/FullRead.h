#pragma once
// Reads that see short reads and interruptions through, for the tools that
// read whole files block by block (content comparison, text search).

#include <QtGlobal>

/// Reads up to `size` bytes into `buffer` from the file position of `fd`,
/// or at `offset` without moving it when `offset` is 0 or more; retries
/// after EINTR and after short reads. The count read (less than `size` only
/// at the end of the file), or -1 on an error.
qint64 ReadFull(int fd, char* buffer, qint64 size, qint64 offset = -1);

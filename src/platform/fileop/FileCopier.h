#pragma once
// The copy of one item (anything but a folder) under a temporary name in
// the target's folder: the bytes of a file (copy_file_range where the file
// systems allow it, else reads and writes; only the data extents of a
// sparse file; through GIO, FileCopyRoute.h, to and from a folder whose
// location GIO serves better than its local path), its mode, times to the
// nanosecond and, where permitted, its ownership; a symbolic link as a link; a fifo or device node
// re-created; a hard link to the copy of a file already copied in this operation.
//
// The copier never gives the copy its real name; the executor renames it
// into place once it is complete, and removes the temporary otherwise. A
// copy that replaces a file is flushed (fsync) first, so that the old file
// never goes before the new one is on disk.
//
// Main thread only. Cancellation is looked at between pieces of data (8 MiB
// with copy_file_range, 4 MiB with reads and writes, each piece GIO reports).

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/fileop/FileOpError.h"

class FileOpIo;
struct FileOpNode;

class FileCopier {
public:
    /// `bytesDone` is advanced as data is copied (the progress count);
    /// `keepGoing` is asked before each piece of data, and false cancels.
    FileCopier(FileOpIo& io, std::uint64_t& bytesDone, std::function<bool()> keepGoing);

    /// Makes the copy of the item `node` at `source` in `folder`, under a new
    /// temporary name given back in `temp` (empty when nothing was made).
    /// `replace`: the copy will replace an existing file, so it is flushed.
    /// Returns nullopt when the copy is complete, else what failed (a
    /// FileOpStep::Cancelled error when cancelled); `temp` is then still to
    /// be removed by the caller.
    std::optional<FileOpError> MakeCopy(const FileOpNode& node, const QByteArray& source,
                                        const QByteArray& folder, bool replace, QByteArray* temp);

    /// Remembers that the file `node` (of several hard links) was copied to
    /// `target`: its other links in this operation become links to that copy.
    void RememberLink(const FileOpNode& node, const QByteArray& target);

    /// Makes a new item under a free temporary name in `folder` with `make`
    /// (which fails with EEXIST when the name is taken): the result of
    /// `make`, -1 with errno set when it failed otherwise.
    static int MakeTemp(const QByteArray& folder, const std::function<int(const QByteArray&)>& make,
                        QByteArray* temp);

private:
    std::optional<FileOpError> CopyFile(const FileOpNode& node, const QByteArray& source,
                                        const QByteArray& folder, bool replace, QByteArray* temp);
    // The bytes through GIO into a temporary named as for any copy, which
    // GIO makes; `fallBack` (and no temporary left) when GIO declined and
    // the engine is to copy them itself.
    std::optional<FileOpError> CopyFileByGio(const FileOpNode& node, const QByteArray& source,
                                             const QByteArray& folder, bool replace,
                                             QByteArray* temp, bool* fallBack);
    int MakeTempFile(const QByteArray& folder, QByteArray* temp);
    int CopyData(int in, int out, const FileOpNode& node);
    int CopyRange(int in, int out, off_t offset, off_t length, bool untilEof);

    FileOpIo& m_io;
    std::uint64_t& m_bytesDone;
    std::function<bool()> m_keepGoing;
    bool m_copyRangeWorks = true;
    std::vector<char> m_buffer;
    std::map<std::pair<dev_t, ino_t>, QByteArray> m_links;
};

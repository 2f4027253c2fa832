#pragma once
// ArchiveStream: the contents of one entry of an archive as a sequential,
// read-only QIODevice.
//
// open() opens the archive anew and checks that it is still the one indexed
// and that the header met names the entry. An entry of a zip is met at its
// own local header, found in the central directory (read once for the last
// few archives, ZipDirectory), so any entry of a 100,000-entry zip opens in
// milliseconds; other entries, and zip entries that can't be reached that
// way, are met by passing the headers before them in order (skipping their
// data within the expansion budget of ArchiveReader). Reads then give the entry's bytes in blocks,
// never holding more than the block asked for.
//
// The stream gives exactly the entry's size as the index knows it, and
// refuses to end on a lie: data that ends before that size, or goes on
// beyond it, makes the read that would complete the entry fail (-1), as do a
// checksum or decompression error. So a reader that copies until the end
// has the whole entry or an error, never a silently shortened or lengthened
// copy. errorString() says what went wrong, for the user.
//
// One thread at a time; the index it reads from may be shared.

#include <QIODevice>
#include <memory>

#include "platform/archive/ArchiveIndex.h"

class ArchiveStream : public QIODevice {
    Q_OBJECT

public:
    /// A stream over node `node` of `index` (a file node); not open yet.
    ArchiveStream(std::shared_ptr<const ArchiveIndex> index, int node);
    ~ArchiveStream() override;

    /// Only QIODevice::ReadOnly. False, with errorString() set, when the
    /// entry can't be reached (the archive changed or is damaged, or the
    /// node has no contents: a folder, a link, a special file).
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

    /// The entry's size in bytes.
    qint64 size() const override { return qint64(m_size); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    bool Fail(QString text);
    bool VerifyEnd();
    // A zip entry straight at its local header (ZipDirectory, kept for the
    // last few archives); false, with nothing failed, when that way is
    // closed.
    bool OpenAtOwnHeader();
    // Every other entry: the headers before it passed in order.
    bool OpenByPassingHeaders(int ordinal);

    std::shared_ptr<const ArchiveIndex> m_index;
    int m_node;
    std::uint64_t m_size = 0;
    std::uint64_t m_delivered = 0;
    std::unique_ptr<ArchiveReader> m_reader;
    bool m_failed = false;
};

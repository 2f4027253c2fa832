#pragma once
// ArchiveExtractor: entries of an archive, folders with everything they
// hold, written into a folder of the disk in one pass over the archive.
//
// Copying entries out one stream at a time reads the archive from its start
// for each of them (libarchive reads headers in order), so N entries near
// the end of a large archive cost N passes. The extractor instead plans
// every entry wanted, then walks the headers once, writing each wanted
// entry when its header comes and stopping after the last one.
//
// What arrives, for each entry added (a "top"), under `folder`:
// - a folder with its whole sub-tree as the index has it (implied folders
//   included); each file with its exact contents, its permission bits (or
//   0644 / 0755 when the archive gives none) and its modified and accessed
//   times; folders get theirs after they are filled;
// - symbolic links as links with the archive's target text (never
//   followed), when that target, followed as the system would (through the
//   copied tree's own links), stays inside the folder the copy goes to; a
//   link to "/etc", or "../../.." climbing above it, is left out with a
//   line naming the link and its target, and the rest goes on. A hard link
//   arrives as a copy of the entry it names;
// - devices, FIFOs and sockets are left out (and said so);
// - set-user-id, set-group-id and sticky bits are never given: an archive
//   from elsewhere must not make programs that run as someone else.
// A file is created exclusively (O_EXCL, O_NOFOLLOW) and must come out with
// exactly the size the index gives; data that ends early or goes on, a
// checksum error, a damaged archive or one changed since it was indexed
// make that entry fail (its partial file removed), and with it its top.
// The expansion budget of ArchiveReader stops archive bombs.
//
// The pump is called between headers and between blocks of data, so a
// caller on the user-interface thread can keep its window alive and offer
// Cancel; when it answers false the pass stops, and every top not yet whole
// counts as not done.
//
// One thread; the index may be shared.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/archive/ArchiveIndex.h"

class ArchiveExtractor {
public:
    explicit ArchiveExtractor(std::shared_ptr<const ArchiveIndex> index);

    /// Adds node `node` (any kind but the root) with its sub-tree; it will
    /// arrive as folder/<its name>. Two tops of one name: the second gets
    /// nothing and an error. Nodes outside the index are ignored.
    void Add(int node);

    /// Totals of what was added (items counted, bytes of file contents).
    std::size_t TotalItems() const { return m_plan.size(); }
    std::uint64_t TotalBytes() const { return m_totalBytes; }

    /// Called between pieces of work with the entry being worked on (its
    /// path inside the archive) and the bytes written so far; false stops.
    using Pump = std::function<bool(const QByteArray& entry, std::uint64_t bytesDone)>;

    /// Writes every top into `folder` (an existing, empty directory of the
    /// caller's). Gives the paths of the tops that arrived whole, in the
    /// order they were added.
    std::vector<QByteArray> Run(const QByteArray& folder, const Pump& pump = {});

    /// What failed or was left out, in words for the user (one line each).
    const QStringList& Errors() const { return m_errors; }
    /// Whether the pump stopped the run.
    bool Stopped() const { return m_stopped; }
    /// How many times the archive was opened to read contents (one per
    /// Run() that had file contents to write).
    int Passes() const { return m_passes; }

private:
    struct Planned {
        int node = -1;        // the node that is written
        int source = -1;      // the node whose data it holds (a hard link's target)
        QByteArray relative;  // below the folder
        std::size_t top = 0;  // which top it belongs to
        bool written = false;
    };

    void PlanTree(int node, const QByteArray& relative, std::size_t top);
    int CopiedNodeAt(const QList<QByteArray>& parts) const;
    bool LinkStaysInside(const QByteArray& relative, const QByteArray& target) const;
    int LinkSource(int node) const;
    bool MakeEntries(const QByteArray& folder);
    void ReadContents(const QByteArray& folder, const Pump& pump);
    bool WriteEntry(class ArchiveReader& reader, const std::vector<std::size_t>& targets,
                    const QByteArray& folder, const Pump& pump);
    void FinishFolders(const QByteArray& folder);
    void Fail(std::size_t planned, const QString& why);

    std::shared_ptr<const ArchiveIndex> m_index;
    std::vector<Planned> m_plan;
    std::vector<QByteArray> m_tops;  // the tops' names
    std::vector<bool> m_topFailed;
    std::vector<int> m_topNodes;
    std::uint64_t m_totalBytes = 0;
    std::uint64_t m_bytesDone = 0;
    QStringList m_errors;
    bool m_stopped = false;
    int m_passes = 0;
};

/// The text for an entry that is not opened or viewed because it is larger
/// than "nMaxExtractSize": names its size and the limit.
QString OverExtractLimitText(std::uint64_t size, std::uint64_t limit);

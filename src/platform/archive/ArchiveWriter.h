#pragma once
// ArchiveWriter: packs files and folders of the disk into a new archive
// with libarchive (zip, tar, tar.gz, tar.xz, tar.zst, 7z).
//
// What goes in, for each source (a name inside `baseFolder`), with its
// whole sub-tree:
// - entries are named by their path below the base folder, byte for byte
//   as the file system spells them: tar keeps any bytes; zip and 7z hold
//   Unicode names, so a name that is not UTF-8 fails those archives (with
//   a message naming it) instead of being stored changed or unreadable;
// - each entry keeps its permission bits, owner and group (numbers and
//   names), and its modified and accessed times to the nanosecond where the
//   format keeps them;
// - symbolic links are stored as links (never followed); in tar formats a
//   file with several names in the set is stored once and its other names
//   as hard links; sparse files keep their holes in tar formats (the data
//   regions only are stored, found with SEEK_DATA / SEEK_HOLE);
// - devices, FIFOs and sockets are stored as what they are in tar formats
//   and left out of zip and 7z (said so in the result).
// The sources are walked first (lstat only, links not followed, each folder
// once), so the totals are known before anything is written.
//
// Nothing half-written is ever left: the archive is written under a
// temporary name in the target folder (created exclusively), and only a
// complete archive is renamed to its name, without replacing anything
// unless `replaceExisting` is set. A failure or a stop removes the
// temporary file.
//
// Runs on the calling thread (a worker's, normally): it touches no Qt
// object but the values it is given, polls `stop` between blocks, and
// calls `progress` there at most a few times a second.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

enum class ArchiveFormat { Zip = 0, Tar, TarGz, TarXz, TarZst, SevenZip };

/// The formats in the order the pack dialog offers them.
inline constexpr ArchiveFormat kArchiveFormats[] = {ArchiveFormat::Zip,    ArchiveFormat::Tar,
                                                    ArchiveFormat::TarGz,  ArchiveFormat::TarXz,
                                                    ArchiveFormat::TarZst, ArchiveFormat::SevenZip};

/// The extension of a format, with its dot (".tar.gz").
QString ArchiveFormatExtension(ArchiveFormat format);
/// True for the formats of the tar family.
bool IsTarFormat(ArchiveFormat format);

struct PackRequest {
    /// The folder the sources lie in (absolute, raw bytes).
    QByteArray baseFolder;
    /// The sources' names inside it (raw bytes, no "/").
    std::vector<QByteArray> names;
    /// The archive to make (absolute, raw bytes).
    QByteArray archivePath;
    ArchiveFormat format = ArchiveFormat::TarGz;
    /// Replace an archive of that name (the user agreed).
    bool replaceExisting = false;
};

struct PackProgress {
    std::uint64_t itemsDone = 0;
    std::uint64_t itemsTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    QByteArray current;  // the entry being written
};

struct PackResult {
    bool done = false;     // the archive is in place, whole
    bool stopped = false;  // `stop` was seen; nothing was left behind
    /// Why it failed, in words for the user (empty when done).
    QString error;
    /// Entries left out (special files in zip and 7z), one line each.
    QStringList skipped;
    std::uint64_t items = 0;
    std::uint64_t bytes = 0;
};

/// Makes the archive. `progress` may be empty.
PackResult PackArchive(const PackRequest& request, const std::atomic<bool>& stop,
                       const std::function<void(const PackProgress&)>& progress = {});

/// The texts of a failed pack.
namespace PackTexts {
inline const QString kExists = QStringLiteral("\"%1\" already exists");
inline const QString kCantRead = QStringLiteral("\"%1\" can't be read: %2");
inline const QString kCantWrite = QStringLiteral("The archive can't be written: %1");
inline const QString kSpecialLeftOut =
    QStringLiteral("\"%1\" is a special file; this kind of archive can't hold it");
inline const QString kChanged = QStringLiteral("\"%1\" changed while it was packed");
inline const QString kNotUtf8 = QStringLiteral(
    "\"%1\" has a name that is not UTF-8, which zip and 7z archives can't hold as it is; "
    "a tar archive can");
}  // namespace PackTexts

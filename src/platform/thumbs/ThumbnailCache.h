#pragma once
// The freedesktop thumbnail cache, shared with the other programs of the
// desktop: a picture one file manager has seen shows at once in the others.
//
// Layout (the Thumbnail Managing Standard):
//   $XDG_CACHE_HOME/thumbnails/normal/<md5>.png   at most 128 x 128
//   $XDG_CACHE_HOME/thumbnails/large/<md5>.png    at most 256 x 256
//   $XDG_CACHE_HOME/thumbnails/fail/<program>/<md5>.png   pictures that
//                                                 could not be read
// where <md5> is the lower-case hexadecimal MD5 of the file's URI
// ("file://" and the absolute path's bytes, percent-encoded as GLib's
// g_filename_to_uri does). Each PNG carries the text keys "Thumb::URI" (the
// URI) and "Thumb::MTime" (the file's modification time in whole seconds
// since the epoch); a thumbnail whose keys do not match the file as it is
// now is stale and never used. Folders are made with mode 0700, files with
// 0600, and a thumbnail is written under a temporary name and renamed into
// place, so a reader never sees half a file.
//
// Every function here is safe on any thread: they touch only the files they
// are given.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

/// The two sizes of the standard that this program reads and writes.
enum class ThumbnailFlavour { Normal, Large };

/// 128 for Normal, 256 for Large.
int FlavourSize(ThumbnailFlavour flavour);
/// The smallest flavour whose thumbnails are at least `wanted` pixels wide
/// and high (Large when none is).
ThumbnailFlavour FlavourFor(int wanted);

/// "$XDG_CACHE_HOME/thumbnails", with "~/.cache" when the variable is unset
/// or not absolute.
QString ThumbnailCacheRoot();

/// The URI of an absolute path given as bytes: "file://" followed by the
/// path percent-encoded except for letters, digits, "-._~" and
/// "!$&'()*+,;=:@/".
QByteArray ThumbnailUri(const QByteArray& absolutePath);

/// What identifies a picture as it is now: its URI and modification time.
struct ThumbnailStamp {
    QByteArray uri;
    std::int64_t mtime = 0;  // seconds since the epoch
    std::uint64_t size = 0;
};

/// The stamp of a regular file (stat follows links); nullopt when it is no
/// regular file or cannot be read.
std::optional<ThumbnailStamp> StampOf(const QByteArray& absolutePath);

class ThumbnailCache {
public:
    /// A cache under `root` (normally ThumbnailCacheRoot()). `program` names
    /// this program's folder of failure marks ("corvane-<version>").
    explicit ThumbnailCache(QString root, QString program = QStringLiteral("corvane-1"));

    const QString& Root() const { return m_root; }

    /// The file of `uri`'s thumbnail of `flavour`.
    QString PathFor(ThumbnailFlavour flavour, const QByteArray& uri) const;
    /// The file of `uri`'s failure mark.
    QString FailPathFor(const QByteArray& uri) const;

    /// The cached thumbnail of `stamp` in `flavour`, or nullopt when there is
    /// none, it cannot be read, or its "Thumb::URI" or "Thumb::MTime" do not
    /// match the stamp. Reads only the small thumbnail file.
    std::optional<QImage> Read(ThumbnailFlavour flavour, const ThumbnailStamp& stamp) const;
    /// Writes `image` (already scaled to the flavour) with the stamp's keys.
    /// False when the folder or the file could not be made; a failed write
    /// leaves no file behind under the thumbnail's name.
    bool Write(ThumbnailFlavour flavour, const ThumbnailStamp& stamp, const QImage& image) const;

    /// True when this program marked `stamp`'s picture as unreadable (and the
    /// file has not changed since).
    bool HasFailMark(const ThumbnailStamp& stamp) const;
    /// Marks `stamp`'s picture as unreadable (a 1 x 1 PNG with the keys).
    bool WriteFailMark(const ThumbnailStamp& stamp) const;

    /// True for files inside the cache itself: thumbnails of thumbnails are
    /// never made.
    bool Contains(const QByteArray& absolutePath) const;

private:
    std::optional<QImage> ReadChecked(const QString& path, const ThumbnailStamp& stamp) const;
    bool WriteChecked(const QString& folder, const QString& path, const ThumbnailStamp& stamp,
                      QImage image) const;

    QString m_root;
    QString m_program;
};

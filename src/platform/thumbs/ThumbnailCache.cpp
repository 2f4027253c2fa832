#include "platform/thumbs/ThumbnailCache.h"

#include <stdio.h>
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryFile>

namespace {

const QString kUriKey = QStringLiteral("Thumb::URI");
const QString kMTimeKey = QStringLiteral("Thumb::MTime");
const QString kSizeKey = QStringLiteral("Thumb::Size");
const QString kSoftwareKey = QStringLiteral("Software");
const QString kSoftware = QStringLiteral("Corvane");

QString FlavourFolder(ThumbnailFlavour flavour) {
    return flavour == ThumbnailFlavour::Normal ? QStringLiteral("normal") : QStringLiteral("large");
}

// The standard asks for private folders: thumbnails reveal what the user
// looked at.
bool MakePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

int FlavourSize(ThumbnailFlavour flavour) {
    return flavour == ThumbnailFlavour::Normal ? 128 : 256;
}

ThumbnailFlavour FlavourFor(int wanted) {
    return wanted <= FlavourSize(ThumbnailFlavour::Normal) ? ThumbnailFlavour::Normal
                                                           : ThumbnailFlavour::Large;
}

QString ThumbnailCacheRoot() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    // A relative XDG_CACHE_HOME is ignored, as other desktop programs do.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/thumbnails");
}

QByteArray ThumbnailUri(const QByteArray& absolutePath) {
    // Byte by byte: a name that is not UTF-8 keeps its bytes, as other
    // programs encode it, so all of them find the same thumbnail.
    static constexpr char kHex[] = "0123456789ABCDEF";
    static const QByteArray kKept = QByteArrayLiteral("-._~!$&'()*+,;=:@/");
    QByteArray uri = QByteArrayLiteral("file://");
    uri.reserve(uri.size() + absolutePath.size() * 3);
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || kKept.contains(c);
        if (plain) {
            uri.append(c);
        } else {
            uri.append('%');
            uri.append(kHex[byte >> 4]);
            uri.append(kHex[byte & 0xF]);
        }
    }
    return uri;
}

std::optional<ThumbnailStamp> StampOf(const QByteArray& absolutePath) {
    struct stat st {};
    if (::stat(absolutePath.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    ThumbnailStamp stamp;
    stamp.uri = ThumbnailUri(absolutePath);
    stamp.mtime = std::int64_t(st.st_mtim.tv_sec);
    stamp.size = std::uint64_t(st.st_size);
    return stamp;
}

ThumbnailCache::ThumbnailCache(QString root, QString program)
    : m_root(std::move(root)), m_program(std::move(program)) {}

QString ThumbnailCache::PathFor(ThumbnailFlavour flavour, const QByteArray& uri) const {
    const QByteArray md5 = QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex();
    return m_root + u'/' + FlavourFolder(flavour) + u'/' + QString::fromLatin1(md5) +
           QStringLiteral(".png");
}

QString ThumbnailCache::FailPathFor(const QByteArray& uri) const {
    const QByteArray md5 = QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex();
    return m_root + QStringLiteral("/fail/") + m_program + u'/' + QString::fromLatin1(md5) +
           QStringLiteral(".png");
}

std::optional<QImage> ThumbnailCache::ReadChecked(const QString& path,
                                                  const ThumbnailStamp& stamp) const {
    // The keys are read from the decoded thumbnail: QImageReader::text()
    // splits keys at their first colon, which "Thumb::URI" has. A thumbnail
    // is small, so decoding it to check it costs little.
    QImageReader reader(path, "png");
    QImage image = reader.read();
    if (image.isNull() || image.text(kUriKey).toLatin1() != stamp.uri)
        return std::nullopt;
    bool ok = false;
    const qint64 mtime = image.text(kMTimeKey).toLongLong(&ok);
    if (!ok || mtime != stamp.mtime)
        return std::nullopt;
    return image;
}

std::optional<QImage> ThumbnailCache::Read(ThumbnailFlavour flavour,
                                           const ThumbnailStamp& stamp) const {
    const QString path = PathFor(flavour, stamp.uri);
    if (!QFile::exists(path))
        return std::nullopt;
    return ReadChecked(path, stamp);
}

bool ThumbnailCache::WriteChecked(const QString& folder, const QString& path,
                                  const ThumbnailStamp& stamp, QImage image) const {
    if (!MakePrivateFolder(folder))
        return false;
    image.setText(kUriKey, QString::fromLatin1(stamp.uri));
    image.setText(kMTimeKey, QString::number(stamp.mtime));
    image.setText(kSizeKey, QString::number(stamp.size));
    image.setText(kSoftwareKey, kSoftware);
    // QTemporaryFile makes its file with mode 0600, as the standard wants.
    QTemporaryFile temp(folder + QStringLiteral("/.corvane-XXXXXX.png"));
    if (!temp.open())
        return false;
    QImageWriter writer(&temp, "png");
    if (!writer.write(image) || !temp.flush())
        return false;
    temp.close();
    // rename(2) replaces an older thumbnail in one step; on failure the
    // temporary file goes with `temp`.
    if (::rename(QFile::encodeName(temp.fileName()).constData(),
                 QFile::encodeName(path).constData()) != 0)
        return false;
    temp.setAutoRemove(false);
    return true;
}

bool ThumbnailCache::Write(ThumbnailFlavour flavour, const ThumbnailStamp& stamp,
                           const QImage& image) const {
    if (image.isNull())
        return false;
    const QString path = PathFor(flavour, stamp.uri);
    return WriteChecked(m_root + u'/' + FlavourFolder(flavour), path, stamp, image);
}

bool ThumbnailCache::HasFailMark(const ThumbnailStamp& stamp) const {
    const QString path = FailPathFor(stamp.uri);
    return QFile::exists(path) && ReadChecked(path, stamp).has_value();
}

bool ThumbnailCache::WriteFailMark(const ThumbnailStamp& stamp) const {
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    return WriteChecked(m_root + QStringLiteral("/fail/") + m_program, FailPathFor(stamp.uri),
                        stamp, mark);
}

bool ThumbnailCache::Contains(const QByteArray& absolutePath) const {
    const QByteArray root = QFile::encodeName(m_root) + '/';
    return absolutePath.startsWith(root);
}

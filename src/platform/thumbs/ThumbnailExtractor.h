#pragma once
// What stands in for the shell's image extraction: a preview image of a
// picture file at most a given size, keeping its aspect ratio.
//
// Extract() looks in the freedesktop cache first (ThumbnailCache.h): a
// matching thumbnail is used without reading the picture at all. Otherwise
// the picture is decoded scaled down (QImageReader::setScaledSize, so a
// large JPEG is decoded at a fraction of its size), the thumbnail is written
// to the cache for everybody, and the result is scaled to the size asked
// for. A file in no image format Qt knows gives a null image at once; a
// picture that cannot be decoded gives a null image and a failure mark in
// the cache, so it is not decoded again until it changes.
//
// Safe on any thread: an extractor holds only its cache root and its
// decoder; QImage (not QPixmap) is used throughout.

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

#include "platform/thumbs/ThumbnailCache.h"

/// Decodes the picture at `path` scaled to fit `bound` (never enlarged); a
/// null image when it cannot be decoded. The seam through which tests count
/// the decodes.
using PictureDecoder = std::function<QImage(const QString& path, const QSize& bound)>;

/// The real decoder: QImageReader with the picture's own orientation applied
/// and Qt's allocation limit guarding against pictures of absurd dimensions.
QImage DecodePicture(const QString& path, const QSize& bound);

/// `size` scaled to fit `bound` keeping its aspect ratio, never enlarged.
QSize FitWithin(const QSize& size, const QSize& bound);

/// True when Qt can read at least one image format.
bool ThumbnailsSupported();

struct ThumbnailResult {
    QImage image;            // null when there is no preview
    bool fromCache = false;  // taken from the cache, the picture not read
};

class ThumbnailExtractor {
public:
    explicit ThumbnailExtractor(ThumbnailCache cache, PictureDecoder decoder = DecodePicture);

    /// The preview of the file at `path` fitting `wanted`. With `useCache`
    /// (a file that has a stable path: not a temporary copy) the cache is
    /// read and written; files inside the cache itself are never cached.
    ThumbnailResult Extract(const QString& path, const QSize& wanted, bool useCache) const;

private:
    ThumbnailCache m_cache;
    PictureDecoder m_decoder;
};

#include "platform/thumbs/ThumbnailExtractor.h"

#include <QFile>
#include <QImageReader>

QSize FitWithin(const QSize& size, const QSize& bound) {
    if (size.isEmpty() || bound.isEmpty())
        return {};
    if (size.width() <= bound.width() && size.height() <= bound.height())
        return size;
    return size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage DecodePicture(const QString& path, const QSize& bound) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    // A rotated picture's stored size is the unrotated one.
    if (size.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        size.transpose();
    if (size.isValid()) {
        const QSize fitted = FitWithin(size, bound);
        if (fitted.isEmpty())
            return {};
        if (fitted != size)
            reader.setScaledSize(
                reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)
                    ? fitted.transposed()
                    : fitted);
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // Formats that do not report their size before decoding are scaled now.
    const QSize fitted = FitWithin(image.size(), bound);
    if (fitted != image.size())
        image = image.scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

bool ThumbnailsSupported() {
    return !QImageReader::supportedImageFormats().isEmpty();
}

ThumbnailExtractor::ThumbnailExtractor(ThumbnailCache cache, PictureDecoder decoder)
    : m_cache(std::move(cache)), m_decoder(std::move(decoder)) {}

ThumbnailResult ThumbnailExtractor::Extract(const QString& path, const QSize& wanted,
                                            bool useCache) const {
    ThumbnailResult result;
    if (wanted.isEmpty())
        return result;
    const QByteArray bytes = QFile::encodeName(path);
    std::optional<ThumbnailStamp> stamp;
    if (useCache && !m_cache.Contains(bytes))
        stamp = StampOf(bytes);

    const int longest = std::max(wanted.width(), wanted.height());
    const ThumbnailFlavour flavour = FlavourFor(longest);
    const QSize flavourBound(FlavourSize(flavour), FlavourSize(flavour));
    if (stamp) {
        // A larger flavour serves a smaller request; a smaller one would be
        // blurred when shown, so it is not taken.
        for (ThumbnailFlavour f : {flavour, ThumbnailFlavour::Large}) {
            if (std::optional<QImage> cached = m_cache.Read(f, *stamp)) {
                result.image = *cached;
                result.fromCache = true;
                break;
            }
            if (f == ThumbnailFlavour::Large)
                break;
        }
        if (!result.fromCache && m_cache.HasFailMark(*stamp))
            return result;
    }

    if (!result.fromCache) {
        // Most files the focus passes are no pictures at all: they get
        // neither a decode nor a failure mark.
        if (QImageReader::imageFormat(path).isEmpty())
            return result;
        // Cached pictures are made at the flavour's size so that other
        // programs can use them; without the cache, at the size asked for.
        const QImage decoded = m_decoder(path, stamp ? flavourBound : wanted);
        if (decoded.isNull()) {
            if (stamp)
                m_cache.WriteFailMark(*stamp);
            return result;
        }
        if (stamp)
            m_cache.Write(flavour, *stamp, decoded);
        result.image = decoded;
    }

    const QSize fitted = FitWithin(result.image.size(), wanted);
    if (fitted != result.image.size())
        result.image = result.image.scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return result;
}

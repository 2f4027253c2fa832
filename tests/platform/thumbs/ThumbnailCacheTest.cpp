// The thumbnail cache as other desktop programs read and write it, and the
// extractor that prefers it to decoding the picture.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <atomic>

#include "platform/thumbs/ThumbnailCache.h"
#include "platform/thumbs/ThumbnailExtractor.h"
#include "support/TestDir.h"

namespace {

QByteArray PngOf(int width, int height, QColor colour = Qt::red) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return buffer.data();
}

bool SetMTime(const QByteArray& path, time_t seconds) {
    const struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimes(path.constData(), times) == 0;
}

// A decoder that counts its calls and otherwise decodes for real.
struct CountingDecoder {
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    PictureDecoder Get() const {
        return [calls = calls](const QString& path, const QSize& bound) {
            ++*calls;
            return DecodePicture(path, bound);
        };
    }
};

class ThumbnailCacheTest : public ::testing::Test {
protected:
    QString CacheRoot() const { return dir.Path() + QStringLiteral("/cache/thumbnails"); }
    QString Picture(const QByteArray& relative) const {
        return QString::fromUtf8(dir.Join(relative));
    }
    TestDir dir;
};

TEST_F(ThumbnailCacheTest, UriAndFileNameFollowTheStandard) {
    EXPECT_EQ(ThumbnailUri("/home/jens/photos/me.png"), "file:///home/jens/photos/me.png");
    // Blanks, percent signs and non-UTF-8 bytes are escaped byte by byte;
    // the characters GLib keeps stay as they are.
    EXPECT_EQ(ThumbnailUri("/a b/100%/x\xff.png"), "file:///a%20b/100%25/x%FF.png");
    EXPECT_EQ(ThumbnailUri("/k/a+b=c,d;e@f(1)!~.png"), "file:///k/a+b=c,d;e@f(1)!~.png");
    EXPECT_EQ(ThumbnailUri("/k/\xc3\xa9#?.png"), "file:///k/%C3%A9%23%3F.png");

    const ThumbnailCache cache(QStringLiteral("/c/thumbnails"));
    const QByteArray uri = "file:///home/jens/photos/me.png";
    const QString md5 =
        QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex());
    EXPECT_EQ(cache.PathFor(ThumbnailFlavour::Normal, uri),
              QStringLiteral("/c/thumbnails/normal/") + md5 + QStringLiteral(".png"));
    EXPECT_EQ(cache.PathFor(ThumbnailFlavour::Large, uri),
              QStringLiteral("/c/thumbnails/large/") + md5 + QStringLiteral(".png"));
    EXPECT_EQ(FlavourFor(100), ThumbnailFlavour::Normal);
    EXPECT_EQ(FlavourFor(128), ThumbnailFlavour::Normal);
    EXPECT_EQ(FlavourFor(129), ThumbnailFlavour::Large);
}

TEST_F(ThumbnailCacheTest, RootFollowsXdgCacheHome) {
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", "/some/cache");
    EXPECT_EQ(ThumbnailCacheRoot(), QStringLiteral("/some/cache/thumbnails"));
    // A relative value is ignored, as the base directory rules say.
    qputenv("XDG_CACHE_HOME", "relative/cache");
    EXPECT_TRUE(ThumbnailCacheRoot().endsWith(QStringLiteral("/.cache/thumbnails")));
    EXPECT_TRUE(QDir::isAbsolutePath(ThumbnailCacheRoot()));
    qputenv("XDG_CACHE_HOME", saved);
}

TEST_F(ThumbnailCacheTest, ExtractionWritesTheCacheWithTheKeysAndPrivateModes) {
    ASSERT_TRUE(dir.MakeFile("pics/big.png", PngOf(640, 320)));
    ASSERT_TRUE(SetMTime(dir.Join("pics/big.png"), 1500000000));
    CountingDecoder decoder;
    const ThumbnailExtractor extractor(ThumbnailCache(CacheRoot()), decoder.Get());

    const ThumbnailResult result =
        extractor.Extract(Picture("pics/big.png"), QSize(200, 200), true);
    ASSERT_FALSE(result.image.isNull());
    EXPECT_FALSE(result.fromCache);
    EXPECT_EQ(result.image.size(), QSize(200, 100));
    EXPECT_EQ(*decoder.calls, 1);

    // A 200-pixel request is served by the large flavour: 256 wide, the
    // aspect kept.
    const QByteArray uri = ThumbnailUri(dir.Join("pics/big.png"));
    const QString written = ThumbnailCache(CacheRoot()).PathFor(ThumbnailFlavour::Large, uri);
    const QImage thumbnail(written, "png");
    EXPECT_EQ(thumbnail.text(QStringLiteral("Thumb::URI")).toLatin1(), uri);
    EXPECT_EQ(thumbnail.text(QStringLiteral("Thumb::MTime")), QStringLiteral("1500000000"));
    EXPECT_EQ(thumbnail.size(), QSize(256, 128));

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(written).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(CacheRoot() + QStringLiteral("/large")).constData(), &st),
              0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // No temporary file is left next to it.
    EXPECT_EQ(
        QDir(CacheRoot() + QStringLiteral("/large")).entryList(QDir::Files | QDir::Hidden).size(),
        1);
}

TEST_F(ThumbnailCacheTest, ACachedThumbnailIsUsedWithoutDecodingThePicture) {
    ASSERT_TRUE(dir.MakeFile("pics/seen.png", PngOf(64, 64, Qt::red)));
    ASSERT_TRUE(SetMTime(dir.Join("pics/seen.png"), 1600000000));
    // Another program's thumbnail: blue, where the picture is red.
    const ThumbnailCache cache(CacheRoot());
    const std::optional<ThumbnailStamp> stamp = StampOf(dir.Join("pics/seen.png"));
    ASSERT_TRUE(stamp);
    QImage theirs(100, 50, QImage::Format_RGB32);
    theirs.fill(Qt::blue);
    ASSERT_TRUE(cache.Write(ThumbnailFlavour::Normal, *stamp, theirs));

    CountingDecoder decoder;
    const ThumbnailExtractor extractor(cache, decoder.Get());
    const ThumbnailResult result =
        extractor.Extract(Picture("pics/seen.png"), QSize(120, 120), true);
    EXPECT_TRUE(result.fromCache);
    EXPECT_EQ(*decoder.calls, 0);
    EXPECT_EQ(result.image.size(), QSize(100, 50));
    EXPECT_EQ(result.image.pixelColor(5, 5), QColor(Qt::blue));

    // A large thumbnail also serves a normal request, scaled down.
    ASSERT_TRUE(QFile::remove(cache.PathFor(ThumbnailFlavour::Normal, stamp->uri)));
    QImage large(256, 256, QImage::Format_RGB32);
    large.fill(Qt::green);
    ASSERT_TRUE(cache.Write(ThumbnailFlavour::Large, *stamp, large));
    const ThumbnailResult fromLarge =
        extractor.Extract(Picture("pics/seen.png"), QSize(64, 64), true);
    EXPECT_TRUE(fromLarge.fromCache);
    EXPECT_EQ(fromLarge.image.size(), QSize(64, 64));
    EXPECT_EQ(*decoder.calls, 0);
}

TEST_F(ThumbnailCacheTest, AStaleOrForeignThumbnailIsNotUsed) {
    ASSERT_TRUE(dir.MakeFile("pics/p.png", PngOf(40, 30, Qt::red)));
    ASSERT_TRUE(SetMTime(dir.Join("pics/p.png"), 1600000000));
    const ThumbnailCache cache(CacheRoot());
    ThumbnailStamp old = *StampOf(dir.Join("pics/p.png"));
    QImage blue(40, 30, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(cache.Write(ThumbnailFlavour::Normal, old, blue));

    // The file changed after the thumbnail was made.
    ASSERT_TRUE(SetMTime(dir.Join("pics/p.png"), 1600000100));
    CountingDecoder decoder;
    const ThumbnailExtractor extractor(cache, decoder.Get());
    ThumbnailResult result = extractor.Extract(Picture("pics/p.png"), QSize(100, 100), true);
    EXPECT_FALSE(result.fromCache);
    EXPECT_EQ(*decoder.calls, 1);
    EXPECT_EQ(result.image.pixelColor(1, 1), QColor(Qt::red));
    // ... and the cache now holds the fresh one.
    const ThumbnailStamp now = *StampOf(dir.Join("pics/p.png"));
    ASSERT_TRUE(cache.Read(ThumbnailFlavour::Normal, now));
    EXPECT_EQ(cache.Read(ThumbnailFlavour::Normal, now)->pixelColor(1, 1), QColor(Qt::red));

    // A file under the right name whose URI key names another file.
    ThumbnailStamp other = now;
    other.uri = "file:///elsewhere.png";
    QImage green(40, 30, QImage::Format_RGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(cache.Write(ThumbnailFlavour::Normal, other, green));
    ASSERT_TRUE(QFile::remove(cache.PathFor(ThumbnailFlavour::Normal, now.uri)));
    ASSERT_TRUE(QFile::rename(cache.PathFor(ThumbnailFlavour::Normal, other.uri),
                              cache.PathFor(ThumbnailFlavour::Normal, now.uri)));
    EXPECT_FALSE(cache.Read(ThumbnailFlavour::Normal, now));
}

TEST_F(ThumbnailCacheTest, APictureThatCannotBeDecodedGivesNoPreviewAndIsMarked) {
    // A PNG signature followed by rubbish, and a damaged JPEG.
    QByteArray broken = PngOf(50, 50);
    broken.truncate(40);
    ASSERT_TRUE(dir.MakeFile("pics/broken.png", broken));
    ASSERT_TRUE(dir.MakeFile("pics/broken.jpg", QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11) +
                                                    QByteArray(300, '\x7f')));
    CountingDecoder decoder;
    const ThumbnailCache cache(CacheRoot());
    const ThumbnailExtractor extractor(cache, decoder.Get());

    for (const char* name : {"pics/broken.png", "pics/broken.jpg"}) {
        SCOPED_TRACE(name);
        const int before = *decoder.calls;
        ThumbnailResult result = extractor.Extract(Picture(name), QSize(100, 100), true);
        EXPECT_TRUE(result.image.isNull());
        EXPECT_EQ(*decoder.calls, before + 1);
        EXPECT_TRUE(cache.HasFailMark(*StampOf(dir.Join(name))));
        EXPECT_FALSE(
            QFile::exists(cache.PathFor(ThumbnailFlavour::Normal, ThumbnailUri(dir.Join(name)))));
        // Not decoded again while it stays as it is.
        result = extractor.Extract(Picture(name), QSize(100, 100), true);
        EXPECT_TRUE(result.image.isNull());
        EXPECT_EQ(*decoder.calls, before + 1);
    }
}

TEST_F(ThumbnailCacheTest, FilesThatAreNoPicturesAreNeitherDecodedNorMarked) {
    ASSERT_TRUE(dir.MakeFile("notes.txt", "just some text\n"));
    CountingDecoder decoder;
    const ThumbnailExtractor extractor(ThumbnailCache(CacheRoot()), decoder.Get());
    EXPECT_TRUE(extractor.Extract(Picture("notes.txt"), QSize(100, 100), true).image.isNull());
    EXPECT_EQ(*decoder.calls, 0);
    EXPECT_FALSE(QFile::exists(CacheRoot()));
}

TEST_F(ThumbnailCacheTest, TemporaryCopiesAndTheCacheItselfAreNotCached) {
    ASSERT_TRUE(dir.MakeFile("pics/copy.png", PngOf(30, 30)));
    CountingDecoder decoder;
    const ThumbnailCache cache(CacheRoot());
    const ThumbnailExtractor extractor(cache, decoder.Get());
    ThumbnailResult result = extractor.Extract(Picture("pics/copy.png"), QSize(20, 20), false);
    EXPECT_EQ(result.image.size(), QSize(20, 20));
    EXPECT_FALSE(QFile::exists(CacheRoot()));

    // A thumbnail file viewed itself: previewed, but no thumbnail of it.
    ASSERT_TRUE(dir.MakeFile("cache/thumbnails/normal/x.png", PngOf(30, 30)));
    result =
        extractor.Extract(CacheRoot() + QStringLiteral("/normal/x.png"), QSize(100, 100), true);
    EXPECT_FALSE(result.image.isNull());
    EXPECT_EQ(QDir(CacheRoot() + QStringLiteral("/normal")).entryList(QDir::Files).size(), 1);
}

TEST(FitWithinTest, ScalesDownKeepingTheAspectNeverUp) {
    EXPECT_EQ(FitWithin(QSize(100, 50), QSize(300, 300)), QSize(100, 50));
    EXPECT_EQ(FitWithin(QSize(600, 300), QSize(300, 300)), QSize(300, 150));
    EXPECT_EQ(FitWithin(QSize(300, 900), QSize(300, 300)), QSize(100, 300));
    EXPECT_EQ(FitWithin(QSize(10000, 1), QSize(100, 100)), QSize(100, 1));
    EXPECT_TRUE(FitWithin(QSize(0, 10), QSize(100, 100)).isEmpty());
}

}  // namespace

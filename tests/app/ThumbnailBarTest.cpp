// The thumbnail bar in the running frame: it follows the active pane's
// focused file after the delay, takes pictures from the cache without
// decoding them, survives pictures that cannot be decoded, and copies its
// preview.
#include <QBuffer>
#include <QClipboard>
#include <QDockWidget>
#include <QImageWriter>
#include <atomic>

#include "FrameFixture.h"
#include "app/FrameBars.h"
#include "app/SizableBars.h"
#include "app/ThumbnailBar.h"
#include "platform/thumbs/ThumbnailCache.h"

namespace {

QByteArray PngOf(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return buffer.data();
}

TEST(ThumbnailRulesTest, MaxFileSizeIsClampedAndWrittenBack) {
    TestDir dir;
    ProfileStore store(dir.Path() + QStringLiteral("/s.ini"));
    const QString section = QStringLiteral("MainFrame Settings");
    EXPECT_EQ(LoadMaxFileSizeThumb(store, section), 1000000u);
    EXPECT_EQ(store.GetProfileInt(section, kMaxFileSizeThumbKey, 0), 1000000);
    store.WriteProfileInt(section, kMaxFileSizeThumbKey, 99);
    EXPECT_EQ(LoadMaxFileSizeThumb(store, section), 1000000u);
    EXPECT_EQ(store.GetProfileInt(section, kMaxFileSizeThumbKey, 0), 1000000);
    store.WriteProfileInt(section, kMaxFileSizeThumbKey, 100);
    EXPECT_EQ(LoadMaxFileSizeThumb(store, section), 100u);
    // A negative value is a very large limit, not a tiny one.
    store.WriteProfileInt(section, kMaxFileSizeThumbKey, -1);
    EXPECT_EQ(LoadMaxFileSizeThumb(store, section), 0xFFFFFFFFu);

    EXPECT_TRUE(WithinThumbLimit(100, 100));
    EXPECT_FALSE(WithinThumbLimit(101, 100));
    EXPECT_TRUE(WithinThumbLimit(std::uint64_t(5) << 32, 0));
    // Sizes of 4 GB and more exceed every limit that is set, the largest too.
    EXPECT_FALSE(WithinThumbLimit(std::uint64_t(1) << 32, 0xFFFFFFFFu));
}

TEST(ThumbnailRulesTest, PreviewIsCentredAndOnlyScaledDown) {
    EXPECT_EQ(PreviewRect(QSize(100, 50), QSize(300, 300)), QRect(100, 125, 100, 50));
    EXPECT_EQ(PreviewRect(QSize(600, 300), QSize(300, 300)), QRect(0, 75, 300, 150));
    EXPECT_EQ(PreviewRect(QSize(50, 900), QSize(300, 300)), QRect(142, 0, 16, 300));
    EXPECT_TRUE(PreviewRect(QSize(), QSize(300, 300)).isEmpty());
}

class ThumbnailBarTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        savedCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.Path() + QStringLiteral("/cache")));
        ASSERT_TRUE(dir.MakeFile("left/red.png", PngOf(400, 200, Qt::red)));
        ASSERT_TRUE(dir.MakeFile("left/blue.png", PngOf(60, 60, Qt::blue)));
        QByteArray broken = PngOf(80, 80, Qt::green);
        broken.truncate(60);
        ASSERT_TRUE(dir.MakeFile("left/broken.png", broken));
        ASSERT_TRUE(dir.MakeFile("left/empty.png", ""));
        for (int i = 0; i < 10; ++i)
            ASSERT_TRUE(dir.MakeFile(QByteArray("left/n") + QByteArray::number(i) + ".png",
                                     PngOf(20, 20, Qt::yellow)));
    }
    void TearDown() override {
        FrameFixture::TearDown();
        qputenv("XDG_CACHE_HOME", savedCache);
    }

    CThumbnailBar* StartWithBar() {
        if (!Start())
            return nullptr;
        CThumbnailBar* bar = frame->Bars()->ThumbBar();
        bar->Preview()->SetDecoder([this](const QString& path, const QSize& bound) {
            ++decodes;
            return DecodePicture(path, bound);
        });
        frame->GetLeftPane()->setFocus();
        QCoreApplication::processEvents();
        return bar;
    }

    /// Focuses `name` in the left pane and runs the bar's idle update and
    /// its timer as the event loop would after the delay; then waits for the
    /// worker's answer when one was asked for.
    void Preview(CThumbnailBar* bar, const QString& name) {
        ASSERT_GE(frame->GetLeftPane()->FocusByName(name, true), 0) << name.toStdString();
        bar->IdleUpdate();
        ASSERT_TRUE(bar->PreviewPending());
        const int before = bar->Preview()->RequestCount();
        bar->OnPreviewTimer();
        if (bar->Preview()->RequestCount() != before)
            WaitForResult(bar);
    }
    void WaitForResult(CThumbnailBar* bar) {
        bar->Preview()->WaitForWorkers();
        QCoreApplication::sendPostedEvents(bar->Preview(), WM_THUMBNAIL_READY);
    }

    QByteArray savedCache;
    std::atomic<int> decodes{0};
};

TEST_F(ThumbnailBarTest, AltPShowsTheFocusedPictureAndTheCacheSparesTheSecondDecode) {
    CThumbnailBar* bar = StartWithBar();
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_TRUE(bar->isFloating());
    // ID_VIEW_THUMBBAR toggles the bar; its menu item is checked while it shows.
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_THUMBBAR));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar));
    EXPECT_TRUE(frame->Commands().Update(ID_VIEW_THUMBBAR).checked);

    Preview(bar, QStringLiteral("red.png"));
    ASSERT_TRUE(bar->Preview()->HasPreview());
    const QImage shown = bar->Preview()->Image();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::red));
    // Never larger than the window, the aspect kept.
    EXPECT_LE(shown.width(), bar->Preview()->width());
    EXPECT_LE(shown.height(), bar->Preview()->height());
    EXPECT_NEAR(double(shown.width()) / shown.height(), 2.0, 0.05);
    EXPECT_EQ(decodes, 1);

    // The thumbnail went into the cache under the standard's name.
    const ThumbnailCache cache(dir.Path() + QStringLiteral("/cache/thumbnails"));
    const std::optional<ThumbnailStamp> stamp = StampOf(dir.Join("left/red.png"));
    ASSERT_TRUE(stamp);
    EXPECT_TRUE(cache.Read(FlavourFor(std::max(bar->Preview()->width(), bar->Preview()->height())),
                           *stamp));

    // Away and back: the picture comes from the cache, not decoded again.
    Preview(bar, QStringLiteral("blue.png"));
    EXPECT_EQ(decodes, 2);
    Preview(bar, QStringLiteral("red.png"));
    EXPECT_EQ(decodes, 2);
    ASSERT_TRUE(bar->Preview()->HasPreview());
    EXPECT_EQ(bar->Preview()->Image().pixelColor(10, 10), QColor(Qt::red));
}

TEST_F(ThumbnailBarTest, WhatCannotBePreviewedClearsThePreviewWithoutACrash) {
    CThumbnailBar* bar = StartWithBar();
    ASSERT_TRUE(bar);
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_THUMBBAR));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar));

    Preview(bar, QStringLiteral("red.png"));
    ASSERT_TRUE(bar->Preview()->HasPreview());
    // A picture that cannot be decoded: no preview, the old one gone.
    Preview(bar, QStringLiteral("broken.png"));
    EXPECT_FALSE(bar->Preview()->HasPreview());

    // A folder and an empty file clear without asking a worker.
    Preview(bar, QStringLiteral("red.png"));
    ASSERT_TRUE(bar->Preview()->HasPreview());
    int requests = bar->Preview()->RequestCount();
    Preview(bar, QStringLiteral("sub"));
    EXPECT_FALSE(bar->Preview()->HasPreview());
    Preview(bar, QStringLiteral("red.png"));
    requests = bar->Preview()->RequestCount();
    Preview(bar, QStringLiteral("empty.png"));
    EXPECT_FALSE(bar->Preview()->HasPreview());
    EXPECT_EQ(bar->Preview()->RequestCount(), requests);

    // A file over "nMaxFileSizeThumb" is not read.
    bar->SetMaxFileSize(100);
    Preview(bar, QStringLiteral("red.png"));
    EXPECT_FALSE(bar->Preview()->HasPreview());
    EXPECT_EQ(bar->Preview()->RequestCount(), requests);
}

TEST_F(ThumbnailBarTest, MovingThroughTenFilesQuicklyPreviewsOnlyTheLast) {
    CThumbnailBar* bar = StartWithBar();
    ASSERT_TRUE(bar);
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_THUMBBAR));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar));
    const int before = bar->Preview()->RequestCount();
    for (int i = 0; i < 10; ++i) {
        ASSERT_GE(frame->GetLeftPane()->FocusByName(QStringLiteral("n%1.png").arg(i), true), 0);
        bar->IdleUpdate();
    }
    bar->OnPreviewTimer();
    EXPECT_EQ(bar->Preview()->RequestCount(), before + 1);
    WaitForResult(bar);
    ASSERT_TRUE(bar->Preview()->HasPreview());
    EXPECT_EQ(bar->Preview()->Image().pixelColor(1, 1), QColor(Qt::yellow));
    EXPECT_EQ(decodes, 1);
}

TEST_F(ThumbnailBarTest, ALateResultNeverReplacesTheNewerItemsPreview) {
    CThumbnailBar* bar = StartWithBar();
    ASSERT_TRUE(bar);
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_THUMBBAR));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar));
    // Two requests in a row; the first one's answer arrives after the second
    // was made, and is dropped.
    CThumbPreview* preview = bar->Preview();
    preview->Request(dir.Path() + QStringLiteral("/left/red.png"), true);
    preview->Request(dir.Path() + QStringLiteral("/left/blue.png"), true);
    WaitForResult(bar);
    ASSERT_TRUE(preview->HasPreview());
    EXPECT_EQ(preview->Image().pixelColor(1, 1), QColor(Qt::blue));
}

TEST_F(ThumbnailBarTest, CopyPreviewSaysWhyNotOrFillsTheClipboard) {
    CThumbnailBar* bar = StartWithBar();
    ASSERT_TRUE(bar);
    ASSERT_TRUE(frame->Commands().Execute(ID_EDIT_COPY_PREVIEW));
    EXPECT_TRUE(HasNotice(
        QStringLiteral("Please select the thumbnail bar from View | Toolbars menu"), true));

    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_THUMBBAR));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar));
    Preview(bar, QStringLiteral("empty.png"));
    ASSERT_TRUE(frame->Commands().Execute(ID_EDIT_COPY_PREVIEW));
    EXPECT_TRUE(HasNotice(QStringLiteral("This item doesn't have a preview"), true));

    Preview(bar, QStringLiteral("blue.png"));
    ASSERT_TRUE(bar->Preview()->HasPreview());
    ASSERT_TRUE(frame->Commands().Execute(ID_EDIT_COPY_PREVIEW));
    EXPECT_TRUE(HasNotice(QStringLiteral("Preview image placed in the clipboard"), false));
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), bar->Preview()->Image().size());
    EXPECT_EQ(copied.pixelColor(1, 1), QColor(Qt::blue));

    // Without any image format there is no preview window, and the bar's
    // command is disabled.
    bar->SetThumbnailsAvailable(false);
    EXPECT_FALSE(frame->Commands().Update(ID_VIEW_THUMBBAR).enabled);
    ASSERT_TRUE(frame->Commands().Execute(ID_EDIT_COPY_PREVIEW));
    EXPECT_TRUE(HasNotice(QStringLiteral("This OS doesn't seem to support thumbnails"), true));
}

}  // namespace

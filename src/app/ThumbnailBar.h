#pragma once
// The thumbnail bar: a dock ("ThumbBar", id 59403) holding a grey sunken
// frame and, inside it, the preview of the active pane's focused file.
//
// Following the focus (main thread):
//   IdleUpdate()      asked often (an idle timer while the bar is shown): when
//                     the focused item differs from the one awaiting a
//                     preview, the 300 ms timer starts again for it, so moving
//                     through many files quickly previews only the last one;
//   OnPreviewTimer()  the timer: an item that lost the focus is forgotten,
//                     then UpdatePreview();
//   UpdatePreview()   nothing while the preview is hidden; an item qualifies
//                     when it is not a folder, is a file-system item or an
//                     entry of an archive-like folder, is not empty, and is
//                     not larger than "nMaxFileSizeThumb" (0: no limit). A
//                     qualifying item starts a worker; anything else clears
//                     the preview.
//
// Workers run on the preview's WorkerThread, one job per request: each
// reads a copy of what it needs (path, wanted size) and hands its result
// back by a posted call, which posts event WM_THUMBNAIL_READY to the preview window.
// A new request lets go of a decode still running (it can't be stopped part
// way, and its result would be dropped) instead of waiting for it; only the
// result of the request made last is shown. The bar's destruction waits for
// the current job.
//
// "Copy pre&view" (ID_EDIT_COPY_PREVIEW) puts the current preview on the clipboard.

#include <QDockWidget>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/thread/WorkerThread.h"
#include "platform/thumbs/ThumbnailExtractor.h"

class FolderItem;
class ProfileStore;

inline const QString kMaxFileSizeThumbKey = QStringLiteral("nMaxFileSizeThumb");
inline constexpr std::uint32_t kDefaultMaxFileSizeThumb = 1000000;
/// The delay between the focus settling on an item and its preview.
inline constexpr int kPreviewDelayMs = 300;
/// The preview window's margin inside the grey frame.
inline constexpr int kPreviewMargin = 7;

/// "nMaxFileSizeThumb" of `section`: default 1000000; a stored value below
/// 100 becomes 1000000; a negative one is read unsigned (a very large
/// limit). The value is written back at once.
std::uint32_t LoadMaxFileSizeThumb(ProfileStore& store, const QString& section);

/// True when an item of `size` bytes may be previewed under `limit` (0: no
/// limit).
bool WithinThumbLimit(std::uint64_t size, std::uint32_t limit);

/// Where a thumbnail may be drawn: a picture smaller than the window in both
/// directions at its own size, a larger one scaled down keeping its aspect;
/// centred either way.
QRect PreviewRect(const QSize& picture, const QSize& window);

/// Event WM_THUMBNAIL_READY: a worker's result for request `serial`.
class ThumbnailReadyEvent : public QEvent {
public:
    ThumbnailReadyEvent(std::uint64_t serial, QImage image);
    std::uint64_t serial;
    QImage image;
};

/// The preview window: draws the current preview and takes the workers'
/// results.
class CThumbPreview : public QWidget {
    Q_OBJECT

public:
    explicit CThumbPreview(QWidget* parent = nullptr);
    ~CThumbPreview() override;

    /// Starts a worker for the file at `path` (queued behind older ones when
    /// the pool is busy); results of earlier requests will be dropped. False
    /// when it could not be started (the preview is then cleared).
    bool Request(const QString& path, bool useCache);
    /// No preview; a running request's result will be dropped.
    void Clear();
    const QImage& Image() const { return m_image; }
    bool HasPreview() const { return !m_image.isNull(); }

    /// The decoder the workers use (tests count the decodes through it).
    void SetDecoder(PictureDecoder decoder) { m_decoder = std::move(decoder); }
    /// Requests started so far, for tests and the end-to-end dump.
    int RequestCount() const { return m_requests; }
    /// Waits for the current worker and posts its result's event WM_THUMBNAIL_READY (the
    /// bar's destruction waits too).
    void WaitForWorkers();

Q_SIGNALS:
    /// A request's result was taken (null image: no preview).
    void PreviewChanged();
    /// The window's size changed: a preview made for the old size may be
    /// too small now.
    void Resized();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    WorkerThread m_worker;
    PictureDecoder m_decoder = DecodePicture;
    std::uint64_t m_serial = 0;  // of the request made last; 0: none awaited
    std::uint64_t m_nextSerial = 0;
    int m_requests = 0;
    QImage m_image;
    QPixmap m_pixmap;
};

class CThumbnailBar : public QDockWidget {
    Q_OBJECT

public:
    /// The active pane's focused item, or null.
    using FocusQuery = std::function<FolderItem*()>;

    CThumbnailBar(FocusQuery focus, QWidget* parent);
    ~CThumbnailBar() override;

    /// "nMaxFileSizeThumb" as loaded (LoadMaxFileSizeThumb).
    void SetMaxFileSize(std::uint32_t limit) { m_maxFileSize = limit; }
    std::uint32_t MaxFileSize() const { return m_maxFileSize; }
    bool ThumbnailsAvailable() const { return m_thumbnailsAvailable; }
    /// For tests: as if the image formats were (not) there.
    void SetThumbnailsAvailable(bool on);

    void IdleUpdate();
    void OnPreviewTimer();
    void UpdatePreview(FolderItem* item);
    /// True while the 300 ms timer runs.
    bool PreviewPending() const { return m_timer.isActive(); }

    /// ID_EDIT_COPY_PREVIEW: the preview to the clipboard, or the notice why not.
    void CopyPreview();

    CThumbPreview* Preview() const { return m_preview; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool Qualifies(FolderItem* item) const;

    FocusQuery m_focus;
    bool m_thumbnailsAvailable = false;
    std::uint32_t m_maxFileSize = kDefaultMaxFileSizeThumb;
    // Compared only, never read: it may name an item that has gone. Empty
    // until the first idle update after the bar appears, so that "no item"
    // is taken up as well.
    std::optional<const FolderItem*> m_awaiting;
    QTimer m_timer;
    QTimer m_idle;
    QWidget* m_frame = nullptr;
    CThumbPreview* m_preview = nullptr;
};

#include "app/ThumbnailBar.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFrame>
#include <QPainter>
#include <QVBoxLayout>

#include "app/SizableBars.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/Notice.h"

namespace {

constexpr std::uint32_t kMinMaxFileSizeThumb = 100;
// How often the focused item is compared while the bar shows: the idle
// update of the design, cheap enough to run a few times a second.
constexpr int kIdleIntervalMs = 100;

const QString kNoThumbnails = QStringLiteral("This OS doesn't seem to support thumbnails");
const QString kBarHidden =
    QStringLiteral("Please select the thumbnail bar from View | Toolbars menu");
const QString kNoPreview = QStringLiteral("This item doesn't have a preview");
const QString kPreviewCopied = QStringLiteral("Preview image placed in the clipboard");

}  // namespace

std::uint32_t LoadMaxFileSizeThumb(ProfileStore& store, const QString& section) {
    // The stored number is read as unsigned: a negative value is a very
    // large limit, not a tiny one.
    auto limit = std::uint32_t(
        store.GetProfileInt(section, kMaxFileSizeThumbKey, int(kDefaultMaxFileSizeThumb)));
    if (limit < kMinMaxFileSizeThumb)
        limit = kDefaultMaxFileSizeThumb;
    store.WriteProfileInt(section, kMaxFileSizeThumbKey, int(limit));
    return limit;
}

bool WithinThumbLimit(std::uint64_t size, std::uint32_t limit) {
    return limit == 0 || size <= limit;
}

QRect PreviewRect(const QSize& picture, const QSize& window) {
    const QSize shown = FitWithin(picture, window);
    if (shown.isEmpty())
        return {};
    return QRect(
        QPoint((window.width() - shown.width()) / 2, (window.height() - shown.height()) / 2),
        shown);
}

ThumbnailReadyEvent::ThumbnailReadyEvent(std::uint64_t serial, QImage image)
    : QEvent(QEvent::Type(WM_THUMBNAIL_READY)), serial(serial), image(std::move(image)) {}

// -- The preview window ----------------------------------------------------------

CThumbPreview::CThumbPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("thumbPreview"));
}

// The worker's posted calls go with the WorkerThread, which goes with this
// window, so no result reaches a window that is gone.
CThumbPreview::~CThumbPreview() = default;

void CThumbPreview::WaitForWorkers() {
    m_worker.Wait();
    m_worker.DeliverPosted();
}

bool CThumbPreview::Request(const QString& path, bool useCache) {
    const std::uint64_t serial = ++m_nextSerial;
    m_serial = serial;
    ++m_requests;
    // The worker gets copies of everything it reads.
    const QSize wanted = size();
    const ThumbnailExtractor extractor(ThumbnailCache(ThumbnailCacheRoot()), m_decoder);
    QWidget* target = this;
    m_worker.Abandon();
    m_worker.Start([extractor, path, wanted, useCache, serial, target](const JobControl& control) {
        ThumbnailResult result = extractor.Extract(path, wanted, useCache);
        control.Post([target, serial, image = std::move(result.image)] {
            QCoreApplication::postEvent(target, new ThumbnailReadyEvent(serial, image));
        });
    });
    return true;
}

void CThumbPreview::Clear() {
    m_serial = 0;
    m_image = QImage();
    m_pixmap = QPixmap();
    update();
}

bool CThumbPreview::event(QEvent* event) {
    if (event->type() == QEvent::Type(WM_THUMBNAIL_READY)) {
        auto* ready = static_cast<ThumbnailReadyEvent*>(event);
        // A result for an item that is no longer awaited is dropped.
        if (ready->serial == m_serial && m_serial != 0) {
            m_serial = 0;
            m_image = ready->image;
            m_pixmap = m_image.isNull() ? QPixmap() : QPixmap::fromImage(m_image);
            update();
            Q_EMIT PreviewChanged();
        }
        return true;
    }
    return QWidget::event(event);
}

void CThumbPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Q_EMIT Resized();
}

void CThumbPreview::paintEvent(QPaintEvent*) {
    if (m_pixmap.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(PreviewRect(m_pixmap.size(), size()), m_pixmap);
}

// -- The bar ---------------------------------------------------------------------

CThumbnailBar::CThumbnailBar(FocusQuery focus, QWidget* parent)
    : QDockWidget(kThumbBarName, parent), m_focus(std::move(focus)) {
    setObjectName(kThumbBarName);
    setProperty("barId", kThumbBarId);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("thumbFrame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setAutoFillBackground(true);
    frame->setBackgroundRole(QPalette::Mid);
    m_frame = frame;
    setWidget(frame);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kPreviewDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &CThumbnailBar::OnPreviewTimer);
    m_idle.setInterval(kIdleIntervalMs);
    connect(&m_idle, &QTimer::timeout, this, &CThumbnailBar::IdleUpdate);
    SetThumbnailsAvailable(ThumbnailsSupported());
}

CThumbnailBar::~CThumbnailBar() = default;

void CThumbnailBar::SetThumbnailsAvailable(bool on) {
    m_thumbnailsAvailable = on;
    if (on && !m_preview) {
        m_preview = new CThumbPreview(m_frame);
        auto* layout = new QVBoxLayout(m_frame);
        layout->setContentsMargins(kPreviewMargin, kPreviewMargin, kPreviewMargin, kPreviewMargin);
        layout->addWidget(m_preview);
        // The focused item is previewed again at the new size, after the
        // usual delay (a drag of the bar's edge makes many sizes).
        connect(m_preview, &CThumbPreview::Resized, this, [this] { m_awaiting.reset(); });
    } else if (!on && m_preview) {
        delete m_frame->layout();
        delete m_preview;
        m_preview = nullptr;
    }
}

void CThumbnailBar::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    // The focused item is taken up afresh whenever the bar appears.
    m_awaiting.reset();
    m_idle.start();
    IdleUpdate();
}

void CThumbnailBar::hideEvent(QHideEvent* event) {
    QDockWidget::hideEvent(event);
    m_idle.stop();
}

void CThumbnailBar::IdleUpdate() {
    if (!m_thumbnailsAvailable || !m_focus)
        return;
    const FolderItem* focused = m_focus();
    if (m_awaiting && *m_awaiting == focused)
        return;
    m_awaiting = focused;
    m_timer.start();
}

void CThumbnailBar::OnPreviewTimer() {
    m_timer.stop();
    FolderItem* focused = m_focus ? m_focus() : nullptr;
    // The remembered item is used only while it is still the focused one:
    // otherwise it may be gone.
    if (!m_awaiting || *m_awaiting != focused)
        m_awaiting = nullptr;
    UpdatePreview(*m_awaiting ? focused : nullptr);
}

bool CThumbnailBar::Qualifies(FolderItem* item) const {
    if (!item || (item->attributes & SFGAO_FOLDER) != 0)
        return false;
    const bool fileSystem = (item->attributes & SFGAO_FILESYSTEM) != 0;
    const bool archiveEntry = item->folder && IsDescriptorFolder(item->folder->OwnerAttributes());
    if (!fileSystem && !archiveEntry)
        return false;
    return item->size != 0 && WithinThumbLimit(item->size, m_maxFileSize);
}

void CThumbnailBar::UpdatePreview(FolderItem* item) {
    if (!m_preview || !m_preview->isVisible())
        return;
    if (!Qualifies(item)) {
        m_preview->Clear();
        return;
    }
    // An archive's entry is read from its temporary copy, which has no
    // lasting name for the cache.
    const bool fileSystem = (item->attributes & SFGAO_FILESYSTEM) != 0;
    const QString path = fileSystem ? item->ItemPath() : item->TempCopy();
    if (path.isEmpty() || !m_preview->Request(path, fileSystem))
        m_preview->Clear();
}

void CThumbnailBar::CopyPreview() {
    if (!m_thumbnailsAvailable) {
        Notice(kNoThumbnails, true);
        return;
    }
    if (isHidden()) {
        Notice(kBarHidden, true);
        return;
    }
    if (!m_preview || !m_preview->HasPreview()) {
        Notice(kNoPreview, true);
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        Beep(BeepKind::Error);
        return;
    }
    clipboard->setImage(m_preview->Image());
    Notice(kPreviewCopied, false);
}

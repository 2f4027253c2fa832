#include "pane/PaneCaption.h"

#include <qdrawutil.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>

namespace {

const QString kNoFilterText = QStringLiteral("*");
const QString kEllipsis = QStringLiteral(".../");
constexpr QChar kSlash = QLatin1Char('/');

QString FullCaption(const QString& title, const QString& filterText) {
    if (filterText.isEmpty() || filterText == kNoFilterText)
        return title;
    return title + QStringLiteral(" [") + filterText + QLatin1Char(']');
}

}  // namespace

QString ShortenCaption(const QString& title, const QString& filterText, bool shortenable,
                       const QFontMetrics& metrics, int width) {
    const QString full = FullCaption(title, filterText);
    const int room = width - PaneCaption::kPadding;
    if (!shortenable || metrics.horizontalAdvance(full) <= room)
        return full;

    const qsizetype firstSlash = full.indexOf(kSlash);
    if (firstSlash < 0)
        return full;
    const QString head = full.left(firstSlash + 1) + kEllipsis;
    const QStringList parts = full.mid(firstSlash + 1).split(kSlash);
    const bool filtered = full.size() != title.size();
    // Keeping every component would shorten nothing.
    const qsizetype available = parts.size() - 1;
    if (available <= 0)
        return full;

    auto candidate = [&](qsizetype count) {
        return head + parts.mid(parts.size() - count).join(kSlash);
    };
    qsizetype count = std::min<qsizetype>(filtered ? 2 : 1, available);
    QString shortened = candidate(count);
    while (count < available) {
        const QString longer = candidate(count + 1);
        if (metrics.horizontalAdvance(longer) + PaneCaption::kPadding > width)
            break;
        shortened = longer;
        ++count;
    }
    return shortened.size() < full.size() ? shortened : full;
}

PaneCaption::PaneCaption(QWidget* parent) : QWidget(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    setFixedHeight(CaptionHeight());
    // A long title must not widen the pane: the strip shows what fits.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void PaneCaption::SetCaption(const QString& title, const QString& filterText, bool shortenable) {
    m_title = title;
    m_filterText = filterText;
    m_shortenable = shortenable;
    update();
}

void PaneCaption::SetActiveQuery(std::function<bool()> isActive) {
    m_isActive = std::move(isActive);
    update();
}

QString PaneCaption::FullText() const {
    return FullCaption(m_title, m_filterText);
}

QString PaneCaption::ShownText() const {
    return ShortenCaption(m_title, m_filterText, m_shortenable, fontMetrics(), width());
}

bool PaneCaption::IsActive() const {
    return m_isActive && m_isActive();
}

int PaneCaption::CaptionHeight() const {
    return fontMetrics().height() + kPadding;
}

QSize PaneCaption::sizeHint() const {
    return {0, CaptionHeight()};
}

QSize PaneCaption::minimumSizeHint() const {
    return sizeHint();
}

void PaneCaption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const bool active = IsActive();
    const QColor back =
        colours.color(QPalette::Active, active ? QPalette::Highlight : QPalette::Mid);
    const QColor fore =
        colours.color(QPalette::Active, active ? QPalette::HighlightedText : QPalette::WindowText);
    painter.fillRect(rect(), back);
    painter.setPen(fore);
    painter.setFont(font());
    const QFontMetrics metrics = fontMetrics();
    painter.drawText(QPoint(kTextLeft, kTextTop + metrics.ascent()), ShownText());
    qDrawShadePanel(&painter, rect(), colours, false, 1);
}

void PaneCaption::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Q_EMIT doubleClicked();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

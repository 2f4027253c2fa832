#include "editor/HexView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <climits>

QByteArray FormatHexLine(const unsigned char* bytes, int count) {
    static const char kDigits[] = "0123456789ABCDEF";
    QByteArray line;
    line.reserve(kHexPartWidth + kHexBytesPerLine);
    for (int column = 0; column < kHexBytesPerLine; ++column) {
        if (column < count) {
            line.append(kDigits[bytes[column] >> 4]);
            line.append(kDigits[bytes[column] & 0xF]);
        } else {
            line.append("  ");
        }
        line.append(' ');
        if (column % 4 == 3)
            line.append(' ');
    }
    for (int column = 0; column < count; ++column) {
        const unsigned char byte = bytes[column];
        line.append(byte >= 0x20 && byte <= 0x7F ? char(byte) : '.');
    }
    return line;
}

QByteArray FormatHexDump(const QByteArray& data) {
    QByteArray dump;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype at = 0; at < data.size(); at += kHexBytesPerLine) {
        dump +=
            FormatHexLine(bytes + at, int(std::min<qsizetype>(kHexBytesPerLine, data.size() - at)));
        dump += '\n';
    }
    return dump;
}

HexView::HexView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
}

HexView::~HexView() {
    Close();
}

bool HexView::Open(const QString& path) {
    Close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = m_file.size();
    uchar* data = size > 0 ? m_file.map(0, size) : nullptr;
    if (!data) {
        m_file.close();
        return false;
    }
    m_data = data;
    m_size = size;
    m_current = 0;
    UpdateScrollBar();
    viewport()->update();
    return true;
}

void HexView::Close() {
    if (m_data)
        m_file.unmap(const_cast<uchar*>(m_data));
    m_data = nullptr;
    m_size = 0;
    m_current = 0;
    if (m_file.isOpen())
        m_file.close();
}

QByteArray HexView::Line(qint64 line) const {
    if (!m_data || line < 0 || line >= LineCount())
        return {};
    const qint64 at = line * kHexBytesPerLine;
    return FormatHexLine(m_data + at, int(std::min<qint64>(kHexBytesPerLine, m_size - at)));
}

int HexView::LineHeight() const {
    return fontMetrics().lineSpacing();
}

int HexView::VisibleLines() const {
    return std::max(1, viewport()->height() / std::max(1, LineHeight()));
}

qint64 HexView::TopLine() const {
    return qint64(verticalScrollBar()->value()) * m_linesPerStep;
}

void HexView::UpdateScrollBar() {
    const qint64 lastTop = std::max<qint64>(0, LineCount() - VisibleLines());
    m_linesPerStep = lastTop / INT_MAX + 1;
    verticalScrollBar()->setRange(0, int(lastTop / m_linesPerStep));
    verticalScrollBar()->setPageStep(std::max<int>(1, int(VisibleLines() / m_linesPerStep)));
    verticalScrollBar()->setSingleStep(1);
}

void HexView::SetCurrentLine(qint64 line) {
    line = std::clamp<qint64>(line, 0, std::max<qint64>(0, LineCount() - 1));
    if (line == m_current)
        return;
    m_current = line;
    EnsureCurrentVisible();
    viewport()->update();
    Q_EMIT CurrentLineChanged();
}

void HexView::EnsureCurrentVisible() {
    const qint64 top = TopLine();
    if (m_current < top)
        verticalScrollBar()->setValue(int(m_current / m_linesPerStep));
    else if (m_current >= top + VisibleLines())
        verticalScrollBar()->setValue(
            int((m_current - VisibleLines() + 1 + m_linesPerStep - 1) / m_linesPerStep));
}

void HexView::SetColors(const QColor& text, const QColor& background) {
    m_text = text;
    m_background = background;
    viewport()->update();
}

void HexView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(viewport()->rect(),
                     m_background.isValid() ? m_background : pal.color(QPalette::Base));
    const int height = LineHeight();
    const int ascent = fontMetrics().ascent();
    const int margin = 4;
    const qint64 top = TopLine();
    const int rows = viewport()->height() / height + 1;
    for (int row = 0; row < rows; ++row) {
        const qint64 line = top + row;
        if (line >= LineCount())
            break;
        const int y = row * height;
        if (line == m_current) {
            painter.fillRect(QRect(0, y, viewport()->width(), height),
                             pal.color(QPalette::Highlight));
            painter.setPen(pal.color(QPalette::HighlightedText));
        } else {
            painter.setPen(m_text.isValid() ? m_text : pal.color(QPalette::Text));
        }
        painter.drawText(margin - horizontalScrollBar()->value(), y + ascent,
                         QString::fromLatin1(Line(line)));
    }
}

void HexView::keyPressEvent(QKeyEvent* event) {
    const int page = VisibleLines();
    switch (event->key()) {
        case Qt::Key_Up:
            SetCurrentLine(m_current - 1);
            break;
        case Qt::Key_Down:
            SetCurrentLine(m_current + 1);
            break;
        case Qt::Key_PageUp:
            SetCurrentLine(m_current - page);
            break;
        case Qt::Key_PageDown:
            SetCurrentLine(m_current + page);
            break;
        case Qt::Key_Home:
            if (event->modifiers() & Qt::ControlModifier)
                SetCurrentLine(0);
            break;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier)
                SetCurrentLine(LineCount() - 1);
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void HexView::mousePressEvent(QMouseEvent* event) {
    SetCurrentLine(TopLine() + event->position().toPoint().y() / LineHeight());
    QAbstractScrollArea::mousePressEvent(event);
}

void HexView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
    const int width =
        fontMetrics().horizontalAdvance(QLatin1Char('0')) * (kHexPartWidth + kHexBytesPerLine) + 8;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void HexView::scrollContentsBy(int, int) {
    viewport()->update();
}

#include "editor/HexView.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <cerrno>
#include <climits>

namespace {

constexpr qint64 kBlockSize = 64 * 1024;  // a whole number of lines
constexpr std::size_t kBlocksKept = 8;

qint64 ModifiedOf(const struct stat& info) {
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

}  // namespace

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
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    struct stat info {};
    if (::fstat(m_file.handle(), &info) != 0 || info.st_size <= 0) {
        m_file.close();
        return false;
    }
    m_size = info.st_size;
    m_modified = ModifiedOf(info);
    m_current = 0;
    UpdateScrollBar();
    viewport()->update();
    return true;
}

void HexView::Close() {
    m_blocks.clear();
    m_size = 0;
    m_modified = 0;
    m_current = 0;
    m_changed = false;
    m_changePending = false;
    if (m_file.isOpen())
        m_file.close();
}

void HexView::NoteChanged(qint64 size) const {
    // What was read before may no longer be what the file holds.
    m_blocks.clear();
    m_size = std::max<qint64>(0, size);
    m_changed = true;
    m_changePending = true;
}

const QByteArray& HexView::BlockAt(qint64 index) const {
    for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
        if (it->index == index) {
            if (it != m_blocks.begin())
                std::rotate(m_blocks.begin(), it, it + 1);
            return m_blocks.front().bytes;
        }
    }
    const qint64 offset = index * kBlockSize;
    const qint64 wanted = std::clamp<qint64>(m_size - offset, 0, kBlockSize);
    QByteArray bytes(wanted, Qt::Uninitialized);
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t got =
            ::pread(m_file.handle(), bytes.data() + done, size_t(wanted - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    bytes.truncate(done);
    struct stat info {};
    const bool known = ::fstat(m_file.handle(), &info) == 0;
    if (done < wanted || !known || info.st_size != m_size || ModifiedOf(info) != m_modified) {
        NoteChanged(known ? qint64(info.st_size) : offset + done);
        if (known)
            m_modified = ModifiedOf(info);
        bytes.truncate(std::clamp<qint64>(m_size - offset, 0, done));
    }
    m_blocks.push_front({index, std::move(bytes)});
    if (m_blocks.size() > kBlocksKept)
        m_blocks.pop_back();
    return m_blocks.front().bytes;
}

QByteArray HexView::Line(qint64 line) const {
    if (!m_file.isOpen() || line < 0 || line >= LineCount())
        return {};
    const qint64 at = line * kHexBytesPerLine;
    const QByteArray& block = BlockAt(at / kBlockSize);
    const qint64 inBlock = at % kBlockSize;
    const qint64 count = std::min<qint64>(kHexBytesPerLine, qint64(block.size()) - inBlock);
    if (count <= 0)
        return {};
    return FormatHexLine(reinterpret_cast<const unsigned char*>(block.constData()) + inBlock,
                         int(count));
}

void HexView::ApplyChange() {
    if (!m_changePending)
        return;
    m_changePending = false;
    UpdateScrollBar();
    const qint64 last = std::max<qint64>(0, LineCount() - 1);
    if (m_current > last) {
        m_current = last;
        Q_EMIT CurrentLineChanged();
    }
    EnsureCurrentVisible();
    viewport()->update();
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
    if (m_changed) {
        // Said over the lines, where the eyes are, until the file is opened
        // again.
        const QRect band(0, 0, viewport()->width(), height);
        painter.fillRect(band, pal.color(QPalette::ToolTipBase));
        painter.setPen(pal.color(QPalette::ToolTipText));
        painter.drawText(band.adjusted(margin, 0, -margin, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         kHexFileChanged);
    }
    if (m_changePending)
        QTimer::singleShot(0, this, &HexView::ApplyChange);
}

void HexView::keyPressEvent(QKeyEvent* event) {
    ApplyChange();
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

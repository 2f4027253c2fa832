#pragma once
// The hexadecimal view of a file: one line per 16 bytes, made only for the
// lines on screen from the memory-mapped file, so a file of any size shows at
// once and costs only its mapping's pages that are looked at.
//
// The line format: for byte columns 0..15 two upper-case hexadecimal digits,
// or two blanks past the end of the file, each followed by a blank, with a
// second blank after columns 3, 7, 11 and 15 (52 characters in all); then one
// character per byte present, bytes 0x20..0x7F as themselves and every other
// byte as ".". There is no offset column: the editor's position pane shows
// the offset of the current line.

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QFile>
#include <QString>

/// Width of a line's hexadecimal part.
inline constexpr int kHexPartWidth = 52;
inline constexpr int kHexBytesPerLine = 16;

/// The dump line of `count` (1..16) bytes at `bytes`.
QByteArray FormatHexLine(const unsigned char* bytes, int count);
/// The dump of a whole buffer, lines ended with "\n" (for tests and copying).
QByteArray FormatHexDump(const QByteArray& data);

class HexView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit HexView(QWidget* parent = nullptr);
    ~HexView() override;

    /// Maps `path` for reading. False when it cannot be opened or is empty
    /// (the view then shows nothing). Any previous file is let go.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return m_data != nullptr; }

    qint64 FileSize() const { return m_size; }
    qint64 LineCount() const { return (m_size + kHexBytesPerLine - 1) / kHexBytesPerLine; }
    /// The dump line `line` (0-based) without its line end; empty past the end.
    QByteArray Line(qint64 line) const;
    /// The current line (the caret's), 0-based.
    qint64 CurrentLine() const { return m_current; }
    void SetCurrentLine(qint64 line);
    /// The file offset of the current line's first byte.
    qint64 CurrentOffset() const { return m_current * kHexBytesPerLine; }
    /// The first line shown.
    qint64 TopLine() const;
    /// Lines that fit on screen.
    int VisibleLines() const;

    void SetColors(const QColor& text, const QColor& background);
    QString ChangedNotice() const { return QString(); }

Q_SIGNALS:
    void CurrentLineChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBar();
    void EnsureCurrentVisible();
    int LineHeight() const;

    QFile m_file;
    const unsigned char* m_data = nullptr;
    qint64 m_size = 0;
    qint64 m_current = 0;
    // The scroll bar holds int values; a file of more lines is scrolled in
    // steps of several lines.
    qint64 m_linesPerStep = 1;
    QColor m_text;
    QColor m_background;
};

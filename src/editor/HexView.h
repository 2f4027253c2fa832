#pragma once
// The hexadecimal view of a file: one line per 16 bytes, made only for the
// lines on screen, from the file read in blocks of 64 KiB (pread(2), a few
// blocks kept), so a file of any size shows at once and costs only the
// blocks that are looked at.
//
// The file is read, never mapped: another program may cut it short while
// it is shown, and a mapping would then kill the whole process (SIGBUS)
// with every editor window's unsaved text. A block that reads short, or a
// file whose size or modification time is no longer what it was, makes the
// view take the file as it is now and say "the file has changed" over its
// lines (ChangedNotice()) until it is opened again.
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
#include <deque>

/// Width of a line's hexadecimal part.
inline constexpr int kHexPartWidth = 52;
inline constexpr int kHexBytesPerLine = 16;

/// The dump line of `count` (1..16) bytes at `bytes`.
QByteArray FormatHexLine(const unsigned char* bytes, int count);
/// The dump of a whole buffer, lines ended with "\n" (for tests and copying).
QByteArray FormatHexDump(const QByteArray& data);

/// What the view shows once the file changed under it.
inline const QString kHexFileChanged = QStringLiteral("the file has changed");

class HexView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit HexView(QWidget* parent = nullptr);
    ~HexView() override;

    /// Opens `path` for reading. False when it cannot be opened or is empty
    /// (the view then shows nothing). Any previous file is let go.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return m_file.isOpen(); }

    /// The file's size as last seen (smaller once the file was cut short).
    qint64 FileSize() const { return m_size; }
    qint64 LineCount() const { return (m_size + kHexBytesPerLine - 1) / kHexBytesPerLine; }
    /// The dump line `line` (0-based) without its line end; empty past the
    /// end. Reads the file's block when it is not at hand.
    QByteArray Line(qint64 line) const;
    /// kHexFileChanged once the file was found changed; else empty.
    QString ChangedNotice() const { return m_changed ? kHexFileChanged : QString(); }
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

Q_SIGNALS:
    void CurrentLineChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Block {
        qint64 index = 0;
        QByteArray bytes;
    };

    void UpdateScrollBar();
    void EnsureCurrentVisible();
    int LineHeight() const;
    const QByteArray& BlockAt(qint64 index) const;
    void NoteChanged(qint64 size) const;
    void ApplyChange();

    QFile m_file;
    // What the file looked like when it was opened (or last found changed);
    // reading may find it otherwise, hence mutable.
    mutable qint64 m_size = 0;
    mutable qint64 m_modified = 0;
    mutable bool m_changed = false;
    mutable bool m_changePending = false;
    mutable std::deque<Block> m_blocks;  // most recently used first
    qint64 m_current = 0;
    // The scroll bar holds int values; a file of more lines is scrolled in
    // steps of several lines.
    qint64 m_linesPerStep = 1;
    QColor m_text;
    QColor m_background;
};

#pragma once
// The editor's text control: QScintilla set up as the editor needs it (UTF-8,
// no margins but the optional selection bar, none of the control's own key
// bindings that the editor's commands use), with raw access to its bytes.
//
// The text is never styled (no lexer, one style), so its document keeps no
// style byte per character, and nothing is laid out or styled beyond the
// lines on screen: the caret's line (the page, while wrapped) is all the
// layout kept, styling is not done while idle, and the scroll width is not
// measured over the text.

#include <QByteArrayView>
#include <QIODevice>
#include <QKeySequence>
#include <QList>

#include "editor/QsciHeaders.h"

class EditorTextControl : public QsciScintilla {
    Q_OBJECT

public:
    explicit EditorTextControl(QWidget* parent = nullptr);

    /// The text's bytes, contiguous (valid until the text changes).
    QByteArrayView Bytes() const;
    qint64 Length() const;
    /// Replaces the whole text by `bytes` without an undo step, clears the
    /// modified flag and leaves the caret at the start.
    void SetBytes(QByteArrayView bytes);
    /// Replaces the whole text by what `device` gives, read in blocks straight
    /// into the control (no second copy of the text is held), as SetBytes
    /// does. False with `error` set on a read error; the text is then what was
    /// read before it.
    bool ReadBytes(QIODevice& device, qint64 size, QString* error);
    /// Replaces [from, to) by `bytes`.
    void ReplaceRange(qint64 from, qint64 to, QByteArrayView bytes);
    QByteArray Range(qint64 from, qint64 to) const;
    /// Keys the control must leave to the window's commands.
    void ReleaseKeys(const QList<QKeySequence>& keys);
    qint64 LineStart(int line) const;
    qint64 LineEnd(int line) const;  // before the line end
    int LineOf(qint64 position) const;

    /// Above this many bytes the control's accessible interface does not
    /// give its text (that interface counts characters from the start of the
    /// text on every caret move).
    static constexpr qint64 kAccessibleTextLimit = 4 << 20;
    /// The accessible interface gives the text (a screen reader can read it).
    bool HasTextAccessibility();

Q_SIGNALS:
    void ContextMenuAt(const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void UseUnstyledDocument();
    void RenewAccessibleInterface();
    bool m_plainAccessible = false;
    // Around a whole new text: no wrapping, change notices or undo steps
    // while it arrives.
    struct NewText {
        bool readOnly;
        WrapMode wrap;
        long eventMask;
    };
    NewText BeginNewText(qint64 size);
    void EndNewText(const NewText& saved);
};

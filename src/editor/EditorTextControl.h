#pragma once
// The editor's text control: QScintilla set up as the editor needs it (UTF-8,
// no margins but the optional selection bar, none of the control's own key
// bindings that the editor's commands use), with raw access to its bytes.

#include <QByteArrayView>
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
    /// Replaces [from, to) by `bytes`.
    void ReplaceRange(qint64 from, qint64 to, QByteArrayView bytes);
    QByteArray Range(qint64 from, qint64 to) const;
    /// Keys the control must leave to the window's commands.
    void ReleaseKeys(const QList<QKeySequence>& keys);
    qint64 LineStart(int line) const;
    qint64 LineEnd(int line) const;  // before the line end
    int LineOf(qint64 position) const;

Q_SIGNALS:
    void ContextMenuAt(const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

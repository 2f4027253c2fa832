#include "editor/EditorTextControl.h"

#include <QContextMenuEvent>

EditorTextControl::EditorTextControl(QWidget* parent) : QsciScintilla(parent) {
    setUtf8(true);
    for (int margin = 0; margin < 5; ++margin) setMarginWidth(margin, 0);
    // The control's own menu would bypass the editor's commands.
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

QByteArrayView EditorTextControl::Bytes() const {
    const auto* data = static_cast<const char*>(
        const_cast<EditorTextControl*>(this)->SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return QByteArrayView(data, Length());
}

qint64 EditorTextControl::Length() const {
    return SendScintilla(SCI_GETLENGTH);
}

void EditorTextControl::SetBytes(QByteArrayView bytes) {
    const bool readOnly = isReadOnly();
    setReadOnly(false);
    // Wrapping while the text arrives lays out every line at once (seconds
    // for a few megabytes); wrapped after, only the lines on screen are laid
    // out at first. Nobody needs the change notices of a whole new text.
    const WrapMode wrap = wrapMode();
    setWrapMode(WrapNone);
    const long eventMask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0ul, 0l);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0ul, 0l);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(bytes.size() + 1), 0l);
    if (!bytes.isEmpty())
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
    SendScintilla(SCI_SETUNDOCOLLECTION, 1ul, 0l);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(eventMask), 0l);
    SendScintilla(SCI_GOTOPOS, 0ul, 0l);
    setWrapMode(wrap);
    setReadOnly(readOnly);
}

void EditorTextControl::ReplaceRange(qint64 from, qint64 to, QByteArrayView bytes) {
    SendScintilla(SCI_SETTARGETSTART, static_cast<unsigned long>(from), 0l);
    SendScintilla(SCI_SETTARGETEND, static_cast<unsigned long>(to), 0l);
    SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size()),
                  bytes.isEmpty() ? "" : bytes.data());
}

QByteArray EditorTextControl::Range(qint64 from, qint64 to) const {
    const QByteArrayView bytes = Bytes();
    from = std::clamp<qint64>(from, 0, bytes.size());
    to = std::clamp<qint64>(to, from, bytes.size());
    return bytes.sliced(from, to - from).toByteArray();
}

void EditorTextControl::ReleaseKeys(const QList<QKeySequence>& keys) {
    QList<int> combined;
    for (const QKeySequence& key : keys)
        if (!key.isEmpty())
            combined.append(key[0].toCombined());
    for (QsciCommand* command : standardCommands()->commands()) {
        if (combined.contains(command->key()))
            command->setKey(0);
        if (combined.contains(command->alternateKey()))
            command->setAlternateKey(0);
    }
}

qint64 EditorTextControl::LineStart(int line) const {
    return SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

qint64 EditorTextControl::LineEnd(int line) const {
    return SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
}

int EditorTextControl::LineOf(qint64 position) const {
    return int(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position)));
}

void EditorTextControl::contextMenuEvent(QContextMenuEvent* event) {
    Q_EMIT ContextMenuAt(event->globalPos());
    event->accept();
}

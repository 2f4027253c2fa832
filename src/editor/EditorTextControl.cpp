#include "editor/EditorTextControl.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>

namespace {

constexpr qint64 kSlack = 64 << 10;

// The control's own accessible interface counts the characters from the
// start of the text to the caret whenever the caret moves or the text
// changes (the interface's offsets are characters): near the end of a large
// text that is a walk over all of it for every key. A large text gets a
// plain interface instead, which names the control but does not read out its
// text.
QAccessibleInterface* PlainInterfaceForLargeText(const QString& className, QObject* object) {
    if (className != QLatin1String("EditorTextControl"))
        return nullptr;
    auto* control = qobject_cast<EditorTextControl*>(object);
    if (!control || control->Length() <= EditorTextControl::kAccessibleTextLimit)
        return nullptr;
    return new QAccessibleWidget(control, QAccessible::EditableText);
}

}  // namespace

EditorTextControl::EditorTextControl(QWidget* parent) : QsciScintilla(parent) {
    // Installed after the control's own factory (made with the first
    // control), so that it is asked first.
    static const bool installed = [] {
        QAccessible::installFactory(PlainInterfaceForLargeText);
        return true;
    }();
    Q_UNUSED(installed);
    UseUnstyledDocument();
    setUtf8(true);
    SendScintilla(SCI_SETLAYOUTCACHE, static_cast<unsigned long>(SC_CACHE_CARET));
    SendScintilla(SCI_SETIDLESTYLING, static_cast<unsigned long>(SC_IDLESTYLING_NONE));
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 0ul);
    for (int margin = 0; margin < 5; ++margin) setMarginWidth(margin, 0);
    // The control's own menu would bypass the editor's commands.
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void EditorTextControl::UseUnstyledDocument() {
    // The document the control starts with keeps a style byte for every
    // character: as much again as the text. This one keeps none. The control
    // holds its own reference once it shows the document, so ours goes; the
    // document the control started with is released by the control.
    const int eolMode = int(SendScintilla(SCI_GETEOLMODE));
    auto* document = reinterpret_cast<void*>(
        SendScintilla(SCI_CREATEDOCUMENT, 0ul, long(SC_DOCUMENTOPTION_STYLES_NONE)));
    if (!document)
        return;
    SendScintilla(SCI_SETDOCPOINTER, 0ul, document);
    SendScintilla(SCI_RELEASEDOCUMENT, 0ul, document);
    SendScintilla(SCI_SETEOLMODE, static_cast<unsigned long>(eolMode));
}

QByteArrayView EditorTextControl::Bytes() const {
    const auto* data = static_cast<const char*>(
        const_cast<EditorTextControl*>(this)->SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return QByteArrayView(data, Length());
}

qint64 EditorTextControl::Length() const {
    return SendScintilla(SCI_GETLENGTH);
}

EditorTextControl::NewText EditorTextControl::BeginNewText(qint64 size) {
    NewText saved{isReadOnly(), wrapMode(), long(SendScintilla(SCI_GETMODEVENTMASK))};
    setReadOnly(false);
    // Wrapping while the text arrives lays out every line at once (seconds
    // for a few megabytes); wrapped after, only the lines on screen are laid
    // out at first. Nobody needs the change notices of a whole new text.
    setWrapMode(WrapNone);
    SendScintilla(SCI_SETMODEVENTMASK, 0ul, 0l);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0ul, 0l);
    SendScintilla(SCI_CLEARALL);
    // Room beyond the text: asking for the text's bytes needs a free byte
    // after them, and a buffer without one is copied whole to make it.
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(size + kSlack), 0l);
    return saved;
}

void EditorTextControl::EndNewText(const NewText& saved) {
    SendScintilla(SCI_SETUNDOCOLLECTION, 1ul, 0l);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(saved.eventMask), 0l);
    SendScintilla(SCI_GOTOPOS, 0ul, 0l);
    setWrapMode(saved.wrap);
    setReadOnly(saved.readOnly);
    RenewAccessibleInterface();
}

void EditorTextControl::SetBytes(QByteArrayView bytes) {
    const NewText saved = BeginNewText(bytes.size());
    if (!bytes.isEmpty())
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
    EndNewText(saved);
}

bool EditorTextControl::ReadBytes(QIODevice& device, qint64 size, QString* error) {
    const NewText saved = BeginNewText(size);
    // Blocks of a few megabytes: few calls, and little memory beside the text.
    QByteArray block(4 << 20, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const qint64 n = device.read(block.data(), block.size());
        if (n < 0) {
            ok = false;
            if (error)
                *error = device.errorString();
            break;
        }
        if (n == 0)
            break;
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(n), block.constData());
    }
    EndNewText(saved);
    return ok;
}

void EditorTextControl::RenewAccessibleInterface() {
    // An interface made for the text before stays until it is deleted. None
    // is made here for a text of ordinary size: who needs one asks for it.
    const bool large = Length() > kAccessibleTextLimit;
    if (large == m_plainAccessible)
        return;
    m_plainAccessible = large;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this);
    if (iface && (iface->textInterface() != nullptr) == large)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

bool EditorTextControl::HasTextAccessibility() {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this);
    return iface && iface->textInterface();
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

#include "editor/CEditorView.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "editor/AutoText.h"
#include "editor/EditorCommandIds.h"
#include "editor/EditorFile.h"
#include "editor/EditorTextCommands.h"
#include "editor/EditorTextControl.h"
#include "editor/EditorViewDialogs.h"
#include "editor/HexView.h"
#include "editor/RtfReader.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "platform/ui/WaitCursor.h"
#include "shell/GeneralSettings.h"

namespace {

const QString kNonTextViewNotice =
    QStringLiteral("The file is probably non-text; a switch to hex-view is suggested.");
const QString kNonTextEditNotice =
    QStringLiteral("The file is probably non-text; editing it may render it unusable.");
const QString kTooLargeToEdit =
    QStringLiteral("The file is larger than the editor's limit of 256 MiB and cannot be edited.");
const QString kTooLargeNotice =
    QStringLiteral("The file is larger than 256 MiB; it is shown in the hex view.");
const QString kSaveChanges = QStringLiteral("Save changes to %1?");
const QString kSaveFailed = QStringLiteral("Failed to save document.\n%1");
const QString kTooLargeToWrap = QStringLiteral("Word wrap is off for texts larger than %1 MB.")
                                    .arg(CEditorView::kWrapLimit >> 20);

void ReturnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

bool HasExtension(const QString& path, const QString& extension) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && name.mid(dot + 1).compare(extension, Qt::CaseInsensitive) == 0;
}

}  // namespace

CEditorView::CEditorView(bool viewOnly, QWidget* parent)
    : QWidget(parent),
      m_viewOnly(viewOnly),
      m_edits(std::make_unique<EditorTextCommands>(*this)),
      m_dialogs(std::make_unique<EditorViewDialogs>(*this, *m_edits)) {
    EnsureEditorSettingsLoaded();
    m_stack = new QStackedWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    // The text control with its margins and signals.
    m_text = new EditorTextControl(m_stack);
    const EditorSettings& settings = EditorConfig();
    if (settings.selectionBar) {
        m_text->setMarginWidth(1, 16);
        m_text->setMarginSensitivity(1, true);
    }
    m_text->SendScintilla(QsciScintillaBase::SCI_SETHSCROLLBAR, settings.horizScroll ? 1ul : 0ul);
    m_text->setReadOnly(viewOnly);
    m_text->setAutoIndent(settings.autoFill && !viewOnly);
    m_stack->addWidget(m_text);
    connect(m_text, &QsciScintilla::cursorPositionChanged, this, &CEditorView::StatusChanged);
    connect(m_text, &QsciScintilla::modificationChanged, this, &CEditorView::StatusChanged);
    connect(m_text, &EditorTextControl::ContextMenuAt, this, &CEditorView::ContextMenuRequested);
    setFocusProxy(m_text);
    ApplySettings();
}

CEditorView::~CEditorView() {
    // The control's layouts and the text leave many small freed blocks that
    // the allocator keeps for the process; once the control is gone (after
    // this destructor), they go back to the system.
    QTimer::singleShot(0, qApp, [] { ReturnFreedMemory(); });
}

// -- Loading and saving -----------------------------------------------------------

bool CEditorView::Load(const QString& path, QString* error) {
    m_path = path;
    const qint64 size = QFileInfo(path).size();
    if (size > kEditorTextLimit) {
        if (!m_viewOnly) {
            if (error)
                *error = kTooLargeToEdit;
            return false;
        }
        // The text view would hold only the file's start; the hex view
        // shows all of it.
        if (!m_hex) {
            m_hex = new HexView(m_stack);
            m_stack->addWidget(m_hex);
            connect(m_hex, &HexView::CurrentLineChanged, this, &CEditorView::StatusChanged);
        }
        if (!m_hex->Open(path)) {
            if (error)
                *error = QStringLiteral("The file cannot be read.");
            return false;
        }
        m_hexMode = true;
        ApplySettings();
        m_stack->setCurrentWidget(m_hex);
        setFocusProxy(m_hex);
        ShowNotice(kTooLargeNotice, false);
        return true;
    }
    // The format.
    m_richText = m_viewOnly && HasExtension(path, QStringLiteral("rtf"));
    if (m_richText) {
        std::optional<QByteArray> bytes = ReadEditorFile(path, error);
        if (!bytes)
            return false;
        if (!m_rich) {
            m_rich = new QTextEdit(m_stack);
            m_rich->setReadOnly(true);
            m_stack->addWidget(m_rich);
        }
        ReadRtf(*bytes, *m_rich->document());
        m_stack->setCurrentWidget(m_rich);
        setFocusProxy(m_rich);
        ApplySettings();
        return true;
    }
    // Straight from the file into the control, so that a large text
    // is held once.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!m_text->ReadBytes(file, size, error)) {
        m_text->SetBytes({});
        return false;
    }
    TextLoaded();
    CheckNonText();
    return true;
}

void CEditorView::LoadPlainBytes(const QByteArray& bytes) {
    m_text->SetBytes(bytes);
    TextLoaded();
}

void CEditorView::TextLoaded() {
    static const QsciScintilla::EolMode kModes[] = {
        QsciScintilla::EolUnix, QsciScintilla::EolWindows, QsciScintilla::EolMac};
    // New lines typed get the line end the file already uses.
    const QByteArrayView bytes = m_text->Bytes();
    m_text->setEolMode(kModes[DetectLineEnd(bytes.data(), bytes.size())]);
    m_stack->setCurrentWidget(m_text);
    setFocusProxy(m_text);
    // A new text is given to the control unwrapped; it is wrapped (or not)
    // once it is all there.
    m_largeText = Length() > kWrapLimit;
    ApplyWrap(m_largeText);
}

void CEditorView::CheckNonText() {
    const QByteArrayView bytes = m_text->Bytes();
    if (std::memchr(bytes.data(), '\x01', std::size_t(bytes.size())))
        ShowNotice(m_viewOnly ? kNonTextViewNotice : kNonTextEditNotice, true);
}

bool CEditorView::IsModified() const {
    return !m_richText && !m_hexMode && m_text->isModified();
}

bool CEditorView::Save(const QString& path) {
    const QString target = path.isEmpty() ? m_path : path;
    const QByteArrayView bytes = m_text->Bytes();
    QString error;
    if (!WriteEditorFile(target, bytes.data(), bytes.size(), &error)) {
        MessageBoxText(kSaveFailed.arg(error), PromptButtons::Ok, PromptIcon::Error, window());
        return false;
    }
    m_path = target;
    m_text->SendScintilla(QsciScintillaBase::SCI_SETSAVEPOINT);
    ShowNotice(QStringLiteral("The file was saved Ok."), false);
    Q_EMIT StatusChanged();
    return true;
}

bool CEditorView::AskSaveChanges() {
    if (!IsModified())
        return true;
    PromptRequest request;
    request.text = kSaveChanges.arg(QFileInfo(m_path).fileName());
    request.buttons = PromptButtons::YesNoCancel;
    request.icon = PromptIcon::Question;
    request.parent = window();
    switch (Prompts().MessageBox(request)) {
        case PromptAnswer::Yes:
            return Save();
        case PromptAnswer::No:
            return true;
        default:
            return false;
    }
}

bool CEditorView::Refresh() {
    if (m_path.isEmpty() || !AskSaveChanges())
        return false;
    const qint64 anchor = m_text->SendScintilla(QsciScintillaBase::SCI_GETANCHOR);
    const qint64 caret = m_text->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    QString error;
    if (m_hexMode) {
        const qint64 line = m_hex->CurrentLine();
        if (!m_hex->Open(m_path))
            return false;
        m_hex->SetCurrentLine(line);
        return true;
    }
    const std::optional<QByteArray> bytes = ReadEditorFile(m_path, &error);
    if (!bytes)
        return false;
    if (m_richText) {
        ReadRtf(*bytes, *m_rich->document());
        return true;
    }
    LoadPlainBytes(*bytes);
    SetSelection(std::min(anchor, Length()), std::min(caret, Length()));
    return true;
}

bool CEditorView::InsertFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return false;
    ReplaceSelection(bytes, true);
    return true;
}

void CEditorView::ToggleHex() {
    if (!m_viewOnly || m_richText)
        return;
    WaitCursor wait;
    if (m_hexMode) {
        // Hex mode on -> off: the file is read again.
        const std::optional<QByteArray> bytes = ReadEditorFile(m_path, nullptr);
        if (!bytes)
            return;
        LoadPlainBytes(*bytes);
        m_hexMode = false;
        Q_EMIT StatusChanged();
        return;
    }
    if (!m_hex) {
        m_hex = new HexView(m_stack);
        m_stack->addWidget(m_hex);
        connect(m_hex, &HexView::CurrentLineChanged, this, &CEditorView::StatusChanged);
    }
    // An empty file, or one that cannot be read, changes nothing.
    if (!m_hex->Open(m_path))
        return;
    m_hexMode = true;
    ApplySettings();
    m_stack->setCurrentWidget(m_hex);
    setFocusProxy(m_hex);
    m_hex->setFocus();
    Q_EMIT StatusChanged();
}

// -- The text -----------------------------------------------------------------------

QByteArrayView CEditorView::Bytes() const {
    return m_text->Bytes();
}

qint64 CEditorView::Length() const {
    return m_text->Length();
}

qint64 CEditorView::SelectionStart() const {
    return m_text->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
}

qint64 CEditorView::SelectionEnd() const {
    return m_text->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
}

void CEditorView::SetSelection(qint64 anchor, qint64 caret) {
    m_text->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(anchor),
                          long(caret));
}

QByteArray CEditorView::SelectedBytes() const {
    return m_text->Range(SelectionStart(), SelectionEnd());
}

void CEditorView::ReplaceSelection(QByteArrayView bytes, bool undoable) {
    const qint64 start = SelectionStart();
    if (!undoable)
        m_text->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0ul);
    m_text->ReplaceRange(start, SelectionEnd(), bytes);
    if (!undoable) {
        m_text->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 1ul);
        // Undo steps recorded before would now apply at the wrong offsets.
        m_text->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    }
    SetSelection(start + bytes.size(), start + bytes.size());
}

int CEditorView::LineCount() const {
    return int(m_text->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT));
}

// -- Status panes --------------------------------------------------------------------

QString CEditorView::PositionText() const {
    if (m_hexMode)
        return QStringLiteral("Off=0x%1")
            .arg(QString::number(m_hex->CurrentOffset(), 16)
                     .toUpper()
                     .rightJustified(6, QLatin1Char('0')));
    const qint64 start = SelectionStart();
    const int line = m_text->LineOf(start);
    const qint64 column =
        m_text->SendScintilla(QsciScintillaBase::SCI_COUNTCHARACTERS,
                              static_cast<unsigned long>(m_text->LineStart(line)), long(start));
    return QStringLiteral("Ln %1, Col %2").arg(line + 1).arg(column + 1);
}

QString CEditorView::OverwriteText() const {
    return !m_viewOnly && m_text->overwriteMode() ? QStringLiteral("OVR") : QString();
}

QString CEditorView::ModifiedText() const {
    return IsModified() ? QStringLiteral("*") : QString();
}

// -- Search -------------------------------------------------------------------------

ForwardFind CEditorView::Finder(const QByteArray& text, FindFlags flags) const {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (flags.matchCase || ascii) {
        return [this, text, flags](qint64 from, qint64 to) {
            return FindForward(m_text->Bytes(), text, from, to, flags);
        };
    }
    // Letters beyond ASCII: the control folds their case.
    return [this, text, flags](qint64 from, qint64 to) -> std::optional<qint64> {
        m_text->SendScintilla(QsciScintillaBase::SCI_SETSEARCHFLAGS,
                              flags.wholeWord
                                  ? static_cast<unsigned long>(QsciScintillaBase::SCFIND_WHOLEWORD)
                                  : 0ul);
        m_text->SendScintilla(QsciScintillaBase::SCI_SETTARGETSTART,
                              static_cast<unsigned long>(from));
        m_text->SendScintilla(QsciScintillaBase::SCI_SETTARGETEND, static_cast<unsigned long>(to));
        const long hit =
            m_text->SendScintilla(QsciScintillaBase::SCI_SEARCHINTARGET,
                                  static_cast<unsigned long>(text.size()), text.constData());
        if (hit < 0)
            return std::nullopt;
        return hit;
    };
}

bool CEditorView::FindText(const QString& text, std::optional<qint64> rangeEnd, bool showNotices,
                           std::optional<bool> cyclic) {
    if (m_hexMode || m_richText || text.isEmpty())
        return false;
    const EditorSearchOptions& options = EditorConfig().search;
    const QByteArray needle = text.toUtf8();
    const qint64 n = needle.size();
    const WrapResult result = FindWithWrap(Finder(needle, {options.matchCase, options.wholeWords}),
                                           n, SelectionStart(), SelectionEnd(), Length(), rangeEnd,
                                           options.backwards, cyclic.value_or(options.cyclic));
    if (result.hit) {
        SetSelection(*result.hit, *result.hit + n);
        m_text->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
        if (result.wrapped && showNotices)
            ShowNotice(kWarpedNotice, true);
        return true;
    }
    if (showNotices)
        ShowNotice(kNotFoundNotice, true);
    return false;
}

bool CEditorView::SelectionEquals(const QString& text) const {
    const QString selected = QString::fromUtf8(SelectedBytes());
    const Qt::CaseSensitivity cs =
        EditorConfig().search.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return !text.isEmpty() && selected.compare(text, cs) == 0;
}

// -- Commands ---------------------------------------------------------------------------

void CEditorView::MatchBrace(bool extend) {
    m_edits->MatchBrace(extend);
}

void CEditorView::DeleteLine() {
    m_edits->DeleteLine();
}

void CEditorView::Indent(bool outdent) {
    m_edits->Indent(outdent);
}

void CEditorView::SetWordWrap(bool on) {
    if (on && m_largeText && !m_hexMode && !m_richText) {
        // The setting stays as it was, for the texts that can be wrapped.
        ShowNotice(kTooLargeToWrap, false);
        return;
    }
    EditorConfig().wordWrap = on;
    ApplyWrap(false);
}

bool CEditorView::WrapsText() const {
    return m_text->wrapMode() != QsciScintilla::WrapNone;
}

void CEditorView::ApplyWrap(bool tellWhyNot) {
    const bool on = EditorConfig().wordWrap;
    // The control wraps the whole text, not the lines on screen: in the
    // background at first, then at once wherever the caret is sent. A large
    // text is shown unwrapped, with the horizontal scroll bar to reach the
    // ends of its lines.
    const bool wrap = on && !m_largeText;
    m_text->setWrapMode(wrap ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
    // Wrapping asks the control to keep the layout of every line (over ten
    // times the text); the lines on the page are enough.
    m_text->SendScintilla(QsciScintillaBase::SCI_SETLAYOUTCACHE,
                          static_cast<unsigned long>(wrap ? QsciScintillaBase::SC_CACHE_PAGE
                                                          : QsciScintillaBase::SC_CACHE_CARET));
    const bool scrollBar = EditorConfig().horizScroll || (on && m_largeText);
    m_text->SendScintilla(QsciScintillaBase::SCI_SETHSCROLLBAR, scrollBar ? 1ul : 0ul);
    if (m_rich)
        m_rich->setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    if (tellWhyNot && on && !wrap)
        ShowNotice(kTooLargeToWrap, false);
}

void CEditorView::Copy() {
    m_edits->Copy();
}

std::pair<QColor, QColor> CEditorView::SchemeColors() const {
    const QPalette palette = QApplication::palette();
    QColor text = palette.color(QPalette::Text);
    QColor back = m_viewOnly ? QApplication::palette("QMenu").color(QPalette::Window)
                             : palette.color(QPalette::Base);
    const EditorSettings& settings = EditorConfig();
    if (!m_viewOnly || settings.overrideROColors) {
        if (settings.foreColor != -1)
            text = ColorFromValue(settings.foreColor);
        if (settings.backColor != -1)
            back = ColorFromValue(settings.backColor);
    }
    return {text, back};
}

void CEditorView::ApplySettings() {
    const EditorSettings& settings = EditorConfig();
    const QFont font = settings.charFormat.ToFont();
    const auto [text, back] = SchemeColors();
    const bool modified = m_text->isModified();
    m_text->setFont(font);
    m_text->setColor(text);
    m_text->setPaper(back);
    m_text->SendScintilla(QsciScintillaBase::SCI_STYLECLEARALL);
    m_text->setCaretForegroundColor(text);
    m_text->setTabWidth(settings.tabWidth);
    if (!modified)
        m_text->SendScintilla(QsciScintillaBase::SCI_SETSAVEPOINT);
    if (m_rich) {
        QPalette palette = m_rich->palette();
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Text, text);
        m_rich->setPalette(palette);
    }
    if (m_hex) {
        m_hex->setFont(font);
        m_hex->SetColors(text, back);
    }
    ApplyWrap(false);
}

bool CEditorView::Print(QPrinter& printer) {
    auto* qsci = dynamic_cast<QsciPrinter*>(&printer);
    const std::array<int, 4>& m = EditorConfig().margins;
    // Margins count from the paper's edge: the printable area is the paper
    // less the margins.
    printer.setFullPage(false);
    printer.setPageMargins(QMarginsF(m[0] / 20.0, m[1] / 20.0, m[2] / 20.0, m[3] / 20.0),
                           QPageLayout::Point);
    if (m_richText) {
        m_rich->document()->print(&printer);
        return true;
    }
    if (!qsci)
        return false;
    qsci->setWrapMode(QsciScintilla::WrapWord);
    return qsci->printRange(m_text) != 0;
}

void CEditorView::ShowNotice(const QString& text, bool alert) {
    if (m_notice)
        m_notice(text, alert);
    else if (alert)
        Beep(BeepKind::Exclamation);
}

// -- Command routing ----------------------------------------------------------------------

bool CEditorView::OnCommand(int id) {
    const bool text = !m_hexMode && !m_richText;
    if (CommandTarget::InRange(id, ID_AUTOTEXT_FIRST, ID_AUTOTEXT_LAST)) {
        m_edits->InsertAutoText(id - ID_AUTOTEXT_FIRST);
        return true;
    }
    switch (id) {
        case ID_EDITOR_SAVE:
            Save();
            return true;
        case ID_EDITOR_SAVE_AS:
            m_dialogs->SaveAs();
            return true;
        case ID_EDITOR_REFRESH:
            Refresh();
            return true;
        case ID_EDITOR_INSERT_FILE:
            m_dialogs->InsertFile();
            return true;
        case ID_EDITOR_PAGE_SETUP:
            m_dialogs->PageSetup();
            return true;
        case ID_EDITOR_PRINT:
            m_dialogs->Print();
            return true;
        case ID_EDITOR_HEX:
            ToggleHex();
            return true;
        case ID_EDITOR_WORD_WRAP:
            SetWordWrap(!(m_richText || m_hexMode ? EditorConfig().wordWrap : WrapsText()));
            return true;
        case ID_EDITOR_TAB_WIDTH:
            m_dialogs->TabWidth();
            return true;
        case ID_EDITOR_FONT:
            m_dialogs->Font();
            return true;
        case ID_EDITOR_COLORS:
            m_dialogs->Colors();
            return true;
        case ID_EDITOR_SET_BOOKMARK:
            m_edits->SetBookmark();
            return true;
        case ID_EDITOR_GOTO_BOOKMARK:
            m_edits->GotoBookmark();
            return true;
        case ID_EDITOR_COPY:
            Copy();
            return true;
        case ID_EDITOR_SELECT_ALL:
            if (m_richText)
                m_rich->selectAll();
            else if (text)
                m_text->selectAll();
            return true;
        default:
            break;
    }
    if (!text)
        return false;
    switch (id) {
        case ID_EDITOR_UNDO:
            m_text->undo();
            return true;
        case ID_EDITOR_CUT:
            m_text->cut();
            return true;
        case ID_EDITOR_PASTE:
            m_edits->Paste();
            return true;
        case ID_EDITOR_DELETE_LINE:
            DeleteLine();
            return true;
        case ID_EDITOR_DATE_TIME:
            m_edits->InsertDateTime();
            return true;
        case ID_EDITOR_INDENT:
        case ID_EDITOR_OUTDENT:
            Indent(id == ID_EDITOR_OUTDENT);
            return true;
        case ID_EDITOR_OVERWRITE:
            m_text->setOverwriteMode(!m_text->overwriteMode());
            Q_EMIT StatusChanged();
            return true;
        case ID_EDITOR_AUTO_INDENT:
            EditorConfig().autoFill = !EditorConfig().autoFill;
            m_text->setAutoIndent(EditorConfig().autoFill);
            return true;
        case ID_EDITOR_FIND:
            m_dialogs->Find();
            return true;
        case ID_EDITOR_REPEAT_FIND:
            if (const std::optional<QString> first = EditorFindHistory().First())
                FindText(*first);
            return true;
        case ID_EDITOR_FIND_SELECTION:
            m_dialogs->FindSelection();
            return true;
        case ID_EDITOR_REPLACE:
            m_dialogs->Replace();
            return true;
        case ID_EDITOR_MATCH_BRACE:
            MatchBrace(IsShiftDown());
            return true;
        case ID_EDITOR_GOTO_LINE:
            m_dialogs->GotoLine();
            return true;
        case ID_AUTOTEXT_DEFINE:
            m_dialogs->DefineAutoText();
            return true;
        case ID_AUTOTEXT_MNEMONICS:
            m_dialogs->ToggleMnemonics();
            return true;
        default:
            return false;
    }
}

bool CEditorView::OnUpdateCommand(int id, CommandState& state) {
    const bool text = !m_hexMode && !m_richText;
    const bool edit = !m_viewOnly && text;
    const bool selection = text && SelectionEnd() > SelectionStart();
    if (CommandTarget::InRange(id, ID_AUTOTEXT_FIRST, ID_AUTOTEXT_LAST)) {
        const int slot = id - ID_AUTOTEXT_FIRST;
        const std::optional<QString> menuText = AutoTextMenuText(slot);
        if (menuText)
            state.SetText(*menuText);
        else
            state.SetText(QStringLiteral("(Undefined)\tCtrl+%1").arg(slot));
        state.Enable(edit && menuText.has_value());
        return true;
    }
    switch (id) {
        case ID_EDITOR_SAVE:
            state.Enable(IsModified());
            return true;
        case ID_EDITOR_SAVE_AS:
        case ID_EDITOR_CUT:
            state.Enable(id == ID_EDITOR_CUT ? edit && selection : edit);
            return true;
        case ID_EDITOR_REFRESH:
            state.Enable(!m_path.isEmpty());
            return true;
        case ID_EDITOR_INSERT_FILE:
        case ID_EDITOR_DELETE_LINE:
        case ID_EDITOR_DATE_TIME:
        case ID_EDITOR_INDENT:
        case ID_EDITOR_OUTDENT:
        case ID_EDITOR_REPLACE:
        case ID_AUTOTEXT_DEFINE:
            state.Enable(edit);
            return true;
        case ID_AUTOTEXT_MNEMONICS:
            state.Enable(edit);
            state.SetCheck(m_dialogs->MnemonicsShown());
            return true;
        case ID_EDITOR_OVERWRITE:
            state.Enable(edit);
            state.SetCheck(m_text->overwriteMode());
            return true;
        case ID_EDITOR_AUTO_INDENT:
            state.Enable(edit);
            state.SetCheck(EditorConfig().autoFill);
            return true;
        case ID_EDITOR_HEX:
            state.Enable(m_viewOnly && !m_richText);
            state.SetCheck(m_hexMode);
            return true;
        case ID_EDITOR_WORD_WRAP:
            state.SetCheck(m_richText || m_hexMode ? EditorConfig().wordWrap : WrapsText());
            return true;
        case ID_EDITOR_REPEAT_FIND:
            state.Enable(text && !EditorFindHistory().isEmpty());
            return true;
        case ID_EDITOR_FIND_SELECTION:
        case ID_EDITOR_MATCH_BRACE:
            state.Enable(selection);
            return true;
        case ID_EDITOR_FIND:
        case ID_EDITOR_GOTO_LINE:
            state.Enable(text);
            return true;
        case ID_EDITOR_UNDO:
            state.Enable(edit && m_text->isUndoAvailable());
            return true;
        case ID_EDITOR_PASTE: {
            const QMimeData* data = QApplication::clipboard()->mimeData();
            state.Enable(edit && data && data->hasText());
            return true;
        }
        case ID_EDITOR_COPY:
        case ID_EDITOR_SELECT_ALL:
        case ID_EDITOR_SET_BOOKMARK:
        case ID_EDITOR_GOTO_BOOKMARK:
        case ID_EDITOR_TAB_WIDTH:
        case ID_EDITOR_FONT:
        case ID_EDITOR_COLORS:
        case ID_EDITOR_PAGE_SETUP:
        case ID_EDITOR_PRINT:
            state.Enable(true);
            return true;
        default:
            return false;
    }
}

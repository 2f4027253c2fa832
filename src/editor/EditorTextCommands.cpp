#include "editor/EditorTextCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QLocale>
#include <QMimeData>
#include <QTextEdit>
#include <algorithm>

#include "editor/AutoText.h"
#include "editor/CEditorView.h"
#include "editor/EditorSettings.h"
#include "editor/EditorTextControl.h"
#include "editor/HexView.h"
#include "editor/TextSearch.h"
#include "platform/ui/WaitCursor.h"

namespace {

const QString kBookmarkSetNotice = QStringLiteral("Bookmark set ok.");

}  // namespace

void EditorTextCommands::MatchBrace(bool extend) {
    WaitCursor wait;
    const qint64 start = m_view.SelectionStart();
    const qint64 end = m_view.SelectionEnd();
    const BraceMatch match = ::MatchBrace(m_view.Text()->Bytes(), start, end);
    if (match.result == BraceMatch::Result::NotABrace) {
        m_view.ShowNotice(kNotABraceNotice, true);
        return;
    }
    if (match.result == BraceMatch::Result::Unbalanced) {
        m_view.ShowNotice(kUnbalancedNotice, true);
        return;
    }
    const bool forward = match.partner > match.brace;
    if (extend)
        m_view.SetSelection(forward ? start : end, forward ? match.partner + 1 : match.partner);
    else
        m_view.SetSelection(match.partner, match.partner + 1);
}

void EditorTextCommands::DeleteLine() {
    EditorTextControl* const control = m_view.Text();
    const int line = control->LineOf(m_view.SelectionStart());
    const qint64 from = control->LineStart(line);
    const qint64 to = control->LineStart(line + 1);  // the line and its line end
    control->SendScintilla(QsciScintillaBase::SCI_DELETERANGE, static_cast<unsigned long>(from),
                           long(std::max(to, control->LineEnd(line)) - from));
}

void EditorTextCommands::Indent(bool outdent) {
    EditorTextControl* const control = m_view.Text();
    WaitCursor wait;
    const qint64 anchor = control->SendScintilla(QsciScintillaBase::SCI_GETANCHOR);
    const qint64 caret = control->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const int first = control->LineOf(m_view.SelectionStart());
    const int last = control->LineOf(m_view.SelectionEnd());
    control->beginUndoAction();
    for (int line = first; line <= last; ++line) {
        const qint64 at = control->LineStart(line);
        if (!outdent) {
            control->ReplaceRange(at, at, "\t");
        } else if (at < control->LineEnd(line)) {
            const char c = control->Bytes()[at];
            if (c == ' ' || c == '\t')
                control->ReplaceRange(at, at + 1, {});
        }
    }
    control->endUndoAction();
    m_view.SetSelection(anchor, caret);
}

void EditorTextCommands::InsertDateTime() {
    const QString now =
        QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    m_view.ReplaceSelection(now.toUtf8(), false);
}

void EditorTextCommands::SetBookmark() {
    m_bookmark = m_view.IsHexMode() ? m_view.Hex()->CurrentLine() : m_view.SelectionStart();
    m_view.ShowNotice(kBookmarkSetNotice, false);
}

void EditorTextCommands::GotoBookmark() {
    if (m_view.IsHexMode()) {
        m_view.Hex()->SetCurrentLine(m_bookmark);
        return;
    }
    const qint64 at = std::min(m_bookmark, m_view.Length());
    m_view.SetSelection(at, at);
    m_view.Text()->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

void EditorTextCommands::GotoLine(int line) {
    EditorTextControl* const control = m_view.Text();
    const qint64 at = control->LineStart(line - 1);
    m_view.SetSelection(at, at);
    control->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

void EditorTextCommands::InsertAutoText(int slot) {
    if (m_view.ViewOnly() || slot < 0 || slot >= kAutoTextSlots)
        return;
    const AutoTextSlot& entry = AutoTextTable()[std::size_t(slot)];
    if (entry.text.isEmpty())
        return;
    // The backtrack counts characters: step back over whole UTF-8 characters.
    m_view.ReplaceSelection(entry.text.toUtf8(), true);
    const QString tail = entry.text.right(entry.backtrack);
    const qint64 caret = m_view.SelectionEnd() - tail.toUtf8().size();
    m_view.SetSelection(caret, caret);
}

void EditorTextCommands::Copy() {
    EditorTextControl* const control = m_view.Text();
    if (m_view.IsHexMode()) {
        QApplication::clipboard()->setText(
            QString::fromLatin1(m_view.Hex()->Line(m_view.Hex()->CurrentLine())));
        return;
    }
    if (m_view.IsRichText()) {
        m_view.Rich()->copy();
        return;
    }
    if (m_view.SelectionEnd() > m_view.SelectionStart()) {
        control->copy();
        return;
    }
    const int line = control->LineOf(m_view.SelectionStart());
    control->SendScintilla(QsciScintillaBase::SCI_COPYRANGE,
                           static_cast<unsigned long>(control->LineStart(line)),
                           long(control->LineEnd(line)));
}

void EditorTextCommands::Paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    m_view.ReplaceSelection(data->text().toUtf8(), true);
}

bool EditorTextCommands::SetTabWidth(int width) {
    if (width < 1 || width > 32)
        return false;
    m_view.Text()->setTabWidth(width);
    if (m_view.Rich())
        m_view.Rich()->setTabStopDistance(QFontMetricsF(m_view.Rich()->font())
                                              .horizontalAdvance(QString(width, QLatin1Char('0'))));
    EditorConfig().tabWidth = width;
    return true;
}

#include "editor/ReplaceSession.h"

#include "editor/CEditorView.h"
#include "editor/EditorSettings.h"
#include "editor/EditorTextControl.h"
#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"

QString ReplacedMessage(int count) {
    if (count == 1)
        return QStringLiteral("1 occurrence has been replaced.");
    return QStringLiteral("%1 occurrences have been replaced.").arg(count);
}

ReplaceSession::ReplaceSession(CEditorView& view) : m_view(view) {
    const qint64 start = view.SelectionStart();
    const qint64 end = view.SelectionEnd();
    EditorTextControl* text = view.Text();
    if (end > start && text->LineOf(start) != text->LineOf(end)) {
        m_rangeMode = true;
        m_rangeStart = start;
        m_rangeEnd = end;
        EditorConfig().search.backwards = false;
        view.SetSelection(start, start);
    } else {
        m_initialFind = QString::fromUtf8(view.SelectedBytes());
    }
}

void ReplaceSession::SetSelectionOnly(bool on) {
    if (!m_rangeMode)
        return;
    m_selectionOnly = on;
    if (on) {
        m_view.SetSelection(m_rangeStart, m_rangeStart);
        EditorConfig().search.backwards = false;
    }
    m_buttonsEnabled = true;
}

void ReplaceSession::SetTexts(const QString& find, const QString& replace) {
    if (find != m_find || replace != m_replace)
        m_buttonsEnabled = true;
    m_find = find;
    m_replace = replace;
}

std::optional<qint64> ReplaceSession::SearchEnd() const {
    if (m_selectionOnly)
        return m_rangeEnd;
    return std::nullopt;
}

bool ReplaceSession::TakeTexts() {
    if (m_find.isEmpty()) {
        MessageBoxText(kEmptySearchMessage, PromptButtons::Ok, PromptIcon::Warning,
                       m_view.window());
        return false;
    }
    const int items = General().historyItems;
    RememberFindText(m_find);
    ReplaceTextHistory().Add(items, m_replace);
    return true;
}

bool ReplaceSession::FindNext(bool showNotices) {
    if (!TakeTexts())
        return false;
    const bool cyclic = EditorConfig().search.cyclic && !m_selectionOnly;
    const bool hit = m_view.FindText(m_find, SearchEnd(), showNotices, cyclic);
    if (!hit) {
        m_buttonsEnabled = false;
        if (m_selectionOnly)
            m_view.SetSelection(m_rangeStart, m_rangeStart);
    }
    return hit;
}

bool ReplaceSession::ReplaceSelection() {
    if (!m_view.SelectionEquals(m_find))
        return false;
    const qint64 start = m_view.SelectionStart();
    const QByteArray replacement = m_replace.toUtf8();
    const qint64 delta = replacement.size() - (m_view.SelectionEnd() - start);
    m_view.ReplaceSelection(replacement, false);
    if (m_selectionOnly && start >= m_rangeStart)
        m_rangeEnd += delta;
    // Searching on from the replacement, never inside it.
    const qint64 caret = EditorConfig().search.backwards ? start : start + replacement.size();
    m_view.SetSelection(caret, caret);
    return true;
}

bool ReplaceSession::Replace() {
    if (!TakeTexts())
        return false;
    ReplaceSelection();
    return FindNext();
}

int ReplaceSession::ReplaceAll() {
    if (!TakeTexts())
        return 0;
    // The whole text (or the range), wherever the caret is.
    const std::vector<qint64> hits = FindAll();
    const QByteArray replacement = m_replace.toUtf8();
    const qint64 n = m_find.toUtf8().size();
    const qint64 delta = replacement.size() - n;
    EditorTextControl* text = m_view.Text();
    // One undo step, and the steps before it stay. From the last hit to the
    // first, the offsets found stay valid and the control's buffer is moved
    // over once, not once a hit.
    text->beginUndoAction();
    for (auto hit = hits.rbegin(); hit != hits.rend(); ++hit)
        text->ReplaceRange(*hit, *hit + n, replacement);
    text->endUndoAction();
    const int count = int(hits.size());
    if (m_selectionOnly) {
        m_rangeEnd += count * delta;
        m_view.SetSelection(m_rangeStart, m_rangeStart);
    } else if (count > 0) {
        const qint64 caret = hits.back() + (count - 1) * delta + replacement.size();
        m_view.SetSelection(caret, caret);
    }
    // As after a search that found nothing more.
    m_buttonsEnabled = false;
    if (count >= 1)
        MessageBoxText(ReplacedMessage(count), PromptButtons::Ok, PromptIcon::Information,
                       m_view.window());
    return count;
}

std::vector<qint64> ReplaceSession::FindAll() const {
    const EditorSearchOptions& options = EditorConfig().search;
    const QByteArray needle = m_find.toUtf8();
    const ForwardFind find = m_view.Finder(needle, {options.matchCase, options.wholeWords});
    const qint64 from = m_selectionOnly ? m_rangeStart : 0;
    const qint64 to = m_selectionOnly ? m_rangeEnd : m_view.Length();
    std::vector<qint64> hits;
    for (std::optional<qint64> hit = find(from, to); hit; hit = find(*hit + needle.size(), to))
        hits.push_back(*hit);
    return hits;
}

void ReplaceSession::Close() {
    if (m_selectionOnly)
        m_view.SetSelection(m_rangeStart, m_rangeEnd);
}

#pragma once
// The logic of the replace dialog "Replace Text", apart from its widgets so a
// test can drive it: the range mode of a selection over several lines,
// "Find Next", "Replace" and "Replace All" with their counts and messages.

#include <QString>
#include <optional>
#include <vector>

class CEditorView;

class ReplaceSession {
public:
    /// Opening: a selection over more than one line becomes the range (search
    /// backwards is switched off and the caret goes to the range start);
    /// otherwise the selected text is the initial find text.
    explicit ReplaceSession(CEditorView& view);

    bool RangeMode() const { return m_rangeMode; }
    qint64 RangeStart() const { return m_rangeStart; }
    qint64 RangeEnd() const { return m_rangeEnd; }
    const QString& InitialFindText() const { return m_initialFind; }

    /// "Apply to current selection only" (range mode only).
    void SetSelectionOnly(bool on);
    bool SelectionOnly() const { return m_selectionOnly; }
    /// Search backwards may be chosen (not while the range applies).
    bool BackwardsAllowed() const { return !m_selectionOnly; }

    /// The dialog's texts; the histories get them when a button runs.
    void SetTexts(const QString& find, const QString& replace);

    /// "Find Next": false with the empty-text message, or with no hit (the
    /// buttons are then disabled until the text or an option changes).
    bool FindNext(bool showNotices = true);
    /// "Replace": replaces a selection equal to the find text, then finds the
    /// next.
    bool Replace();
    /// "Replace All": replaces every occurrence in the whole text, or in the
    /// range with "Apply to current selection only", wherever the caret is,
    /// as one undo step (the steps before it stay). The count of
    /// replacements; shows "N occurrences have been replaced." when it is at
    /// least 1.
    int ReplaceAll();
    /// Closing: the (adjusted) range is selected again in range mode.
    void Close();

    /// False after a search without a hit, until Reenable().
    bool ButtonsEnabled() const { return m_buttonsEnabled; }
    void Reenable() { m_buttonsEnabled = true; }

private:
    bool TakeTexts();
    bool ReplaceSelection();
    std::optional<qint64> SearchEnd() const;
    /// The occurrences in the whole text or the range, first to last, none
    /// overlapping another.
    std::vector<qint64> FindAll() const;

    CEditorView& m_view;
    bool m_rangeMode = false;
    bool m_selectionOnly = false;
    qint64 m_rangeStart = 0;
    qint64 m_rangeEnd = 0;
    QString m_initialFind;
    QString m_find;
    QString m_replace;
    bool m_buttonsEnabled = true;
};

inline const QString kEmptySearchMessage = QStringLiteral("Search string should not be empty");
/// "N occurrences have been replaced." ("1 occurrence has been replaced.").
QString ReplacedMessage(int count);

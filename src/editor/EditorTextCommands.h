#pragma once
// EditorTextCommands: the editor's commands that change the text or move in
// it without asking anything: brace matching, deleting a line, indenting,
// the date, the bookmark, going to a line, AutoText, the clipboard, the tab
// width. The part of CEditorView that works on its controls.
//
// Offsets are byte offsets into the control's text, as everywhere in the
// view. Notices go through the view (CEditorView::ShowNotice).
//
// Main thread only; owned by its view.

#include <QtGlobal>

class CEditorView;

class EditorTextCommands {
public:
    explicit EditorTextCommands(CEditorView& view) : m_view(view) {}

    /// Selects the partner of the brace at the selection ("Not a brace" or
    /// "Unbalanced braces" otherwise); `extend` selects from the selection
    /// to the partner instead.
    void MatchBrace(bool extend);
    /// Deletes the caret's line with its line end.
    void DeleteLine();
    /// A tab before each selected line, or one leading blank or tab off it;
    /// one undo step, the selection kept.
    void Indent(bool outdent);
    /// The date and time (the system's short format) in place of the
    /// selection, outside the undo history.
    void InsertDateTime();
    /// Remembers the caret's offset (the current line in hex mode).
    void SetBookmark();
    void GotoBookmark();
    /// Puts the caret at the start of line `line` (counted from 1).
    void GotoLine(int line);
    /// AutoText `slot` in place of the selection (edit mode only), the caret
    /// its backtrack characters before the end.
    void InsertAutoText(int slot);
    /// The selection to the clipboard; without one, the caret's line. In hex
    /// mode the current line, in rich text the rich view's selection.
    void Copy();
    /// The clipboard's text in place of the selection.
    void Paste();
    /// A tab width from 1 to 32 for the control (and the rich view); false
    /// for any other.
    bool SetTabWidth(int width);

private:
    CEditorView& m_view;
    qint64 m_bookmark = 0;
};

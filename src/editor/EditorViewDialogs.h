#pragma once
// EditorViewDialogs: the editor's commands that ask the user first, each
// through its dialog (find, replace, go to line, tab width, font, colours,
// page setup, print, save as, insert file, the AutoText definitions) and
// the AutoText mnemonics window. The part of CEditorView that talks to the
// user; what each command then does to the text is the view's (or
// EditorTextCommands').
//
// Dialogs are window-modal to the view's window (RunEditorDialog). The page
// setup and printing share one printer for the run, so the page setup chosen
// is the one printing uses; the margins are kept in twips in the settings.
//
// Main thread only; owned by its view.

#include <QPointer>
#include <QWidget>

class CEditorView;
class EditorTextCommands;

class EditorViewDialogs {
public:
    EditorViewDialogs(CEditorView& view, EditorTextCommands& edits)
        : m_view(view), m_edits(edits) {}

    /// Find with the selection as the first text; then a search.
    void Find();
    /// A search for the selected text, which goes to the find history.
    void FindSelection();
    void Replace();
    /// Asks for a line (texts of two lines or more) and goes there.
    void GotoLine();
    void TabWidth();
    void Font();
    void Colors();
    void PageSetup();
    void Print();
    void SaveAs();
    void InsertFile();
    void DefineAutoText();
    /// Shows or hides the mnemonics window; its choice goes into the text.
    void ToggleMnemonics();
    bool MnemonicsShown() const { return m_mnemonics && m_mnemonics->isVisible(); }

private:
    CEditorView& m_view;
    EditorTextCommands& m_edits;
    QPointer<QWidget> m_mnemonics;
};

#pragma once
// PaneRename: renaming in place, a part of a folder pane (CPanexView). It
// opens the label editor of the pane's list on a row, renames the item
// through the folder model when the editor gives its text, and puts the
// row's text back afterwards.
//
// Guarantees:
// - While the editor is open the frame is in its label-edit state (so that
//   keys reach the editor rather than the frame's shortcuts) and the
//   folder's watch is off (so that no refresh destroys the item being
//   edited); both are restored when the editor closes, however it closes.
// - A failed rename leaves both names on disk as they were and reopens the
//   editor once the closing one has gone.
//
// The pane owns it and outlives it. Main thread only.

#include <QObject>
#include <QString>

class CommandState;
class CPanexView;
class FolderItem;
class QEvent;

class PaneRename : public QObject {
public:
    /// Takes the label editor's results from the pane's list.
    explicit PaneRename(CPanexView& pane);
    ~PaneRename() override;

    /// True while a label editor is open.
    bool Editing() const { return m_renaming; }

    /// ID_FILE_RENAME: starts editing the focused row's label (the first selected
    /// row's when no row has the focus). In a folder that is not a
    /// file-system one the alert "Rename is not supported for virtual
    /// folders" refuses it. False when no editor opened.
    bool Begin();

    /// The end of a label edit with `text`: blanks at both ends trimmed; an
    /// empty text or the item's `displayName` changes nothing; otherwise the
    /// notice "Renaming..." and the model's RenameItem: the row points at
    /// the new item, which takes the old `selectedMark`; on failure the
    /// alert "For one reason or other, the item can't be renamed" and ID_FILE_RENAME
    /// is posted again so that editing resumes. False when nothing was
    /// renamed.
    bool End(int row, const QString& text);

    /// WM_RESTORE_ROW_TEXT posted to the pane: the row of the renamed (or
    /// not renamed) item shows its texts again, when it is still listed.
    /// True when `e` was one.
    bool HandleEvent(QEvent* e);

    /// ID_FILE_RENAME and its state (enabled in a file-system folder with a
    /// selection and no editor open). False for other commands.
    bool OnCommand(int id);
    bool OnUpdateCommand(int id, CommandState& state);

private:
    void OnEditorClosed(int row);
    // Renames the item of `row` (the name checked): the new item takes the
    // row, or editing resumes after a refusal.
    bool Rename(int row, FolderItem* item, const QString& name);
    void Leave();

    CPanexView& m_pane;
    bool m_renaming = false;  // a label editor is open
    bool m_textCame = false;  // the open editor gave its text
};

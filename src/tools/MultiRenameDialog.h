#pragma once
// MultiRenameDialog: "Multi-rename" of the selected items of one folder
// (Ctrl+F2). The masks, the counter, find and replace and the case change
// of RenameMask.h, and a preview of every old name beside its new one, with
// the rows that can't be renamed marked and the reason given, renewed as
// the user types (against the folder's names as read when the dialog
// opened, or at the last batch).
//
// "&Rename" carries the batch out (RenameBatch.h) after checking the
// folder again, and reports a failure with what was done; the rows then
// show the items' new names, so the masks can be applied once more.
// "&Undo" puts back the names of the last batch (one level, for as long as
// the dialog is open). `changed` runs after every batch or undo that
// renamed something, so the pane can refresh.
//
// The widgets are reachable for tests (they fill the fields and press the
// buttons without a screen). Main thread only.

#include <QDateTime>
#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "tools/RenameBatch.h"
#include "tools/RenameMask.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class RenamePreviewModel;

namespace RenameTexts {
inline const QString kTitle = QStringLiteral("Multi-rename");
inline const QString kNothingToDo = QStringLiteral("No name changes: nothing to rename");
inline const QString kConflicts =
    QStringLiteral("%1 items can't be renamed as shown; mend the masks first");
inline const QString kReady = QStringLiteral("%1 of %2 items get a new name");
inline const QString kUndone = QStringLiteral("The last renaming was undone");
}  // namespace RenameTexts

class MultiRenameDialog : public QDialog {
    Q_OBJECT
public:
    /// `folder`: the items' folder (absolute, decoded); `items`: their
    /// names and modified times, in the pane's order.
    MultiRenameDialog(QString folder, std::vector<RenameSource> items, QWidget* parent = nullptr);
    ~MultiRenameDialog() override;

    void SetChangedCallback(std::function<void()> changed) { m_changed = std::move(changed); }
    /// The system call used (tests inject failures).
    void SetRenameCall(RenameCall call) { m_call = std::move(call); }

    /// The options the fields hold now.
    RenameOptions Options() const;
    /// The preview's rows (old name, new name, conflict), as shown.
    const std::vector<RenameRow>& Rows() const { return m_rows; }
    /// Why the masks can't be used, or empty.
    const QString& MaskError() const { return m_maskError; }

    /// Renames as previewed. True when every row was renamed.
    bool Apply();
    /// Undoes the last Apply() that renamed something. True when all of it
    /// was undone.
    bool Undo();
    bool CanUndo() const { return m_undo.has_value(); }

    // The fields, for tests.
    QLineEdit* nameMask = nullptr;
    QLineEdit* extMask = nullptr;
    QSpinBox* counterStart = nullptr;
    QSpinBox* counterStep = nullptr;
    QSpinBox* counterWidth = nullptr;
    QLineEdit* findText = nullptr;
    QLineEdit* replaceText = nullptr;
    QCheckBox* regex = nullptr;
    QCheckBox* matchCase = nullptr;
    QComboBox* caseChange = nullptr;
    QPushButton* renameButton = nullptr;
    QPushButton* undoButton = nullptr;
    QLabel* status = nullptr;
    QTableView* preview = nullptr;

private:
    void UpdatePreview();
    void ShowOutcome(const RenameOutcome& outcome, int total);
    // Moves the items' names along with what arrived.
    void FollowRenames(const RenameOutcome& outcome);

    QString m_folder;
    std::vector<RenameSource> m_items;
    std::vector<RenameRow> m_rows;
    QSet<QString> m_existing;  // the folder's names, read when the dialog opens and at each batch
    QString m_maskError;
    std::optional<RenameOutcome> m_undo;
    RenameCall m_call;
    std::function<void()> m_changed;
    RenamePreviewModel* m_model = nullptr;
};

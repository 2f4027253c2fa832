#pragma once
// TargetFolderDialog: "Select destination folder", the small dialog of the
// copy and move commands. It shows the source folder, takes the target in
// an editable combo box over "Target Folder History" (Up and Down search
// the entries for the typed text, HistoryComboEdit), offers the folder
// picker, and carries the "bAskConfirmation" check box, which changes the
// general setting the moment it is clicked.
//
// Validation on OK, in this order, each failure a warning box (through the
// prompter) with the focus back in the target field and the dialog left
// open:
//   1. the target, trimmed, is empty: "The target folder field should not
//      be empty.";
//   2. it does not resolve to a folder (ResolveUserPath must give a folder,
//      not a file or a pattern, with a parsing name): "The specified target
//      folder is invalid.";
//   3. a move whose resolved target is the source folder (exact
//      comparison): "Target folder must be different from Source in Move
//      command".
// On success the target becomes the folder's parsing name and goes to the
// front of the history. Validate() runs the checks without a screen.
//
// Main thread only.

#include <QDialog>
#include <QString>

class HistoryList;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

/// The history the dialog fills its combo box from, and its section.
inline const QString kTargetFolderHistorySection = QStringLiteral("Target Folder History");

class TargetFolderDialog : public QDialog {
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("Select destination folder");
    static inline const QString kBrowseTitle = QStringLiteral("Select the target folder");
    static inline const QString kEmptyTarget =
        QStringLiteral("The target folder field should not be empty.");
    static inline const QString kInvalidTarget =
        QStringLiteral("The specified target folder is invalid.");
    static inline const QString kSameTargetInMove =
        QStringLiteral("Target folder must be different from Source in Move command");
    /// The longest target text the field takes.
    static constexpr int kMaxTargetLength = 260;

    /// `copy` true for the copy command ("&Copy"), false for move
    /// ("&Move"). `source` and `target` are the initial texts; `history`
    /// fills the combo box and receives the accepted target (it must outlive
    /// the dialog).
    TargetFolderDialog(bool copy, const QString& source, const QString& target,
                       HistoryList& history, QWidget* parent = nullptr);

    /// The target text: as typed until accepted, then the folder's parsing
    /// name.
    QString Target() const;
    void SetTargetText(const QString& text);
    const QString& Source() const { return m_source; }
    bool IsCopy() const { return m_copy; }

    /// Runs the validation (see the header comment). True when the target is
    /// good; it then replaces the text and is added to the history.
    bool Validate();

    /// "&Browse...": the folder picker (the prompter's), titled "Select the
    /// target folder", starting at the source folder; a chosen folder
    /// replaces the target text.
    void Browse();

    /// OK: Validate(), and close only when it passes.
    void accept() override;

    QComboBox* TargetCombo() const { return m_target; }
    QCheckBox* ConfirmCheck() const { return m_confirm; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* BrowseButton() const { return m_browse; }

private:
    void Refuse(const QString& text);

    bool m_copy;
    QString m_source;
    HistoryList& m_history;
    QComboBox* m_target = nullptr;
    QLabel* m_sourceLabel = nullptr;
    QCheckBox* m_confirm = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_browse = nullptr;
};

#pragma once
// SelectPatternDialog ("Select Items" / "Unselect items"): the pattern for
// Grey+ and Grey-, over "Selection Pattern History", with the three
// selection options. On "Select" ("Unselect") the trimmed pattern goes to
// the front of the history, where ApplySelectionPattern takes it.
//
// "Add items to current selection" and "Within current selection only"
// are enabled only for a select while the pane has a selection (their
// check marks stay as they are otherwise) and exclude each other. Their
// values are written to the general settings and the run's flag on
// "Select". Main thread only.

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace SelectPatternTexts {
inline const QString kSelectTitle = QStringLiteral("Select Items");
inline const QString kUnselectTitle = QStringLiteral("Unselect items");
inline const QString kEmpty = QStringLiteral("Pattern should not be empty");
inline const QString kHelp = QStringLiteral(
    "Use * for any run of characters and ? for one character; separate patterns with commas; "
    "a leading minus excludes (e.g. -*.c).");
}  // namespace SelectPatternTexts

inline constexpr int kSelectionPatternLimit = 100;

class SelectPatternDialog : public QDialog {
    Q_OBJECT
public:
    SelectPatternDialog(bool select, bool paneHasSelection, QWidget* parent = nullptr);

    void SetPattern(const QString& text);
    QCheckBox* IncludeFolders() const { return m_folders; }
    QCheckBox* AddToSelection() const { return m_add; }
    QCheckBox* WithinSelection() const { return m_within; }

    /// The OK button: an empty pattern (after trimming) gives the warning
    /// "Pattern should not be empty" and false; else the history and the
    /// options take the dialog's values: true.
    bool Validate();
    void accept() override;

private:
    QComboBox* m_pattern;
    QCheckBox* m_folders;
    QCheckBox* m_add;
    QCheckBox* m_within;
};

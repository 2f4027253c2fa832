#pragma once
// FindFilesDialog: "Find files or folders", the criteria of one search.
//
// The controls, in their order: "&Named" (the history "Grep File Types
// History"), "&Look in" (the history "FindFile LookIn History"),
// "Br&owse...", "Scan &all drives", "Include &Subfolders"; "Use &date
// constraints" with the group "Date Modified" (or Created, Accessed: the
// date kind of the options): "&Between" with the from and until fields,
// "During the &previous" with a count and its unit; "Si&ze is" with "at
// least" / "at most", the kB value and "kB"; "Use &text constraints" with
// "Find &what" (the history "Grep Find History") and the options "Match
// &case", "W&hole words only", "Search non-te&xt files"; then "&Find" and
// "Cancel".
//
// Each of the three enabling check boxes enables the controls after it up
// to the next one. "Scan &all drives" replaces the look-in text by the
// local volumes and puts back the dialog's own look-in value when it is
// unchecked.
//
// "&Find" runs CheckFindValues (FindCriteria.h): a failure shows its
// message (with the warning icon, the date message without), focuses the
// control and keeps the dialog open. On success the histories take the
// texts and the dialog closes with Checked() holding what the search needs.
// Main thread only.

#include <QDialog>
#include <QString>

#include "find/FindCriteria.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace FindDialogTexts {
inline const QString kHeader = QStringLiteral(
    "The more information you give, the narrower the search. The Named field may hold several "
    "file name patterns separated by commas, and Look in several folders separated by commas.");
inline const QString kDateGroup = QStringLiteral("Date %1");
}  // namespace FindDialogTexts

class FindFilesDialog : public QDialog {
    Q_OBJECT
public:
    /// A dialog over the run's criteria (RunFindCriteria(), which must be
    /// loaded) with `lookIn` as its look-in value.
    explicit FindFilesDialog(const QString& lookIn, QWidget* parent = nullptr);

    /// The values of the controls now.
    FindDialogValues Values() const;
    /// "&Find": see the header comment. True when the search may start.
    bool Validate();
    /// After a successful Validate().
    const FindChecked& Checked() const { return m_checked; }
    void accept() override;

    // The controls, for tests and the window's layout.
    QComboBox* NamedCombo() const { return m_named; }
    QComboBox* LookInCombo() const { return m_lookIn; }
    QComboBox* FindWhatCombo() const { return m_findWhat; }
    QCheckBox* ScanAllCheck() const { return m_scanAll; }
    QCheckBox* SubfoldersCheck() const { return m_subfolders; }
    QCheckBox* UseDatesCheck() const { return m_useDates; }
    QCheckBox* UseSizeCheck() const { return m_useSize; }
    QCheckBox* UseTextCheck() const { return m_useText; }
    QRadioButton* BetweenRadio() const { return m_between; }
    QRadioButton* PreviousRadio() const { return m_previous; }
    QLineEdit* FromEdit() const { return m_from; }
    QLineEdit* UntilEdit() const { return m_until; }
    QSpinBox* CountSpin() const { return m_count; }
    QComboBox* UnitsCombo() const { return m_units; }
    QComboBox* SizeKindCombo() const { return m_sizeKind; }
    QSpinBox* KiloBytesSpin() const { return m_kiloBytes; }
    QCheckBox* MatchCaseCheck() const { return m_matchCase; }
    QCheckBox* WholeWordsCheck() const { return m_wholeWords; }
    QCheckBox* BinaryCheck() const { return m_binary; }
    QGroupBox* DateGroup() const { return m_dateGroup; }

    /// "Br&owse...": the folder picker; a chosen folder replaces the text.
    void BrowseLookIn();
    /// "Scan &all drives" checked or unchecked.
    void ScanAllToggled(bool on);

private:
    void ShowRunValues();
    void UpdateEnabling();
    QWidget* ControlOf(FindControl control) const;

    QString m_lookInValue;  // what unchecking "Scan all drives" puts back
    FindChecked m_checked;
    QComboBox* m_named;
    QComboBox* m_lookIn;
    QPushButton* m_browse;
    QCheckBox* m_scanAll;
    QCheckBox* m_subfolders;
    QCheckBox* m_useDates;
    QGroupBox* m_dateGroup;
    QRadioButton* m_between;
    QLineEdit* m_from;
    QLabel* m_and;
    QLineEdit* m_until;
    QRadioButton* m_previous;
    QSpinBox* m_count;
    QComboBox* m_units;
    QCheckBox* m_useSize;
    QComboBox* m_sizeKind;
    QSpinBox* m_kiloBytes;
    QLabel* m_kb;
    QCheckBox* m_useText;
    QLabel* m_findWhatLabel;
    QComboBox* m_findWhat;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWords;
    QCheckBox* m_binary;
};

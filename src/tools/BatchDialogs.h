#pragma once
// The two dialogs of "Generate batch..." (Ctrl+B): the template
// (BatchTemplateDialog, "Batch file creation", over "Batch Template
// History") and the review of the generated script (BatchScriptDialog,
// "<name> - Batch script") with Execute, Cancel and Save As. The text
// expansion is BatchScript.h's.
//
// Execute writes the edited script to the temporary script path (run bit
// set) and has the runner start it; Save As writes it where the user says.
// Both keep the dialog open on failure, with the program's messages. The
// script file name ("Untitled" until a Save As) lasts for the run.
// Main thread only.

#include <QDialog>
#include <QString>
#include <functional>

class HistoryList;
class ProfileStore;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace BatchTexts {
inline const QString kTemplateTitle = QStringLiteral("Batch file creation");
inline const QString kEmptyTemplate = QStringLiteral("Template should not be empty");
inline const QString kInvalidTemplate = QStringLiteral("The specified template is invalid");
inline const QString kUnsafeTemplate = QStringLiteral(
    "The template puts a name where it can't be quoted safely (inside ${...}, $((...)), a "
    "here-document, or a comment within a substitution); write it another way");
inline const QString kTooLong =
    QStringLiteral("The script would be longer than 30000 characters; select fewer items");
inline const QString kScriptTitle = QStringLiteral("%1 - Batch script");
inline const QString kTempFailed = QStringLiteral("Unable to access the TEMP folder");
inline const QString kRunFailed = QStringLiteral("The batch file could not be executed");
inline const QString kSaveFailed = QStringLiteral("That batch file won't be saved");
inline const QString kSaveFilter = QStringLiteral("Shell scripts (*.sh)");
inline const QString kUntitled = QStringLiteral("Untitled");
inline const QString kTemplatePrefix = QStringLiteral("<Template> = ");
}  // namespace BatchTexts

inline const QString kBatchTemplateHistorySection = QStringLiteral("Batch Template History");
HistoryList& BatchTemplateHistory();
void LoadBatchTemplateHistory(const ProfileStore& store);
void SaveBatchTemplateHistory(ProfileStore& store);

/// The name the script was last saved under ("Untitled" at first).
QString& BatchScriptName();

class BatchTemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit BatchTemplateDialog(QWidget* parent = nullptr);
    void SetTemplate(const QString& text);
    /// "Create": the template trimmed of trailing blanks; empty gives the
    /// warning "Template should not be empty" and false, one that puts a
    /// code where it can't be quoted (BatchTemplateIsSafe) a warning that
    /// says so and false; else it goes to the history: true.
    bool Validate();
    const QString& Template() const { return m_template; }
    void accept() override;

private:
    QComboBox* m_combo;
    QString m_template;
};

class BatchScriptDialog : public QDialog {
    Q_OBJECT
public:
    /// Starts the written script; false when it could not be started.
    using Runner = std::function<bool(const QString& scriptPath)>;
    /// Asks where to save; nullopt when cancelled. The default shows the
    /// save dialog with the overwrite question.
    using SavePicker = std::function<std::optional<QString>(const QString& suggested)>;

    BatchScriptDialog(const QString& script, const QString& templateText, QString tempScriptPath,
                      Runner runner, QWidget* parent = nullptr);
    void SetSavePicker(SavePicker picker) { m_picker = std::move(picker); }

    QPlainTextEdit* Editor() const { return m_editor; }
    QString Script() const;

    /// "&Execute": writes and starts the script; true (and the dialog
    /// closes) on success, else the box of the failure and false.
    bool Execute();
    /// "&Save As...": false when cancelled or the file could not be written.
    bool SaveAs();

private:
    QPlainTextEdit* m_editor;
    QString m_tempPath;
    Runner m_runner;
    SavePicker m_picker;
};

#include "tools/BatchDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/namespace/NameCodec.h"
#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/HistoryList.h"
#include "shell/NotifyShell.h"
#include "tools/BatchScript.h"
#include "tools/ToolFiles.h"

namespace {

const QStringList kHelpLines = {
    QStringLiteral("Specify the command template to be applied on each of the selected items. "
                   "Multiple lines per item can be generated, if separated by commas."),
    QStringLiteral("Item names: $N=full, $B=base, $E=extension"),
    QStringLiteral("Path names: $L=left pane, $R=right pane"),
    QStringLiteral("$I=inactive pane, $P=item path"),
    QStringLiteral("Use $1 for adding an auto-incremented number, $01 for a leading zero, $5 to "
                   "start counting from 5 etc."),
    // How names are kept from running as code (BatchScript.h).
    QStringLiteral("Names and paths are quoted for the shell where they need it (escaped inside "
                   "your own quotes), and a name starting with - is written ./-name."),
};

// A script is a program: rwx for the owner, as the umask allows others.
constexpr mode_t kScriptMode = 0755;

}  // namespace

HistoryList& BatchTemplateHistory() {
    static HistoryList history;
    return history;
}

void LoadBatchTemplateHistory(const ProfileStore& store) {
    BatchTemplateHistory().Load(General().historyItems, store, kBatchTemplateHistorySection);
}

void SaveBatchTemplateHistory(ProfileStore& store) {
    BatchTemplateHistory().Save(General().historyItems, store, kBatchTemplateHistorySection);
}

QString& BatchScriptName() {
    static QString name = BatchTexts::kUntitled;
    return name;
}

// -- Template ----------------------------------------------------------------------

BatchTemplateDialog::BatchTemplateDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(BatchTexts::kTemplateTitle);
    m_combo = new QComboBox(this);
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->lineEdit()->setMaxLength(kBatchTemplateLimit);
    m_combo->setMinimumContentsLength(40);
    BatchTemplateHistory().FillCombo(General().historyItems, m_combo, QString());
    m_combo->lineEdit()->selectAll();
    new HistoryComboEdit(m_combo);
    auto* label = new QLabel(QStringLiteral("&Template:"), this);
    label->setBuddy(m_combo);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Create"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_combo);
    for (const QString& line : kHelpLines) {
        auto* help = new QLabel(line, this);
        help->setWordWrap(true);
        layout->addWidget(help);
    }
    layout->addWidget(buttons);
    m_combo->setFocus();
}

void BatchTemplateDialog::SetTemplate(const QString& text) {
    m_combo->setEditText(text);
}

bool BatchTemplateDialog::Validate() {
    QString text = m_combo->currentText();
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t')) text.chop(1);
    if (text.isEmpty()) {
        MessageBoxText(BatchTexts::kEmptyTemplate, PromptButtons::Ok, PromptIcon::Warning, this);
        m_combo->setFocus();
        return false;
    }
    // A name the shell could read as code is worse than no script.
    if (!BatchTemplateIsSafe(ParseBatchTemplate(text))) {
        MessageBoxText(BatchTexts::kUnsafeTemplate, PromptButtons::Ok, PromptIcon::Warning, this);
        m_combo->setFocus();
        return false;
    }
    m_template = text;
    BatchTemplateHistory().Add(General().historyItems, text);
    return true;
}

void BatchTemplateDialog::accept() {
    if (Validate())
        QDialog::accept();
}

// -- Script --------------------------------------------------------------------------

BatchScriptDialog::BatchScriptDialog(const QString& script, const QString& templateText,
                                     QString tempScriptPath, Runner runner, QWidget* parent)
    : QDialog(parent), m_tempPath(std::move(tempScriptPath)), m_runner(std::move(runner)) {
    setWindowTitle(BatchTexts::kScriptTitle.arg(BatchScriptName()));
    m_editor = new QPlainTextEdit(this);
    m_editor->setPlainText(script);
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->moveCursor(QTextCursor::Start);
    auto* templateLine = new QLineEdit(BatchTexts::kTemplatePrefix + templateText, this);
    templateLine->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* execute =
        buttons->addButton(QStringLiteral("&Execute"), QDialogButtonBox::ActionRole);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* save =
        buttons->addButton(QStringLiteral("&Save As..."), QDialogButtonBox::ActionRole);
    execute->setDefault(false);
    execute->setAutoDefault(false);
    save->setAutoDefault(false);
    connect(execute, &QPushButton::clicked, this, [this] { Execute(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveAs(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
    layout->addWidget(templateLine);
    layout->addWidget(buttons);
    resize(640, 420);
    m_editor->setFocus();
}

QString BatchScriptDialog::Script() const {
    return m_editor->toPlainText();
}

bool BatchScriptDialog::Execute() {
    // Names are bytes: the escapes of names that are not UTF-8 go back to
    // their bytes in the file.
    if (m_tempPath.isEmpty() ||
        !WriteFileReplacing(m_tempPath, NameToBytes(Script()), kScriptMode)) {
        MessageBoxText(BatchTexts::kTempFailed, PromptButtons::Ok, PromptIcon::Error, this);
        m_editor->setFocus();
        return false;
    }
    NotifyShell(SHCNE_CREATE, m_tempPath);
    if (!m_runner || !m_runner(m_tempPath)) {
        MessageBoxText(BatchTexts::kRunFailed, PromptButtons::Ok, PromptIcon::Error, this);
        m_editor->setFocus();
        return false;
    }
    accept();
    return true;
}

bool BatchScriptDialog::SaveAs() {
    std::optional<QString> path;
    if (m_picker) {
        path = m_picker(BatchScriptName());
    } else {
        const QString chosen = QFileDialog::getSaveFileName(this, QString(), BatchScriptName(),
                                                            BatchTexts::kSaveFilter);
        if (!chosen.isEmpty())
            path = chosen;
    }
    if (!path)
        return false;
    if (!WriteFileReplacing(*path, NameToBytes(Script()), kScriptMode)) {
        MessageBoxText(BatchTexts::kSaveFailed, PromptButtons::Ok, PromptIcon::Error, this);
        return false;
    }
    NotifyShell(SHCNE_CREATE, *path);
    BatchScriptName() = *path;
    setWindowTitle(BatchTexts::kScriptTitle.arg(*path));
    return true;
}

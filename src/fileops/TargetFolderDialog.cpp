#include "fileops/TargetFolderDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/HistoryList.h"
#include "shell/ResolveUserPath.h"
#include "shell/ShellContext.h"

namespace {

const QString kTargetLabel = QStringLiteral("&Target:");
const QString kSourceLabel = QStringLiteral("&Source:");
const QString kBrowseText = QStringLiteral("&Browse...");
const QString kConfirmText = QStringLiteral("&Ask for confirmation before overwriting files");
const QString kCopyCaption = QStringLiteral("&Copy");
const QString kMoveCaption = QStringLiteral("&Move");
const QString kExplanation =
    QStringLiteral("The default target is the folder shown in the opposite pane.");

}  // namespace

TargetFolderDialog::TargetFolderDialog(bool copy, const QString& source, const QString& target,
                                       HistoryList& history, QWidget* parent)
    : QDialog(parent), m_copy(copy), m_source(source), m_history(history) {
    setWindowTitle(kTitle);
    auto* grid = new QGridLayout(this);

    m_target = new QComboBox(this);
    m_target->setEditable(true);
    m_target->setInsertPolicy(QComboBox::NoInsert);
    m_target->lineEdit()->setMaxLength(kMaxTargetLength);
    m_target->setMinimumContentsLength(40);
    // Up and Down search the history for the typed text, as in every
    // history combo of the program.
    new HistoryComboEdit(m_target);
    m_history.FillCombo(General().historyItems, m_target, target);
    // An empty initial target stays empty (the opposite pane shows no
    // directory): the history is in the drop-down list.
    m_target->setEditText(target);
    auto* targetLabel = new QLabel(kTargetLabel, this);
    targetLabel->setBuddy(m_target);
    m_browse = new QPushButton(kBrowseText, this);
    grid->addWidget(targetLabel, 0, 0);
    grid->addWidget(m_target, 0, 1);
    grid->addWidget(m_browse, 0, 2);

    auto* sourceLabel = new QLabel(kSourceLabel, this);
    m_sourceLabel = new QLabel(source, this);
    m_sourceLabel->setTextFormat(Qt::PlainText);
    m_sourceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sourceLabel->setBuddy(m_sourceLabel);
    grid->addWidget(sourceLabel, 1, 0);
    grid->addWidget(m_sourceLabel, 1, 1, 1, 2);

    m_confirm = new QCheckBox(kConfirmText, this);
    m_confirm->setChecked(General().askConfirmation);
    grid->addWidget(m_confirm, 2, 0, 1, 3);

    auto* explanation = new QLabel(kExplanation, this);
    explanation->setWordWrap(true);
    grid->addWidget(explanation, 3, 0, 1, 3);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(copy ? kCopyCaption : kMoveCaption, QDialogButtonBox::AcceptRole);
    m_ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    grid->addWidget(buttons, 4, 0, 1, 3);

    connect(buttons, &QDialogButtonBox::accepted, this, &TargetFolderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TargetFolderDialog::reject);
    connect(m_browse, &QPushButton::clicked, this, &TargetFolderDialog::Browse);
    connect(m_confirm, &QCheckBox::toggled, this,
            [](bool on) { MutableGeneral().askConfirmation = on; });
}

QString TargetFolderDialog::Target() const {
    return m_target->currentText();
}

void TargetFolderDialog::SetTargetText(const QString& text) {
    m_target->setEditText(text);
}

void TargetFolderDialog::Refuse(const QString& text) {
    PromptRequest request;
    request.text = text;
    request.buttons = PromptButtons::Ok;
    request.icon = PromptIcon::Warning;
    request.parent = this;
    Prompts().MessageBox(request);
    m_target->setFocus();
    m_target->lineEdit()->selectAll();
}

bool TargetFolderDialog::Validate() {
    const QString text = Target().trimmed();
    if (text.isEmpty()) {
        Refuse(kEmptyTarget);
        return false;
    }
    const ResolvedPath resolved = ResolveUserPath(text);
    std::optional<QString> path;
    const bool folder = !resolved.idList.IsNull() && (resolved.flags & kResolveFolder) &&
                        !(resolved.flags & (kResolveFilter | kResolveFile | kResolveFailed));
    if (folder)
        path = AbsoluteDisplayName(resolved.idList, SHGDN_FORPARSING);
    if (!path || path->isEmpty()) {
        Refuse(kInvalidTarget);
        return false;
    }
    if (!m_copy && *path == m_source) {
        Refuse(kSameTargetInMove);
        return false;
    }
    SetTargetText(*path);
    m_history.Add(General().historyItems, *path);
    return true;
}

void TargetFolderDialog::Browse() {
    if (std::optional<QString> chosen = Prompts().BrowseForFolder(kBrowseTitle, m_source, this))
        SetTargetText(*chosen);
}

void TargetFolderDialog::accept() {
    if (Validate())
        QDialog::accept();
}

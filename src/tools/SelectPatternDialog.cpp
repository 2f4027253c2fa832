#include "tools/SelectPatternDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/HistoryList.h"
#include "tools/PaneSelection.h"

SelectPatternDialog::SelectPatternDialog(bool select, bool paneHasSelection, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(select ? SelectPatternTexts::kSelectTitle : SelectPatternTexts::kUnselectTitle);
    m_pattern = new QComboBox(this);
    m_pattern->setEditable(true);
    m_pattern->setInsertPolicy(QComboBox::NoInsert);
    m_pattern->lineEdit()->setMaxLength(kSelectionPatternLimit);
    SelectionPatternHistory().FillCombo(General().historyItems, m_pattern, QString());
    m_pattern->lineEdit()->selectAll();
    new HistoryComboEdit(m_pattern);

    m_folders = new QCheckBox(QStringLiteral("Apply to &folder objects, too"), this);
    m_add = new QCheckBox(QStringLiteral("&Add items to current selection"), this);
    m_within = new QCheckBox(QStringLiteral("&Within current selection only"), this);
    m_folders->setChecked(General().selectIncFolders);
    m_add->setChecked(General().selectAddOnTop);
    m_within->setChecked(WithinSelectionOnly());
    const bool selectionOptions = select && paneHasSelection;
    m_add->setEnabled(selectionOptions);
    m_within->setEnabled(selectionOptions);
    connect(m_add, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_within->setChecked(false);
    });
    connect(m_within, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_add->setChecked(false);
    });

    auto* pattern = new QLabel(QStringLiteral("&Pattern:"), this);
    pattern->setBuddy(m_pattern);
    auto* help = new QLabel(SelectPatternTexts::kHelp, this);
    help->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok =
        buttons->addButton(select ? QStringLiteral("Select") : QStringLiteral("Unselect"),
                           QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    ok->setIcon(style()->standardIcon(select ? QStyle::SP_DialogApplyButton
                                             : QStyle::SP_DialogDiscardButton));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pattern);
    layout->addWidget(m_pattern);
    layout->addWidget(m_folders);
    layout->addWidget(m_add);
    layout->addWidget(m_within);
    layout->addWidget(help);
    layout->addWidget(buttons);
    m_pattern->setFocus();
}

void SelectPatternDialog::SetPattern(const QString& text) {
    m_pattern->setEditText(text);
}

bool SelectPatternDialog::Validate() {
    const QString pattern = m_pattern->currentText().trimmed();
    if (pattern.isEmpty()) {
        MessageBoxText(SelectPatternTexts::kEmpty, PromptButtons::Ok, PromptIcon::Warning, this);
        m_pattern->setFocus();
        return false;
    }
    SelectionPatternHistory().Add(General().historyItems, pattern);
    GeneralSettings& general = MutableGeneral();
    general.selectIncFolders = m_folders->isChecked();
    general.selectAddOnTop = m_add->isChecked();
    SetWithinSelectionOnly(m_within->isChecked());
    return true;
}

void SelectPatternDialog::accept() {
    if (Validate())
        QDialog::accept();
}

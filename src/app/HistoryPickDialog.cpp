#include "app/HistoryPickDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/HistoryList.h"

namespace {

HistoryPickDialog::Runner& InstalledRunner() {
    static HistoryPickDialog::Runner runner;
    return runner;
}

}  // namespace

HistoryPickDialog::HistoryPickDialog(const QString& title, HistoryList& list, QWidget* parent)
    : QDialog(parent), m_list(list) {
    setObjectName(QStringLiteral("HistoryPickDialog"));
    setWindowTitle(title);

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(
        QStringLiteral("Select an item from the history list. Editing before selection is also "
                       "permissible."),
        this);
    text->setWordWrap(true);

    m_combo = new QComboBox(this);
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->lineEdit()->setMaxLength(kHistoryPickMaxLength);
    m_combo->setMinimumContentsLength(40);
    new HistoryComboEdit(m_combo);
    m_list.FillCombo(General().historyItems, m_combo, QString());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout;
    column->addWidget(text);
    column->addWidget(m_combo);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(column, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    m_combo->setFocus();
    m_combo->lineEdit()->selectAll();
}

void HistoryPickDialog::accept() {
    m_chosen = m_combo->currentText().left(kHistoryPickMaxLength);
    m_list.Add(General().historyItems, m_chosen);
    QDialog::accept();
}

std::optional<QString> HistoryPickDialog::Pick(const QString& title, HistoryList& list,
                                               QWidget* parent) {
    HistoryPickDialog dialog(title, list, parent);
    const Runner& runner = InstalledRunner();
    const int result = runner ? runner(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return std::nullopt;
    return dialog.ChosenText();
}

HistoryPickDialog::Runner HistoryPickDialog::SetRunner(Runner runner) {
    return std::exchange(InstalledRunner(), std::move(runner));
}

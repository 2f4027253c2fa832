#include "find/FindFilesDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "pane/PaneRowModel.h"
#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/HistoryList.h"
#include "shell/PathHelpers.h"
#include "tools/TextScan.h"

namespace {

QComboBox* HistoryCombo(QWidget* parent, HistoryList& history, const QString& text) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    history.FillCombo(General().historyItems, combo, text);
    combo->setEditText(text);
    new HistoryComboEdit(combo);
    return combo;
}

}  // namespace

FindFilesDialog::FindFilesDialog(const QString& lookIn, QWidget* parent)
    : QDialog(parent), m_lookInValue(lookIn) {
    setWindowTitle(FindTexts::kDialogTitle);
    auto* header = new QLabel(FindDialogTexts::kHeader, this);
    header->setWordWrap(true);

    m_named = HistoryCombo(this, GrepTypesHistory(), QString());
    m_lookIn = HistoryCombo(this, FindLookInHistory(), lookIn);
    m_browse = new QPushButton(QStringLiteral("Br&owse..."), this);
    m_scanAll = new QCheckBox(QStringLiteral("Scan &all drives"), this);
    m_subfolders = new QCheckBox(QStringLiteral("Include &Subfolders"), this);

    m_useDates = new QCheckBox(QStringLiteral("Use &date constraints"), this);
    m_dateGroup = new QGroupBox(
        FindDialogTexts::kDateGroup.arg(DateColumnTitle(General().fileDateUsed)), this);
    m_between = new QRadioButton(QStringLiteral("&Between"), m_dateGroup);
    m_from = new QLineEdit(m_dateGroup);
    m_and = new QLabel(QStringLiteral("and"), m_dateGroup);
    m_until = new QLineEdit(m_dateGroup);
    m_previous = new QRadioButton(QStringLiteral("During the &previous"), m_dateGroup);
    m_count = new QSpinBox(m_dateGroup);
    m_count->setRange(0, 9999);
    m_units = new QComboBox(m_dateGroup);
    m_units->addItems(
        {QStringLiteral("hour(s)"), QStringLiteral("day(s)"), QStringLiteral("month(s)")});
    auto* methods = new QButtonGroup(this);
    methods->addButton(m_between, kDateBetween);
    methods->addButton(m_previous, kDatePrevious);

    m_useSize = new QCheckBox(QStringLiteral("Si&ze is"), this);
    m_sizeKind = new QComboBox(this);
    m_sizeKind->addItems({QStringLiteral("at least"), QStringLiteral("at most")});
    m_kiloBytes = new QSpinBox(this);
    m_kiloBytes->setRange(0, 2147483647);
    m_kb = new QLabel(QStringLiteral("kB"), this);

    m_useText = new QCheckBox(QStringLiteral("Use &text constraints"), this);
    m_findWhatLabel = new QLabel(QStringLiteral("Find &what:"), this);
    m_findWhat = HistoryCombo(this, GrepFindHistory(), QString());
    m_findWhatLabel->setBuddy(m_findWhat);
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_wholeWords = new QCheckBox(QStringLiteral("W&hole words only"), this);
    m_binary = new QCheckBox(QStringLiteral("Search non-te&xt files"), this);

    // Layout, in the controls' order.
    auto* where = new QGridLayout;
    auto* namedLabel = new QLabel(QStringLiteral("&Named:"), this);
    namedLabel->setBuddy(m_named);
    auto* lookInLabel = new QLabel(QStringLiteral("&Look in:"), this);
    lookInLabel->setBuddy(m_lookIn);
    where->addWidget(namedLabel, 0, 0);
    where->addWidget(m_named, 0, 1, 1, 2);
    where->addWidget(lookInLabel, 1, 0);
    where->addWidget(m_lookIn, 1, 1);
    where->addWidget(m_browse, 1, 2);
    auto* whereChecks = new QHBoxLayout;
    whereChecks->addWidget(m_scanAll);
    whereChecks->addWidget(m_subfolders);
    whereChecks->addStretch();
    where->addLayout(whereChecks, 2, 1, 1, 2);
    where->setColumnStretch(1, 1);

    auto* dates = new QGridLayout(m_dateGroup);
    dates->addWidget(m_between, 0, 0);
    dates->addWidget(m_from, 0, 1);
    dates->addWidget(m_and, 0, 2);
    dates->addWidget(m_until, 0, 3);
    dates->addWidget(m_previous, 1, 0);
    dates->addWidget(m_count, 1, 1);
    dates->addWidget(m_units, 1, 2, 1, 2);

    auto* size = new QHBoxLayout;
    size->addWidget(m_useSize);
    size->addWidget(m_sizeKind);
    size->addWidget(m_kiloBytes);
    size->addWidget(m_kb);
    size->addStretch();

    auto* text = new QGridLayout;
    text->addWidget(m_useText, 0, 0, 1, 2);
    text->addWidget(m_findWhatLabel, 1, 0);
    text->addWidget(m_findWhat, 1, 1);
    auto* options = new QHBoxLayout;
    options->addWidget(m_matchCase);
    options->addWidget(m_wholeWords);
    options->addWidget(m_binary);
    options->addStretch();
    text->addLayout(options, 2, 1);
    text->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* find = buttons->addButton(QStringLiteral("&Find"), QDialogButtonBox::AcceptRole);
    find->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addLayout(where);
    layout->addWidget(m_useDates);
    layout->addWidget(m_dateGroup);
    layout->addLayout(size);
    layout->addLayout(text);
    layout->addWidget(buttons);

    connect(m_browse, &QPushButton::clicked, this, [this] { BrowseLookIn(); });
    connect(m_scanAll, &QCheckBox::toggled, this, [this](bool on) { ScanAllToggled(on); });
    for (QCheckBox* box : {m_useDates, m_useSize, m_useText})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });

    ShowRunValues();
    UpdateEnabling();
    m_named->setFocus();
}

void FindFilesDialog::ShowRunValues() {
    const FindCriteria& criteria = RunFindCriteria();
    m_subfolders->setChecked(criteria.recursive);
    m_count->setValue(criteria.prevCount);
    m_units->setCurrentIndex(criteria.prevUnits);
    m_kiloBytes->setValue(criteria.kiloBytes);
    m_sizeKind->setCurrentIndex(criteria.sizeKind);
    (criteria.dateMethod == kDatePrevious ? m_previous : m_between)->setChecked(true);
    m_from->setText(FormatFindDate(criteria.from));
    m_until->setText(FormatFindDate(criteria.until));
    const TextScanOptions& options = GrepOptions();
    m_matchCase->setChecked(options.matchCase);
    m_wholeWords->setChecked(options.wordsOnly);
    m_binary->setChecked(options.searchBinFiles);
}

void FindFilesDialog::UpdateEnabling() {
    const bool dates = m_useDates->isChecked();
    m_dateGroup->setEnabled(dates);
    const bool size = m_useSize->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{m_sizeKind, m_kiloBytes, m_kb})
        widget->setEnabled(size);
    const bool text = m_useText->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{m_findWhatLabel, m_findWhat, m_matchCase,
                                                           m_wholeWords, m_binary})
        widget->setEnabled(text);
}

void FindFilesDialog::BrowseLookIn() {
    const std::optional<QString> chosen =
        BrowseForFolder(FindTexts::kBrowsePrompt, m_lookInValue, this);
    if (chosen) {
        m_lookInValue = *chosen;
        m_lookIn->setEditText(*chosen);
    }
}

void FindFilesDialog::ScanAllToggled(bool on) {
    m_lookIn->setEditText(on ? AllLocalVolumesText() : m_lookInValue);
}

FindDialogValues FindFilesDialog::Values() const {
    FindDialogValues values;
    values.named = m_named->currentText();
    values.lookIn = m_lookIn->currentText();
    values.findWhat = m_findWhat->currentText();
    values.useDates = m_useDates->isChecked();
    values.useSize = m_useSize->isChecked();
    values.useText = m_useText->isChecked();
    values.fromText = m_from->text();
    values.untilText = m_until->text();
    values.recursive = m_subfolders->isChecked();
    values.prevCount = m_count->value();
    values.prevUnits = m_units->currentIndex();
    values.kiloBytes = m_kiloBytes->value();
    values.sizeKind = m_sizeKind->currentIndex();
    values.dateMethod = m_previous->isChecked() ? kDatePrevious : kDateBetween;
    values.textOptions = {m_matchCase->isChecked(), m_wholeWords->isChecked(),
                          m_binary->isChecked()};
    return values;
}

QWidget* FindFilesDialog::ControlOf(FindControl control) const {
    switch (control) {
        case FindControl::LookIn:
            return m_lookIn;
        case FindControl::FromDate:
            return m_from;
        case FindControl::UntilDate:
            return m_until;
        case FindControl::FindWhat:
            return m_findWhat;
        case FindControl::Named:
            return m_named;
        case FindControl::None:
            break;
    }
    return nullptr;
}

bool FindFilesDialog::Validate() {
    FindDialogValues values = Values();
    // The shared text options are run-wide values like the others.
    GrepOptions() = values.textOptions;
    const std::optional<FindCheckFailure> failure = CheckFindValues(
        values, RunFindCriteria(), QDate::currentDate(), &ResolveLookInEntry, &m_checked);
    // The fields show what the exchange made of them.
    if (values.lookIn != m_lookIn->currentText() && !values.lookIn.isEmpty())
        m_lookIn->setEditText(values.lookIn);
    if (!failure || failure->control != FindControl::FromDate)
        m_from->setText(FormatFindDate(RunFindCriteria().from));
    if (!failure || failure->control != FindControl::UntilDate)
        m_until->setText(FormatFindDate(RunFindCriteria().until));
    if (failure) {
        MessageBoxText(failure->message, PromptButtons::Ok,
                       failure->warning ? PromptIcon::Warning : PromptIcon::None, this);
        if (QWidget* control = ControlOf(failure->control))
            control->setFocus();
        return false;
    }
    m_named->setEditText(values.named);
    m_lookInValue = values.lookIn;
    AddFindHistories(m_checked);
    return true;
}

void FindFilesDialog::accept() {
    if (Validate())
        QDialog::accept();
}

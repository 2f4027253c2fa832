#include "tools/MultiRenameDialog.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/namespace/NameCodec.h"
#include "platform/ui/Prompter.h"

class RenamePreviewModel : public QAbstractTableModel {
public:
    explicit RenamePreviewModel(QObject* parent) : QAbstractTableModel(parent) {}

    void SetRows(const std::vector<RenameRow>* rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() || !m_rows ? 0 : int(m_rows->size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!m_rows || !index.isValid())
            return {};
        const RenameRow& row = (*m_rows)[std::size_t(index.row())];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
                case 0:
                    return DisplayFromName(row.oldName);
                case 1:
                    return DisplayFromName(row.newName);
                default:
                    return row.conflict;
            }
        }
        if (role == Qt::ForegroundRole && !row.conflict.isEmpty())
            return QBrush(Qt::red);
        if (role == Qt::ForegroundRole && !row.Changes())
            return QBrush(Qt::gray);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
            case 0:
                return QStringLiteral("Old name");
            case 1:
                return QStringLiteral("New name");
            default:
                return QStringLiteral("Problem");
        }
    }

private:
    const std::vector<RenameRow>* m_rows = nullptr;
};

MultiRenameDialog::MultiRenameDialog(QString folder, std::vector<RenameSource> items,
                                     QWidget* parent)
    : QDialog(parent), m_folder(std::move(folder)), m_items(std::move(items)) {
    setWindowTitle(RenameTexts::kTitle);
    auto* layout = new QVBoxLayout(this);

    auto* masks = new QGridLayout;
    nameMask = new QLineEdit(QStringLiteral("[N]"), this);
    extMask = new QLineEdit(QStringLiteral("[E]"), this);
    auto* nameLabel = new QLabel(QStringLiteral("&Name mask:"), this);
    nameLabel->setBuddy(nameMask);
    auto* extLabel = new QLabel(QStringLiteral("E&xtension mask:"), this);
    extLabel->setBuddy(extMask);
    masks->addWidget(nameLabel, 0, 0);
    masks->addWidget(nameMask, 0, 1);
    masks->addWidget(extLabel, 0, 2);
    masks->addWidget(extMask, 0, 3);
    auto* help =
        new QLabel(QStringLiteral("[N] name, [E] extension, [N2-5] characters 2 to 5, [C] counter, "
                                  "[Y][M][D] date, [h][m][s] time"),
                   this);
    help->setWordWrap(true);
    masks->addWidget(help, 1, 0, 1, 4);
    layout->addLayout(masks);

    auto* counter = new QHBoxLayout;
    counterStart = new QSpinBox(this);
    counterStart->setRange(-999999999, 999999999);
    counterStart->setValue(1);
    counterStep = new QSpinBox(this);
    counterStep->setRange(-99999, 99999);
    counterStep->setValue(1);
    counterWidth = new QSpinBox(this);
    counterWidth->setRange(1, 10);
    counterWidth->setValue(1);
    for (auto [text, box] : {std::pair{QStringLiteral("Counter &start:"), counterStart},
                             std::pair{QStringLiteral("S&tep:"), counterStep},
                             std::pair{QStringLiteral("&Digits:"), counterWidth}}) {
        auto* label = new QLabel(text, this);
        label->setBuddy(box);
        counter->addWidget(label);
        counter->addWidget(box);
    }
    counter->addStretch();
    layout->addLayout(counter);

    auto* replace = new QGridLayout;
    findText = new QLineEdit(this);
    replaceText = new QLineEdit(this);
    regex = new QCheckBox(QStringLiteral("Re&gular expression"), this);
    matchCase = new QCheckBox(QStringLiteral("&Match case"), this);
    matchCase->setChecked(true);
    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(findText);
    auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
    replaceLabel->setBuddy(replaceText);
    replace->addWidget(findLabel, 0, 0);
    replace->addWidget(findText, 0, 1);
    replace->addWidget(replaceLabel, 0, 2);
    replace->addWidget(replaceText, 0, 3);
    replace->addWidget(regex, 1, 1);
    replace->addWidget(matchCase, 1, 3);
    caseChange = new QComboBox(this);
    caseChange->addItems({QStringLiteral("Unchanged"), QStringLiteral("lower case"),
                          QStringLiteral("UPPER CASE"), QStringLiteral("First Of Each Word"),
                          QStringLiteral("First of name")});
    auto* caseLabel = new QLabel(QStringLiteral("&Case:"), this);
    caseLabel->setBuddy(caseChange);
    replace->addWidget(caseLabel, 2, 0);
    replace->addWidget(caseChange, 2, 1);
    layout->addLayout(replace);

    preview = new QTableView(this);
    m_model = new RenamePreviewModel(this);
    preview->setModel(m_model);
    preview->setSelectionMode(QAbstractItemView::NoSelection);
    preview->verticalHeader()->hide();
    preview->horizontalHeader()->setStretchLastSection(true);
    preview->setMinimumSize(560, 240);
    layout->addWidget(preview, 1);

    status = new QLabel(this);
    layout->addWidget(status);

    auto* buttons = new QDialogButtonBox(this);
    renameButton = buttons->addButton(QStringLiteral("&Rename"), QDialogButtonBox::ActionRole);
    undoButton = buttons->addButton(QStringLiteral("&Undo"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    renameButton->setDefault(true);
    undoButton->setEnabled(false);
    connect(renameButton, &QPushButton::clicked, this, [this] { Apply(); });
    connect(undoButton, &QPushButton::clicked, this, [this] { Undo(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    for (QLineEdit* edit : {nameMask, extMask, findText, replaceText})
        connect(edit, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    for (QSpinBox* box : {counterStart, counterStep, counterWidth})
        connect(box, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
    for (QCheckBox* box : {regex, matchCase})
        connect(box, &QCheckBox::toggled, this, [this] { UpdatePreview(); });
    connect(caseChange, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    m_existing = FolderNames(m_folder);
    UpdatePreview();
    nameMask->setFocus();
    nameMask->selectAll();
}

MultiRenameDialog::~MultiRenameDialog() = default;

RenameOptions MultiRenameDialog::Options() const {
    RenameOptions options;
    options.nameMask = nameMask->text();
    options.extMask = extMask->text();
    options.find = findText->text();
    options.replace = replaceText->text();
    options.regex = regex->isChecked();
    options.matchCase = matchCase->isChecked();
    options.caseChange = RenameOptions::Case(std::max(0, caseChange->currentIndex()));
    options.counterStart = counterStart->value();
    options.counterStep = counterStep->value();
    options.counterWidth = counterWidth->value();
    return options;
}

void MultiRenameDialog::UpdatePreview() {
    const RenameOptions options = Options();
    const std::optional<QString> error = ValidateRenameOptions(options);
    m_maskError = error.value_or(QString());
    m_rows.clear();
    m_rows.reserve(m_items.size());
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const QString newName =
            error ? m_items[i].name : ApplyRenameMask(options, m_items[i], qint64(i));
        m_rows.push_back({m_items[i].name, newName, QString()});
    }
    MarkRenameConflicts(m_rows, m_existing);
    m_model->SetRows(&m_rows);

    int changing = 0;
    int conflicts = 0;
    for (const RenameRow& row : m_rows) {
        changing += row.Changes() ? 1 : 0;
        conflicts += row.conflict.isEmpty() ? 0 : 1;
    }
    if (error)
        status->setText(*error);
    else if (conflicts > 0)
        status->setText(RenameTexts::kConflicts.arg(conflicts));
    else
        status->setText(RenameTexts::kReady.arg(changing).arg(m_rows.size()));
    renameButton->setEnabled(!error && RenameBatchReady(m_rows));
    undoButton->setEnabled(m_undo.has_value());
}

bool MultiRenameDialog::Apply() {
    // The folder may have changed since the preview was drawn.
    m_existing = FolderNames(m_folder);
    UpdatePreview();
    if (!m_maskError.isEmpty() || !RenameBatchReady(m_rows)) {
        int conflicts = 0;
        for (const RenameRow& row : m_rows) conflicts += row.conflict.isEmpty() ? 0 : 1;
        MessageBoxText(!m_maskError.isEmpty() ? m_maskError
                       : conflicts            ? RenameTexts::kConflicts.arg(conflicts)
                                              : RenameTexts::kNothingToDo,
                       PromptButtons::Ok, PromptIcon::Warning, this);
        return false;
    }
    int total = 0;
    for (const RenameRow& row : m_rows) total += row.Changes() ? 1 : 0;
    const RenameOutcome outcome = RunRenameBatch(m_folder, m_rows, m_existing, m_call);
    FollowRenames(outcome);
    if (!outcome.done.empty())
        m_undo = outcome;
    ShowOutcome(outcome, total);
    return outcome.Succeeded();
}

bool MultiRenameDialog::Undo() {
    if (!m_undo)
        return false;
    const std::vector<RenameRow> rows = UndoRows(*m_undo);
    const RenameOutcome outcome = RunRenameBatch(m_folder, rows, FolderNames(m_folder), m_call);
    FollowRenames(outcome);
    // What could not be undone stays undoable.
    RenameOutcome rest;
    for (const auto& pair : m_undo->done) {
        const bool back = std::any_of(outcome.done.begin(), outcome.done.end(),
                                      [&](const auto& d) { return d.first == pair.second; });
        if (!back)
            rest.done.push_back(pair);
    }
    m_undo = rest.done.empty() ? std::nullopt : std::optional<RenameOutcome>(rest);
    ShowOutcome(outcome, int(rows.size()));
    if (outcome.Succeeded())
        status->setText(RenameTexts::kUndone);
    return outcome.Succeeded();
}

void MultiRenameDialog::FollowRenames(const RenameOutcome& outcome) {
    QHash<QString, QString> moved;
    for (const auto& [from, to] : outcome.done) moved.insert(from, to);
    for (RenameSource& item : m_items) {
        const auto it = moved.constFind(item.name);
        if (it != moved.constEnd())
            item.name = *it;
    }
    if (!outcome.done.empty() && m_changed)
        m_changed();
}

void MultiRenameDialog::ShowOutcome(const RenameOutcome& outcome, int total) {
    m_existing = FolderNames(m_folder);
    UpdatePreview();
    if (!outcome.Succeeded())
        MessageBoxText(outcome.Report(total), PromptButtons::Ok, PromptIcon::Warning, this);
}

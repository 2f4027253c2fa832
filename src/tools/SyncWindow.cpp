#include "tools/SyncWindow.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/fileop/FileOperation.h"
#include "platform/namespace/NameCodec.h"
#include "platform/thread/WorkerThread.h"
#include "platform/ui/Prompter.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"

namespace {

constexpr SyncKind kKinds[] = {SyncKind::LeftOnly, SyncKind::RightOnly, SyncKind::NewerLeft,
                               SyncKind::NewerRight, SyncKind::Different};

QString SideText(bool present, bool folder, std::uint64_t size, FileTime time) {
    if (!present)
        return QString();
    const QString when =
        time ? QLocale().toString(QDateTime::fromMSecsSinceEpoch(FileTimeToUnixMilliseconds(time)),
                                  QLocale::ShortFormat)
             : QString();
    return (folder ? QStringLiteral("<folder>") : FormatSize(size)) + QStringLiteral("  ") + when;
}

std::vector<QByteArray> Bytes(const QStringList& paths) {
    std::vector<QByteArray> out;
    out.reserve(std::size_t(paths.size()));
    for (const QString& path : paths) out.push_back(NameToBytes(path));
    return out;
}

}  // namespace

QString SyncKindText(SyncKind kind) {
    switch (kind) {
        case SyncKind::LeftOnly:
            return QStringLiteral("Left only");
        case SyncKind::RightOnly:
            return QStringLiteral("Right only");
        case SyncKind::NewerLeft:
            return QStringLiteral("Newer left");
        case SyncKind::NewerRight:
            return QStringLiteral("Newer right");
        case SyncKind::Different:
            return QStringLiteral("Different");
    }
    return {};
}

QString SyncActionText(SyncAction action) {
    switch (action) {
        case SyncAction::CopyRight:
            return QStringLiteral("Copy right ->");
        case SyncAction::CopyLeft:
            return QStringLiteral("<- Copy left");
        case SyncAction::Delete:
            return QStringLiteral("Delete");
        case SyncAction::Skip:
            return QStringLiteral("Skip");
    }
    return {};
}

class SyncRowModel : public QAbstractTableModel {
public:
    SyncRowModel(const std::vector<SyncRow>& rows, QObject* parent)
        : QAbstractTableModel(parent), m_rows(rows) {}

    void SetShown(std::vector<int> shown) {
        beginResetModel();
        m_shown = std::move(shown);
        endResetModel();
    }
    const std::vector<int>& Shown() const { return m_shown; }
    void RowChanged(int shownRow) { Q_EMIT dataChanged(index(shownRow, 0), index(shownRow, 4)); }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(m_shown.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= int(m_shown.size()))
            return {};
        const SyncRow& row = m_rows[std::size_t(m_shown[std::size_t(index.row())])];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
                case 0:
                    return DisplayFromName(row.relative) +
                           (row.folder ? QStringLiteral("/") : QString());
                case 1:
                    return SideText(row.onLeft, row.folder && row.onLeft, row.leftSize,
                                    row.leftTime);
                case 2:
                    return SideText(row.onRight, row.folder && row.onRight, row.rightSize,
                                    row.rightTime);
                case 3:
                    return SyncKindText(row.kind);
                default:
                    return SyncActionText(row.action);
            }
        }
        if (role == Qt::ForegroundRole && index.column() == 4 && row.action == SyncAction::Delete)
            return QBrush(Qt::red);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QString titles[] = {QStringLiteral("Name"), QStringLiteral("Left"),
                                         QStringLiteral("Right"), QStringLiteral("Difference"),
                                         QStringLiteral("Action")};
        return titles[std::clamp(section, 0, 4)];
    }

private:
    const std::vector<SyncRow>& m_rows;
    std::vector<int> m_shown;
};

SyncWindow::SyncWindow(QString leftRoot, QString rightRoot, bool compareContents, QWidget* parent)
    : QDialog(parent),
      m_left(std::move(leftRoot)),
      m_right(std::move(rightRoot)),
      m_worker(std::make_unique<WorkerThread>()),
      m_engine([](const FileOpRequest& request, QWidget* owner) {
          return SHFileOperation(request, owner);
      }) {
    setWindowTitle(SyncTexts::kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* roots = new QLabel(QStringLiteral("Left: %1\nRight: %2")
                                 .arg(DisplayFromName(m_left), DisplayFromName(m_right)),
                             this);
    roots->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(roots);

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Show:"), this));
    const QString boxTexts[] = {QStringLiteral("L&eft only"), QStringLiteral("Ri&ght only"),
                                QStringLiteral("&Newer left"), QStringLiteral("Ne&wer right"),
                                QStringLiteral("Di&fferent")};
    for (int k = 0; k < 5; ++k) {
        m_kindBoxes[k] = new QCheckBox(boxTexts[k], this);
        m_kindBoxes[k]->setChecked(true);
        connect(m_kindBoxes[k], &QCheckBox::toggled, this,
                [this, k](bool on) { SetKindShown(kKinds[k], on); });
        filters->addWidget(m_kindBoxes[k]);
    }
    filters->addStretch();
    byContent = new QCheckBox(QStringLiteral("Compare c&ontents"), this);
    byContent->setChecked(compareContents);
    connect(byContent, &QCheckBox::toggled, this, [this](bool on) {
        if (m_stored)
            m_stored(on);
        Rescan();
    });
    filters->addWidget(byContent);
    layout->addLayout(filters);

    list = new QTableView(this);
    m_model = new SyncRowModel(m_rows, this);
    list->setModel(m_model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    list->setMinimumSize(720, 320);
    // A double click steps the row through the actions it allows.
    connect(list, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.row() >= int(m_model->Shown().size()))
            return;
        const int row = m_model->Shown()[std::size_t(index.row())];
        const std::vector<SyncAction> allowed = AllowedSyncActions(m_rows[std::size_t(row)]);
        const auto it = std::find(allowed.begin(), allowed.end(), m_rows[std::size_t(row)].action);
        const std::size_t next = it == allowed.end() ? 0 : std::size_t(it - allowed.begin() + 1);
        SetAction(row, allowed[next % allowed.size()]);
    });
    layout->addWidget(list, 1);

    auto* actions = new QHBoxLayout;
    actions->addWidget(new QLabel(QStringLiteral("Selected rows:"), this));
    const std::pair<QString, SyncAction> actionButtons[] = {
        {QStringLiteral("Copy &right"), SyncAction::CopyRight},
        {QStringLiteral("Copy &left"), SyncAction::CopyLeft},
        {QStringLiteral("&Delete"), SyncAction::Delete},
        {QStringLiteral("S&kip"), SyncAction::Skip}};
    for (const auto& [text, action] : actionButtons) {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        const SyncAction chosen = action;
        connect(button, &QPushButton::clicked, this,
                [this, chosen] { SetSelectedActions(chosen); });
        actions->addWidget(button);
    }
    actions->addStretch();
    layout->addLayout(actions);

    status = new QLabel(this);
    layout->addWidget(status);

    auto* buttons = new QDialogButtonBox(this);
    auto* compare = buttons->addButton(QStringLiteral("&Compare"), QDialogButtonBox::ActionRole);
    syncButton = buttons->addButton(QStringLiteral("&Synchronize"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    compare->setAutoDefault(false);
    connect(compare, &QPushButton::clicked, this, [this] { Rescan(); });
    connect(syncButton, &QPushButton::clicked, this, [this] { Synchronize(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    Rescan();
}

SyncWindow::~SyncWindow() = default;

bool SyncWindow::Scanning() const {
    return m_scanning;
}

void SyncWindow::Rescan() {
    m_scanning = true;
    status->setText(SyncTexts::kReading);
    syncButton->setEnabled(false);
    const QString left = m_left;
    const QString right = m_right;
    const bool contents = byContent->isChecked();
    m_worker->Start([this, left, right, contents](const JobControl& control) {
        const std::atomic<bool>* stop = control.StopFlag().get();
        QStringList problems;
        const SyncEntry a = ScanSyncTree(left, stop, &problems);
        const SyncEntry b = ScanSyncTree(right, stop, &problems);
        std::vector<SyncRow> rows = BuildSyncPlan(a, b, contents, [&](const QString& relative) {
            return SyncFilesEqual(left + QLatin1Char('/') + relative,
                                  right + QLatin1Char('/') + relative, stop);
        });
        if (control.StopRequested())
            return;
        control.Post([this, rows = std::move(rows), problems]() mutable {
            m_rows = std::move(rows);
            m_problems = problems;
            m_scanning = false;
            ShowRows();
        });
    });
}

std::vector<int> SyncWindow::ShownRows() const {
    std::vector<int> shown;
    for (int i = 0; i < int(m_rows.size()); ++i) {
        if (m_shown[int(m_rows[std::size_t(i)].kind)])
            shown.push_back(i);
    }
    return shown;
}

void SyncWindow::SetKindShown(SyncKind kind, bool shown) {
    m_shown[int(kind)] = shown;
    if (m_kindBoxes[int(kind)] && m_kindBoxes[int(kind)]->isChecked() != shown)
        m_kindBoxes[int(kind)]->setChecked(shown);
    ShowRows();
}

void SyncWindow::ShowRows() {
    m_model->SetShown(ShownRows());
    list->resizeColumnsToContents();
    UpdateStatus();
}

void SyncWindow::UpdateStatus() {
    if (Scanning())
        return;
    QString text = m_rows.empty()
                       ? SyncTexts::kNoDifferences
                       : SyncTexts::kDifferences.arg(m_rows.size()).arg(m_model->Shown().size());
    if (!m_note.isEmpty())
        text = m_note + QStringLiteral(". ") + text;
    if (!m_problems.isEmpty())
        text += QStringLiteral(" ") + SyncTexts::kUnreadableCount.arg(m_problems.size());
    status->setText(text);
    syncButton->setEnabled(!m_model->Shown().empty());
}

bool SyncWindow::SetAction(int row, SyncAction action) {
    if (row < 0 || row >= int(m_rows.size()))
        return false;
    const std::vector<SyncAction> allowed = AllowedSyncActions(m_rows[std::size_t(row)]);
    if (std::find(allowed.begin(), allowed.end(), action) == allowed.end())
        return false;
    m_rows[std::size_t(row)].action = action;
    const std::vector<int>& shown = m_model->Shown();
    const auto it = std::find(shown.begin(), shown.end(), row);
    if (it != shown.end())
        m_model->RowChanged(int(it - shown.begin()));
    return true;
}

void SyncWindow::SetSelectedActions(SyncAction action) {
    bool refused = false;
    for (const QModelIndex& index : list->selectionModel()->selectedRows()) {
        if (index.row() < int(m_model->Shown().size()) &&
            !SetAction(m_model->Shown()[std::size_t(index.row())], action))
            refused = true;
    }
    if (refused)
        Beep(BeepKind::Exclamation);
}

bool SyncWindow::Synchronize() {
    std::vector<SyncRow> chosen;
    for (const int i : m_model->Shown()) chosen.push_back(m_rows[std::size_t(i)]);
    const std::vector<SyncBatch> batches = SyncBatches(chosen, m_left, m_right);
    if (batches.empty()) {
        MessageBoxText(SyncTexts::kNothingToDo, PromptButtons::Ok, PromptIcon::Information, this);
        return false;
    }
    m_note.clear();
    std::size_t done = 0;
    std::size_t notDone = 0;
    bool aborted = false;
    for (const SyncBatch& batch : batches) {
        if (aborted) {
            notDone += std::size_t(batch.sources.size());
            continue;
        }
        FileOpRequest request;
        const bool copy =
            batch.what == SyncBatch::What::CopyToRight || batch.what == SyncBatch::What::CopyToLeft;
        request.func = copy ? FileOpRequest::Copy : FileOpRequest::Delete;
        request.sources = Bytes(batch.sources);
        request.targetFolder = NameToBytes(batch.targetFolder);
        request.allowUndo = !copy;  // deletes go to the trash
        request.noConfirmation = copy && !General().askConfirmation;
        const FileOpResult result = m_engine(request, this);
        done += result.done.size();
        notDone += result.partial.size() + result.notDone.size();
        aborted = result.aborted;
    }
    if (done > 0 && m_changed)
        m_changed();
    Rescan();
    if (aborted)
        MessageBoxText(SyncTexts::kStopped, PromptButtons::Ok, PromptIcon::Warning, this);
    else if (notDone > 0)
        MessageBoxText(SyncTexts::kSomeFailed.arg(done).arg(notDone), PromptButtons::Ok,
                       PromptIcon::Warning, this);
    m_note = SyncTexts::kDone.arg(done);
    return !aborted && notDone == 0;
}

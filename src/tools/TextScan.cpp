#include "tools/TextScan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/Prompter.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/HistoryList.h"
#include "shell/LongOperation.h"
#include "shell/LongOperationWorker.h"
#include "shell/Notice.h"
#include "shell/PatternList.h"
#include "shell/ProgressStepper.h"

namespace {

const QString kMatchCaseKey = QStringLiteral("bMatchCase");
const QString kWordsOnlyKey = QStringLiteral("bWordsOnly");
const QString kSearchBinKey = QStringLiteral("bSearchBinFiles");
const QString kAllTypes = QStringLiteral("*.*");

// One row of the pane as the scan takes it before the run.
struct ScanRow {
    QString name;
    bool candidate = false;  // a file whose name matches the types
    QByteArray path;         // empty: asked for when the worker comes to it
};

// Whether the pane still shows the folder the scan began with.
class PaneWatch {
public:
    explicit PaneWatch(CPanexView& pane)
        : m_pane(&pane), m_model(pane.Model()), m_path(m_model->path) {}
    bool Same() const { return m_pane && m_pane->Model() == m_model && m_model->path == m_path; }

private:
    QPointer<CPanexView> m_pane;
    const FolderModel* m_model;
    QString m_path;
};

}  // namespace

TextScanOptions& GrepOptions() {
    static TextScanOptions options;
    return options;
}

HistoryList& GrepFindHistory() {
    static HistoryList history;
    return history;
}

HistoryList& GrepTypesHistory() {
    static HistoryList history;
    return history;
}

void LoadGrepSettings(const ProfileStore& store) {
    TextScanOptions& options = GrepOptions();
    options.matchCase = store.GetProfileInt(kGrepSettingsSection, kMatchCaseKey, 0) != 0;
    options.wordsOnly = store.GetProfileInt(kGrepSettingsSection, kWordsOnlyKey, 0) != 0;
    options.searchBinFiles = store.GetProfileInt(kGrepSettingsSection, kSearchBinKey, 0) != 0;
    const int maximum = General().historyItems;
    GrepFindHistory().Load(maximum, store, kGrepFindHistorySection);
    GrepTypesHistory().Load(maximum, store, kGrepTypesHistorySection);
    if (GrepTypesHistory().isEmpty())
        GrepTypesHistory().Add(maximum, kAllTypes);
}

void SaveGrepSettings(ProfileStore& store) {
    const int maximum = General().historyItems;
    GrepFindHistory().Save(maximum, store, kGrepFindHistorySection);
    GrepTypesHistory().Save(maximum, store, kGrepTypesHistorySection);
    const TextScanOptions& options = GrepOptions();
    store.WriteProfileInt(kGrepSettingsSection, kMatchCaseKey, options.matchCase ? 1 : 0);
    store.WriteProfileInt(kGrepSettingsSection, kWordsOnlyKey, options.wordsOnly ? 1 : 0);
    store.WriteProfileInt(kGrepSettingsSection, kSearchBinKey, options.searchBinFiles ? 1 : 0);
}

// -- The dialog ------------------------------------------------------------------

FindInFilesDialog::FindInFilesDialog(const QString& folderName, QWidget* parent) : QDialog(parent) {
    setWindowTitle(TextScanTexts::kTitle);
    const int maximum = General().historyItems;
    m_find = new QComboBox(this);
    m_find->setEditable(true);
    m_find->lineEdit()->setMaxLength(kFindTextLimit);
    // The text is searched exactly as typed, blanks and all.
    m_find->setInsertPolicy(QComboBox::NoInsert);
    GrepFindHistory().FillCombo(maximum, m_find, QString());
    m_find->lineEdit()->selectAll();
    new HistoryComboEdit(m_find);
    m_types = new QComboBox(this);
    m_types->setEditable(true);
    m_types->lineEdit()->setMaxLength(kFileTypesLimit);
    m_types->setInsertPolicy(QComboBox::NoInsert);
    GrepTypesHistory().FillCombo(maximum, m_types, QString());
    new HistoryComboEdit(m_types);
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_wordsOnly = new QCheckBox(QStringLiteral("&Whole words only"), this);
    m_binFiles = new QCheckBox(QStringLiteral("Search &non-text files"), this);
    SetOptions(GrepOptions());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Find what:"), m_find);
    form->addRow(QStringLiteral("&Search files of type:"), m_types);
    auto* folder = new QLabel(folderName, this);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("In folder:"), folder);
    auto* note = new QLabel(TextScanTexts::kNote, this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Find"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_wordsOnly);
    layout->addWidget(m_binFiles);
    layout->addWidget(note);
    layout->addWidget(buttons);
    m_find->setFocus();
}

void FindInFilesDialog::SetFindText(const QString& text) {
    m_find->setEditText(text);
}

void FindInFilesDialog::SetFileTypes(const QString& text) {
    m_types->setEditText(text);
}

void FindInFilesDialog::SetOptions(const TextScanOptions& options) {
    m_matchCase->setChecked(options.matchCase);
    m_wordsOnly->setChecked(options.wordsOnly);
    m_binFiles->setChecked(options.searchBinFiles);
}

bool FindInFilesDialog::Validate() {
    const QString find = m_find->currentText();
    if (find.isEmpty()) {
        MessageBoxText(TextScanTexts::kNoFindText, PromptButtons::Ok, PromptIcon::Warning, this);
        m_find->setFocus();
        return false;
    }
    QString types = m_types->currentText();
    while (!types.isEmpty() && (types.back() == u' ' || types.back() == u'\t')) types.chop(1);
    if (types.isEmpty())
        types = kAllTypes;
    m_findText = find;
    m_fileTypes = types;
    const int maximum = General().historyItems;
    GrepFindHistory().Add(maximum, find);
    GrepTypesHistory().Add(maximum, types);
    TextScanOptions& options = GrepOptions();
    options.matchCase = m_matchCase->isChecked();
    options.wordsOnly = m_wordsOnly->isChecked();
    options.searchBinFiles = m_binFiles->isChecked();
    return true;
}

void FindInFilesDialog::accept() {
    if (Validate())
        QDialog::accept();
}

// -- The scan --------------------------------------------------------------------

int ScanPaneForText(CPanexView& pane, const QString& text, const QString& fileTypes,
                    const TextScanOptions& options, const FileTextScanner& scanner) {
    PatternList types;
    if (!types.Parse(fileTypes)) {
        Notice(TextScanTexts::kFilterInvalid, true);
        return -1;
    }
    PaneListCtrl& list = *pane.List();
    FolderModel& model = *pane.Model();
    list.ClearSelection();
    const QByteArray needle = text.toUtf8();

    // The rows are taken now, on this thread: the worker never touches the
    // pane, and rows that arrive later are not part of this scan. An
    // archive's items are read through temporary copies the folder makes
    // on demand, so their paths are asked for when the worker comes to them.
    const bool pathsNow = model.IsFileSystem();
    std::vector<ScanRow> rows(size_t(list.RowCount()));
    for (int row = 0; row < list.RowCount(); ++row) {
        FolderItem& item = *list.ItemAt(row);
        ScanRow& entry = rows[size_t(row)];
        entry.name = item.name;
        if (item.attributes & SFGAO_FOLDER)
            continue;
        entry.candidate = types.Matches(item.name);
        if (entry.candidate && pathsNow) {
            const QString path = item.ItemPath();
            entry.path = path.isEmpty() ? QByteArray() : NameToBytes(path);
        }
    }

    // The worker's: the hits by row of `rows`, and the candidates it came to.
    std::vector<bool> hits(rows.size(), false);
    int candidates = 0;
    const PaneWatch watch(pane);
    {
        LongOperation operation(TextScanTexts::kScanning);
        LongOperationWorker worker(operation, false);
        worker.SetCancelCheck([&watch] { return !watch.Same(); });
        // False when the pane has moved on.
        const auto resolve = [&](ScanRow& entry) {
            return worker.OnMainThread<bool>([&] {
                if (!watch.Same())
                    return false;
                FolderItem* item = pane.Model()->FindByName(entry.name);
                const QString path = item ? item->ItemPath() : QString();
                entry.path = path.isEmpty() ? QByteArray() : NameToBytes(path);
                return true;
            });
        };
        worker.Run([&] {
            ProgressStepper stepper(rows.size());
            const std::function<bool()> stop = [&worker] { return worker.StopRequested(); };
            for (size_t row = 0; row < rows.size(); ++row) {
                if (stepper.Advance())
                    worker.Step();
                ScanRow& entry = rows[row];
                if (entry.candidate) {
                    ++candidates;
                    if (entry.path.isEmpty() && !pathsNow && !resolve(entry))
                        break;
                    if (!entry.path.isEmpty()) {
                        const int found = scanner(entry.path, needle, options, stop);
                        if (found < 0)
                            break;
                        hits[row] = found == 1;
                    }
                }
                if (worker.StopRequested())
                    break;
            }
        });
    }
    if (!watch.Same()) {
        // The rows the hits name are gone: nothing is selected by them.
        Notice(TextScanTexts::kFolderChanged, true);
        return 0;
    }
    // By name: rows may have come or moved since the scan began.
    std::vector<bool> selected(size_t(list.RowCount()), false);
    for (size_t i = 0; i < rows.size(); ++i) {
        FolderItem* item = hits[i] ? model.FindByName(rows[i].name) : nullptr;
        const int row = item ? list.RowOf(item) : -1;
        if (row >= 0)
            selected[size_t(row)] = true;
    }
    list.SuspendRedraw();
    list.SetSelectedRows(selected);
    list.ResumeRedraw();
    if (candidates == 0) {
        Notice(TextScanTexts::kNoTypeMatch, true);
        return 0;
    }
    const auto first = std::find(selected.begin(), selected.end(), true);
    if (first == selected.end()) {
        Notice(TextScanTexts::kNoFileContains, true);
        return 0;
    }
    list.SetFocusedRow(int(first - selected.begin()), false);
    Notice(TextScanTexts::kSelected, true);
    return int(std::count(selected.begin(), selected.end(), true));
}

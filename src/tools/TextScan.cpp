#include "tools/TextScan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
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
#include "shell/Notice.h"
#include "shell/PatternList.h"
#include "shell/ProgressStepper.h"

namespace {

const QString kMatchCaseKey = QStringLiteral("bMatchCase");
const QString kWordsOnlyKey = QStringLiteral("bWordsOnly");
const QString kSearchBinKey = QStringLiteral("bSearchBinFiles");
const QString kAllTypes = QStringLiteral("*.*");

// Asking the event loop for Escape costs a pass of it; between blocks and
// items a few polls a second see every Escape just the same (the poll's
// filter records the key whenever it comes).
constexpr int kPollIntervalMs = 40;

class ThrottledPoll {
public:
    explicit ThrottledPoll(LongOperation& operation) : m_operation(operation) { m_clock.start(); }
    bool operator()() {
        if (m_clock.elapsed() < kPollIntervalMs)
            return false;
        m_clock.restart();
        return m_operation.PollEscape();
    }

private:
    LongOperation& m_operation;
    QElapsedTimer m_clock;
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
                    const TextScanOptions& options) {
    PatternList types;
    if (!types.Parse(fileTypes)) {
        Notice(TextScanTexts::kFilterInvalid, true);
        return -1;
    }
    PaneListCtrl& list = *pane.List();
    list.ClearSelection();
    const QByteArray needle = text.toUtf8();
    std::vector<bool> selected(size_t(list.RowCount()), false);
    int candidates = 0;
    int first = -1;
    {
        LongOperation operation(TextScanTexts::kScanning);
        ProgressStepper stepper(size_t(list.RowCount()));
        ThrottledPoll poll(operation);
        const std::function<bool()> blockPoll = [&poll] { return poll(); };
        for (int row = 0; row < list.RowCount(); ++row) {
            if (stepper.Advance())
                operation.Step();
            FolderItem& item = *list.ItemAt(row);
            if (item.attributes & SFGAO_FOLDER)
                continue;
            if (types.Matches(item.name)) {
                ++candidates;
                const QString path = item.ItemPath();
                if (!path.isEmpty()) {
                    const int found =
                        ScanFileForText(NameToBytes(path), needle, options, blockPoll);
                    if (found < 0)
                        break;
                    if (found == 1) {
                        selected[size_t(row)] = true;
                        if (first < 0)
                            first = row;
                    }
                }
            }
            if (poll())
                break;
        }
    }
    list.SuspendRedraw();
    list.SetSelectedRows(selected);
    list.ResumeRedraw();
    if (candidates == 0) {
        Notice(TextScanTexts::kNoTypeMatch, true);
        return 0;
    }
    if (first < 0) {
        Notice(TextScanTexts::kNoFileContains, true);
        return 0;
    }
    list.SetFocusedRow(first, false);
    Notice(TextScanTexts::kSelected, true);
    return int(std::count(selected.begin(), selected.end(), true));
}

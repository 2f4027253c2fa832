#pragma once
// "Containing text..." (Ctrl+G): selects the files of a pane's folder that
// contain a text. The dialog (FindInFilesDialog) asks for the text, the
// file types and the options of "Grep Settings"; the scan asks
// ScanFileForText of every file whose name matches the types, as a long
// operation with Escape. Sub-folders are not entered.
//
// The scan takes the rows the pane lists when it starts, with their paths,
// on the main thread; the files are read on a worker thread
// (LongOperationWorker.h) while the window paints and Escape is watched,
// and the hits are selected on the main thread afterwards, by name. An
// archive item's temporary copy is made on the main thread when the worker
// comes to it. When the pane changes folder meanwhile, the scan stops and
// selects nothing.
//
// The options and both histories are loaded the first time the dialog
// opens (LoadGrepSettings) and written at exit by the saver the owner
// registers then. Main thread only, but for the scanner the scan runs.

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <functional>

#include "tools/ScanFileForText.h"

class CPanexView;
class HistoryList;
class ProfileStore;
class QCheckBox;
class QComboBox;

namespace TextScanTexts {
inline const QString kTitle = QStringLiteral("Find in files");
inline const QString kNoFindText = QStringLiteral("Find text is not specified");
inline const QString kFilterInvalid = QStringLiteral("The specified file filter is invalid");
inline const QString kNoTypeMatch = QStringLiteral("No files match the specified type filter");
inline const QString kNoFileContains =
    QStringLiteral("No matching file contains the specified string");
inline const QString kSelected =
    QStringLiteral("Files containing specified string selected for further action");
inline const QString kFolderChanged =
    QStringLiteral("The folder changed while its files were scanned; nothing was selected");
inline const QString kScanning = QStringLiteral("Scanning contents... (ESC to abort)");
inline const QString kNote = QStringLiteral(
    "The search is more efficient when confined in a smaller set of files (e.g. excluding "
    "non-text ones). Multiple file types can be specified, if separated by commas.");
}  // namespace TextScanTexts

/// "Grep Settings" and its keys, all default 0.
inline const QString kGrepSettingsSection = QStringLiteral("Grep Settings");
inline const QString kGrepFindHistorySection = QStringLiteral("Grep Find History");
inline const QString kGrepTypesHistorySection = QStringLiteral("Grep File Types History");
inline constexpr int kFindTextLimit = 128;
inline constexpr int kFileTypesLimit = 80;

/// The run's scan options (shared with find files).
TextScanOptions& GrepOptions();
HistoryList& GrepFindHistory();
HistoryList& GrepTypesHistory();
/// Loads the options and the two histories ("*.*" into an empty types
/// history) / writes them.
void LoadGrepSettings(const ProfileStore& store);
void SaveGrepSettings(ProfileStore& store);

class FindInFilesDialog : public QDialog {
    Q_OBJECT
public:
    /// The dialog over the histories and GrepOptions(); `folderName` is
    /// shown for information.
    explicit FindInFilesDialog(const QString& folderName, QWidget* parent = nullptr);

    void SetFindText(const QString& text);
    void SetFileTypes(const QString& text);
    void SetOptions(const TextScanOptions& options);

    /// "Find": an empty find text gives the warning "Find text is not
    /// specified" and false (the focus on the field); else the types are
    /// trimmed of trailing blanks ("*.*" when empty), both go to their
    /// histories, the options to GrepOptions(): true.
    bool Validate();
    /// After Validate(): the text as typed and the types.
    const QString& FindText() const { return m_findText; }
    const QString& FileTypes() const { return m_fileTypes; }

    void accept() override;

private:
    QComboBox* m_find;
    QComboBox* m_types;
    QCheckBox* m_matchCase;
    QCheckBox* m_wordsOnly;
    QCheckBox* m_binFiles;
    QString m_findText;
    QString m_fileTypes;
};

/// How one file is searched (ScanFileForText, or a stand-in in tests). Runs
/// on the worker thread.
using FileTextScanner =
    std::function<int(const QByteArray& path, const QByteArray& text,
                      const TextScanOptions& options, const std::function<bool()>& stop)>;

/// The scan with the dialog's results: selects the files of `pane` that
/// contain `text`. Gives the count selected (-1 when the types did not
/// parse).
int ScanPaneForText(CPanexView& pane, const QString& text, const QString& fileTypes,
                    const TextScanOptions& options,
                    const FileTextScanner& scanner = ScanFileForText);

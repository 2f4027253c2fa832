#pragma once
// SyncWindow: "Synchronize folders" (Shift+F9), the two panes' sub-trees
// side by side as a list of their differences (SyncPlan.h), each with an
// action the user can change, filtered by kind, then carried out through
// the file-operation engine with its questions and progress.
//
// The buttons under the list set the action of the selected rows; a double
// click steps one row through the actions it allows (AllowedSyncActions).
// The trees are read on a worker thread (WorkerThread); the list fills
// when both are read and compared, and "&Compare" reads them again (also
// after a run, so what is left shows). "&Synchronize" carries out the
// actions of the rows shown (the filters hide a kind from the run too):
// copies first, one engine operation per target folder (asking before
// overwriting while "bAskConfirmation" is on), then deletes, to the trash.
// Cancel in any operation stops the rest. `changed` runs after a run that
// did something, so the panes can refresh.
//
// Settings: "bSyncByContent" of "Synchronize Settings" (compare contents)
// is the tools' (CPaneTools loads it when first needed and saves it at
// exit); the window starts from it and reports each change.
//
// Main thread only.

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "tools/SyncPlan.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class SyncRowModel;
class WorkerThread;
struct FileOpRequest;
struct FileOpResult;

namespace SyncTexts {
inline const QString kTitle = QStringLiteral("Synchronize folders");
inline const QString kReading = QStringLiteral("Comparing the folders...");
inline const QString kDifferences = QStringLiteral("%1 differences, %2 shown");
inline const QString kNoDifferences = QStringLiteral("The two folder trees seem identical");
inline const QString kNothingToDo = QStringLiteral("No row shown has anything to do");
inline const QString kUnreadableCount = QStringLiteral("(%1 items could not be read)");
inline const QString kStopped =
    QStringLiteral("Synchronizing was cancelled; the rest was not done");
inline const QString kDone = QStringLiteral("Synchronized: %1 items carried out");
inline const QString kSomeFailed =
    QStringLiteral("Synchronized in part: %1 items carried out, %2 not");
}  // namespace SyncTexts

inline const QString kSyncSettingsSection = QStringLiteral("Synchronize Settings");
inline const QString kSyncByContentKey = QStringLiteral("bSyncByContent");

/// The text of a kind and of an action, as the list shows them.
QString SyncKindText(SyncKind kind);
QString SyncActionText(SyncAction action);

class SyncWindow : public QDialog {
    Q_OBJECT
public:
    /// Runs one engine operation (a test double can stand in); gives its
    /// result.
    using Engine = std::function<FileOpResult(const FileOpRequest&, QWidget* parent)>;

    /// `leftRoot` and `rightRoot`: the panes' folders (absolute, decoded).
    /// `byContent`: the initial state of "Compare contents". Starts reading.
    SyncWindow(QString leftRoot, QString rightRoot, bool byContent, QWidget* parent = nullptr);
    ~SyncWindow() override;

    void SetChangedCallback(std::function<void()> changed) { m_changed = std::move(changed); }
    void SetEngine(Engine engine) { m_engine = std::move(engine); }
    void SetByContentChanged(std::function<void(bool)> stored) { m_stored = std::move(stored); }

    /// Reads and compares the trees again (on the worker).
    void Rescan();
    /// True while a scan runs.
    bool Scanning() const;

    /// Every row of the plan, and those the filters show.
    const std::vector<SyncRow>& Rows() const { return m_rows; }
    std::vector<int> ShownRows() const;
    /// Shows or hides a kind.
    void SetKindShown(SyncKind kind, bool shown);
    /// Sets the action of row `row` (an index into Rows()); false when the
    /// row does not allow it.
    bool SetAction(int row, SyncAction action);
    /// Sets the action of the rows selected in the list.
    void SetSelectedActions(SyncAction action);

    /// Carries out the shown rows' actions. True when all of them were done.
    bool Synchronize();

    QCheckBox* byContent = nullptr;
    QTableView* list = nullptr;
    QLabel* status = nullptr;
    QPushButton* syncButton = nullptr;

private:
    void ShowRows();
    void UpdateStatus();

    QString m_left;
    QString m_right;
    std::vector<SyncRow> m_rows;
    bool m_shown[5] = {true, true, true, true, true};
    QStringList m_problems;
    QString m_note;  // what the last run did
    bool m_scanning = false;
    std::unique_ptr<WorkerThread> m_worker;
    SyncRowModel* m_model = nullptr;
    Engine m_engine;
    std::function<void()> m_changed;
    std::function<void(bool)> m_stored;
    QCheckBox* m_kindBoxes[5] = {};
};

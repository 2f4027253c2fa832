#pragma once
// AddressBar: the bar docked at the top of the main window whose one element
// is the folder box, AddressCombo. The box shows the active pane's folder
// (with its filter), takes a typed folder (with "~" and environment
// variables) to open in the active pane, keeps the recently visited folders
// in its drop-down list, takes a file dropped on it from another program,
// and doubles as the command line (CommandRunner.h).
//
// Settings of "MainFrame Settings", read when the bar is made and written
// back at once after clamping: "nFolderComboWidth" (50..1000, else 280),
// the box's width while the bar floats or stands upright (docked at the top
// or the bottom the box fills the bar's row), and "nFolderComboHeight"
// (50..600, else 180), the height of the opened drop-down list.
//
// Keys in the box's edit field (the window's shortcuts are off while it has
// the focus, so Ctrl+C, Delete and the function keys act on the text):
//   Return            closes the drop-down list, then submits
//   Alt+Return        submits
//   Ctrl+Return       inserts the active pane's focused name at the caret
//   Shift+Tab, Ctrl+Tab  the folder tree when shown, else the active pane
//   Tab, Escape       the active pane
//   Ctrl+arrows       the plain arrow key to the active pane's list
//   Up, Down          the history search (HistoryComboEdit.h)
// The presses and releases of Tab, Return, Escape and Ctrl+arrows never
// reach the edit field.
//
// Main thread only; the frame owns the bar (Qt parent).

#include <QComboBox>
#include <QString>
#include <QToolBar>
#include <memory>

#include "app/CommandRunner.h"
#include "platform/ui/CommandTarget.h"

class CMainFrame;
class QCompleter;
class QStringListModel;
class HistoryComboEdit;
class ProfileStore;

namespace AddressBarKeys {
inline const QString kComboWidth = QStringLiteral("nFolderComboWidth");
inline const QString kComboHeight = QStringLiteral("nFolderComboHeight");
inline const QString kFolderHistory = QStringLiteral("FolderCombo History");
}  // namespace AddressBarKeys

inline constexpr int kDefaultComboWidth = 280;
inline constexpr int kDefaultComboHeight = 180;
inline constexpr int kAddressComboId = 1001;

/// The notice of ID_RUN_COMMAND and ID_SHELL_COMMAND.
inline const QString kRunCommandNotice =
    QStringLiteral("Ctrl+Arrows/Return to select/pick names; press <Return> to run.");
/// The caption of the command history's pick dialog (Ctrl+F10).
inline const QString kCommandHistoryTitle = QStringLiteral("Program/shell command history");
/// The caption of the visual filter history's pick dialog (Ctrl+H).
inline const QString kFilterHistoryTitle = QStringLiteral("Visual filter history");
/// The notice of ID_FILE_FILTERS.
inline const QString kSpecifyFilterNotice =
    QStringLiteral("Specify the filter (e.g. '*.cpp') and press <Return>");

/// A stored width as loaded: outside 50..1000 gives 280.
int ClampComboWidth(int stored);
/// A stored drop-down height as loaded: outside 50..600 gives 180.
int ClampComboHeight(int stored);

/// A typed folder text with its environment variables expanded: "%NAME%"
/// when the text holds two percent signs, and "$NAME" or "${NAME}" of set
/// variables anywhere; unknown names stay as typed.
QString ExpandPathVariables(const QString& text);

/// True when a text that begins with "$" is a path rather than a command:
/// "$NAME" or "${NAME}" of a set variable, then "/" or nothing ("$HOME/x").
/// Other "$" texts ("$ ls", "$ls -l") are commands.
bool IsVariablePath(const QString& text);

class AddressCombo : public QComboBox {
    Q_OBJECT

public:
    explicit AddressCombo(CMainFrame& frame, QWidget* parent = nullptr);

    /// The active pane after opening a file-system folder: `path` at the
    /// top of the list, the last entry dropped beyond `maximum`, every other
    /// entry equal to it (exact: names are case-sensitive) removed, the top
    /// entry selected.
    void AddVisitedFolder(const QString& path, int maximum);
    /// The edit text, as the active pane sets it.
    void SetAddressText(const QString& text);
    /// The drop-down list's entries, top first.
    QStringList Entries() const;

    /// Command ID_INTERNAL_GO: submits the edit text (see the header).
    void Submit();

    /// Tab on a typed path: completes it as far as its candidates agree
    /// (PathCompletion.h); several candidates are offered in a popup,
    /// folders first. False (nothing done) when the text is no path with
    /// candidates, and Tab goes on to the pane.
    bool CompleteTypedPath();
    /// The popup of CompleteTypedPath's candidates.
    QCompleter* PathCompleter() const { return m_pathCompleter; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    /// True when the key is one of the window's accelerators.
    bool IsAccelerator(const QKeyEvent& event) const;
    bool HandleDrop(QEvent* event);
    void FocusActivePane();
    void FocusTreeOrPane();
    void InsertFocusedName();
    void PassArrowToPane(int key);

    CMainFrame& m_frame;
    HistoryComboEdit* m_search = nullptr;
    QCompleter* m_pathCompleter = nullptr;
    QStringListModel* m_pathCandidates = nullptr;
};

class AddressBar : public QToolBar, public CommandTarget {
    Q_OBJECT

public:
    /// The bar with its box, reading the box's settings from `store`
    /// (writing them back) and the command runner's (CommandRunner::Load).
    AddressBar(CMainFrame& frame, ProfileStore& store);

    AddressCombo* Combo() const { return m_combo; }
    CommandRunner& Runner() { return m_runner; }
    int ComboWidth() const { return m_comboWidth; }
    int ComboHeight() const { return m_comboHeight; }

    /// Fills the drop-down list from "FolderCombo History".
    void LoadFolderHistory(const ProfileStore& store);
    /// Writes the drop-down list as "FolderCombo History" (the displayed
    /// order) and "Command History".
    void SaveHistories(ProfileStore& store) const;

    /// Shows the bar, puts `text` in the box with the caret at its end and
    /// gives the box the keyboard focus.
    void EditText(const QString& text);
    /// Runs a ">" or "$" text with the panes' macros in the active pane's
    /// folder (CommandRunner::RunCommandText).
    bool RunCommandText(const QString& text);
    /// The macros' values from the frame's panes now.
    MacroValues CurrentMacroValues() const;

    /// The commands of the command line and of the filter texts: ID_RUN_COMMAND,
    /// ID_SHELL_COMMAND, ID_RUN_HISTORY, ID_FILE_FILTER_HISTORY, ID_REPEAT_COMMAND, ID_FILE_FILTERS
    /// and ID_INTERNAL_GO.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

private:
    void UpdateComboWidth();
    void PickCommand();
    void PickFilter();
    void RepeatCommand();

    CMainFrame& m_frame;
    AddressCombo* m_combo = nullptr;
    CommandRunner m_runner;
    int m_comboWidth = kDefaultComboWidth;
    int m_comboHeight = kDefaultComboHeight;
};

#pragma once
// "Program Options" (command ID_VIEW_OPTIONS): a dialog with two tabs, General
// (CGeneralPDlg) and Usability (CUsabilityPDlg), an "Ok" and a Cancel
// button and no Apply.
//
// General edits the run's general settings (GeneralSettings.h) in place:
// the page writes its controls into General() each time it is validated
// (when the user leaves its tab, and on Ok), and Cancel puts back the copy
// of the nine settings the sheet took when it opened. Usability works on a
// copy of the current values (the active pane's list style and List column
// maximum, the pane tiling, the tree option bits 1, 2 and 8), read only
// when Ok is pressed.
//
// A page that does not validate keeps the user on it: a warning names the
// problem, the offending field gets the focus with its text selected, and
// neither the tab change nor Ok goes through. Nothing of a refused Ok is
// applied or saved.
//
// What Ok changes at once: hidden files (both panes read their folders
// again), the date shown in the details (both panes renew the column), the
// flat toolbar buttons, the lists' extended style (both panes, and
// "lvsExtendedStyle"), both panes' List column maximum ("nMaxListColumnWidth"
// of each pane's section) and the tree option bits (the frame's
// "binTreeOptions", which the folder tree reads at each use). The pane
// tiling and the volume bar's labels take effect at the next start: a
// message says so when either changed. Everything is written to the store
// at exit, with "bSaveSettings" on, by the owners of the settings.
//
// Main thread only.

#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "shell/GeneralSettings.h"

class CMainFrame;
class QAbstractButton;
class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

/// The sheet's caption and its pages' titles.
inline const QString kOptionsTitle = QStringLiteral("Program Options");
inline const QString kGeneralPageTitle = QStringLiteral("General");
inline const QString kUsabilityPageTitle = QStringLiteral("Usability");

/// The refusal of an editor choice without a command.
inline const QString kNoExternalEditor =
    QStringLiteral("You must supply a name for the external editor");
/// Shown after Ok when a setting that is read only at start-up changed.
inline const QString kNextStartMessage = QStringLiteral(
    "The changes for VolumeBar labels and/or pane tiling settings\nwill take effect at the next "
    "time the program is started.\n(you may wish to quit/restart immediately)");

/// The refusal of a number outside `lower`..`upper`.
QString OptionRangeMessage(int lower, int upper);
/// The refusal of a field that holds no whole number.
QString OptionNotNumberMessage();

/// The ranges of the two number fields.
inline constexpr int kMinHistoryItems = 2;
inline constexpr int kMaxHistoryItems = 50;
inline constexpr int kMinColumnWidthEntry = 0;
inline constexpr int kMaxColumnWidthEntry = 1000;

/// The tree option bits the Usability page sets; the others (such as 4,
/// folders not watched) are kept as they are.
namespace TreeOptionBits {
inline constexpr int kSingleClick = 1;
inline constexpr int kHoverExpand = 2;
inline constexpr int kFocusView = 8;
}  // namespace TreeOptionBits

/// The Usability page's values.
struct UsabilityValues {
    bool singleClick = false;    // one-click activation (with hover and hot underline)
    bool gridLines = false;      // details: grid lines
    bool infoTips = false;       // the item's description as a tooltip
    bool fullRowSelect = false;  // details: the whole row lit
    int maxColumnWidth = 0;      // List columns, pixels; 0 no maximum
    bool sideBySide = true;      // panes left and right ("&Vertical")
    bool treeSingleClick = false;
    bool treeFocusView = false;
    bool treeHoverExpand = false;

    /// The values shown by the page: the list bits of `listStyle`, the
    /// column maximum, the tiling and the tree bits of `treeOptions`.
    static UsabilityValues From(int listStyle, int maxColumnWidth, bool sideBySide,
                                int treeOptions);
};

/// The list's extended style after Ok: `current` without the bits of
/// one-click activation, hover tracking, hot underlining, info tips,
/// full-row selection and grid lines, then those the page asks for (single
/// click sets all three of activation, tracking and underlining). Every
/// other bit of `current` is kept.
int ComposeListExtendedStyle(int current, const UsabilityValues& values);
/// The tree options after Ok: bits 1, 2 and 8 from the page, the rest of
/// `current` kept.
int ComposeTreeOptions(int current, const UsabilityValues& values);
/// The List column maximum stored for an entered width: below 50, 0.
int StoredMaxColumnWidth(int entered);

/// The general settings the sheet edits, as they were when it opened.
struct GeneralOptionsCopy {
    bool saveSettings = true;
    int fileDateUsed = 0;
    bool showHiddenFiles = true;
    int historyItems = 15;
    bool useExternalEditor = false;
    QString externalEditorName;
    bool drivebarLetters = false;
    bool autoReSort = false;
    bool flatToolbars = false;
    bool commanderMode = false;
    bool alwaysShowTabBar = false;

    static GeneralOptionsCopy Of(const GeneralSettings& settings);
    void RestoreInto(GeneralSettings& settings) const;
};

/// The General page.
class CGeneralPDlg : public QWidget {
    Q_OBJECT

public:
    /// Chooses the external editor's program: the path, or nullopt when
    /// cancelled. The default shows a file-open dialog.
    using ProgramChooser = std::function<std::optional<QString>(QWidget* parent)>;

    explicit CGeneralPDlg(QWidget* parent = nullptr);

    /// Shows `settings` in the controls; the editor field and "&Browse..."
    /// are enabled only with "&External" chosen.
    void Load(const GeneralSettings& settings);
    /// Validates the controls; when they pass, writes them into `settings`
    /// (the editor name trimmed) and gives true. Otherwise shows the
    /// warning, focuses the field and gives false; `settings` is untouched.
    bool Validate(GeneralSettings& settings);

    /// "&Browse...": the chosen program replaces the editor field, quoted
    /// for the command line when its path needs it.
    void Browse();
    static void SetProgramChooser(ProgramChooser chooser);

    QRadioButton* DateButton(int fileDateUsed) const { return m_date[fileDateUsed]; }
    QRadioButton* InternalEditorButton() const { return m_internal; }
    QRadioButton* ExternalEditorButton() const { return m_external; }
    QLineEdit* EditorField() const { return m_editorName; }
    QPushButton* BrowseButton() const { return m_browse; }
    QCheckBox* SaveSettingsBox() const { return m_saveSettings; }
    QCheckBox* HiddenFilesBox() const { return m_hiddenFiles; }
    QLineEdit* HistoryItemsField() const { return m_historyItems; }
    QCheckBox* DrivebarLettersBox() const { return m_drivebarLetters; }
    QCheckBox* AutoReSortBox() const { return m_autoReSort; }
    QCheckBox* FlatToolbarsBox() const { return m_flatToolbars; }
    QCheckBox* CommanderModeBox() const { return m_commanderMode; }
    QCheckBox* AlwaysShowTabBarBox() const { return m_alwaysShowTabBar; }

private:
    void EnableEditorFields();

    QRadioButton* m_date[3] = {};
    QRadioButton* m_internal = nullptr;
    QRadioButton* m_external = nullptr;
    QLineEdit* m_editorName = nullptr;
    QPushButton* m_browse = nullptr;
    QCheckBox* m_saveSettings = nullptr;
    QCheckBox* m_hiddenFiles = nullptr;
    QLineEdit* m_historyItems = nullptr;
    QCheckBox* m_drivebarLetters = nullptr;
    QCheckBox* m_autoReSort = nullptr;
    QCheckBox* m_flatToolbars = nullptr;
    QCheckBox* m_commanderMode = nullptr;
    QCheckBox* m_alwaysShowTabBar = nullptr;
};

/// The Usability page.
class CUsabilityPDlg : public QWidget {
    Q_OBJECT

public:
    explicit CUsabilityPDlg(QWidget* parent = nullptr);

    void Load(const UsabilityValues& values);
    /// The controls' values when the column width is a whole number within
    /// 0..1000 (stored below 50 as 0); otherwise the warning, the focus on
    /// the field, and nullopt.
    std::optional<UsabilityValues> Validate();

    QCheckBox* SingleClickBox() const { return m_singleClick; }
    QCheckBox* GridLinesBox() const { return m_gridLines; }
    QCheckBox* InfoTipsBox() const { return m_infoTips; }
    QCheckBox* FullRowBox() const { return m_fullRow; }
    QLineEdit* MaxColumnWidthField() const { return m_maxColumnWidth; }
    QRadioButton* HorizontalButton() const { return m_horizontal; }
    QRadioButton* VerticalButton() const { return m_vertical; }
    QCheckBox* TreeSingleClickBox() const { return m_treeSingleClick; }
    QCheckBox* TreeFocusViewBox() const { return m_treeFocusView; }
    QCheckBox* TreeHoverExpandBox() const { return m_treeHoverExpand; }

private:
    QCheckBox* m_singleClick = nullptr;
    QCheckBox* m_gridLines = nullptr;
    QCheckBox* m_infoTips = nullptr;
    QCheckBox* m_fullRow = nullptr;
    QLineEdit* m_maxColumnWidth = nullptr;
    QRadioButton* m_horizontal = nullptr;
    QRadioButton* m_vertical = nullptr;
    QCheckBox* m_treeSingleClick = nullptr;
    QCheckBox* m_treeFocusView = nullptr;
    QCheckBox* m_treeHoverExpand = nullptr;
};

/// The sheet.
class COptionsSheet : public QDialog {
    Q_OBJECT

public:
    /// Takes the copy of the general settings and fills both pages from the
    /// frame (see the top of this file); opens on page `lastPage`, which Ok
    /// sets to the page shown then.
    COptionsSheet(CMainFrame& frame, int& lastPage, QWidget* parent = nullptr);

    /// Ok: both pages validated (a refusal shows the page and keeps the
    /// sheet open), then the changes applied in the designed order.
    void accept() override;
    /// Cancel: the general settings as they were; nothing else changes.
    void reject() override;

    CGeneralPDlg* GeneralPage() const { return m_general; }
    CUsabilityPDlg* UsabilityPage() const { return m_usability; }
    QTabWidget* Pages() const { return m_pages; }
    QPushButton* OkButton() const;

private:
    void OnPageChanged(int index);
    bool ValidatePage(int index);
    void ShowPage(int index);
    void ApplyChanges(const UsabilityValues& values);

    CMainFrame& m_frame;
    int& m_lastPage;
    GeneralOptionsCopy m_copy;
    QTabWidget* m_pages = nullptr;
    CGeneralPDlg* m_general = nullptr;
    CUsabilityPDlg* m_usability = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    int m_shownPage = 0;
    bool m_turningBack = false;
};

#pragma once
// SelectDriveDialog: the volume selection of Alt+F1 (left pane), Alt+F2
// (right pane) and ID_SELECT_DRIVE (the active pane). It lists the volumes of
// Computer with their icons, each labelled by its mount point and then its
// name, and gives back what the pane is to open: the chosen volume's mount
// point ("&Root folder of selected device"), or its remembered folder
// (DriveFolders; the mount point when none is remembered) with "&Current
// folder of selected device".
//
// Settings of "Select Drive Dialog", loaded when the dialog is first used in
// a run (DriveDialogSettings): "bGotoRoot" (default 0) and "bSmallIcons"
// (default 0; large icons show one row, and the dialog is made lower to
// match). The caller saves them at exit.
//
// Main thread only.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "app/DriveBar.h"

class ProfileStore;
class QListWidget;
class QRadioButton;
class QToolButton;

inline const QString kSelectDriveSection = QStringLiteral("Select Drive Dialog");
/// The caption; %s is "First" for the left pane and "Second" for the right.
inline const QString kSelectDriveCaption = QStringLiteral("Select disk drive for %1 pane");
inline const QString kNothingSelected = QStringLiteral("Nothing was selected");

/// The dialog's two settings for the run.
struct DriveDialogSettings {
    bool gotoRoot = false;
    bool smallIcons = false;
    void Load(const ProfileStore& store);
    void Save(ProfileStore& store) const;
};

class SelectDriveDialog : public QDialog {
    Q_OBJECT

public:
    /// How the dialog is run: exec() unless a test installed its own runner.
    using Runner = std::function<int(SelectDriveDialog&)>;

    /// `firstPane` picks the caption's word; `currentPath` is the pane's
    /// folder when it is a file-system one (empty otherwise): the volume
    /// that holds it is preselected, else the first entry.
    SelectDriveDialog(std::vector<VolumeEntry> volumes, bool firstPane, const QString& currentPath,
                      DriveDialogSettings& settings, QWidget* parent = nullptr);

    /// Runs a dialog; the path to open, or nullopt when cancelled.
    static std::optional<QString> Choose(std::vector<VolumeEntry> volumes, bool firstPane,
                                         const QString& currentPath, DriveDialogSettings& settings,
                                         QWidget* parent);
    static Runner SetRunner(Runner runner);

    QListWidget* List() const { return m_list; }
    QRadioButton* CurrentButton() const { return m_current; }
    QRadioButton* RootButton() const { return m_root; }
    QToolButton* IconSizeButton() const { return m_iconSize; }
    /// The result taken at "Select"; empty before.
    const QString& Result() const { return m_result; }

    /// "Select": "Nothing was selected" (and the dialog stays) without an
    /// entry; else the result, and the dialog closes.
    void accept() override;

private:
    void ApplyIconSize();
    void ToggleIconSize();

    std::vector<VolumeEntry> m_volumes;
    DriveDialogSettings& m_settings;
    QListWidget* m_list = nullptr;
    QRadioButton* m_current = nullptr;
    QRadioButton* m_root = nullptr;
    QToolButton* m_iconSize = nullptr;
    QString m_result;
};

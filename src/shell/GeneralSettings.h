#pragma once
// The keys of "General Settings": the run-wide options every subsystem
// consults. The application object owns the values (CPanexApp loads them at
// start-up and saves them at exit); the rest of the program reads them through
// General(). Defaults and clamps are those of the store's documented keys.

#include <QString>

class ProfileStore;

struct GeneralSettings {
    static inline const QString kSection = QStringLiteral("General Settings");

    bool saveSettings = true;                                    // "bSaveSettings"
    bool showHiddenFiles = true;                                 // "bShowHiddenFiles"
    int historyItems = 15;                                       // "nHistoryItems", 2..50
    int fileDateUsed = 0;                                        // "eFileDateUzed", 0..2
    bool useExternalEditor = false;                              // "bUzeExternalEditor"
    QString externalEditorName;                                  // "szExternalEditorName"
    bool drivebarLetters = false;                                // "bDrivebarLetters"
    bool autoReSort = false;                                     // "bAutoReSort"
    bool flatToolbars = false;                                   // "bFlatToolbars"
    bool usePlainIcons = false;                                  // "bUsePlainIcons"
    bool keepTreeInSync = true;                                  // "bKeepTreeInSync"
    QString dirPrintFormat = QStringLiteral("%-25s %10s %s\n");  // "szDirPrintFormat"
    bool plainBytesFormat = true;                                // "bPlainBytesFormat"
    int maxExtractSize = 262144;                                 // "nMaxExtractSize", bytes
    bool askConfirmation = true;                                 // "bAskConfirmation"
    bool selectAddOnTop = true;                                  // "bSelectAddOnTop"
    bool selectIncFolders = false;                               // "bSelectIncFolders"
    int listExtendedStyle = 16385;                               // "lvsExtendedStyle"
    // Commander mode: the focused row is the operand when nothing is
    // marked, the cursor never marks, F7 makes a folder and F8 deletes.
    bool commanderMode = false;  // "bCommanderMode"
    // A pane shows its tab bar with a single tab too.
    bool alwaysShowTabBar = false;  // "bAlwaysShowTabBar"

    /// Reads every key with its default and clamp: "nHistoryItems" outside
    /// 2..50 and "eFileDateUzed" outside 0..2 read as their defaults;
    /// "bUzeExternalEditor" reads 0 when "szExternalEditorName" is empty.
    void Load(const ProfileStore& store);
    /// Writes every key except "bSaveSettings" (whose writing the
    /// application's shut-down order decides).
    void SaveKeys(ProfileStore& store) const;
    void SaveSaveSettingsKey(ProfileStore& store) const;
};

/// The run's general settings (defaults until the application loads them).
const GeneralSettings& General();
GeneralSettings& MutableGeneral();

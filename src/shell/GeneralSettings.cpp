#include "shell/GeneralSettings.h"

#include "platform/store/ProfileStore.h"

namespace {

const QString kSaveSettings = QStringLiteral("bSaveSettings");
const QString kShowHiddenFiles = QStringLiteral("bShowHiddenFiles");
const QString kHistoryItems = QStringLiteral("nHistoryItems");
const QString kFileDateUsed = QStringLiteral("eFileDateUzed");
const QString kUseExternalEditor = QStringLiteral("bUzeExternalEditor");
const QString kExternalEditorName = QStringLiteral("szExternalEditorName");
const QString kDrivebarLetters = QStringLiteral("bDrivebarLetters");
const QString kAutoReSort = QStringLiteral("bAutoReSort");
const QString kCommanderMode = QStringLiteral("bCommanderMode");
const QString kAlwaysShowTabBar = QStringLiteral("bAlwaysShowTabBar");
const QString kFlatToolbars = QStringLiteral("bFlatToolbars");
const QString kUsePlainIcons = QStringLiteral("bUsePlainIcons");
const QString kKeepTreeInSync = QStringLiteral("bKeepTreeInSync");
const QString kDirPrintFormat = QStringLiteral("szDirPrintFormat");
const QString kPlainBytesFormat = QStringLiteral("bPlainBytesFormat");
const QString kMaxExtractSize = QStringLiteral("nMaxExtractSize");
const QString kAskConfirmation = QStringLiteral("bAskConfirmation");
const QString kSelectAddOnTop = QStringLiteral("bSelectAddOnTop");
const QString kSelectIncFolders = QStringLiteral("bSelectIncFolders");
const QString kListExtendedStyle = QStringLiteral("lvsExtendedStyle");

GeneralSettings& Instance() {
    static GeneralSettings settings;
    return settings;
}

}  // namespace

void GeneralSettings::Load(const ProfileStore& store) {
    const GeneralSettings d;  // the defaults
    const QString& s = kSection;
    auto flag = [&](const QString& key, bool def) { return store.GetProfileInt(s, key, def) != 0; };

    saveSettings = flag(kSaveSettings, d.saveSettings);
    showHiddenFiles = flag(kShowHiddenFiles, d.showHiddenFiles);
    historyItems = store.GetProfileInt(s, kHistoryItems, d.historyItems);
    if (historyItems < 2 || historyItems > 50)
        historyItems = d.historyItems;
    fileDateUsed = store.GetProfileInt(s, kFileDateUsed, d.fileDateUsed);
    if (fileDateUsed < 0 || fileDateUsed > 2)
        fileDateUsed = d.fileDateUsed;
    useExternalEditor = flag(kUseExternalEditor, d.useExternalEditor);
    externalEditorName = store.GetProfileString(s, kExternalEditorName, d.externalEditorName);
    if (externalEditorName.isEmpty())
        useExternalEditor = false;
    drivebarLetters = flag(kDrivebarLetters, d.drivebarLetters);
    autoReSort = flag(kAutoReSort, d.autoReSort);
    commanderMode = flag(kCommanderMode, d.commanderMode);
    alwaysShowTabBar = flag(kAlwaysShowTabBar, d.alwaysShowTabBar);
    flatToolbars = flag(kFlatToolbars, d.flatToolbars);
    usePlainIcons = flag(kUsePlainIcons, d.usePlainIcons);
    keepTreeInSync = flag(kKeepTreeInSync, d.keepTreeInSync);
    dirPrintFormat = store.GetProfileString(s, kDirPrintFormat, d.dirPrintFormat);
    plainBytesFormat = flag(kPlainBytesFormat, d.plainBytesFormat);
    maxExtractSize = store.GetProfileInt(s, kMaxExtractSize, d.maxExtractSize);
    // A negative limit would make every copy "too large"; it is a damaged
    // value, not a choice.
    if (maxExtractSize < 0)
        maxExtractSize = d.maxExtractSize;
    askConfirmation = flag(kAskConfirmation, d.askConfirmation);
    selectAddOnTop = flag(kSelectAddOnTop, d.selectAddOnTop);
    selectIncFolders = flag(kSelectIncFolders, d.selectIncFolders);
    listExtendedStyle = store.GetProfileInt(s, kListExtendedStyle, d.listExtendedStyle);
}

void GeneralSettings::SaveSaveSettingsKey(ProfileStore& store) const {
    store.WriteProfileInt(kSection, kSaveSettings, saveSettings);
}

void GeneralSettings::SaveKeys(ProfileStore& store) const {
    const QString& s = kSection;
    store.WriteProfileInt(s, kShowHiddenFiles, showHiddenFiles);
    store.WriteProfileInt(s, kHistoryItems, historyItems);
    store.WriteProfileInt(s, kFileDateUsed, fileDateUsed);
    store.WriteProfileInt(s, kUseExternalEditor, useExternalEditor);
    store.WriteProfileString(s, kExternalEditorName, externalEditorName);
    store.WriteProfileInt(s, kDrivebarLetters, drivebarLetters);
    store.WriteProfileInt(s, kAutoReSort, autoReSort);
    store.WriteProfileInt(s, kCommanderMode, commanderMode);
    store.WriteProfileInt(s, kAlwaysShowTabBar, alwaysShowTabBar);
    store.WriteProfileInt(s, kFlatToolbars, flatToolbars);
    store.WriteProfileInt(s, kUsePlainIcons, usePlainIcons);
    store.WriteProfileInt(s, kKeepTreeInSync, keepTreeInSync);
    store.WriteProfileString(s, kDirPrintFormat, dirPrintFormat);
    store.WriteProfileInt(s, kPlainBytesFormat, plainBytesFormat);
    store.WriteProfileInt(s, kMaxExtractSize, maxExtractSize);
    store.WriteProfileInt(s, kAskConfirmation, askConfirmation);
    store.WriteProfileInt(s, kSelectAddOnTop, selectAddOnTop);
    store.WriteProfileInt(s, kSelectIncFolders, selectIncFolders);
    store.WriteProfileInt(s, kListExtendedStyle, listExtendedStyle);
}

const GeneralSettings& General() {
    return Instance();
}
GeneralSettings& MutableGeneral() {
    return Instance();
}

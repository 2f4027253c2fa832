#include "editor/EditorSettings.h"

#include <QFontDatabase>
#include <QFontInfo>

#include "editor/AutoText.h"
#include "editor/EditorHost.h"
#include "platform/store/ProfileStore.h"
#include "shell/GeneralSettings.h"

namespace {

// The two "Grep Settings" options as loaded, and the texts the editor
// searched for this run: the saver writes only what the editor changed.
std::pair<bool, bool>& LoadedGrepOptions() {
    static std::pair<bool, bool> loaded{false, false};
    return loaded;
}

QStringList& AddedFindTexts() {
    static QStringList added;
    return added;
}

const QString kSearchBackwardsKey = QStringLiteral("bSearchBackwards");
const QString kCyclicSearchKey = QStringLiteral("bCyclicSearch");
const QString kSelectionBarKey = QStringLiteral("bSelectionBar");
const QString kHorizScrollKey = QStringLiteral("bHorizScroll");
const QString kWordWrapKey = QStringLiteral("bWordWrap");
const QString kAutoFillKey = QStringLiteral("bAutoFill");
const QString kTabWidthKey = QStringLiteral("bTabWidth");
const QString kForeColorKey = QStringLiteral("nForeColor");
const QString kBackColorKey = QStringLiteral("nBackColor");
const QString kOverrideROColorsKey = QStringLiteral("bOverrideROColors");
const QString kMatchCaseKey = QStringLiteral("bMatchCase");
const QString kWordsOnlyKey = QStringLiteral("bWordsOnly");

const QString kHeightKey = QStringLiteral("nHeight");
const QString kBoldKey = QStringLiteral("bBold");
const QString kItalicKey = QStringLiteral("bItalic");
const QString kUnderlineKey = QStringLiteral("bUnderline");
const QString kCharSetKey = QStringLiteral("nCharSet");
const QString kPitchAndFamilyKey = QStringLiteral("nPitchAndFamily");
const QString kFaceNameKey = QStringLiteral("szFaceName");

bool g_loaded = false;

bool ReadBool(const ProfileStore& store, const QString& section, const QString& key, bool def) {
    return store.GetProfileInt(section, key, def ? 1 : 0) != 0;
}

}  // namespace

int TabWidthFromStored(int stored) {
    const int width = stored & 0x1F;
    return width == 0 ? 3 : width;
}

QColor ColorFromValue(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int ValueFromColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

EditorCharFormat EditorCharFormat::SystemFixed() {
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontInfo info(font);
    EditorCharFormat format;
    format.height = kDefaultHeight;
    format.bold = info.weight() > QFont::Medium;
    format.italic = info.italic();
    format.underline = info.underline();
    format.pitchAndFamily = 1;  // fixed pitch
    format.faceName = info.family().left(kMaxFaceNameLength);
    return format;
}

EditorCharFormat EditorCharFormat::FromFont(const QFont& font) {
    EditorCharFormat format;
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    format.height = qMax(1, qRound(points * 20));
    format.bold = font.weight() > QFont::Medium;
    format.italic = font.italic();
    format.underline = font.underline();
    format.pitchAndFamily = font.fixedPitch() ? 1 : 0;
    format.faceName = font.family().left(kMaxFaceNameLength);
    return format;
}

QFont EditorCharFormat::ToFont() const {
    const EditorCharFormat& format = height == 0 ? SystemFixed() : *this;
    // "System" is the stored default's name for the fixed-pitch system font.
    QFont font = format.faceName == QStringLiteral("System")
                     ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                     : QFont(format.faceName);
    font.setPointSizeF(format.height / 20.0);
    font.setBold(format.bold);
    font.setItalic(format.italic);
    font.setUnderline(format.underline);
    if (format.pitchAndFamily & 1)
        font.setStyleHint(QFont::Monospace);
    return font;
}

void EditorSettings::Load(const ProfileStore& store) {
    const QString& s = kEditorSection;
    search.backwards = ReadBool(store, s, kSearchBackwardsKey, false);
    search.cyclic = ReadBool(store, s, kCyclicSearchKey, true);
    search.matchCase = ReadBool(store, kEditorGrepSection, kMatchCaseKey, false);
    search.wholeWords = ReadBool(store, kEditorGrepSection, kWordsOnlyKey, false);
    LoadedGrepOptions() = {search.matchCase, search.wholeWords};
    selectionBar = ReadBool(store, s, kSelectionBarKey, false);
    horizScroll = ReadBool(store, s, kHorizScrollKey, false);
    wordWrap = ReadBool(store, s, kWordWrapKey, true);
    autoFill = ReadBool(store, s, kAutoFillKey, false);
    tabWidth = TabWidthFromStored(store.GetProfileInt(s, kTabWidthKey, 3));
    foreColor = store.GetProfileInt(s, kForeColorKey, -1);
    backColor = store.GetProfileInt(s, kBackColorKey, -1);
    overrideROColors = ReadBool(store, s, kOverrideROColorsKey, false);

    const QString& f = kEditorCharFormatSection;
    charFormat.height = store.GetProfileInt(f, kHeightKey, 0);
    if (charFormat.height == 0) {
        charFormat = EditorCharFormat::SystemFixed();
    } else {
        charFormat.bold = ReadBool(store, f, kBoldKey, false);
        charFormat.italic = ReadBool(store, f, kItalicKey, false);
        charFormat.underline = ReadBool(store, f, kUnderlineKey, false);
        charFormat.charSet = store.GetProfileInt(f, kCharSetKey, 1);
        charFormat.pitchAndFamily = store.GetProfileInt(f, kPitchAndFamilyKey, 0);
        charFormat.faceName = store.GetProfileString(f, kFaceNameKey, QStringLiteral("System"))
                                  .left(EditorCharFormat::kMaxFaceNameLength);
    }

    margins.fill(kDefaultMargin);
    if (const EditorHost& host = GetEditorHost(); host.readRect) {
        if (const std::optional<EditorHost::FourInts> stored = host.readRect(kPageMarginsSection))
            margins = *stored;
    }
}

void EditorSettings::Save(ProfileStore& store) const {
    const QString& s = kEditorSection;
    store.WriteProfileInt(s, kSearchBackwardsKey, search.backwards);
    store.WriteProfileInt(s, kCyclicSearchKey, search.cyclic);
    // The containing-text scan writes these two as well: the editor writes
    // an option only when it changed it, so an older copy never undoes the
    // scan's choice.
    if (search.matchCase != LoadedGrepOptions().first)
        store.WriteProfileInt(kEditorGrepSection, kMatchCaseKey, search.matchCase);
    if (search.wholeWords != LoadedGrepOptions().second)
        store.WriteProfileInt(kEditorGrepSection, kWordsOnlyKey, search.wholeWords);
    store.WriteProfileInt(s, kSelectionBarKey, selectionBar);
    store.WriteProfileInt(s, kHorizScrollKey, horizScroll);
    store.WriteProfileInt(s, kWordWrapKey, wordWrap);
    store.WriteProfileInt(s, kAutoFillKey, autoFill);
    store.WriteProfileInt(s, kTabWidthKey, tabWidth);
    store.WriteProfileInt(s, kForeColorKey, foreColor);
    store.WriteProfileInt(s, kBackColorKey, backColor);
    store.WriteProfileInt(s, kOverrideROColorsKey, overrideROColors);
    if (charFormat.height != 0) {
        const QString& f = kEditorCharFormatSection;
        store.WriteProfileInt(f, kHeightKey, charFormat.height);
        store.WriteProfileInt(f, kBoldKey, charFormat.bold);
        store.WriteProfileInt(f, kItalicKey, charFormat.italic);
        store.WriteProfileInt(f, kUnderlineKey, charFormat.underline);
        store.WriteProfileInt(f, kCharSetKey, charFormat.charSet);
        store.WriteProfileInt(f, kPitchAndFamilyKey, charFormat.pitchAndFamily);
        store.WriteProfileString(f, kFaceNameKey, charFormat.faceName);
    }
    if (const EditorHost& host = GetEditorHost(); host.writeRect)
        host.writeRect(kPageMarginsSection, margins);
}

EditorSettings& EditorConfig() {
    static EditorSettings settings;
    return settings;
}

HistoryList& EditorFindHistory() {
    static HistoryList history;
    return history;
}

void RememberFindText(const QString& text) {
    EditorFindHistory().Add(General().historyItems, text);
    AddedFindTexts().append(text);
}

HistoryList& ReplaceTextHistory() {
    static HistoryList history;
    return history;
}

void SaveEditorSettings(ProfileStore& store) {
    const int items = General().historyItems;
    EditorConfig().Save(store);
    SaveAutoText(store);
    // What is stored now holds the scan's entries (its saver runs first);
    // the editor's own go in front, in the order they were searched.
    if (!AddedFindTexts().isEmpty()) {
        HistoryList joined;
        joined.Load(items, store, kEditorGrepHistorySection);
        for (const QString& text : AddedFindTexts()) joined.Add(items, text);
        joined.Save(items, store, kEditorGrepHistorySection);
    }
    ReplaceTextHistory().Save(items, store, kReplaceHistorySection);
}

void EnsureEditorSettingsLoaded() {
    if (g_loaded)
        return;
    g_loaded = true;
    ProfileStore* store = EditorStore();
    if (!store) {
        EditorConfig().charFormat = EditorCharFormat::SystemFixed();
        LoadAutoTextDefaults();
        return;
    }
    const int items = General().historyItems;
    EditorConfig().Load(*store);
    LoadAutoText(*store);
    EditorFindHistory().Load(items, *store, kEditorGrepHistorySection);
    ReplaceTextHistory().Load(items, *store, kReplaceHistorySection);
    if (const EditorHost& host = GetEditorHost(); host.registerSaver)
        host.registerSaver([](ProfileStore& s) { SaveEditorSettings(s); });
}

void ResetEditorSettingsForTest() {
    g_loaded = false;
    EditorConfig() = EditorSettings();
    EditorFindHistory().Clear();
    AddedFindTexts().clear();
    LoadedGrepOptions() = {false, false};
    ReplaceTextHistory().Clear();
    AutoTextTable() = {};
}

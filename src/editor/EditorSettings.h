#pragma once
// The run-wide settings of the editor and viewer: "Editor/Viewer Settings",
// the character format ("Editor Character Format"), the page margins
// ("Page Margins"), the search options, the find and replace histories and
// the AutoText slots (AutoText.h). They are read the first time an editor
// view is built in a run (EnsureEditorSettingsLoaded) and written at exit by
// the saver registered then, so a run without an editor writes nothing of
// them.
//
// Main thread only; every editor window shares the one record.

#include <QColor>
#include <QFont>
#include <QString>
#include <array>

#include "shell/HistoryList.h"

class ProfileStore;

inline const QString kEditorSection = QStringLiteral("Editor/Viewer Settings");
inline const QString kEditorCharFormatSection = QStringLiteral("Editor Character Format");
inline const QString kPageMarginsSection = QStringLiteral("Page Margins");
inline const QString kEditorGrepSection = QStringLiteral("Grep Settings");
inline const QString kEditorGrepHistorySection = QStringLiteral("Grep Find History");
inline const QString kReplaceHistorySection = QStringLiteral("Replace Text History");

/// The search options of the find and replace dialogs. Match case and whole
/// words are the containing-text scan's ("Grep Settings"); the other two are
/// the editor's own.
struct EditorSearchOptions {
    bool matchCase = false;   // "bMatchCase" in "Grep Settings"
    bool wholeWords = false;  // "bWordsOnly" in "Grep Settings"
    bool backwards = false;   // "bSearchBackwards"
    bool cyclic = true;       // "bCyclicSearch"
};

/// The character format record, as stored. A height of 0 means "nothing
/// stored": the system's fixed-pitch font at 10 points is used.
struct EditorCharFormat {
    static constexpr int kMaxFaceNameLength = 31;
    static constexpr int kDefaultHeight = 200;  // twips: 10 points

    int height = 0;  // twips
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int charSet = 1;
    int pitchAndFamily = 0;
    QString faceName = QStringLiteral("System");

    /// The format of the system's fixed-pitch font, 200 twips high.
    static EditorCharFormat SystemFixed();
    static EditorCharFormat FromFont(const QFont& font);
    QFont ToFont() const;
};

struct EditorSettings {
    EditorSearchOptions search;
    bool selectionBar = false;      // "bSelectionBar"
    bool horizScroll = false;       // "bHorizScroll"
    bool wordWrap = true;           // "bWordWrap"
    bool autoFill = false;          // "bAutoFill"
    int tabWidth = 3;               // "bTabWidth", 1..31 as read
    int foreColor = -1;             // "nForeColor", 0x00BBGGRR or -1 (automatic)
    int backColor = -1;             // "nBackColor"
    bool overrideROColors = false;  // "bOverrideROColors"
    EditorCharFormat charFormat;    // as read; SystemFixed() when nothing stored
    /// Left, top, right, bottom in twips.
    std::array<int, 4> margins = {kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin};

    static constexpr int kDefaultMargin = 310;

    /// Reads every key with its default; a tab width keeps its low five bits
    /// and 0 becomes 3; margins that are not four numbers are 310 each.
    void Load(const ProfileStore& store);
    /// Writes every key; the character format only when its height is not 0.
    void Save(ProfileStore& store) const;
};

/// The tab width a stored value reads as: its low five bits, 0 giving 3.
int TabWidthFromStored(int stored);

/// A colour value 0x00BBGGRR as a colour, and back.
QColor ColorFromValue(int value);
int ValueFromColor(const QColor& color);

/// The run's settings (defaults until loaded).
EditorSettings& EditorConfig();
/// The editor's copy of "Grep Find History", which the containing-text scan
/// also keeps; its first entry is what "Repeat Find" looks for. The two are
/// joined when saved: only what the editor added goes to the front of what
/// is stored, so neither undoes the other's entries.
HistoryList& EditorFindHistory();
/// Adds `text` to EditorFindHistory() and remembers it for the saver.
void RememberFindText(const QString& text);
/// "Replace Text History".
HistoryList& ReplaceTextHistory();

/// Loads the settings, the histories and the AutoText slots from the host's
/// store the first time it is called in a run, and registers their saver.
void EnsureEditorSettingsLoaded();
/// Forgets that they were loaded (tests start each case afresh).
void ResetEditorSettingsForTest();
/// Writes everything the editor keeps (the registered saver).
void SaveEditorSettings(ProfileStore& store);

/// Margins in twips to hundredths of millimetres and back, rounded as the
/// page setup does (multiply, then divide).
constexpr int TwipsToHundredthsMm(int twips) {
    return twips * 2540 / 1440;
}
constexpr int HundredthsMmToTwips(int hundredths) {
    return hundredths * 1440 / 2540;
}

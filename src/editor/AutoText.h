#pragma once
// AutoText: ten numbered text blocks, shared by every editor window, that
// Ctrl+0 .. Ctrl+9 insert with the caret put a set number of characters back
// from the end of the insertion. Stored one section per slot,
// "AutoText Settings\00" .. "AutoText Settings\09".

#include <QString>
#include <array>
#include <optional>

class ProfileStore;

struct AutoTextSlot {
    static constexpr int kMaxIdentifier = 32;
    static constexpr int kMaxText = 1024;

    QString identifier;  // empty: the slot is empty
    QString text;
    int backtrack = 0;  // 0 .. text length

    bool IsEmpty() const { return identifier.isEmpty(); }
};

inline constexpr int kAutoTextSlots = 10;
using AutoTextSlots = std::array<AutoTextSlot, kAutoTextSlots>;

/// The run's table.
AutoTextSlots& AutoTextTable();

/// The section of slot `slot`: "AutoText Settings\NN".
QString AutoTextSection(int slot);
/// Reads the ten slots; a text and backtrack are read only for a slot with
/// an identifier, and a backtrack outside 0..text length reads as 0. When no
/// slot has an identifier afterwards, the two defaults are set
/// (LoadAutoTextDefaults).
void LoadAutoText(const ProfileStore& store);
/// Slot 1 "Bold HTML" "<b></b>" back 4, slot 2 "Link HTML" '<a HREF=""></a>'
/// back 6; the others empty.
void LoadAutoTextDefaults();
void SaveAutoText(ProfileStore& store);

/// The menu text of a slot with text: "&%d: %s\tCtrl+%d"; nullopt for a
/// slot without text (its menu item keeps "(Undefined)").
std::optional<QString> AutoTextMenuText(int slot);
/// A row of the define dialog: "%d. %s", or "(empty)".
QString AutoTextDefineRow(int slot);
/// A row of the mnemonics window: "%d. %s", or "   (empty)".
QString AutoTextMnemonicRow(int slot);

/// The edit dialog's check of its values. On success the trimmed name and
/// the clamped backtrack are given back through the arguments and the result
/// is nullopt; otherwise the message to show, and which field gets the focus
/// (0 name, 1 text).
struct AutoTextProblem {
    QString message;
    int field = 0;
};
std::optional<AutoTextProblem> ValidateAutoText(QString& name, const QString& text, int& backtrack);

inline const QString kAutoTextNameRequired =
    QStringLiteral("An identifier is required for this block");
inline const QString kAutoTextBodyRequired = QStringLiteral("No body text was defined");

#include "editor/AutoText.h"

#include "platform/store/ProfileStore.h"

namespace {

const QString kAutoTextSettings = QStringLiteral("AutoText Settings");
const QString kIdentifierKey = QStringLiteral("szIdentifier");
const QString kTextKey = QStringLiteral("szAutoText");
const QString kBackTrackKey = QStringLiteral("nBackTrack");

}  // namespace

AutoTextSlots& AutoTextTable() {
    static AutoTextSlots table;
    return table;
}

QString AutoTextSection(int slot) {
    return QStringLiteral("%1\\%2").arg(kAutoTextSettings).arg(slot, 2, 10, QLatin1Char('0'));
}

void LoadAutoTextDefaults() {
    AutoTextSlots& table = AutoTextTable();
    table = {};
    table[1] = {QStringLiteral("Bold HTML"), QStringLiteral("<b></b>"), 4};
    table[2] = {QStringLiteral("Link HTML"), QStringLiteral("<a HREF=\"\"></a>"), 6};
}

void LoadAutoText(const ProfileStore& store) {
    AutoTextSlots& table = AutoTextTable();
    bool any = false;
    for (int i = 0; i < kAutoTextSlots; ++i) {
        const QString section = AutoTextSection(i);
        AutoTextSlot slot;
        slot.identifier =
            store.GetProfileString(section, kIdentifierKey).left(AutoTextSlot::kMaxIdentifier);
        if (!slot.identifier.isEmpty()) {
            any = true;
            slot.text = store.GetProfileString(section, kTextKey).left(AutoTextSlot::kMaxText);
            slot.backtrack = store.GetProfileInt(section, kBackTrackKey, 0);
            if (slot.backtrack < 0 || slot.backtrack > slot.text.size())
                slot.backtrack = 0;
        }
        table[i] = slot;
    }
    if (!any)
        LoadAutoTextDefaults();
}

void SaveAutoText(ProfileStore& store) {
    for (int i = 0; i < kAutoTextSlots; ++i) {
        const AutoTextSlot& slot = AutoTextTable()[i];
        const QString section = AutoTextSection(i);
        store.WriteProfileString(section, kIdentifierKey, slot.identifier);
        store.WriteProfileString(section, kTextKey, slot.text);
        store.WriteProfileInt(section, kBackTrackKey, slot.backtrack);
    }
}

std::optional<QString> AutoTextMenuText(int slot) {
    const AutoTextSlot& entry = AutoTextTable()[slot];
    if (entry.text.isEmpty())
        return std::nullopt;
    return QStringLiteral("&%1: %2\tCtrl+%1").arg(slot).arg(entry.identifier);
}

QString AutoTextDefineRow(int slot) {
    const AutoTextSlot& entry = AutoTextTable()[slot];
    return entry.IsEmpty() ? QStringLiteral("(empty)")
                           : QStringLiteral("%1. %2").arg(slot).arg(entry.identifier);
}

QString AutoTextMnemonicRow(int slot) {
    const AutoTextSlot& entry = AutoTextTable()[slot];
    return entry.IsEmpty() ? QStringLiteral("   (empty)")
                           : QStringLiteral("%1. %2").arg(slot).arg(entry.identifier);
}

std::optional<AutoTextProblem> ValidateAutoText(QString& name, const QString& text,
                                                int& backtrack) {
    name = name.trimmed();
    if (name.isEmpty())
        return AutoTextProblem{kAutoTextNameRequired, 0};
    if (text.isEmpty())
        return AutoTextProblem{kAutoTextBodyRequired, 1};
    backtrack = std::clamp(backtrack, 0, int(text.size()));
    return std::nullopt;
}

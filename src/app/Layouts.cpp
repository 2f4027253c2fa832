#include "app/Layouts.h"

#include <QtEndian>

#include "platform/store/ProfileStore.h"

namespace {

// The key prefixes of the panes' tabs in a layout's section.
const QString kLeftTabsPrefix = QStringLiteral("Left");
const QString kRightTabsPrefix = QStringLiteral("Right");

const QString kInfoHeaderKey = QStringLiteral("InfoHeader");
const QString kDockStateKey = QStringLiteral("DockState");
constexpr int kNameOffset = 12;
constexpr int kNameBytes = 32;
constexpr int kFirstDigitKey = 7;

void Put(QByteArray& bytes, int offset, std::int32_t value) {
    qToLittleEndian<std::int32_t>(value, bytes.data() + offset);
}
std::int32_t Get(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<std::int32_t>(bytes.constData() + offset);
}

// UTF-8 cut to `limit` bytes without splitting a character.
QByteArray CutUtf8(const QByteArray& utf8, int limit) {
    if (utf8.size() <= limit)
        return utf8;
    int end = limit;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    return utf8.left(end);
}

}  // namespace

QString LayoutSection(int number) {
    return QStringLiteral("Layout %1").arg(number);
}

QByteArray EncodeLayoutRecord(const LayoutRecord& record) {
    QByteArray bytes(kLayoutHeaderSize, '\0');
    Put(bytes, 0, record.version);
    Put(bytes, 4, record.screenWidth);
    Put(bytes, 8, record.screenHeight);
    const QByteArray name = CutUtf8(record.name.toUtf8(), kMaxLayoutName);
    std::copy(name.begin(), name.end(), bytes.begin() + kNameOffset);
    Put(bytes, 44, record.firstPaneSize);
    Put(bytes, 48, record.leftViewStyle);
    Put(bytes, 52, record.rightViewStyle);
    const LayoutPlacement& p = record.placement;
    const std::array<std::int32_t, 11> placement = {
        p.length, p.flags,       p.show,       p.minX,         p.minY,         p.maxX,
        p.maxY,   p.normal.left, p.normal.top, p.normal.right, p.normal.bottom};
    for (size_t i = 0; i < placement.size(); ++i) Put(bytes, 56 + int(i) * 4, placement[i]);
    for (size_t i = 0; i < 6; ++i) {
        Put(bytes, 100 + int(i) * 4, record.treeBarSizes[i]);
        Put(bytes, 124 + int(i) * 4, record.thumbBarSizes[i]);
    }
    Put(bytes, 148, record.dockStateLength);
    Put(bytes, 152, record.reserved);
    return bytes;
}

std::optional<LayoutRecord> DecodeLayoutRecord(const QByteArray& bytes) {
    if (bytes.size() != kLayoutHeaderSize || Get(bytes, 0) != kLayoutVersion ||
        Get(bytes, 148) == 0)
        return std::nullopt;
    LayoutRecord record;
    record.version = Get(bytes, 0);
    record.screenWidth = Get(bytes, 4);
    record.screenHeight = Get(bytes, 8);
    // A name that fills its field without a terminating zero ends at the
    // field's end: nothing beyond it is read.
    const QByteArray field = bytes.mid(kNameOffset, kNameBytes);
    const qsizetype end = field.indexOf('\0');
    record.name = QString::fromUtf8(field.left(end < 0 ? kMaxLayoutName : end));
    record.firstPaneSize = Get(bytes, 44);
    record.leftViewStyle = Get(bytes, 48);
    record.rightViewStyle = Get(bytes, 52);
    LayoutPlacement& p = record.placement;
    std::array<std::int32_t*, 11> placement = {
        &p.length, &p.flags,       &p.show,       &p.minX,         &p.minY,         &p.maxX,
        &p.maxY,   &p.normal.left, &p.normal.top, &p.normal.right, &p.normal.bottom};
    for (size_t i = 0; i < placement.size(); ++i) *placement[i] = Get(bytes, 56 + int(i) * 4);
    for (size_t i = 0; i < 6; ++i) {
        record.treeBarSizes[i] = Get(bytes, 100 + int(i) * 4);
        record.thumbBarSizes[i] = Get(bytes, 124 + int(i) * 4);
    }
    record.dockStateLength = Get(bytes, 148);
    record.reserved = Get(bytes, 152);
    return record;
}

void StoredLayouts::Load(const ProfileStore& store) {
    for (int n = 1; n <= kLayoutCount; ++n) {
        std::optional<LayoutSlot>& slot = m_slots[size_t(n - 1)];
        slot.reset();
        const QString section = LayoutSection(n);
        // The record's header.
        const std::optional<QByteArray> header = store.GetProfileBinary(section, kInfoHeaderKey);
        if (!header)
            continue;
        std::optional<LayoutRecord> record = DecodeLayoutRecord(*header);
        if (!record)
            continue;
        // The dock state, of the length the header gives.
        const std::optional<QByteArray> state = store.GetProfileBinary(section, kDockStateKey);
        if (!state || state->size() != record->dockStateLength ||
            state->size() >= kMaxDockStateSize)
            continue;
        // Both good: the slot is filled, with the panes' tabs when it has them.
        slot = LayoutSlot{*record, *state, ReadTabSet(store, section, kLeftTabsPrefix),
                          ReadTabSet(store, section, kRightTabsPrefix)};
    }
}

void StoredLayouts::Save(ProfileStore& store) const {
    for (int n = 1; n <= kLayoutCount; ++n) {
        const std::optional<LayoutSlot>& slot = m_slots[size_t(n - 1)];
        if (!slot)
            continue;
        LayoutRecord record = slot->record;
        record.dockStateLength = std::int32_t(slot->dockState.size());
        const QString section = LayoutSection(n);
        if (!store.WriteProfileBinary(section, kInfoHeaderKey, EncodeLayoutRecord(record)))
            continue;
        store.WriteProfileBinary(section, kDockStateKey, slot->dockState);
        if (slot->leftTabs)
            WriteTabSet(store, section, *slot->leftTabs, kLeftTabsPrefix);
        if (slot->rightTabs)
            WriteTabSet(store, section, *slot->rightTabs, kRightTabsPrefix);
    }
}

const LayoutSlot* StoredLayouts::Slot(int number) const {
    if (number < 1 || number > kLayoutCount || !m_slots[size_t(number - 1)])
        return nullptr;
    return &*m_slots[size_t(number - 1)];
}

void StoredLayouts::Set(int number, LayoutSlot slot) {
    if (number < 1 || number > kLayoutCount)
        return;
    slot.record.dockStateLength = std::int32_t(slot.dockState.size());
    m_slots[size_t(number - 1)] = std::move(slot);
}

void StoredLayouts::Clear() {
    for (auto& slot : m_slots) slot.reset();
}

QString StoredLayouts::MenuText(int number) const {
    const int key = kFirstDigitKey + number - 1;
    if (const LayoutSlot* slot = Slot(number))
        return QStringLiteral("&%1: %2\tCtrl+%3")
            .arg(QString::number(number), slot->record.name, QString::number(key));
    return QStringLiteral("(press Ctrl+Shift+%1 to define)").arg(key);
}

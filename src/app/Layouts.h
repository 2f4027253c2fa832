#pragma once
// Stored layouts: up to three arrangements of the main window, kept in
// memory while the program runs and in the sections "Layout 1" to
// "Layout 3" of the store:
//
//   "InfoHeader"  the record, exactly 156 bytes of little-endian 32-bit
//                 values (see LayoutRecord for the offsets)
//   "DockState"   the frame's complete dock state (QMainWindow::saveState()),
//                 shorter than 4096 bytes, its length in the record
//
// A slot whose entries are missing, of another size or version, or whose
// lengths disagree is empty; nothing is said about it. Beside them a layout
// keeps both panes' tabs (TabSettings.h, prefixes "Left" and "Right"); a
// layout without them, or with damaged ones, leaves the tabs as they are. Storing and applying
// a layout are the frame's part (FrameBars.h); this file keeps the record,
// the slots and their menu texts.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "app/WindowRect.h"
#include "pane/TabSettings.h"

class ProfileStore;

inline constexpr int kLayoutCount = 3;
inline constexpr int kLayoutHeaderSize = 156;
inline constexpr int kLayoutVersion = 1;
/// A dock state must be shorter than this.
inline constexpr int kMaxDockStateSize = 4096;
/// The longest name, in bytes of its UTF-8 form.
inline constexpr int kMaxLayoutName = 31;

/// "Layout n" for n = 1..3.
QString LayoutSection(int number);

/// The placement of the main window as the record keeps it (44 bytes):
/// length, flags, show state, minimised and maximised positions (unused
/// here, -1) and the normal rectangle.
struct LayoutPlacement {
    static constexpr std::int32_t kShowNormal = 1;
    static constexpr std::int32_t kShowMaximized = 3;

    std::int32_t length = 44;
    std::int32_t flags = 0;
    std::int32_t show = kShowNormal;
    std::int32_t minX = -1, minY = -1, maxX = -1, maxY = -1;
    WindowRect normal;
    friend bool operator==(const LayoutPlacement&, const LayoutPlacement&) = default;
};

/// The "InfoHeader" record.
struct LayoutRecord {
    std::int32_t version = kLayoutVersion;        // offset 0
    std::int32_t screenWidth = 0;                 // 4
    std::int32_t screenHeight = 0;                // 8
    QString name;                                 // 12, 32 bytes, zero-terminated
    std::int32_t firstPaneSize = 0;               // 44
    std::int32_t leftViewStyle = 0;               // 48, an ID_VIEW_STYLE_* command
    std::int32_t rightViewStyle = 0;              // 52
    LayoutPlacement placement;                    // 56, 44 bytes
    std::array<std::int32_t, 6> treeBarSizes{};   // 100: floating, horizontal, vertical
    std::array<std::int32_t, 6> thumbBarSizes{};  // 124
    std::int32_t dockStateLength = 0;             // 148
    std::int32_t reserved = 0;                    // 152, ignored on reading
    friend bool operator==(const LayoutRecord&, const LayoutRecord&) = default;
};

/// The record's 156 bytes. The name is cut to 31 bytes at a character
/// boundary.
QByteArray EncodeLayoutRecord(const LayoutRecord& record);
/// The record of 156 bytes of version 1 with a non-zero dock-state length;
/// nullopt for anything else.
std::optional<LayoutRecord> DecodeLayoutRecord(const QByteArray& bytes);

/// One stored layout.
struct LayoutSlot {
    LayoutRecord record;
    QByteArray dockState;
    /// The panes' tabs when the layout was stored; none for older layouts.
    std::optional<TabSetRecord> leftTabs;
    std::optional<TabSetRecord> rightTabs;
};

class StoredLayouts {
public:
    /// LoadLayouts: fills each slot whose entries are sound, leaves the
    /// others empty.
    void Load(const ProfileStore& store);
    /// SaveLayouts: writes every filled slot ("InfoHeader", then, only when
    /// that succeeded, "DockState"); empty slots leave their sections alone.
    void Save(ProfileStore& store) const;

    /// Slot `number` (1..3), or null when it is empty or out of range.
    const LayoutSlot* Slot(int number) const;
    /// Fills slot `number` (1..3), replacing what it held.
    void Set(int number, LayoutSlot slot);
    /// Empties every slot.
    void Clear();

    /// The menu text of slot `number`: "&%d: %s\tCtrl+%d" for a stored
    /// layout, "(press Ctrl+Shift+%d to define)" for an empty one, with the
    /// digit keys 7 to 9.
    QString MenuText(int number) const;

private:
    std::array<std::optional<LayoutSlot>, kLayoutCount> m_slots;
};

#pragma once
// The bits of the general setting "lvsExtendedStyle" that the pane lists
// (and any list built from their pieces) give a meaning to. The other bits
// are ignored.

namespace ListExtendedStyle {

inline constexpr int kGridLines = 0x1;          // details: lines between cells
inline constexpr int kHeaderDragDrop = 0x10;    // details: movable columns
inline constexpr int kFullRowSelect = 0x20;     // details: every cell of a selected row lit
inline constexpr int kOneClickActivate = 0x40;  // a click activates a row
inline constexpr int kTwoClickActivate = 0x80;  // a click on a selected row activates it
inline constexpr int kInfoTip = 0x400;          // the item's description as a tooltip
inline constexpr int kUnderlineHot = 0x800;     // with 0x40 / 0x80: the hovered label
inline constexpr int kUnderlineCold = 0x1000;   // with 0x40 / 0x80: the other labels
inline constexpr int kLabelTip = 0x4000;        // the full text of an elided label

}  // namespace ListExtendedStyle

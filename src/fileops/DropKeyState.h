#pragma once
// What a drag event says about the keys and buttons behind it, for the
// drop targets of the panes and of the tree.

#include <QDropEvent>
#include <QMimeData>
#include <cstdint>

#include "fileops/TransferFormats.h"
#include "platform/namespace/ShellFolder.h"

/// A drag with the right button held, or one a pane started with it (the
/// button may be up by the time the event comes).
inline bool IsRightButtonDrag(const QDropEvent& event) {
    return (event.buttons() & Qt::RightButton) ||
           (event.mimeData() && event.mimeData()->hasFormat(kRightButtonDragFormat));
}

/// The key state (MK_ bits) of a drag event; a right-button drag keeps
/// MK_RBUTTON to its end.
inline std::uint32_t DropKeyState(const QDropEvent& event) {
    std::uint32_t keyState = KeyStateOf(event.buttons(), event.modifiers());
    if (IsRightButtonDrag(event))
        keyState |= MK_RBUTTON;
    return keyState;
}

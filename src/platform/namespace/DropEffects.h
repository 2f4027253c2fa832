#pragma once
// Drop effects and Qt's drop actions: the DROPEFFECT_ bits every transfer
// carries, as the drag-and-drop code of the panes and the tree hands them
// to Qt and back.

#include <Qt>
#include <cstdint>

#include "platform/namespace/ShellFolder.h"

/// The drop effects of Qt's drop actions: copy, move and link each to its
/// DROPEFFECT_ bit; other actions to none.
inline std::uint32_t EffectsOf(Qt::DropActions actions) {
    std::uint32_t effects = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction)
        effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction)
        effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction)
        effects |= DROPEFFECT_LINK;
    return effects;
}

/// The Qt drop action of one drop effect; Qt::IgnoreAction for none, for
/// an unknown value and for a combination of effects (a target that chose
/// gives exactly one).
inline Qt::DropAction ActionOf(std::uint32_t effect) {
    switch (effect) {
        case DROPEFFECT_COPY:
            return Qt::CopyAction;
        case DROPEFFECT_MOVE:
            return Qt::MoveAction;
        case DROPEFFECT_LINK:
            return Qt::LinkAction;
        default:
            return Qt::IgnoreAction;
    }
}

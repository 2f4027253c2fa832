#include "pane/PaneTransferHooks.h"

namespace {

PaneTransferHooks*& Slot() {
    static PaneTransferHooks* hooks = nullptr;
    return hooks;
}

}  // namespace

PaneTransferHooks* TransferHooks() {
    return Slot();
}

PaneTransferHooks* SetPaneTransferHooks(PaneTransferHooks* hooks) {
    PaneTransferHooks* previous = Slot();
    Slot() = hooks;
    return previous;
}

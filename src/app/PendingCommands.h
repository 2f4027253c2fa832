#pragma once
// The commands of the command table that this build shows but cannot carry
// out yet, each with the reason. The main frame claims them as disabled
// after every other target had its turn, so no menu item, key or toolbar
// button pretends to work; the status bar shows the reason while such an
// item is highlighted.
//
// A command leaves this list the moment its owner handles it; a test makes
// sure no listed command is also handled somewhere.

#include <QList>
#include <QString>
#include <optional>

/// The reason command `id` is not available in this build; nullopt when it
/// is not pending (it works, or the main window has no such command).
std::optional<QString> PendingReason(int id);

/// Every pending command id, ascending.
QList<int> PendingCommandIds();

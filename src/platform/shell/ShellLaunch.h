#pragma once
// Opening an item with its default action (`ShellExecuteEx`, default verb).

#include <functional>

#include "platform/shell/IdList.h"

/// Opens the item named by the absolute id list with its default action:
/// an executable runs, a desktop entry starts its application, anything
/// else opens with its default application. True only when the start is
/// known to have succeeded. May run on any thread (it touches no widget).
bool ShellLaunch(const IdList& absolute);

/// Replaces ShellLaunch for tests; an empty function restores the real one.
void SetShellLaunchHook(std::function<bool(const IdList&)> hook);

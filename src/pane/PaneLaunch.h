#pragma once
// Launching an item in the background: opening a file with its default
// action can take seconds (an application starting, a slow volume), so it
// runs on a short-lived thread of its own and the pane stays responsive.

#include "platform/shell/IdList.h"

/// Starts a detached thread that runs ShellLaunch(absolute) and then frees
/// the id list. The thread shares nothing with the caller but the list it
/// owns, reports nothing back (a failure shows only as the desktop's own
/// behaviour) and may outlive the pane. Several launches may run at once.
/// False when no thread could be started (nothing was launched).
bool LaunchInBackground(IdList absolute);

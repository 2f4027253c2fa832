#pragma once
// Launching an item in the background: opening a file with its default
// action can take seconds (an application starting, a slow volume), so it
// runs on a short-lived thread of its own and the pane stays responsive.

#include <QString>
#include <functional>

#include "platform/namespace/IdList.h"

/// Starts a detached thread that runs ShellLaunch(absolute) and then frees
/// the id list. The thread shares nothing with the caller but the list it
/// owns, reports nothing back (a failure shows only as the desktop's own
/// behaviour) and may outlive the pane. Several launches may run at once.
/// False when no thread could be started (nothing was launched).
bool LaunchInBackground(IdList absolute);

/// Opens an entry of a self-describing folder (an archive) on a detached
/// thread, by its folder's default menu command: the entry is unpacked to
/// a private temporary copy (which can take a while deep in a compressed
/// archive), then opened with its default application. When that fails,
/// `onFailure` runs later on the main thread with the reason (possibly
/// empty). False when no thread could be started.
bool OpenEntryInBackground(IdList absolute, std::function<void(const QString&)> onFailure);

#pragma once
// Launching an item in the background: opening a file with its default
// action can take seconds (an application starting, a slow volume), so it
// runs on a short-lived thread of its own and the pane stays responsive.
// The threads belong to the launch group (platform/thread/ThreadGroup.h),
// which the program waits for when it quits: a launch under way finishes
// before the application is torn down, never after.

#include <QString>
#include <functional>

#include "platform/namespace/IdList.h"
#include "platform/shellui/ShellLaunch.h"

/// Starts a thread of the launch group that runs ShellLaunch(absolute) and
/// then frees the id list. The thread shares nothing with the caller but the
/// list it owns and may outlive the pane, not the application. When the
/// launch fails, `onFailure` (if any) runs later on the main thread with
/// what the launch came to; a program already quitting drops it. Several
/// launches may run at once. False when no thread could be started (nothing
/// was launched).
bool LaunchInBackground(IdList absolute, std::function<void(const LaunchOutcome&)> onFailure = {});

/// Opens an entry of a self-describing folder (an archive) on a thread of
/// the launch group, by its folder's default menu command: the entry is unpacked to
/// a private temporary copy (which can take a while deep in a compressed
/// archive), then opened with its default application. When that fails,
/// `onFailure` runs later on the main thread with the reason (possibly
/// empty); a program already quitting drops it. False when no thread could
/// be started.
bool OpenEntryInBackground(IdList absolute, std::function<void(const QString&)> onFailure);

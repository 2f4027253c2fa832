#pragma once
// Opening an item with its default action (`ShellExecuteEx`, default verb).

#include <QByteArray>
#include <QString>
#include <functional>

#include "platform/namespace/IdList.h"

/// What a launch came to, in words for the user when it failed.
struct LaunchOutcome {
    bool started = false;
    /// Why nothing started ("No application is set to open ..."), or empty
    /// when there is nothing better to say than that it failed.
    QString why;
    /// The file has no default application for its type: the caller may
    /// offer "Open with" instead.
    bool noDefaultApplication = false;
    /// The file-system path that was to be opened (raw bytes), or empty.
    QByteArray path;
};

/// Opens the item named by the absolute id list with its default action:
/// an executable runs, a desktop entry starts its application, anything
/// else opens with its default application. True only when the start is
/// known to have succeeded. May run on any thread (it touches no widget).
/// An item whose parsing name is no existing file (an archive entry) is
/// opened by its folder's default menu command.
bool ShellLaunch(const IdList& absolute);
/// As ShellLaunch, and says why when nothing started.
LaunchOutcome ShellLaunchWithReason(const IdList& absolute);

class QString;
class ShellFolder;
/// Carries out the default command of `item`'s context menu in `parent`
/// (the first command when none is marked default), with no window. False
/// when there is no menu or it failed; `errorText`, when given, then holds
/// what the menu had to say (possibly nothing). Widget-free.
bool InvokeDefaultCommand(ShellFolder& parent, const IdList& item, QString* errorText);

/// Replaces ShellLaunch for tests; an empty function restores the real one.
void SetShellLaunchHook(std::function<bool(const IdList&)> hook);

#include <QByteArray>

/// The steps of ShellLaunch for a file-system path (raw bytes, absolute): an
/// executable regular file (run permission, and an ELF or "#!" header) runs
/// detached in its folder; a ".desktop" file starts its application; anything
/// else opens with its type's default application. False when the path does
/// not exist or nothing could be started. Any thread.
bool ShellLaunchPath(const QByteArray& path);
/// As ShellLaunchPath, and says why when nothing started: a missing file, no
/// application for the type, or the application's own failure (one that
/// needs a terminal when none is installed, a program that cannot run).
LaunchOutcome ShellLaunchPathWithReason(const QByteArray& path);
/// Starts the application of a desktop entry file; false when the file is not
/// a valid application entry or the start failed. Any thread.
bool ShellLaunchDesktopFile(const QByteArray& path);
/// Starts the application of an installed desktop entry by its id
/// ("org.example.App.desktop"). Any thread.
bool ShellLaunchDesktopId(const QByteArray& desktopId);
/// Opens the file with its content type's default application. Any thread.
bool ShellOpenWithDefault(const QByteArray& path);
/// As ShellOpenWithDefault, and says why when nothing started.
LaunchOutcome ShellOpenWithDefaultWithReason(const QByteArray& path);

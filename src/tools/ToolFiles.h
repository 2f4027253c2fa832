#pragma once
// Writing the files the tools make for the user (the listing, the batch
// script, a saved script) and starting a script in a terminal.
//
// WriteFileReplacing never writes through what lies at the path: the bytes
// go to a new file created exclusively beside it (O_EXCL, so a planted
// file or link is never followed), which is then renamed over the path. A
// symbolic link planted under the name is replaced, not written through;
// a reader sees the old file or the whole new one, never a part.

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

/// Writes `bytes` as the file `path` (raw name bytes through NameToBytes)
/// with `mode` (before the umask); false, with nothing left behind, on any
/// failure.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes, mode_t mode);

/// The terminal emulator that runs scripts: $TERMINAL when set and found,
/// else the first of x-terminal-emulator, konsole, gnome-terminal,
/// xfce4-terminal and xterm on PATH; nullopt when there is none.
std::optional<QString> FindTerminal();

/// The argument vector that makes `terminal` run `script` with /bin/sh and
/// wait for Enter before the window closes (gnome-terminal takes "--",
/// xfce4-terminal "-x", the others "-e").
QStringList TerminalScriptArguments(const QString& terminal, const QString& script);

/// Starts `script` in a terminal window in `workingDirectory`, detached, as
/// a console command runs: `consolePreamble` ("szDosCmdPreample", which
/// names the user's terminal; its environment references expanded) with
/// "/bin/sh <script>" appended as one quoted argument. Only when the
/// preamble is empty is a terminal looked for (FindTerminal) and given
/// TerminalScriptArguments. False when no terminal is found or it could
/// not be started.
bool RunScriptInTerminal(const QString& script, const QString& workingDirectory,
                         const QString& consolePreamble = QString());

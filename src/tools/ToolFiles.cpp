#include "tools/ToolFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "platform/process/Launch.h"
#include "platform/process/ShellQuoting.h"

bool WriteFileReplacing(const QString& path, const QByteArray& bytes, mode_t mode) {
    const QByteArray target = NameToBytes(path);
    QByteArray temporary = target + ".XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd)
        return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd.get(), mode & ~mask) == 0 && WriteAll(fd.get(), bytes);
    ok = fd.Close() == 0 && ok;
    if (ok && ::rename(temporary.constData(), target.constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}

std::optional<QString> FindTerminal() {
    const QString chosen = qEnvironmentVariable("TERMINAL");
    if (!chosen.isEmpty()) {
        if (std::optional<QString> path = FindProgramOnPath(chosen))
            return path;
    }
    for (const char* name :
         {"x-terminal-emulator", "konsole", "gnome-terminal", "xfce4-terminal", "xterm"}) {
        if (std::optional<QString> path = FindProgramOnPath(QString::fromLatin1(name)))
            return path;
    }
    return std::nullopt;
}

QStringList TerminalScriptArguments(const QString& terminal, const QString& script) {
    const QString name = terminal.section(u'/', -1);
    const QString runFlag = name == QStringLiteral("gnome-terminal")   ? QStringLiteral("--")
                            : name == QStringLiteral("xfce4-terminal") ? QStringLiteral("-x")
                                                                       : QStringLiteral("-e");
    // The script runs through /bin/sh, so a temporary folder mounted
    // noexec does not stop it; the window stays until the user has read it.
    return {terminal,
            runFlag,
            QStringLiteral("/bin/sh"),
            QStringLiteral("-c"),
            QStringLiteral("/bin/sh \"$1\"; printf '\\n%s' 'Press Enter to close '; read _"),
            QStringLiteral("sh"),
            script};
}

bool RunScriptInTerminal(const QString& script, const QString& workingDirectory,
                         const QString& consolePreamble) {
    // Like every console command: the preamble, then the command as one
    // quoted argument for the terminal's shell. The script runs through
    // /bin/sh, so a temporary folder mounted noexec does not stop it.
    const QString preamble = ExpandTypedCommandLine(consolePreamble);
    if (!preamble.trimmed().isEmpty()) {
        const QString command = QStringLiteral("/bin/sh ") + ShellQuoteWord(script);
        return StartCommandLine(preamble + ShellQuoteWord(command), workingDirectory);
    }
    const std::optional<QString> terminal = FindTerminal();
    if (!terminal)
        return false;
    return StartDetachedProcess(*terminal, TerminalScriptArguments(*terminal, script),
                                workingDirectory);
}

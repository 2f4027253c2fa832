#include "app/CommandRunner.h"

#include <QFile>
#include <algorithm>
#include <vector>

#include "platform/fs/XdgDirs.h"
#include "platform/namespace/NameCodec.h"
#include "platform/process/Launch.h"
#include "platform/process/ShellQuoting.h"
#include "platform/shellui/ShellLaunch.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/WaitCursor.h"
#include "shell/Notice.h"
#include "shell/PathHelpers.h"

namespace {

const QString kMainFrameSettings = QStringLiteral("MainFrame Settings");

// The terminal's shell runs the command given as its first argument, then
// stays open as the user's interactive shell, as the interpreter of a
// console window stays open after its command.
const QString kStayOpenShell =
    QStringLiteral("sh -c 'eval \"$1\"; exec \"${SHELL:-/bin/sh}\"' corvane ");

// How a terminal is told which program to run.
QString RunOptionOf(const QString& terminal) {
    const QString name = PathNamePart(terminal);
    if (name == QLatin1String("gnome-terminal"))
        return QStringLiteral("--");
    if (name == QLatin1String("xfce4-terminal"))
        return QStringLiteral("-x");
    return QStringLiteral("-e");
}

QString TerminalPreamble(const QString& terminal) {
    return ShellQuoteIfNeeded(terminal) + u' ' + RunOptionOf(terminal) + u' ' + kStayOpenShell;
}

QString Trimmed(const QString& text) {
    return text.trimmed();
}

// The Exec line's field codes stand for files and URLs the desktop would
// pass; the runner passes its own arguments instead.
QString WithoutFieldCodes(const QString& exec) {
    QString result;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec.at(i) == u'%' && i + 1 < exec.size()) {
            const QChar code = exec.at(i + 1);
            ++i;
            if (code == u'%')
                result.append(u'%');
            continue;
        }
        result.append(exec.at(i));
    }
    return result.simplified();
}

std::optional<QString> ExecLineOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return WithoutFieldCodes(line.mid(5));
    }
    return std::nullopt;
}

}  // namespace

QString ShellQuoteIfNeeded(const QString& value) {
    return ShellQuoteWord(value);
}

QString ReplaceMacros(const QString& text, const MacroValues& values, bool* refused) {
    // The macros are two characters each and cannot overlap, so one pass
    // from the left finds the same places as replacing them one after the
    // other over the typed text.
    const auto valueOf = [&values](QChar code) -> const QString* {
        switch (code.unicode()) {
            case 'L':
                return &values.left;
            case 'R':
                return &values.right;
            case 'N':
                return values.focusedName ? &*values.focusedName : nullptr;
            case 'P':
                return &values.active;
            case 'I':
                return &values.inactive;
            default:
                return nullptr;
        }
    };
    QString result;
    result.reserve(text.size());
    ShellContextScanner scanner;
    bool anyRefused = false;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) == u'$' && i + 1 < text.size()) {
            if (const QString* value = valueOf(text.at(i + 1))) {
                if (const std::optional<QString> word = scanner.Quote(*value)) {
                    result += *word;
                    scanner.NoteValue();
                    i += 2;
                    continue;
                }
                anyRefused = true;
            }
        }
        const qsizetype used = scanner.Advance(text, i);
        result += QStringView(text).mid(i, used);
        i += used;
    }
    if (refused)
        *refused = anyRefused;
    return result;
}

QString DefaultShellCommandPreamble() {
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TERMINAL").trimmed();
    if (!fromEnvironment.isEmpty())
        candidates.append(fromEnvironment);
    candidates << QStringLiteral("x-terminal-emulator") << QStringLiteral("konsole")
               << QStringLiteral("gnome-terminal") << QStringLiteral("xfce4-terminal")
               << QStringLiteral("xterm");
    for (const QString& candidate : candidates) {
        if (FindProgramOnPath(candidate))
            return TerminalPreamble(candidate);
    }
    return TerminalPreamble(QStringLiteral("xterm"));
}

std::optional<QString> DesktopEntryCommand(const QString& name) {
    if (name.isEmpty() || name.contains(u'/'))
        return std::nullopt;
    const QString fileName =
        name.endsWith(QLatin1String(".desktop")) ? name : name + QStringLiteral(".desktop");
    QList<QByteArray> roots{XdgDataHome()};
    roots.append(XdgDataDirs());
    for (const QByteArray& root : roots) {
        const QString path = NameFromBytes(root) + QStringLiteral("/applications/") + fileName;
        if (std::optional<QString> exec = ExecLineOf(path))
            return exec;
    }
    return std::nullopt;
}

// -- CommandRunner ------------------------------------------------------------------

CommandRunner::CommandRunner() {
    SetLauncher(nullptr);
    SetOpener(nullptr);
}

void CommandRunner::SetLauncher(Launcher launcher) {
    if (launcher) {
        m_launch = std::move(launcher);
        return;
    }
    m_launch = [](const QString& commandLine, const QString& folder) {
        return StartCommandLine(commandLine, folder);
    };
}

void CommandRunner::SetOpener(Opener opener) {
    if (opener) {
        m_open = std::move(opener);
        return;
    }
    m_open = [](const QString& path) { return ShellLaunchPath(NameToBytes(path)); };
}

void CommandRunner::Load(ProfileStore& store, int maximum) {
    using namespace CommandRunnerKeys;
    // The terminal is looked for only when the store names none yet: the
    // user's choice, once written, is never replaced.
    m_dosPreamble = store.HasEntry(kMainFrameSettings, kDosPreamble)
                        ? store.GetProfileString(kMainFrameSettings, kDosPreamble)
                        : DefaultShellCommandPreamble();
    m_shellPreamble = store.GetProfileString(kMainFrameSettings, kShellPreamble);
    store.WriteProfileString(kMainFrameSettings, kDosPreamble, m_dosPreamble);
    store.WriteProfileString(kMainFrameSettings, kShellPreamble, m_shellPreamble);
    m_history.Load(maximum, store, kHistorySection);
}

void CommandRunner::SaveHistory(ProfileStore& store, int maximum) const {
    m_history.Save(maximum, store, CommandRunnerKeys::kHistorySection);
}

bool CommandRunner::RunCommandText(const QString& text, const MacroValues& values,
                                   const QString& folder, int maximum) {
    // Only ">" and "$" lines run; any other text fails.
    const WaitCursor wait;
    const bool shell = text.startsWith(u'$');
    bool launched = false;
    if (shell || text.startsWith(u'>')) {
        // The environment is expanded in what the user typed,
        // before any name goes in. The "$" command goes to the terminal's
        // shell as one argument; quoting happens after the macros so that
        // their quoted values stay quoted inside it.
        const QString command = ExpandTypedCommandLine(Trimmed(text.mid(1)));
        bool refused = false;
        const QString expanded = ReplaceMacros(command, values, &refused);
        if (refused) {
            Notice(kUnsafeMacroPlace, true);
            return false;
        }
        // "$" behind its preamble as one argument; ">" behind the shell preamble, if any.
        if (shell) {
            const QString preamble = ExpandTypedCommandLine(m_dosPreamble);
            const QString line =
                expanded.isEmpty() ? preamble : preamble + ShellQuoteIfNeeded(expanded);
            launched = m_launch(line, folder);
        } else if (m_shellPreamble.isEmpty()) {
            launched = RunShellCommand(expanded, folder);
        } else {
            launched = m_launch(ExpandTypedCommandLine(m_shellPreamble) + expanded, folder);
        }
    }
    // A launched command goes to the history.
    if (launched)
        m_history.Add(maximum, text);
    else
        Notice(kCannotExecute, true);
    return launched;
}

bool CommandRunner::RunShellCommand(const QString& commandLine, const QString& folder) {
    // As typed first.
    bool result = m_launch(commandLine, folder);
    if (result)
        return true;

    // The program and its arguments.
    QString program;
    QString arguments;
    if (commandLine.startsWith(u'"')) {
        const qsizetype close = commandLine.indexOf(u'"', 1);
        if (close < 0)
            return false;
        program = commandLine.mid(1, close - 1);
        arguments = commandLine.mid(close + 1).trimmed();
    } else {
        const qsizetype blank = commandLine.indexOf(u' ');
        program = blank < 0 ? commandLine : commandLine.left(blank);
        arguments = blank < 0 ? QString() : commandLine.mid(blank + 1).trimmed();
    }
    if (program.isEmpty())
        return false;

    // A program alone may be a document to open.
    if (arguments.isEmpty()) {
        const QString path =
            program.startsWith(u'/') || folder.isEmpty() ? program : PathJoin(folder, program);
        result = m_open(path);
        if (result)
            return true;
    }

    // A bare name may be a desktop entry's.
    if (program.contains(u'/'))
        return result;
    const std::optional<QString> exec = DesktopEntryCommand(program);
    if (!exec || exec->isEmpty())
        return result;
    QString launcher;
    if (exec->startsWith(u'"')) {
        const qsizetype close = exec->indexOf(u'"', 1);
        if (close <= 1)
            return false;
        launcher = exec->left(close + 1);
    } else {
        const qsizetype blank = exec->indexOf(u' ');
        launcher = blank < 0 ? *exec : exec->left(blank);
    }
    if (!arguments.isEmpty())
        launcher += u' ' + arguments;
    // The entry's command.
    return m_launch(launcher, folder);
}

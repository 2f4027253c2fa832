#include "platform/process/Launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

namespace {

std::optional<QString> EnvironmentValue(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('=')))
        return std::nullopt;
    const QByteArray key = NameToBytes(name);
    if (!qEnvironmentVariableIsSet(key.constData()))
        return std::nullopt;
    return NameFromBytes(qgetenv(key.constData()));
}

bool IsSeparator(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// The characters a backslash escapes inside double quotes.
bool IsDoubleQuoteEscape(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('$') ||
           c == QLatin1Char('`');
}

bool IsExecutableFile(const QByteArray& path) {
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.constData(), X_OK) == 0;
}

QByteArray CurrentDirectory() {
    QByteArray buffer(4096, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), size_t(buffer.size())) != nullptr)
            return QByteArray(buffer.constData());
        if (errno != ERANGE)
            return QByteArray(".");
        buffer.resize(buffer.size() * 2);
    }
}

QByteArray JoinPath(const QByteArray& folder, const QByteArray& name) {
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

QByteArray SystemDefaultPath() {
    const size_t size = ::confstr(_CS_PATH, nullptr, 0);
    if (size == 0)
        return QByteArrayLiteral("/usr/local/bin:/usr/bin:/bin");
    QByteArray path(qsizetype(size), '\0');
    ::confstr(_CS_PATH, path.data(), size);
    return QByteArray(path.constData());
}

// Reports the errno value of a failed step of the child to the parent. Only
// async-signal-safe calls may follow a fork in a threaded program.
[[noreturn]] void ChildFailed(int reportFd) {
    const int error = errno;
    while (::write(reportFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

}  // namespace

QString ExpandEnvironmentStrings(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('%'), at);
        if (open < 0) {
            out += QStringView(text).mid(at);
            break;
        }
        out += QStringView(text).mid(at, open - at);
        const qsizetype close = text.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0) {
            out += QStringView(text).mid(open);
            break;
        }
        if (const auto value = EnvironmentValue(text.mid(open + 1, close - open - 1))) {
            out += *value;
            at = close + 1;
        } else {
            // Keep "%NAME" as typed; its closing "%" may open the next name.
            out += QStringView(text).mid(open, close - open);
            at = close;
        }
    }
    return out;
}

std::optional<QStringList> SplitCommandLine(const QString& commandLine) {
    const QChar backslash = QLatin1Char('\\');
    const QChar lineFeed = QLatin1Char('\n');
    QStringList arguments;
    QString current;
    bool inArgument = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine[i];
        if (IsSeparator(c)) {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else if (c == QLatin1Char('\'')) {
            const qsizetype close = commandLine.indexOf(QLatin1Char('\''), i + 1);
            if (close < 0)
                return std::nullopt;
            current += QStringView(commandLine).mid(i + 1, close - i - 1);
            inArgument = true;
            i = close;
        } else if (c == QLatin1Char('"')) {
            inArgument = true;
            for (++i;; ++i) {
                if (i >= n)
                    return std::nullopt;
                const QChar d = commandLine[i];
                if (d == QLatin1Char('"'))
                    break;
                if (d == backslash && i + 1 < n &&
                    (IsDoubleQuoteEscape(commandLine[i + 1]) || commandLine[i + 1] == lineFeed)) {
                    ++i;
                    if (commandLine[i] != lineFeed)
                        current += commandLine[i];
                } else {
                    current += d;
                }
            }
        } else if (c == backslash) {
            if (i + 1 == n) {
                current += backslash;
                inArgument = true;
            } else if (commandLine[i + 1] == lineFeed) {
                ++i;  // a line continuation: neither text nor a separator
            } else {
                current += commandLine[++i];
                inArgument = true;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.append(current);
    return arguments;
}

std::optional<QString> FindProgramOnPath(const QString& name, const QString& baseDirectory) {
    if (name.isEmpty())
        return std::nullopt;
    const QByteArray base =
        baseDirectory.isEmpty() ? CurrentDirectory() : NameToBytes(baseDirectory);
    const QByteArray nameBytes = NameToBytes(name);
    const auto absolute = [&base](const QByteArray& path) {
        return path.startsWith('/') ? path : JoinPath(base, path);
    };

    if (nameBytes.contains('/')) {
        const QByteArray path = absolute(nameBytes);
        if (IsExecutableFile(path))
            return NameFromBytes(path);
        return std::nullopt;
    }

    const QByteArray searchPath =
        qEnvironmentVariableIsSet("PATH") ? qgetenv("PATH") : SystemDefaultPath();
    for (const QByteArray& folder : searchPath.split(':')) {
        const QByteArray candidate =
            folder.isEmpty() ? JoinPath(base, nameBytes) : JoinPath(absolute(folder), nameBytes);
        if (IsExecutableFile(candidate))
            return NameFromBytes(candidate);
    }
    return std::nullopt;
}

bool StartDetachedProcess(const QString& programPath, const QStringList& argv,
                          const QString& workingDirectory, int* errorNumber) {
    const auto fail = [errorNumber](int error) {
        if (errorNumber)
            *errorNumber = error;
        return false;
    };
    if (programPath.isEmpty())
        return fail(ENOENT);

    // Everything the child needs is made before the fork: after it, only
    // async-signal-safe calls are allowed.
    const QByteArray program = NameToBytes(programPath);
    const QByteArray folder = NameToBytes(workingDirectory);
    std::vector<QByteArray> argumentBytes;
    argumentBytes.reserve(size_t(argv.size()) + 1);
    for (const QString& argument : argv) argumentBytes.push_back(NameToBytes(argument));
    if (argumentBytes.empty())
        argumentBytes.push_back(program);
    std::vector<char*> arguments;
    for (QByteArray& bytes : argumentBytes) arguments.push_back(bytes.data());
    arguments.push_back(nullptr);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    struct sigaction defaultAction;
    std::memset(&defaultAction, 0, sizeof defaultAction);
    defaultAction.sa_handler = SIG_DFL;

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return fail(errno);
    // Owned here in the parent; the children never return, so they close
    // what they must by hand and leave the owners alone.
    UniqueFd readEnd(report[0]);
    UniqueFd writeEnd(report[1]);

    // Fork twice, so that the program is re-parented at once and we never
    // have to reap it; the middle process only lives for the second fork.
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t program_pid = ::fork();
        if (program_pid < 0)
            ChildFailed(report[1]);
        if (program_pid > 0)
            ::_exit(0);

        // The program gets the default signal handling, whatever ours is.
        ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &defaultAction, nullptr);
        if (!folder.isEmpty() && ::chdir(folder.constData()) != 0)
            ChildFailed(report[1]);
        // Descriptors opened without close-on-exec by other threads must not
        // leak into the program.
        if (report[1] > 3)
            ::close_range(3, unsigned(report[1]) - 1, 0);
        ::close_range(unsigned(report[1]) + 1, ~0U, 0);
        ::execve(program.constData(), arguments.data(), environ);
        ChildFailed(report[1]);
    }
    writeEnd.reset();
    if (middle < 0)
        return fail(errno);

    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes when the program has been executed (close-on-exec) or
    // after a failed step has written its errno value.
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(readEnd.get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    readEnd.reset();
    if (got == ssize_t(sizeof childError))
        return fail(childError);
    if (got != 0)
        return fail(EIO);
    return true;
}

QString ExpandTypedCommandLine(const QString& typed) {
    if (!typed.contains(QLatin1Char('%')))
        return typed;
    const QString expanded = ExpandEnvironmentStrings(typed);
    return expanded.size() <= kExpandedCommandLineLimit ? expanded : typed;
}

bool StartCommandLine(const QString& commandLine, const QString& workingDirectory,
                      QString* failure) {
    const auto fail = [failure](const QString& why) {
        if (failure)
            *failure = why;
        return false;
    };

    const std::optional<QStringList> arguments = SplitCommandLine(commandLine);
    if (!arguments)
        return fail(QStringLiteral("A quote is not closed"));
    if (arguments->isEmpty() || arguments->front().isEmpty())
        return fail(QStringLiteral("No program is named"));

    const std::optional<QString> program = FindProgramOnPath(arguments->front(), workingDirectory);
    if (!program)
        return fail(QStringLiteral("Program not found: %1").arg(arguments->front()));

    int error = 0;
    if (!StartDetachedProcess(*program, *arguments, workingDirectory, &error))
        return fail(QString::fromLocal8Bit(std::strerror(error)));
    return true;
}

bool LaunchCommandLine(const QString& commandLine, const QString& workingDirectory,
                       QString* failure) {
    return StartCommandLine(ExpandTypedCommandLine(commandLine), workingDirectory, failure);
}

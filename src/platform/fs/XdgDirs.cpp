#include "platform/fs/XdgDirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdlib>

#include "platform/namespace/NameCodec.h"

namespace {

QByteArray StripTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}

QByteArray AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    return StripTrailingSlashes(QByteArray(value));
}

// Undoes the shell quoting xdg-user-dirs writes: backslash escapes inside a
// double-quoted value.
QByteArray UnquoteValue(QByteArray value) {
    value = value.trimmed();
    if (value.size() < 2 || !value.startsWith('"'))
        return {};
    QByteArray out;
    for (qsizetype i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            out += value[++i];
        } else if (c == '"') {
            return out;
        } else {
            out += c;
        }
    }
    return {};  // no closing quote
}

}  // namespace

QByteArray XdgHomeDir() {
    QByteArray home = AbsoluteEnv("HOME");
    if (!home.isEmpty())
        return home;
    struct passwd pw;
    struct passwd* result = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result && pw.pw_dir &&
        pw.pw_dir[0] == '/') {
        return StripTrailingSlashes(QByteArray(pw.pw_dir));
    }
    return "/";
}

QByteArray XdgDataHome() {
    QByteArray dir = AbsoluteEnv("XDG_DATA_HOME");
    return dir.isEmpty() ? XdgHomeDir() + "/.local/share" : dir;
}

QByteArray XdgConfigHome() {
    QByteArray dir = AbsoluteEnv("XDG_CONFIG_HOME");
    return dir.isEmpty() ? XdgHomeDir() + "/.config" : dir;
}

QList<QByteArray> XdgDataDirs() {
    QList<QByteArray> dirs;
    if (const char* value = std::getenv("XDG_DATA_DIRS")) {
        for (const QByteArray& part : QByteArray(value).split(':')) {
            if (part.startsWith('/'))
                dirs.append(StripTrailingSlashes(part));
        }
    }
    if (dirs.isEmpty())
        dirs = {"/usr/local/share", "/usr/share"};
    return dirs;
}

QByteArray XdgUserDirFromConfig(const QByteArray& key) {
    QFile file(QString::fromLocal8Bit(XdgConfigHome() + "/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray wanted = "XDG_" + key + "_DIR";
    QByteArray found;
    const QByteArray home = XdgHomeDir();
    for (const QByteArray& rawLine : file.readAll().split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || line.left(eq).trimmed() != wanted)
            continue;
        QByteArray value = UnquoteValue(line.mid(eq + 1));
        if (value.startsWith("$HOME/")) {
            value = home + value.mid(5);
        } else if (value == "$HOME") {
            value = home;
        } else if (!value.startsWith('/')) {
            continue;
        }
        found = StripTrailingSlashes(value);  // the last assignment wins, as in a shell
    }
    return found;
}

QByteArray XdgUserDir(const QByteArray& key, const QByteArray& fallbackName) {
    QByteArray dir = XdgUserDirFromConfig(key);
    if (!dir.isEmpty())
        return dir;
    const QByteArray home = XdgHomeDir();
    return home == "/" ? "/" + fallbackName : home + "/" + fallbackName;
}

bool MakePathBytes(const QByteArray& path, unsigned mode) {
    if (path.isEmpty())
        return false;
    struct stat st;
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !MakePathBytes(path.left(slash), mode))
        return false;
    if (::mkdir(path.constData(), mode) == 0)
        return true;
    return errno == EEXIST && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool XdgUserDirSwitchedOff(const QByteArray& dir) {
    return dir == XdgHomeDir();
}

QString HomeDirectory() {
    return NameFromBytes(XdgHomeDir());
}

QString DesktopDirectory() {
    const QByteArray desktop = XdgUserDir("DESKTOP", "Desktop");
    struct stat st;
    if (::stat(desktop.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return NameFromBytes(desktop);
    return HomeDirectory();
}

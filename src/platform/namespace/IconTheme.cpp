#include "platform/namespace/IconTheme.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>

namespace {

const char* const kPreferredThemes[] = {"Adwaita", "breeze", "gnome", "oxygen", "hicolor"};

bool ThemeInstalled(const QString& theme, const QStringList& folders) {
    if (theme.isEmpty())
        return false;
    for (const QString& folder : folders) {
        if (QFileInfo::exists(folder + QLatin1Char('/') + theme + QStringLiteral("/index.theme")))
            return true;
    }
    return false;
}

}  // namespace

QStringList XdgIconFolders() {
    QStringList folders;
    const QString home = QDir::homePath();
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = home + QStringLiteral("/.local/share");
    folders << dataHome + QStringLiteral("/icons") << home + QStringLiteral("/.icons");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/icons");
    folders << QStringLiteral("/usr/share/pixmaps");
    folders.removeDuplicates();
    return folders;
}

QString FirstInstalledTheme(const QStringList& preferred, const QStringList& folders) {
    for (const QString& theme : preferred) {
        if (ThemeInstalled(theme, folders))
            return theme;
    }
    return {};
}

void EnsureIconTheme() {
    QStringList paths = QIcon::themeSearchPaths();
    bool added = false;
    for (const QString& folder : XdgIconFolders()) {
        if (!paths.contains(folder) && QFileInfo(folder).isDir()) {
            paths << folder;
            added = true;
        }
    }
    if (added)
        QIcon::setThemeSearchPaths(paths);

    // hicolor alone holds application icons, hardly any mime types, so it
    // counts as no theme when a fuller one is installed.
    const QString current = QIcon::themeName();
    if (current.isEmpty() || current == QLatin1String("hicolor") ||
        !ThemeInstalled(current, paths)) {
        QStringList preferred;
        for (const char* name : kPreferredThemes) preferred << QString::fromLatin1(name);
        const QString chosen = FirstInstalledTheme(preferred, paths);
        if (!chosen.isEmpty() && chosen != current)
            QIcon::setThemeName(chosen);
    }
    if (QIcon::fallbackThemeName().isEmpty() && ThemeInstalled(QStringLiteral("hicolor"), paths))
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

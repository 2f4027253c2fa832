#include "pane/TabSettings.h"

#include <sys/stat.h>

#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/PathHelpers.h"
#include "shell/PatternList.h"

namespace {

QString CountKey(const QString& prefix) {
    return QStringLiteral("n%1Tabs").arg(prefix);
}
QString CurrentKey(const QString& prefix) {
    return QStringLiteral("n%1CurrentTab").arg(prefix);
}
QString TabKey(const char* type, const QString& prefix, const char* name, int number) {
    return QStringLiteral("%1%2Tab%3%4")
        .arg(QLatin1String(type), prefix, QLatin1String(name))
        .arg(number);
}

bool IsFolder(const QString& path) {
    struct stat info {};
    return ::stat(NameToBytes(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::optional<TabSetRecord> ReadTabSet(const ProfileStore& store, const QString& section,
                                       const QString& prefix) {
    const int count = store.GetProfileInt(section, CountKey(prefix), 0);
    if (count < 1 || count > kMaxTabs)
        return std::nullopt;
    TabSetRecord set;
    int current = store.GetProfileInt(section, CurrentKey(prefix), 1) - 1;
    for (int number = 1; number <= count; ++number) {
        TabRecord tab;
        tab.folder =
            store.GetProfileString(section, TabKey("sz", prefix, "Folder", number)).trimmed();
        if (tab.folder.isEmpty()) {
            // The tabs after a dropped one move up, the current one with them.
            if (number - 1 < current)
                --current;
            continue;
        }
        tab.locked = store.GetProfileInt(section, TabKey("b", prefix, "Locked", number), 0) != 0;
        const QString filter =
            store.GetProfileString(section, TabKey("sz", prefix, "Filter", number));
        if (PatternList patterns; patterns.Parse(filter))
            tab.filter = patterns.ToText();
        const int style = store.GetProfileInt(section, TabKey("n", prefix, "ViewStyle", number), 0);
        if (style >= ID_VIEW_STYLE_FIRST && style <= ID_VIEW_STYLE_LAST)
            tab.viewStyle = style;
        const int sort = store.GetProfileInt(section, TabKey("n", prefix, "SortBy", number), 0);
        if (sort >= ID_SORT_NONE && sort <= ID_SORT_FOLDER)
            tab.sortBy = sort;
        tab.ascending =
            store.GetProfileInt(section, TabKey("b", prefix, "SortAscending", number), 1) != 0;
        set.tabs.push_back(std::move(tab));
    }
    if (set.tabs.empty())
        return std::nullopt;
    set.current = current >= 0 && current < int(set.tabs.size()) ? current : 0;
    return set;
}

void WriteTabSet(ProfileStore& store, const QString& section, const TabSetRecord& tabs,
                 const QString& prefix) {
    const int count = std::min(int(tabs.tabs.size()), kMaxTabs);
    store.WriteProfileInt(section, CountKey(prefix), count);
    store.WriteProfileInt(section, CurrentKey(prefix),
                          tabs.current >= 0 && tabs.current < count ? tabs.current + 1 : 1);
    for (int i = 0; i < count; ++i) {
        const TabRecord& tab = tabs.tabs[std::size_t(i)];
        const int number = i + 1;
        store.WriteProfileString(section, TabKey("sz", prefix, "Folder", number), tab.folder);
        store.WriteProfileInt(section, TabKey("b", prefix, "Locked", number), tab.locked ? 1 : 0);
        store.WriteProfileString(section, TabKey("sz", prefix, "Filter", number),
                                 tab.filter.isEmpty() ? QStringLiteral("*") : tab.filter);
        store.WriteProfileInt(section, TabKey("n", prefix, "ViewStyle", number), tab.viewStyle);
        store.WriteProfileInt(section, TabKey("n", prefix, "SortBy", number), tab.sortBy);
        store.WriteProfileInt(section, TabKey("b", prefix, "SortAscending", number),
                              tab.ascending ? 1 : 0);
    }
}

QString NearestExistingFolder(const QString& path) {
    if (!path.startsWith(QLatin1Char('/')))
        return path;
    QString folder = path;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    while (folder.size() > 1 && !IsFolder(folder)) {
        const qsizetype cut = folder.lastIndexOf(QLatin1Char('/'));
        folder = cut > 0 ? folder.left(cut) : QStringLiteral("/");
    }
    return folder;
}

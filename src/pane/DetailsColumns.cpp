#include "pane/DetailsColumns.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QHash>
#include <array>

#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"

namespace {

const QString kExtensionTitle = QStringLiteral("Extension");
const QString kPermissionsTitle = QStringLiteral("Permissions");
const QString kOwnerTitle = QStringLiteral("Owner");
const QString kGroupTitle = QStringLiteral("Group");
const QString kLinkTargetTitle = QStringLiteral("Link target");
const QString kCreatedTitle = QStringLiteral("Created");

constexpr int kCreatedIndex = 1;  // of FolderItem::times

// The lstat of a file-system item; false for anything else.
bool StatOf(FolderItem& item, struct stat& st) {
    if (ItemMode(item) == 0)
        return false;
    const QString path = item.ItemPath();
    return !path.isEmpty() && ::lstat(NameToBytes(path).constData(), &st) == 0;
}

// Names by id, looked up once each: a folder of 100,000 files has a handful
// of owners, and the user database may be remote.
QString UserName(uid_t uid) {
    static QHash<uid_t, QString> names;
    auto it = names.constFind(uid);
    if (it != names.cend())
        return it.value();
    std::array<char, 4096> buffer{};
    struct passwd entry {};
    struct passwd* found = nullptr;
    QString name = QString::number(uid);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        name = QString::fromLocal8Bit(found->pw_name);
    names.insert(uid, name);
    return name;
}

QString GroupName(gid_t gid) {
    static QHash<gid_t, QString> names;
    auto it = names.constFind(gid);
    if (it != names.cend())
        return it.value();
    std::array<char, 4096> buffer{};
    struct group entry {};
    struct group* found = nullptr;
    QString name = QString::number(gid);
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        name = QString::fromLocal8Bit(found->gr_name);
    names.insert(gid, name);
    return name;
}

QString OwnerText(FolderItem& item) {
    struct stat st {};
    return StatOf(item, st) ? UserName(st.st_uid) : QString();
}

QString GroupText(FolderItem& item) {
    struct stat st {};
    return StatOf(item, st) ? GroupName(st.st_gid) : QString();
}

QString LinkTargetText(FolderItem& item) {
    if (!S_ISLNK(ItemMode(item)))
        return {};
    const QString path = item.ItemPath();
    if (path.isEmpty())
        return {};
    std::array<char, 4096> target{};
    const ssize_t length = ::readlink(NameToBytes(path).constData(), target.data(), target.size());
    if (length <= 0)
        return {};
    return NameFromBytes(target.data(), qsizetype(length));
}

PaneColumn TextColumn(const QString& title, int width, int sortKey,
                      std::function<QString(FolderItem&)> text) {
    PaneColumn column;
    column.kind = PaneColumnKind::Text;
    column.title = title;
    column.defaultWidth = width;
    column.alignment = Qt::AlignLeft;
    column.sortKey = sortKey;
    column.text = std::move(text);
    return column;
}

}  // namespace

const std::vector<OptionalDetailsColumn>& OptionalDetailsColumns() {
    static const std::vector<OptionalDetailsColumn> columns = {
        {kColumnExtension, kExtensionTitle},   {kColumnPermissions, kPermissionsTitle},
        {kColumnOwner, kOwnerTitle},           {kColumnGroup, kGroupTitle},
        {kColumnLinkTarget, kLinkTargetTitle}, {kColumnCreated, kCreatedTitle},
    };
    return columns;
}

std::vector<PaneColumn> PaneColumnsWith(int bits) {
    std::vector<PaneColumn> columns = PaneColumnsForPanes();
    if (bits & kColumnExtension)
        columns.push_back(TextColumn(kExtensionTitle, 70, ID_SORT_TYPE,
                                     [](FolderItem& item) { return ExtensionOf(item.name); }));
    if (bits & kColumnPermissions)
        columns.push_back(TextColumn(kPermissionsTitle, 90, ID_SORT_NAME, [](FolderItem& item) {
            const std::uint32_t mode = ItemMode(item);
            return mode != 0 ? PermissionsText(mode) : QString();
        }));
    if (bits & kColumnOwner)
        columns.push_back(TextColumn(kOwnerTitle, 80, ID_SORT_NAME, &OwnerText));
    if (bits & kColumnGroup)
        columns.push_back(TextColumn(kGroupTitle, 80, ID_SORT_NAME, &GroupText));
    if (bits & kColumnLinkTarget)
        columns.push_back(TextColumn(kLinkTargetTitle, 150, ID_SORT_NAME, &LinkTargetText));
    if (bits & kColumnCreated)
        columns.push_back(TextColumn(kCreatedTitle, 120, ID_SORT_NAME, [](FolderItem& item) {
            return item.DateText(kCreatedIndex);
        }));
    return columns;
}

QString ExtensionOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString PermissionsText(std::uint32_t mode) {
    QString text(10, QLatin1Char('-'));
    switch (mode & S_IFMT) {
        case S_IFDIR:
            text[0] = QLatin1Char('d');
            break;
        case S_IFLNK:
            text[0] = QLatin1Char('l');
            break;
        case S_IFIFO:
            text[0] = QLatin1Char('p');
            break;
        case S_IFSOCK:
            text[0] = QLatin1Char('s');
            break;
        case S_IFCHR:
            text[0] = QLatin1Char('c');
            break;
        case S_IFBLK:
            text[0] = QLatin1Char('b');
            break;
        default:
            break;
    }
    const char letters[3] = {'r', 'w', 'x'};
    for (int i = 0; i < 9; ++i) {
        if (mode & (0400u >> i))
            text[1 + i] = QLatin1Char(letters[i % 3]);
    }
    // The execute place shows the set-id and sticky bits, capital when the
    // execute bit beneath is off.
    const struct {
        std::uint32_t bit;
        int at;
        char lower;
    } specials[] = {{S_ISUID, 3, 's'}, {S_ISGID, 6, 's'}, {S_ISVTX, 9, 't'}};
    for (const auto& special : specials) {
        if (!(mode & special.bit))
            continue;
        const bool executable = text[special.at] == QLatin1Char('x');
        text[special.at] = QLatin1Char(executable ? special.lower : char(special.lower - 32));
    }
    return text;
}

std::uint32_t ItemMode(const FolderItem& item) {
    if (item.id.Count() != 1)
        return 0;
    const std::optional<FileSystemItemData> data = DecodeFileSystemItem(item.id.ItemPayload(0));
    return data ? data->mode : 0;
}

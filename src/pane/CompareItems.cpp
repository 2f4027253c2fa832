#include "pane/CompareItems.h"

#include <QString>
#include <QStringView>

#include "platform/namespace/ShellTypes.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"

namespace {

bool CountsAsFolder(const FolderItem& item, int key) {
    if (!(item.attributes & SFGAO_FOLDER))
        return false;
    if (key == ID_SORT_SIZE || key == ID_SORT_DATE)
        return item.size == 0;
    return true;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int CompareNames(const FolderItem& a, const FolderItem& b) {
    return Sign(QString::compare(a.name, b.name, Qt::CaseInsensitive));
}

QStringView Extension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return QStringView(name).mid(dot + 1);
}

int CompareTypes(const FolderItem& a, const FolderItem& b) {
    const QStringView ea = Extension(a.name);
    const QStringView eb = Extension(b.name);
    // Equal extensions are the common case in a sort; they need no collation.
    if (ea.compare(eb, Qt::CaseInsensitive) == 0)
        return 0;
    if (ea.isEmpty() || eb.isEmpty())
        return ea.isEmpty() ? -1 : 1;
    return Sign(
        QString::localeAwareCompare(ea.toString().toCaseFolded(), eb.toString().toCaseFolded()));
}

int CompareSizes(const FolderItem& a, const FolderItem& b) {
    return (a.size > b.size) - (a.size < b.size);
}

int CompareDates(const FolderItem& a, const FolderItem& b) {
    int index = General().fileDateUsed;
    if (index < 0 || index > 2)
        index = kTimeModified;
    const FileTime ta = a.times[std::size_t(index)];
    const FileTime tb = b.times[std::size_t(index)];
    // The more recent time sorts first.
    return (ta < tb) - (ta > tb);
}

}  // namespace

int CompareItems(FolderItem* a, FolderItem* b, std::uint32_t parameter) {
    const int key = int(parameter & ~kSortAscendingBit);
    const bool ascending = (parameter & kSortAscendingBit) != 0;

    // Step 1: a virtual folder has an order of its own (Settings, Printers).
    if (a->folder && IsVirtualFolder(a->folder->OwnerAttributes())) {
        const int r = a->folder->OwnerShellFolder().CompareIDs(0, a->id, b->id);
        return int(std::int16_t(std::uint16_t(unsigned(r) & 0xFFFFu)));
    }

    // Steps 2 and 3: folders first.
    const bool folderA = CountsAsFolder(*a, key);
    const bool folderB = CountsAsFolder(*b, key);
    int result = 0;
    if (folderA != folderB) {
        result = folderA ? -1 : 1;
    } else {
        // Steps 4 and 5.
        switch (key) {
            case ID_SORT_NAME:
                break;
            case ID_SORT_TYPE:
                result = CompareTypes(*a, *b);
                break;
            case ID_SORT_SIZE:
                result = CompareSizes(*a, *b);
                break;
            case ID_SORT_DATE:
                result = CompareDates(*a, *b);
                break;
            default:
                break;
        }
        if (result == 0)
            result = CompareNames(*a, *b);
    }

    // Step 6.
    return ascending ? result : -result;
}

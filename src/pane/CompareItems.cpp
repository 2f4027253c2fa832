#include "pane/CompareItems.h"

#include <QString>
#include <QStringView>
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

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

    // A virtual folder has an order of its own (Settings, Printers).
    if (a->folder && IsVirtualFolder(a->folder->OwnerAttributes())) {
        const int r = a->folder->OwnerShellFolder().CompareIDs(0, a->id, b->id);
        return int(std::int16_t(std::uint16_t(unsigned(r) & 0xFFFFu)));
    }

    // Folders first.
    const bool folderA = CountsAsFolder(*a, key);
    const bool folderB = CountsAsFolder(*b, key);
    int result = 0;
    if (folderA != folderB) {
        result = folderA ? -1 : 1;
    } else {
        // Then by the key, with the name breaking ties.
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

    return ascending ? result : -result;
}

namespace {

// What one item is compared by, made once per sort.
struct SortEntry {
    FolderItem* item;
    std::uint64_t value;  // size, time or extension rank, per key
    std::uint32_t nameStart;
    std::uint32_t nameLength;
    bool folder;
};

// Appends the case-folded form of `name` as the case-blind comparison of
// QString sees it: each code point folded alone (simple folding, so the
// length stays), a folded supplementary character as its low surrogate
// after the original high one. Comparing the results code unit by code
// unit then gives what QString::compare gives case-blind.
void AppendFolded(std::u16string& out, QStringView name) {
    const char16_t* units = reinterpret_cast<const char16_t*>(name.utf16());
    const qsizetype count = name.size();
    char16_t last = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        char16_t folded;
        if (unit < 0x80) {
            folded = unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
        } else if (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(last)) {
            folded = QChar::lowSurrogate(QChar::toCaseFolded(QChar::surrogateToUcs4(last, unit)));
        } else {
            folded = char16_t(QChar::toCaseFolded(char32_t(unit)));
        }
        last = unit;
        out.push_back(folded);
    }
}

// Ranks the extensions of `entries` (their `value` becomes the rank) in the
// order CompareTypes gives: the empty extension first, equal ones (case-
// blind) alike, the others by the locale's collation of their folded forms,
// which may also call two of them equal.
void RankExtensions(std::vector<SortEntry>& entries) {
    std::unordered_map<std::u16string, std::uint64_t> classOf;
    std::vector<QStringView> representatives;  // one extension per class
    std::u16string folded;
    for (SortEntry& entry : entries) {
        const QStringView extension = Extension(entry.item->name);
        folded.clear();
        AppendFolded(folded, extension);
        const auto [it, added] = classOf.try_emplace(folded, representatives.size());
        if (added)
            representatives.push_back(extension);
        entry.value = it->second;
    }
    // Few distinct extensions as a rule: collation is asked only for them.
    std::vector<QString> collated;
    collated.reserve(representatives.size());
    for (QStringView extension : representatives)
        collated.push_back(extension.toString().toCaseFolded());
    auto compare = [&](std::size_t a, std::size_t b) {
        if (representatives[a].isEmpty() || representatives[b].isEmpty())
            return int(representatives[b].isEmpty()) - int(representatives[a].isEmpty());
        return Sign(QString::localeAwareCompare(collated[a], collated[b]));
    };
    std::vector<std::size_t> order(representatives.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return compare(a, b) < 0; });
    std::vector<std::uint64_t> rank(order.size());
    std::uint64_t next = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && compare(order[i - 1], order[i]) != 0)
            ++next;
        rank[order[i]] = next;
    }
    for (SortEntry& entry : entries) entry.value = rank[entry.value];
}

// The date key as a number that grows as the time gets older: the more
// recent item sorts first.
std::uint64_t DateValue(FileTime time) {
    return ~std::uint64_t(time);
}

}  // namespace

void SortItems(std::vector<FolderItem*>& items, std::uint32_t parameter) {
    if (items.size() < 2)
        return;
    const int key = int(parameter & ~kSortAscendingBit);
    const bool ascending = (parameter & kSortAscendingBit) != 0;

    // A virtual folder's own order: nothing to compute once.
    const bool anyVirtual = std::any_of(items.begin(), items.end(), [](const FolderItem* item) {
        return item->folder && IsVirtualFolder(item->folder->OwnerAttributes());
    });
    if (anyVirtual) {
        std::stable_sort(items.begin(), items.end(), [parameter](FolderItem* a, FolderItem* b) {
            return CompareItems(a, b, parameter) < 0;
        });
        return;
    }

    // The keys, computed once per item.
    int dateIndex = General().fileDateUsed;
    if (dateIndex < 0 || dateIndex > 2)
        dateIndex = kTimeModified;
    std::vector<SortEntry> entries;
    entries.reserve(items.size());
    std::u16string names;
    for (FolderItem* item : items) {
        SortEntry entry{item, 0, std::uint32_t(names.size()), 0, CountsAsFolder(*item, key)};
        AppendFolded(names, item->name);
        entry.nameLength = std::uint32_t(names.size() - entry.nameStart);
        if (key == ID_SORT_SIZE)
            entry.value = item->size;
        else if (key == ID_SORT_DATE)
            entry.value = DateValue(item->times[std::size_t(dateIndex)]);
        entries.push_back(entry);
    }
    if (key == ID_SORT_TYPE)
        RankExtensions(entries);
    // Any other key compares equal, leaving the name.
    const bool byValue = key == ID_SORT_TYPE || key == ID_SORT_SIZE || key == ID_SORT_DATE;

    const char16_t* text = names.data();
    auto compare = [&](const SortEntry& a, const SortEntry& b) {
        if (a.folder != b.folder)
            return a.folder ? -1 : 1;
        if (byValue && a.value != b.value)
            return a.value < b.value ? -1 : 1;
        const std::u16string_view na(text + a.nameStart, a.nameLength);
        const std::u16string_view nb(text + b.nameStart, b.nameLength);
        return Sign(na.compare(nb));
    };
    // Descending reverses every comparison; a stable sort keeps
    // equal items as they were in both directions, as CompareItems does.
    if (ascending) {
        std::stable_sort(entries.begin(), entries.end(),
                         [&](const SortEntry& a, const SortEntry& b) { return compare(a, b) < 0; });
    } else {
        std::stable_sort(entries.begin(), entries.end(),
                         [&](const SortEntry& a, const SortEntry& b) { return compare(a, b) > 0; });
    }
    for (std::size_t i = 0; i < entries.size(); ++i) items[i] = entries[i].item;
}

#include "find/FindCriteria.h"

#include <sys/stat.h>

#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/store/ProfileStore.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/PathHelpers.h"
#include "shell/PatternList.h"
#include "shell/ShellContext.h"
#include "tools/TextScan.h"

namespace {

int ReadInRange(const ProfileStore& store, const QString& key, int defaultValue, int low,
                int high) {
    const int value = store.GetProfileInt(kFindSettingsSection, key, defaultValue);
    return value < low || value > high ? defaultValue : value;
}

bool ReadBool(const ProfileStore& store, const QString& key, bool defaultValue) {
    return store.GetProfileInt(kFindSettingsSection, key, defaultValue ? 1 : 0) != 0;
}

}  // namespace

void FindCriteria::Load(const ProfileStore& store, const QDate& today) {
    recursive = ReadBool(store, FindKeys::kRecursive, true);
    prevCount = ReadInRange(store, FindKeys::kPrevCount, 1, 0, INT_MAX);
    prevUnits = ReadInRange(store, FindKeys::kPrevUnits, kPrevHours, kPrevHours, kPrevMonths);
    kiloBytes = ReadInRange(store, FindKeys::kKiloBytes, 10, 0, INT_MAX);
    sizeKind = ReadBool(store, FindKeys::kSizeConstraint, false) ? kSizeAtMost : kSizeAtLeast;
    dateMethod = ReadBool(store, FindKeys::kDateMethod, false) ? kDatePrevious : kDateBetween;
    autoPad = ReadBool(store, FindKeys::kAutoPad, true);
    from.reset();
    until = today;
    loaded = true;
}

void FindCriteria::Save(ProfileStore& store) const {
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kRecursive, recursive ? 1 : 0);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kPrevCount, prevCount);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kPrevUnits, prevUnits);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kKiloBytes, kiloBytes);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kSizeConstraint, sizeKind);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kDateMethod, dateMethod);
    store.WriteProfileInt(kFindSettingsSection, FindKeys::kAutoPad, autoPad ? 1 : 0);
}

FindCriteria& RunFindCriteria() {
    static FindCriteria criteria;
    return criteria;
}

HistoryList& FindLookInHistory() {
    static HistoryList history;
    return history;
}

// -- Date exchange ---------------------------------------------------------------

QString FindDateFormat() {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    // "yy" alone would read "01/02/03" as 1903; the fields show and take
    // the whole year.
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(shortYear, QStringLiteral("yyyy"));
    return format;
}

QString FormatFindDate(const std::optional<QDate>& date) {
    if (!date || !date->isValid())
        return {};
    return QLocale::system().toString(*date, FindDateFormat());
}

namespace {

// A text that holds only a time of day: it names no date, so the field is
// taken as empty (the date parser would give the zero day for it).
bool IsTimeOnly(const QString& text) {
    static const QRegularExpression time(
        QStringLiteral("^\\d{1,2}:\\d{2}(:\\d{2})?(\\s*([AaPp]\\.?[Mm]\\.?))?$"));
    if (time.match(text).hasMatch())
        return true;
    const QLocale locale = QLocale::system();
    return locale.toTime(text, QLocale::ShortFormat).isValid() ||
           locale.toTime(text, QLocale::LongFormat).isValid();
}

}  // namespace

DateTake TakeFindDate(const QString& rawText) {
    const QString text = rawText.trimmed();
    if (text.isEmpty())
        return {true, std::nullopt};
    if (IsTimeOnly(text))
        return {true, std::nullopt};
    const QLocale locale = QLocale::system();
    QDate date = locale.toDate(text, FindDateFormat());
    if (!date.isValid())
        date = locale.toDate(text, QLocale::ShortFormat);
    if (date.isValid() && date.year() < 1950 && !text.contains(QString::number(date.year()))) {
        // A two-digit year typed in the locale's own short form.
        date = date.addYears(100);
    }
    if (!date.isValid())
        date = locale.toDate(text, QLocale::LongFormat);
    if (!date.isValid())
        date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid()) {
        // A date followed by a time of day: the time is not part of the
        // value (the fields hold dates only).
        const QDateTime both = locale.toDateTime(text, QLocale::ShortFormat);
        if (both.isValid())
            date = both.date();
    }
    if (!date.isValid())
        return {false, std::nullopt};
    return {true, date};
}

// -- Look in -----------------------------------------------------------------------

std::optional<QString> ResolveLookInEntry(const QString& rawEntry) {
    const QString entry = ExpandHome(rawEntry.trimmed());
    if (entry.isEmpty())
        return std::nullopt;
    QString path;
    if (entry.startsWith(u'/')) {
        path = entry;
    } else {
        const IdList id = ParsePath(entry);
        if (id.IsNull())
            return std::nullopt;
        const std::optional<QString> parsing = AbsoluteDisplayName(id, SHGDN_FORPARSING);
        if (!parsing || !parsing->startsWith(u'/'))
            return std::nullopt;
        path = *parsing;
    }
    struct stat st {};
    if (::stat(NameToBytes(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    return path;
}

// -- The checks ----------------------------------------------------------------------

std::optional<FindCheckFailure> CheckFindValues(FindDialogValues& values, FindCriteria& criteria,
                                                const QDate& today, const LookInResolver& resolve,
                                                FindChecked* checked) {
    // Taking the date fields comes first, as the dialog's exchange does.
    const DateTake from = TakeFindDate(values.fromText);
    if (!from.ok)
        return FindCheckFailure{FindTexts::kDateFormat.arg(FindDateFormat()), false,
                                FindControl::FromDate};
    const DateTake until = TakeFindDate(values.untilText);
    if (!until.ok)
        return FindCheckFailure{FindTexts::kDateFormat.arg(FindDateFormat()), false,
                                FindControl::UntilDate};

    // The run keeps what was typed, whatever a later check says.
    criteria.recursive = values.recursive;
    criteria.prevCount = std::max(0, values.prevCount);
    criteria.prevUnits = values.prevUnits < kPrevHours || values.prevUnits > kPrevMonths
                             ? kPrevHours
                             : values.prevUnits;
    criteria.kiloBytes = std::max(0, values.kiloBytes);
    criteria.sizeKind = values.sizeKind == kSizeAtMost ? kSizeAtMost : kSizeAtLeast;
    criteria.dateMethod = values.dateMethod == kDatePrevious ? kDatePrevious : kDateBetween;
    criteria.from = from.date;
    criteria.until = until.date;

    FindChecked result;

    // 1. Look in.
    const QString lookIn = values.lookIn.trimmed();
    if (lookIn.isEmpty())
        return FindCheckFailure{FindTexts::kLookInEmpty, true, FindControl::LookIn};
    PatternList list;
    if (!list.Parse(lookIn))
        return FindCheckFailure{FindTexts::kRootInvalid, true, FindControl::LookIn};
    values.lookIn = list.ToText();
    result.lookIn = values.lookIn;
    for (const QString& entry : list.patterns()) {
        const std::optional<QString> folder = resolve ? resolve(entry) : std::nullopt;
        if (!folder)
            return FindCheckFailure{FindTexts::kSomeFolderInvalid, true, FindControl::LookIn};
        result.folders.append(*folder);
    }

    // 2. Dates.
    bool useDates = values.useDates;
    if (useDates) {
        if (criteria.dateMethod == kDatePrevious) {
            if (criteria.prevCount == 0)
                useDates = false;
        } else if (criteria.from) {
            if (!criteria.until)
                criteria.until = today;
            if (*criteria.from > *criteria.until)
                return FindCheckFailure{FindTexts::kFromAfterUntil, true, FindControl::UntilDate};
        } else if (!criteria.until || *criteria.until == today) {
            useDates = false;
        }
    }
    values.fromText = FormatFindDate(criteria.from);
    values.untilText = FormatFindDate(criteria.until);

    // 3. Size.
    const bool useSize = values.useSize && criteria.kiloBytes != 0;

    // 4. Text.
    if (values.useText && values.findWhat.isEmpty())
        return FindCheckFailure{FindTexts::kNoText, true, FindControl::FindWhat};
    const bool useText = values.useText;

    // 5. Named.
    QString named = values.named.trimmed();
    if (named.isEmpty())
        named = QStringLiteral("*");
    values.named = named;
    if (named == QStringLiteral("*") && !useDates && !useSize && !useText)
        return FindCheckFailure{FindTexts::kUnconstrained, true, FindControl::Named};

    result.useDates = useDates;
    result.useSize = useSize;
    result.useText = useText;
    result.named = named;
    result.findWhat = values.findWhat;
    if (checked)
        *checked = result;
    return std::nullopt;
}

void AddFindHistories(const FindChecked& checked) {
    const int maximum = General().historyItems;
    if (!checked.lookIn.isEmpty())
        FindLookInHistory().Add(maximum, checked.lookIn);
    if (!checked.findWhat.isEmpty())
        GrepFindHistory().Add(maximum, checked.findWhat);
    if (!checked.named.isEmpty())
        GrepTypesHistory().Add(maximum, checked.named);
}

QString AllLocalVolumesText() {
    const VolumeTable table = VolumeTable::Read();
    QStringList roots;
    for (const MountEntry& mount : table.UserVisible()) {
        if (table.DriveTypeOfMount(mount) == DRIVE_FIXED)
            roots.append(NameFromBytes(mount.mountPoint));
    }
    return roots.join(u',');
}

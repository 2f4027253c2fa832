#include "tools/RenameMask.h"

#include <QRegularExpression>
#include <algorithm>

#include "platform/namespace/NameCodec.h"

namespace {

constexpr int kMaxNameBytes = 255;

// A lone surrogate is how NameCodec spells a byte that is no UTF-8; Qt's
// case mapping and regular expressions would turn it into U+FFFD.
bool IsLoneSurrogateAt(const QString& text, qsizetype i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate())
        return i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !text.at(i - 1).isHighSurrogate();
    return false;
}

// The positions where characters start (a surrogate pair is one character,
// an escape is one), with text.size() appended.
std::vector<qsizetype> CharacterStarts(const QString& text) {
    std::vector<qsizetype> starts;
    for (qsizetype i = 0; i < text.size(); ++i) {
        starts.push_back(i);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    starts.push_back(text.size());
    return starts;
}

struct Range {
    int first = 1;  // 1-based
    int last = -1;  // inclusive; -1 to the end
};

// "", "3", "3-", "-2", "2-5" after the N or E.
std::optional<Range> ParseRange(const QString& spec) {
    Range range;
    if (spec.isEmpty())
        return range;
    const qsizetype dash = spec.indexOf(QLatin1Char('-'));
    bool ok = true;
    if (dash < 0) {
        range.first = spec.toInt(&ok);
        range.last = range.first;
    } else {
        const QString from = spec.left(dash);
        const QString to = spec.mid(dash + 1);
        if (!from.isEmpty())
            range.first = from.toInt(&ok);
        if (ok && !to.isEmpty())
            range.last = to.toInt(&ok);
    }
    if (!ok || range.first < 1 || (range.last != -1 && range.last < range.first))
        return std::nullopt;
    return range;
}

QString Slice(const QString& text, const Range& range) {
    const std::vector<qsizetype> starts = CharacterStarts(text);
    const int count = int(starts.size()) - 1;
    const int first = std::min(range.first, count + 1);
    const int last = range.last < 0 ? count : std::min(range.last, count);
    if (last < first)
        return {};
    return text.mid(starts[std::size_t(first - 1)],
                    starts[std::size_t(last)] - starts[std::size_t(first - 1)]);
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString Counter(const RenameOptions& options, qint64 index) {
    const qint64 value = options.counterStart + index * options.counterStep;
    QString digits = QString::number(value < 0 ? -value : value);
    if (digits.size() < options.counterWidth)
        digits.prepend(QString(options.counterWidth - digits.size(), QLatin1Char('0')));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

// Expands one placeholder (the text between the brackets); nullopt when it
// is none.
std::optional<QString> Expand(const QString& token, const RenameOptions& options,
                              const RenameSource& source, qint64 index, const QString& base,
                              const QString& ext) {
    if (token.isEmpty())
        return std::nullopt;
    const QChar kind = token.at(0);
    if (kind == QLatin1Char('N') || kind == QLatin1Char('n') || kind == QLatin1Char('E') ||
        kind == QLatin1Char('e')) {
        const std::optional<Range> range = ParseRange(token.mid(1));
        if (!range)
            return std::nullopt;
        return Slice(kind.toUpper() == QLatin1Char('N') ? base : ext, *range);
    }
    if (token.size() != 1)
        return std::nullopt;
    const QDate date = source.modified.date();
    const QTime time = source.modified.time();
    const bool valid = source.modified.isValid();
    switch (kind.unicode()) {
        case 'C':
        case 'c':
            return Counter(options, index);
        case 'Y':
        case 'y':
            return valid ? QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'))
                         : QStringLiteral("0000");
        case 'M':
            return TwoDigits(valid ? date.month() : 0);
        case 'D':
        case 'd':
            return TwoDigits(valid ? date.day() : 0);
        case 'h':
        case 'H':
            return TwoDigits(valid ? time.hour() : 0);
        case 'm':
            return TwoDigits(valid ? time.minute() : 0);
        case 's':
        case 'S':
            return TwoDigits(valid ? time.second() : 0);
        default:
            return std::nullopt;
    }
}

// Runs a mask; nullopt with `error` set when it holds a fault.
std::optional<QString> RunMask(const QString& mask, const RenameOptions& options,
                               const RenameSource& source, qint64 index, const QString& base,
                               const QString& ext, QString* error) {
    QString out;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char(']') && i + 1 < mask.size() && mask.at(i + 1) == QLatin1Char(']')) {
            out += c;
            ++i;
            continue;
        }
        if (c != QLatin1Char('[')) {
            out += c;
            continue;
        }
        if (i + 1 < mask.size() && mask.at(i + 1) == QLatin1Char('[')) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype close = mask.indexOf(QLatin1Char(']'), i + 1);
        if (close < 0) {
            if (error)
                *error = RenameTexts::kUnclosed;
            return std::nullopt;
        }
        const QString token = mask.mid(i + 1, close - i - 1);
        const std::optional<QString> value = Expand(token, options, source, index, base, ext);
        if (!value) {
            if (error) {
                const bool range = !token.isEmpty() && QStringLiteral("NnEe").contains(token.at(0));
                *error = (range ? RenameTexts::kBadRange : RenameTexts::kBadPlaceholder)
                             .arg(QLatin1Char('[') + token + QLatin1Char(']'));
            }
            return std::nullopt;
        }
        out += *value;
        i = close;
    }
    return out;
}

// Applies `convert` to the runs of text between escapes.
template <typename Convert>
QString MapRuns(const QString& text, Convert convert) {
    QString out;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !IsLoneSurrogateAt(text, i))
            continue;
        out += convert(text.mid(runStart, i - runStart), runStart == 0);
        if (i < text.size())
            out += text.at(i);
        runStart = i + 1;
    }
    return out;
}

QString ChangeCase(const QString& name, RenameOptions::Case change) {
    switch (change) {
        case RenameOptions::Case::Unchanged:
            return name;
        case RenameOptions::Case::Lower:
            return MapRuns(name, [](const QString& run, bool) { return run.toLower(); });
        case RenameOptions::Case::Upper:
            return MapRuns(name, [](const QString& run, bool) { return run.toUpper(); });
        case RenameOptions::Case::FirstOfName: {
            bool first = true;
            return MapRuns(name, [&first](const QString& run, bool) {
                QString lower = run.toLower();
                if (first && !lower.isEmpty()) {
                    const std::vector<qsizetype> starts = CharacterStarts(lower);
                    lower = lower.left(starts[1]).toUpper() + lower.mid(starts[1]);
                }
                first = false;
                return lower;
            });
        }
        case RenameOptions::Case::FirstOfWords: {
            bool wordStart = true;
            return MapRuns(name, [&wordStart](const QString& run, bool) {
                QString out;
                const std::vector<qsizetype> starts = CharacterStarts(run);
                for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
                    const QString ch = run.mid(starts[k], starts[k + 1] - starts[k]);
                    const bool letter = ch.at(0).isLetterOrNumber() || ch.at(0).isHighSurrogate();
                    out += wordStart ? ch.toUpper() : ch.toLower();
                    wordStart = !letter;
                }
                // An escape between runs is no letter: a word starts after it.
                wordStart = true;
                return out;
            });
        }
    }
    return name;
}

// Regular expressions see escapes (U+DC80 to U+DCFF, one per byte that is
// no UTF-8) as private-use characters, and get them back afterwards: PCRE
// would refuse a subject with lone surrogates.
constexpr char16_t kEscapeFirst = 0xDC80;
constexpr char16_t kEscapeLast = 0xDCFF;
constexpr char16_t kStandInFirst = 0xF780;
constexpr char16_t kStandInLast = kStandInFirst + (kEscapeLast - kEscapeFirst);

bool ProtectEscapes(QString& text) {
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsLoneSurrogateAt(text, i))
            continue;
        const char16_t u = text.at(i).unicode();
        if (u < kEscapeFirst || u > kEscapeLast)
            return false;  // not one of ours
        any = true;
    }
    if (!any)
        return true;
    for (const QChar c : text) {
        if (c.unicode() >= kStandInFirst && c.unicode() <= kStandInLast)
            return false;  // a real private-use character: can't stand in
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsLoneSurrogateAt(text, i))
            text[i] = QChar(char16_t(kStandInFirst + (text.at(i).unicode() - kEscapeFirst)));
    }
    return true;
}

void RestoreEscapes(QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u >= kStandInFirst && u <= kStandInLast)
            text[i] = QChar(char16_t(kEscapeFirst + (u - kStandInFirst)));
    }
}

QString FindAndReplace(const QString& name, const RenameOptions& options) {
    if (options.find.isEmpty())
        return name;
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!options.regex) {
        QString out = name;
        return out.replace(options.find, options.replace, cs);
    }
    QRegularExpression re(options.find, options.matchCase
                                            ? QRegularExpression::NoPatternOption
                                            : QRegularExpression::CaseInsensitiveOption);
    if (!re.isValid())
        return name;
    QString subject = name;
    if (!ProtectEscapes(subject))
        return name;
    subject.replace(re, options.replace);
    RestoreEscapes(subject);
    return subject;
}

}  // namespace

std::pair<QString, QString> SplitExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {name, QString()};
    return {name.left(dot), name.mid(dot + 1)};
}

std::optional<QString> ValidateRenameOptions(const RenameOptions& options) {
    QString error;
    const RenameSource probe{QStringLiteral("probe.txt"), QDateTime()};
    if (!RunMask(options.nameMask, options, probe, 0, QStringLiteral("probe"),
                 QStringLiteral("txt"), &error))
        return error;
    if (!RunMask(options.extMask, options, probe, 0, QStringLiteral("probe"), QStringLiteral("txt"),
                 &error))
        return error;
    if (options.regex && !options.find.isEmpty()) {
        const QRegularExpression re(options.find);
        if (!re.isValid())
            return RenameTexts::kBadRegex.arg(re.errorString());
    }
    return std::nullopt;
}

QString ApplyRenameMask(const RenameOptions& options, const RenameSource& source, qint64 index) {
    const auto [base, ext] = SplitExtension(source.name);
    const std::optional<QString> newBase =
        RunMask(options.nameMask, options, source, index, base, ext, nullptr);
    const std::optional<QString> newExt =
        RunMask(options.extMask, options, source, index, base, ext, nullptr);
    if (!newBase || !newExt)
        return {};
    QString name = newExt->isEmpty() ? *newBase : *newBase + QLatin1Char('.') + *newExt;
    name = FindAndReplace(name, options);
    return ChangeCase(name, options.caseChange);
}

std::optional<QString> InvalidNameReason(const QString& name) {
    if (name.isEmpty())
        return RenameTexts::kEmptyName;
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return RenameTexts::kSlash;
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return RenameTexts::kDots;
    if (NameToBytes(name).size() > kMaxNameBytes)
        return RenameTexts::kTooLong;
    return std::nullopt;
}

void MarkRenameConflicts(std::vector<RenameRow>& rows, const QSet<QString>& existing) {
    QHash<QString, int> wanted;  // new name -> how many rows want it
    QSet<QString> leaving;       // old names the batch renames away
    for (RenameRow& row : rows) {
        row.conflict.clear();
        if (!row.Changes())
            continue;
        ++wanted[row.newName];
        leaving.insert(row.oldName);
    }
    // An unchanged row keeps its name: nobody else may take it.
    for (const RenameRow& row : rows) {
        if (!row.Changes())
            ++wanted[row.oldName];
    }
    for (RenameRow& row : rows) {
        if (!row.Changes())
            continue;
        if (const std::optional<QString> why = InvalidNameReason(row.newName))
            row.conflict = *why;
        else if (wanted.value(row.newName) > 1)
            row.conflict = RenameTexts::kDuplicate;
        else if (existing.contains(row.newName) && !leaving.contains(row.newName))
            row.conflict = RenameTexts::kExists;
    }
}

bool RenameBatchReady(const std::vector<RenameRow>& rows) {
    bool any = false;
    for (const RenameRow& row : rows) {
        if (!row.conflict.isEmpty())
            return false;
        any = any || row.Changes();
    }
    return any;
}

std::vector<RenameStep> PlanRenameSteps(const std::vector<RenameRow>& rows,
                                        const QSet<QString>& existing) {
    // current name -> row, for the rows still to be done
    QHash<QString, int> holder;
    std::vector<QString> current(rows.size());
    std::vector<int> pending;
    QSet<QString> wantedNames;
    for (int i = 0; i < int(rows.size()); ++i) {
        if (!rows[std::size_t(i)].Changes())
            continue;
        current[std::size_t(i)] = rows[std::size_t(i)].oldName;
        holder.insert(rows[std::size_t(i)].oldName, i);
        pending.push_back(i);
        wantedNames.insert(rows[std::size_t(i)].newName);
    }
    std::vector<RenameStep> steps;
    int tempCounter = 0;
    auto freshTemp = [&] {
        QString name;
        do {
            name = QStringLiteral(".cvrename-%1").arg(++tempCounter);
        } while (existing.contains(name) || wantedNames.contains(name) || holder.contains(name));
        return name;
    };
    while (!pending.empty()) {
        bool progressed = false;
        // Every row whose target is free goes now; freeing its old name may
        // free the next one, so sweep until nothing moves.
        for (std::size_t k = 0; k < pending.size();) {
            const int i = pending[k];
            const RenameRow& row = rows[std::size_t(i)];
            if (holder.contains(row.newName)) {
                ++k;
                continue;
            }
            steps.push_back({current[std::size_t(i)], row.newName, i, false});
            holder.remove(current[std::size_t(i)]);
            pending.erase(pending.begin() + qsizetype(k));
            progressed = true;
        }
        if (progressed || pending.empty())
            continue;
        // Only cycles are left: park one row to break its cycle.
        const int i = pending.front();
        const QString temp = freshTemp();
        steps.push_back({current[std::size_t(i)], temp, i, true});
        holder.remove(current[std::size_t(i)]);
        holder.insert(temp, i);
        current[std::size_t(i)] = temp;
    }
    return steps;
}

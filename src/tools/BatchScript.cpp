#include "tools/BatchScript.h"

#include "platform/process/ShellQuoting.h"
#include "shell/PatternList.h"

namespace {

// The value of a letter code for the item, or none.
std::optional<QString> LetterValue(QChar code, const BatchItem& item, const BatchPaths& paths) {
    const int dot = item.name.lastIndexOf(u'.');
    switch (code.unicode()) {
        case 'N':
            return item.name;
        case 'B':
            // A name that begins with its only "." has no base name.
            if (dot < 0)
                return item.name;
            if (dot == 0)
                return std::nullopt;
            return item.name.left(dot);
        case 'E':
            if (dot < 0 || dot == item.name.size() - 1)
                return std::nullopt;
            return item.name.mid(dot + 1);
        case 'P':
            return item.folder;
        case 'L':
            return paths.left;
        case 'R':
            return paths.right;
        case 'I':
            return paths.inactive;
        default:
            return std::nullopt;
    }
}

}  // namespace

QString ShellQuote(const QString& value) {
    return ShellQuoteWord(value);
}

QStringList ParseBatchTemplate(const QString& templateText) {
    PatternList list;
    if (!list.Parse(templateText))
        return {};
    return list.patterns();
}

namespace {

// Expands one entry into `out`, with `scanner` telling where each value
// lands in the script read so far.
void ExpandInto(QString& out, ShellContextScanner& scanner, const QString& entry,
                const BatchItem& item, const BatchPaths& paths, int counter, bool& refused) {
    const qsizetype length = entry.size();
    qsizetype i = 0;
    while (i < length) {
        const QChar c = entry[i];
        if (c == u'$' && i + 1 < length) {
            const QChar code = entry[i + 1];
            if (code.isDigit() && code.unicode() < 128) {
                qsizetype end = i + 1;
                while (end < length && entry[end].isDigit() && entry[end].unicode() < 128) ++end;
                const QString digits = entry.mid(i + 1, end - i - 1);
                bool ok = false;
                const qulonglong start = digits.toULongLong(&ok);
                if (ok && start <= qulonglong(1) << 62) {
                    // Digits need no quoting anywhere, but the shell reads
                    // them as it reads typed ones (after "$x" they go on
                    // with the name), so the scanner reads them too.
                    const QString number = QString::number(start + qulonglong(counter))
                                               .rightJustified(digits.size(), u'0');
                    for (qsizetype d = 0; d < number.size();) d += scanner.Advance(number, d);
                    out += number;
                    i = end;
                    continue;
                }
            } else if (const std::optional<QString> value = LetterValue(code, item, paths)) {
                const bool isName = code == u'N' || code == u'B';
                if (const std::optional<QString> word = scanner.Quote(*value, isName)) {
                    out += *word;
                    scanner.NoteValue();
                    i += 2;
                    continue;
                }
                // A place no value can be put safely: the code stays as
                // written.
                refused = true;
            }
        }
        const qsizetype used = scanner.Advance(entry, i);
        out += QStringView(entry).mid(i, used);
        i += used;
    }
}

}  // namespace

QString ExpandBatchEntry(const QString& entry, const BatchItem& item, const BatchPaths& paths,
                         int counter) {
    QString out;
    out.reserve(entry.size() + item.name.size() * 2);
    ShellContextScanner scanner;
    bool refused = false;
    ExpandInto(out, scanner, entry, item, paths, counter, refused);
    return out;
}

QString GenerateBatchScript(const QStringList& entries, const std::vector<BatchItem>& items,
                            const BatchPaths& paths, bool* refused) {
    QString script = kBatchScriptHeader;
    // One reading of the whole script: a quote a line leaves open goes on
    // into the next one.
    ShellContextScanner scanner;
    const QString lineEnd = QStringLiteral("\n");
    bool anyRefused = false;
    int counter = 0;
    for (const BatchItem& item : items) {
        for (const QString& entry : entries) {
            ExpandInto(script, scanner, entry, item, paths, counter, anyRefused);
            // A line ending in an unpaired backslash runs on into the next
            // generated line, whose start the scanner read as a new command:
            // such a template is refused, not guessed at.
            qsizetype backslashes = 0;
            while (backslashes < entry.size() && entry.at(entry.size() - 1 - backslashes) == u'\\')
                ++backslashes;
            if (backslashes % 2 == 1)
                anyRefused = true;
            script += lineEnd;
            scanner.Advance(lineEnd, 0);
        }
        ++counter;
    }
    if (refused)
        *refused = anyRefused;
    return script;
}

bool BatchTemplateIsSafe(const QStringList& entries) {
    // Where a value lands depends on the template alone; two items show
    // what a line left open does to the next item's lines.
    const BatchItem sample{QStringLiteral("n.e"), QStringLiteral("/f")};
    const BatchPaths paths{QStringLiteral("/l"), QStringLiteral("/r"), QStringLiteral("/i")};
    bool refused = false;
    GenerateBatchScript(entries, {sample, sample}, paths, &refused);
    return !refused;
}

#include "tools/BatchScript.h"

#include "shell/PatternList.h"

namespace {

bool IsShellSafe(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           QStringView(u"_@%+=:,./-").contains(c);
}

// Where the template has put the code being expanded.
enum class Quoting { kNone, kSingle, kDouble };

QString QuoteFor(const QString& value, Quoting quoting) {
    switch (quoting) {
        case Quoting::kSingle: {
            QString out = value;
            return out.replace(u'\'', QStringLiteral("'\\''"));
        }
        case Quoting::kDouble: {
            QString out;
            out.reserve(value.size());
            for (QChar c : value) {
                if (c == u'$' || c == u'`' || c == u'\\' || c == u'"')
                    out += u'\\';
                out += c;
            }
            return out;
        }
        case Quoting::kNone:
            break;
    }
    return ShellQuote(value);
}

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
    if (!value.isEmpty() && std::all_of(value.begin(), value.end(), IsShellSafe))
        return value;
    QString out = value;
    out.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + out + u'\'';
}

QStringList ParseBatchTemplate(const QString& templateText) {
    PatternList list;
    if (!list.Parse(templateText))
        return {};
    return list.patterns();
}

QString ExpandBatchEntry(const QString& entry, const BatchItem& item, const BatchPaths& paths,
                         int counter) {
    QString out;
    out.reserve(entry.size() + item.name.size() * 2);
    Quoting quoting = Quoting::kNone;
    // Whether the next character output starts a shell word (also right
    // after the quote that opens a word).
    bool wordStart = true;
    const int length = int(entry.size());
    int i = 0;
    auto copy = [&](QChar c) {
        out += c;
        switch (quoting) {
            case Quoting::kNone:
                if (c == u'\'') {
                    quoting = Quoting::kSingle;
                    return;  // still at the word's start
                }
                if (c == u'"') {
                    quoting = Quoting::kDouble;
                    return;
                }
                wordStart = c == u' ' || c == u'\t' || c == u';' || c == u'|' || c == u'&' ||
                            c == u'(' || c == u'>' || c == u'<';
                return;
            case Quoting::kSingle:
                if (c == u'\'')
                    quoting = Quoting::kNone;
                wordStart = false;
                return;
            case Quoting::kDouble:
                if (c == u'"')
                    quoting = Quoting::kNone;
                wordStart = false;
                return;
        }
    };
    while (i < length) {
        const QChar c = entry[i];
        if (c == u'\\' && quoting != Quoting::kSingle && i + 1 < length) {
            // An escaped character is literal text of the template.
            copy(c);
            out += entry[i + 1];
            wordStart = false;
            i += 2;
            continue;
        }
        if (c != u'$' || i + 1 >= length) {
            copy(c);
            ++i;
            continue;
        }
        const QChar code = entry[i + 1];
        if (code.isDigit() && code.unicode() < 128) {
            int end = i + 1;
            while (end < length && entry[end].isDigit() && entry[end].unicode() < 128) ++end;
            const QString digits = entry.mid(i + 1, end - i - 1);
            bool ok = false;
            const qulonglong start = digits.toULongLong(&ok);
            if (ok && start <= qulonglong(1) << 62) {
                const QString number = QString::number(start + qulonglong(counter));
                out += number.rightJustified(digits.size(), u'0');
                wordStart = false;
                i = end;
                continue;
            }
        } else if (const std::optional<QString> value = LetterValue(code, item, paths)) {
            QString text = *value;
            if ((code == u'N' || code == u'B') && wordStart && text.startsWith(u'-'))
                text.prepend(QStringLiteral("./"));
            out += QuoteFor(text, quoting);
            wordStart = false;
            i += 2;
            continue;
        }
        // No value: the code stays as written.
        copy(c);
        copy(code);
        i += 2;
    }
    return out;
}

QString GenerateBatchScript(const QStringList& entries, const std::vector<BatchItem>& items,
                            const BatchPaths& paths) {
    QString script = kBatchScriptHeader;
    int counter = 0;
    for (const BatchItem& item : items) {
        for (const QString& entry : entries) {
            script += ExpandBatchEntry(entry, item, paths, counter);
            script += u'\n';
        }
        ++counter;
    }
    return script;
}

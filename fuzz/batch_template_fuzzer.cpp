// Batch template expansion over names nobody chose: the input is a
// template, a NUL, then item names one a line. Whatever the names hold,
// the script the shell runs must keep each one as data. The check here is
// the one that matters for a name alone in a word: "$N" expanded outside
// quotes gives a shell word that, unquoted the POSIX way, is the name again.
// And the property for every place: the script made with a name in every
// code reads, for the shell (ShellModel.h), exactly as the script made with
// a harmless stand-in, the stand-in's characters replaced by the name's.

#include <QList>
#include <vector>

#include "FuzzSupport.h"
#include "ShellModel.h"
#include "platform/namespace/NameCodec.h"
#include "tools/BatchScript.h"

namespace {

// The value of one POSIX shell word made only of plain characters, single
// quotes and "\'" (what ShellQuote writes); nullopt for anything else.
std::optional<QString> UnquoteWord(const QString& word) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (quoted) {
            if (c == QLatin1Char('\''))
                quoted = false;
            else
                out += c;
        } else if (c == QLatin1Char('\'')) {
            quoted = true;
        } else if (c == QLatin1Char('\\') && i + 1 < word.size()) {
            out += word[++i];
        } else if (c.isLetterOrNumber() || QStringLiteral("_@%+=:,./-").contains(c)) {
            out += c;
        } else {
            return std::nullopt;
        }
    }
    if (quoted)
        return std::nullopt;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype cut = bytes.indexOf('\0');
    const QString templateText =
        QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut)).left(kBatchTemplateLimit);
    std::vector<BatchItem> items;
    if (cut >= 0) {
        for (const QByteArray& raw : bytes.mid(cut + 1).split('\n').mid(0, 16))
            items.push_back({NameFromBytes(raw), QStringLiteral("/tmp/f o'l$der")});
    }
    const BatchPaths paths{QStringLiteral("/left"), QStringLiteral("/r i\"ght"),
                           QStringLiteral("/in`active")};

    const QStringList entries = ParseBatchTemplate(templateText);
    const QString script = GenerateBatchScript(entries, items, paths);
    FUZZ_CHECK(script.startsWith(kBatchScriptHeader));

    // The same script with the first name in every code and folder, and with
    // a stand-in (private-use characters, which the quoting puts in quotes).
    // Names with a "." (their $B and $E differ from $N) or a leading "-"
    // (written "./-...") are left to the checks below.
    const QString name = items.empty() ? QString() : items.front().name;
    const QString standIn = QStringLiteral("\uE001\uE000");
    if (!name.contains(u'.') && !name.startsWith(u'-') && !name.contains(QChar(0)) &&
        !name.contains(QChar(0xE000)) && !templateText.contains(QChar(0xE000))) {
        bool refusedNamed = false;
        bool refusedStanding = false;
        const QString named = GenerateBatchScript(entries, {{name, name}, {name, name}},
                                                  {name, name, name}, &refusedNamed);
        const QString standing =
            GenerateBatchScript(entries, {{standIn, standIn}, {standIn, standIn}},
                                {standIn, standIn, standIn}, &refusedStanding);
        FUZZ_CHECK(refusedNamed == refusedStanding);
        if (refusedStanding)
            FUZZ_CHECK(!BatchTemplateIsSafe(entries));
        bool broken = false;
        const std::optional<QString> shape = ShellStructure(named);
        const std::optional<QString> expected = ShellStructure(standing, &broken);
        // A refused template is never written out, so its shape does not matter.
        if (shape && expected && !broken && !refusedStanding) {
            QString wanted = *expected;
            wanted.replace(ShellLiteral(standIn), ShellLiteral(name));
            if (*shape != wanted)
                std::fprintf(stderr, "script:\n%s\n", qPrintable(named));
            FUZZ_CHECK(*shape == wanted);
        }
    }

    for (const BatchItem& item : items) {
        if (!item.name.isEmpty()) {
            const QString word = ExpandBatchEntry(QStringLiteral("$N"), item, paths, 0);
            // A name that starts with "-" is written "./-...".
            const QString expected = item.name.startsWith(QLatin1Char('-'))
                                         ? QStringLiteral("./") + item.name
                                         : item.name;
            FUZZ_CHECK(UnquoteWord(word) == expected);
        }
        FUZZ_CHECK(UnquoteWord(ShellQuote(item.name)) == item.name);
    }
    return 0;
}

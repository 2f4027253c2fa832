// The command line's macros with commands and names nobody chose: the
// input is a command text (what follows the "$" of a shell command), a NUL,
// then a name. The property: no byte of a name reaches the shell unquoted.
//
// Checked by what the shell would do with the text (ShellModel.h, a reader
// written apart from the quoting): the command made with the name in every
// macro must have exactly the structure of the command made with harmless
// stand-ins, each stand-in's characters replaced by the name's. A name
// that opened a substitution, ended a quote or a comment, became a
// parameter, a tilde prefix or a reserved word, or split a word, would
// change that structure.
//
// Also: a text without macros is left as it is, a macro alone is its value
// as one shell word, and the "$" command reaches the terminal's shell as
// one argument holding exactly the expanded command.

#include <QList>

#include "FuzzSupport.h"
#include "ShellModel.h"
#include "app/CommandRunner.h"
#include "platform/namespace/NameCodec.h"
#include "platform/process/Launch.h"

namespace {

// Stand-ins: private-use characters, so no name or command holds them
// (inputs that do are skipped) and the quoting puts them in quotes.
const QString kStandIns[] = {QStringLiteral("\uE001\uE000"), QStringLiteral("\uE002\uE000"),
                             QStringLiteral("\uE003\uE000"), QStringLiteral("\uE004\uE000"),
                             QStringLiteral("\uE005\uE000")};

MacroValues ValuesOf(const QString& left, const QString& right, const QString& active,
                     const QString& inactive, const QString& name) {
    MacroValues values;
    values.left = left;
    values.right = right;
    values.active = active;
    values.inactive = inactive;
    values.focusedName = name;
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype cut = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QString name = cut < 0 ? QString() : NameFromBytes(bytes.mid(cut + 1));
    // A name never holds NUL; the stand-ins' characters are reserved here.
    if (name.contains(QChar(0)) || text.contains(QChar(0xE000)) || name.contains(QChar(0xE000)))
        return 0;

    // What the macros give, with the name everywhere and with stand-ins.
    const MacroValues named = ValuesOf(name, name, name, name, name);
    const MacroValues standing =
        ValuesOf(kStandIns[0], kStandIns[1], kStandIns[2], kStandIns[3], kStandIns[4]);
    bool refusedNamed = false;
    bool refusedStanding = false;
    const QString withName = ReplaceMacros(text, named, &refusedNamed);
    const QString withStandIns = ReplaceMacros(text, standing, &refusedStanding);
    // Where a value lands is the command's business, not the value's.
    FUZZ_CHECK(refusedNamed == refusedStanding);

    bool brokenCommand = false;
    const std::optional<QString> shape = ShellStructure(withName);
    const std::optional<QString> expected = ShellStructure(withStandIns, &brokenCommand);
    // A command the shell refuses whatever the names runs nothing.
    if (shape && expected && !brokenCommand) {
        QString wanted = *expected;
        for (const QString& standIn : kStandIns)
            wanted.replace(ShellLiteral(standIn), ShellLiteral(name));
        if (*shape != wanted) {
            std::fprintf(stderr, "command: %s\nwith the name: %s\nwith stand-ins: %s\n",
                         qPrintable(text), qPrintable(withName), qPrintable(withStandIns));
        }
        FUZZ_CHECK(*shape == wanted);
    }

    // Without any macro in the text, nothing changes.
    bool anyMacro = false;
    for (const char* macro : {"$L", "$R", "$N", "$P", "$I"})
        anyMacro = anyMacro || text.contains(QLatin1String(macro));
    if (!anyMacro)
        FUZZ_CHECK(withName == text);

    // A macro standing as an argument gives exactly its value as one shell
    // word. (Where a command name stands, a reserved word such as "do" is
    // quoted as well, so that place is left to the structure check above.)
    const QString quoted = ShellQuoteIfNeeded(name);
    FUZZ_CHECK(ReplaceMacros(QStringLiteral("echo $L"), named) == QStringLiteral("echo ") + quoted);
    FUZZ_CHECK(ReplaceMacros(QStringLiteral("echo $R $R"), named) ==
               QStringLiteral("echo ") + quoted + QLatin1Char(' ') + quoted);
    const std::optional<QStringList> word = SplitCommandLine(quoted);
    FUZZ_CHECK(word && word->size() == 1 && word->front() == name);

    // The "$" command is one argument of the preamble, as it was made.
    const std::optional<QStringList> line = SplitCommandLine(
        QStringLiteral("sh -c 'eval \"$1\"' corvane ") + ShellQuoteIfNeeded(withName));
    FUZZ_CHECK(line && line->size() == 5 && line->back() == withName);
    return 0;
}

// The address bar's command-line macros with folders and names nobody
// chose: the input is a command text, then up to five values (the left,
// right, active and inactive folders and the focused name) after NUL
// bytes. A value goes in as one shell word, and is never searched for a
// later macro.

#include <QList>

#include "FuzzSupport.h"
#include "app/CommandRunner.h"
#include "platform/namespace/NameCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = bytes.split('\0');
    const QString text = QString::fromUtf8(parts.value(0));
    MacroValues values;
    values.left = NameFromBytes(parts.value(1));
    values.right = NameFromBytes(parts.value(2));
    values.active = NameFromBytes(parts.value(3));
    values.inactive = NameFromBytes(parts.value(4));
    if (parts.size() > 5)
        values.focusedName = NameFromBytes(parts.value(5));

    const QString replaced = ReplaceMacros(text, values);
    // Without any macro in the text, nothing changes.
    static const QString kMacros[] = {QStringLiteral("$L"), QStringLiteral("$R"),
                                      QStringLiteral("$N"), QStringLiteral("$P"),
                                      QStringLiteral("$I")};
    bool anyMacro = false;
    for (const QString& macro : kMacros) anyMacro = anyMacro || text.contains(macro);
    if (!anyMacro)
        FUZZ_CHECK(replaced == text);

    // A text that is one macro gives exactly its value as one shell word.
    const QString alone = ReplaceMacros(QStringLiteral("$L"), values);
    FUZZ_CHECK(alone == ShellQuoteIfNeeded(values.left));
    const QString quoted = ShellQuoteIfNeeded(values.right);
    FUZZ_CHECK(ReplaceMacros(QStringLiteral("$R $R"), values) ==
               quoted + QLatin1Char(' ') + quoted);
    return 0;
}

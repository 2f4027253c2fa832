// Pattern lists as typed or stored (the visual filter, selection, find):
// the input is a list, a NUL, then names to match. Matching must stay
// within its cost bound and agree with the list's own canonical text.

#include <QList>

#include "FuzzSupport.h"
#include "platform/namespace/NameCodec.h"
#include "shell/PatternList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype cut = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QList<QByteArray> names = cut < 0 ? QList<QByteArray>() : bytes.mid(cut + 1).split('\n');

    PatternList list;
    const bool any = list.Parse(text);
    FUZZ_CHECK(any == !list.isEmpty());
    PatternList canonical;
    canonical.Parse(list.ToText());
    // The text the panes store parses to the same list.
    FUZZ_CHECK(canonical.patterns() == list.patterns());
    for (const QByteArray& raw : names) {
        const QString name = NameFromBytes(raw);
        const bool matches = list.Matches(name);
        FUZZ_CHECK(canonical.Matches(name) == matches);
        for (const QString& pattern : list.patterns()) (void)MatchPattern(name, pattern);
    }
    // Every pattern matches itself when it has no wildcard.
    for (const QString& pattern : list.patterns()) {
        if (!pattern.startsWith(QLatin1Char('-')) && !pattern.contains(QLatin1Char('*')) &&
            !pattern.contains(QLatin1Char('?')))
            FUZZ_CHECK(MatchPattern(pattern, pattern));
    }
    return 0;
}

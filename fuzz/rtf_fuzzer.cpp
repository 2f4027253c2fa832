// The help viewer's rich-text reader over damaged or hostile RTF: it must
// read any bytes without a fault, and what it shows never holds more
// characters than a bounded multiple of the input (no run-away expansion).

#include <QTextDocument>

#include "FuzzSupport.h"
#include "editor/RtfReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnsureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray rtf(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument document;
    const bool read = ReadRtf(rtf, document);
    FUZZ_CHECK(read == rtf.startsWith("{\\rtf"));
    if (!read)
        FUZZ_CHECK(document.isEmpty());
    FUZZ_CHECK(document.characterCount() <= 2 * qsizetype(size) + 1);
    return 0;
}

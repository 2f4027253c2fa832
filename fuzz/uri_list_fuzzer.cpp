// text/uri-list from another program: every path read is absolute, and a
// path read from a URI comes back unchanged through the URI we would write
// for it (so a copy or a paste names exactly the file the source meant).

#include <QStringList>

#include "FuzzSupport.h"
#include "fileops/TransferFormats.h"
#include "platform/namespace/NameCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray block(reinterpret_cast<const char*>(data), qsizetype(size));

    // The name codec first: any bytes make a name that gives them back.
    FUZZ_CHECK(NameToBytes(NameFromBytes(block)) == block);

    const QStringList paths = DecodeUriList(block);
    for (const QString& path : paths) {
        FUZZ_CHECK(path.startsWith(QLatin1Char('/')));
        FUZZ_CHECK(!NameToBytes(path).contains('\0'));
        const std::optional<QString> again = PathOfFileUri(FileUriOf(path));
        FUZZ_CHECK(again && *again == path);
    }
    if (!paths.isEmpty())
        FUZZ_CHECK(DecodeUriList(EncodeUriList(paths)) == paths);
    return 0;
}

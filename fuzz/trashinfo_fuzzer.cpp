// .trashinfo files, which any program that trashes may write: an original
// path read from one is absolute, free of "." and ".." components and NUL
// bytes (a restore must never write outside where the file came from), and
// survives the percent-encoding we would write for it.

#include <QList>

#include "FuzzSupport.h"
#include "platform/trash/Trash.h"

namespace {

void Check(const QByteArray& text, const TrashDirectory& trash) {
    const std::optional<TrashInfo> info = ParseTrashInfo(text, trash);
    if (!info)
        return;
    const QByteArray& path = info->originalPath;
    FUZZ_CHECK(path.startsWith('/'));
    FUZZ_CHECK(!path.contains('\0'));
    for (const QByteArray& part : path.split('/')) FUZZ_CHECK(part != "." && part != "..");
    const QByteArray written =
        "[Trash Info]\nPath=" + TrashInfoPathValue(path) + "\nDeletionDate=2024-01-02T03:04:05\n";
    const std::optional<TrashInfo> again = ParseTrashInfo(written, trash);
    FUZZ_CHECK(again && again->originalPath == path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    Check(text, TrashDirectory{"/home/u/.local/share/Trash", {}});
    Check(text, TrashDirectory{"/media/stick/.Trash-1000", "/media/stick"});
    Check(text, TrashDirectory{"/.Trash-1000", "/"});
    return 0;
}

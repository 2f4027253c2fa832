// The formats other file managers use to say "cut" or "copy" on the
// clipboard: x-special/gnome-copied-files (and its MATE twin) and
// application/x-kde-cutselection, read as a paste reads them.
//
// The first input byte says which formats the clipboard offers; the rest is
// cut at NUL bytes into their contents, in the order of kFormats.

#include <QHash>
#include <QList>
#include <QStringList>

#include "FuzzSupport.h"
#include "fileops/TransferFormats.h"
#include "platform/namespace/ClipFormats.h"

namespace {

const QString kFormats[] = {ClipFormats::kGnomeCopiedFiles, ClipFormats::kMateCopiedFiles,
                            ClipFormats::kKdeCutSelection, ClipFormats::kUriList};

class FuzzDataObject : public ShellDataObject {
public:
    QStringList Formats() const override { return m_data.keys(); }
    QByteArray GetData(const QString& mime) const override { return m_data.value(mime); }
    QHash<QString, QByteArray> m_data;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t offered = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QByteArray> parts = rest.split('\0');

    FuzzDataObject clipboard;
    for (int i = 0; i < 4; ++i) {
        if (offered & (1 << i))
            clipboard.m_data.insert(kFormats[i], parts.value(i));
    }

    // Each block alone, as the gnome reader sees it.
    for (const QByteArray& part : parts) {
        const std::optional<CopiedFiles> files = DecodeCopiedFiles(part);
        if (!files)
            continue;
        for (const QString& path : files->paths) FUZZ_CHECK(path.startsWith(QLatin1Char('/')));
        const std::optional<CopiedFiles> again =
            DecodeCopiedFiles(EncodeCopiedFiles(files->cut, files->paths));
        FUZZ_CHECK(again && again->cut == files->cut && again->paths == files->paths);
    }

    // The whole clipboard, as a paste sees it.
    const std::optional<std::uint32_t> effect = PreferredEffectOf(clipboard);
    FUZZ_CHECK(!effect || *effect == DROPEFFECT_COPY || *effect == DROPEFFECT_MOVE);
    // A KDE cut selection alone always says something.
    if (offered & 0x4)
        FUZZ_CHECK(effect.has_value());
    for (const QString& path : FilePathsOf(clipboard))
        FUZZ_CHECK(path.startsWith(QLatin1Char('/')));
    return 0;
}

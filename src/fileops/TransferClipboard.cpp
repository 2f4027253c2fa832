#include "fileops/TransferClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include "fileops/TransferFormats.h"
#include "platform/namespace/ClipFormats.h"

namespace {

// What we put on the clipboard last. The clipboard owns the MIME data; the
// pointer tells whether it is still there.
struct OwnClipboard {
    QPointer<QMimeData> mime;
    std::shared_ptr<const ShellDataObject> data;
    std::uint32_t preferred = 0;
};

OwnClipboard& Own() {
    static OwnClipboard own;
    return own;
}

QClipboard* Clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

bool StillOurs() {
    QClipboard* clipboard = Clipboard();
    OwnClipboard& own = Own();
    return clipboard && own.mime && own.data && clipboard->mimeData() == own.mime.data();
}

}  // namespace

bool SetClipboardData(std::unique_ptr<ShellDataObject> data, std::uint32_t preferred) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard || !data)
        return false;
    auto overlay = std::make_shared<OverlayDataObject>(std::move(data));
    overlay->SetData(ClipFormats::kPreferredDropEffect, DwordBytes(preferred));
    QMimeData* mime = ToMimeData(std::shared_ptr<const ShellDataObject>(overlay), preferred);
    clipboard->setMimeData(mime);
    if (clipboard->mimeData() != mime)
        return false;
    OwnClipboard& own = Own();
    own.mime = mime;
    own.data = std::move(overlay);
    own.preferred = preferred;
    return true;
}

std::shared_ptr<const ShellDataObject> ClipboardDataObject() {
    if (StillOurs())
        return Own().data;
    QClipboard* clipboard = Clipboard();
    if (!clipboard)
        return nullptr;
    const QMimeData* mime = clipboard->mimeData();
    if (!mime || mime->formats().isEmpty())
        return nullptr;
    return std::make_shared<MimeDataObject>(*mime);
}

bool ClipboardOffersTransfer() {
    if (StillOurs())
        return true;
    QClipboard* clipboard = Clipboard();
    const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
    if (!mime)
        return false;
    if (mime->hasFormat(ClipFormats::kShellIdList) || mime->hasFormat(ClipFormats::kFileContents))
        return true;
    if (mime->hasFormat(ClipFormats::kUriList) &&
        !DecodeUriList(mime->data(ClipFormats::kUriList)).isEmpty())
        return true;
    for (const QString& format : {ClipFormats::kGnomeCopiedFiles, ClipFormats::kMateCopiedFiles}) {
        if (!mime->hasFormat(format))
            continue;
        const std::optional<CopiedFiles> files = DecodeCopiedFiles(mime->data(format));
        if (files && !files->paths.isEmpty())
            return true;
    }
    return false;
}

bool ClipboardHoldsOurCut() {
    return StillOurs() && OperationFromPreferred(Own().preferred) == DROPEFFECT_MOVE;
}

void EmptyClipboard() {
    if (QClipboard* clipboard = Clipboard())
        clipboard->clear();
    OwnClipboard& own = Own();
    own.mime.clear();
    own.data.reset();
    own.preferred = 0;
}

#include "pane/PaneStatusLine.h"

#include <sys/statvfs.h>

#include <QElapsedTimer>
#include <QMimeType>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"

namespace {

const QString kManySelected = QStringLiteral("%1 objects selected, %2 %3in total");
const QString kObjects = QStringLiteral("%1 Object%2, %3 %4in total");
const QString kEmptyFolder = QStringLiteral("Empty folder");
const QString kSelectedLabel = QStringLiteral("Selected");
const QString kFocusedLabel = QStringLiteral("Focused");
const QString kObjectLabel = QStringLiteral("%1 object: ");
const QString kSpecialFolder = QStringLiteral("Special folder");
const QString kVirtualItem = QStringLiteral("Item");
const QString kFolder = QStringLiteral("Folder");
const QString kShortcut = QStringLiteral("Link, ");
const QString kBytesWord = QStringLiteral("bytes ");
const QString kBytesSuffix = QStringLiteral(" bytes");
const QString kFree = QStringLiteral("%1 free");
const QString kUnknownSpace = QStringLiteral("???");
const QString kDateLabels[] = {QStringLiteral(", Modified "), QStringLiteral(", Created "),
                               QStringLiteral(", Accessed ")};

// What a virtual item really is, as its type's description says it
// ("desktop configuration file" for an application); an item whose name
// tells nothing is just an item.
QString VirtualItemKind(const FolderItem& item) {
    const QMimeType mime = IconRegistry::Instance().MimeTypeForName(item.name);
    if (!mime.isValid() || mime.isDefault() || mime.comment().isEmpty())
        return kVirtualItem;
    QString kind = mime.comment();
    kind[0] = kind[0].toUpper();
    return kind;
}

QString BytesWord() {
    return General().plainBytesFormat ? kBytesWord : QString();
}

std::function<std::int64_t()>& TickSource() {
    static std::function<std::int64_t()> source;
    return source;
}

}  // namespace

std::int64_t StatusTickCount() {
    if (TickSource())
        return TickSource()();
    static QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

void SetStatusTickSource(std::function<std::int64_t()> source) {
    TickSource() = std::move(source);
}

QString RowDescription(CPanexView& pane, FolderItem& item, const QString& label) {
    QString text = kObjectLabel.arg(label);
    const FolderModel* model = pane.Model();
    const bool folderLike = item.IsFolderLike(false);
    if (model && model->IsVirtual())
        return text + (folderLike ? kSpecialFolder : VirtualItemKind(item));

    if (folderLike)
        text += kFolder;
    else if (item.attributes & SFGAO_LINK)
        text += kShortcut;
    if (item.size != 0 || !folderLike) {
        if (folderLike)
            text += QStringLiteral(", ");
        text += item.SizeText();
        if (General().plainBytesFormat)
            text += kBytesSuffix;
    }
    const int date = std::clamp(General().fileDateUsed, 0, 2);
    return text + kDateLabels[date] + item.DateText(date);
}

std::optional<QString> SelectionSummary(CPanexView& pane) {
    PaneListCtrl& list = *pane.List();
    // Asked several times a second: the kept totals, not a walk of what may
    // be 100,000 selected rows.
    const PaneListCtrl::SelectionTotals totals = list.SelectedTotals();
    if (totals.count >= 2)
        return kManySelected.arg(totals.count).arg(FormatSize(totals.bytes), BytesWord());
    if (totals.count == 1) {
        const std::vector<FolderItem*> selected = list.SelectedItems();
        if (!selected.empty())
            return RowDescription(pane, *selected.front(), kSelectedLabel);
    }

    const int rows = list.RowCount();
    if (pane.stickySelection() && rows > 0) {
        const int focused = list.FocusedRow();
        FolderItem* item = focused >= 0 ? list.ItemAt(focused) : nullptr;
        if (!item)
            return std::nullopt;
        return RowDescription(pane, *item, kFocusedLabel);
    }
    if (rows == 0)
        return kEmptyFolder;
    return kObjects.arg(rows).arg(rows == 1 ? QString() : QStringLiteral("s"),
                                  FormatSize(pane.listedTotal()), BytesWord());
}

QString FreeSpaceText(const QString& path) {
    struct statvfs info {};
    if (path.isEmpty() || ::statvfs(NameToBytes(path).constData(), &info) != 0)
        return kUnknownSpace;
    return FormatSizeUnits(std::uint64_t(info.f_bavail) * std::uint64_t(info.f_frsize));
}

std::optional<QString> FreeSpaceIndicator::Update(const QString& fileSystemPath, int intervalMs) {
    const std::int64_t now = StatusTickCount();
    if (m_lastUpdate && now - *m_lastUpdate <= intervalMs)
        return std::nullopt;
    m_lastUpdate = now;
    return fileSystemPath.isEmpty() ? QString() : kFree.arg(FreeSpaceText(fileSystemPath));
}

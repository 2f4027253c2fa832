#include "tools/DirListing.h"

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/ui/Prompter.h"
#include "shell/FolderItem.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/NotifyShell.h"
#include "tools/BatchScript.h"
#include "tools/ToolFiles.h"

namespace {

const QString kFlags = QStringLiteral("-+ #0");

struct Conversion {
    int start = 0;
    int end = 0;  // one past the "s"
    bool left = false;
    int width = -1;
    int precision = -1;
};

// The conversions of `format`; false on any that is not a plain "%s".
bool ParseConversions(const QString& format, std::vector<Conversion>* out) {
    const int length = int(format.size());
    for (int i = 0; i < length; ++i) {
        if (format[i] != u'%')
            continue;
        if (i + 1 < length && format[i + 1] == u'%') {
            ++i;
            continue;
        }
        Conversion conversion;
        conversion.start = i;
        int j = i + 1;
        while (j < length && kFlags.contains(format[j])) {
            if (format[j] == u'-')
                conversion.left = true;
            ++j;
        }
        auto number = [&](int* value) {
            int digits = 0;
            int n = 0;
            while (j < length && format[j].isDigit() && format[j].unicode() < 128 && digits < 4) {
                n = n * 10 + (format[j].unicode() - '0');
                ++j;
                ++digits;
            }
            if (digits > 0)
                *value = n;
            return !(j < length && format[j].isDigit());
        };
        if (!number(&conversion.width))
            return false;
        if (j < length && format[j] == u'.') {
            ++j;
            conversion.precision = 0;
            if (!number(&conversion.precision))
                return false;
        }
        if (j >= length || format[j] != u's')
            return false;
        conversion.end = j + 1;
        out->push_back(conversion);
        i = j;
    }
    return true;
}

QString Unescape(QStringView text) {
    QString out = text.toString();
    return out.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

}  // namespace

bool IsValidListingFormat(const QString& format) {
    std::vector<Conversion> conversions;
    return ParseConversions(format, &conversions) && conversions.size() == 3;
}

QString FormatListingLine(const QString& format, const QString& a, const QString& b,
                          const QString& c) {
    std::vector<Conversion> conversions;
    if (!ParseConversions(format, &conversions) || conversions.size() != 3)
        return {};
    const QString* values[3] = {&a, &b, &c};
    QString out;
    int at = 0;
    for (size_t k = 0; k < 3; ++k) {
        const Conversion& conversion = conversions[k];
        out += Unescape(QStringView(format).mid(at, conversion.start - at));
        QString value = *values[k];
        if (conversion.precision >= 0)
            value.truncate(conversion.precision);
        if (conversion.width > value.size())
            value = conversion.left ? value.leftJustified(conversion.width)
                                    : value.rightJustified(conversion.width);
        out += value;
        at = conversion.end;
    }
    out += Unescape(QStringView(format).mid(at));
    return out;
}

QString BuildListing(const QString& folder, int dateKind, const std::vector<ListingRow>& rows,
                     const QString& format, bool plainBytes) {
    static const QString labels[3] = {QStringLiteral("MODIFIED"), QStringLiteral("CREATED"),
                                      QStringLiteral("ACCESSED")};
    QString text = QStringLiteral("LISTING OF '%1'\n---------------\n").arg(folder);
    text += FormatListingLine(format, QStringLiteral("NAME"), QStringLiteral("SIZE"),
                              labels[std::clamp(dateKind, 0, 2)]);
    std::uint64_t total = 0;
    for (const ListingRow& row : rows) {
        text += FormatListingLine(format, row.name, row.size, row.date);
        total += row.bytes;
    }
    text += QStringLiteral("---------------\n%1 item(s); %2 %3in total\n")
                .arg(qulonglong(rows.size()))
                .arg(FormatSize(total), plainBytes ? QStringLiteral("bytes ") : QString());
    return text;
}

std::vector<ListingRow> SelectionListingRows(CPanexView& pane) {
    std::vector<ListingRow> rows;
    const int kind = General().fileDateUsed;
    for (const FolderItem* item : pane.List()->OperandItems()) {
        // The texts of the Name, Size and Date columns, as the pane shows
        // them.
        rows.push_back({item->displayName, item->SizeText(), item->DateText(kind), item->size});
    }
    return rows;
}

QString JoinNames(const QStringList& paths, bool shellQuoted) {
    if (!shellQuoted)
        return paths.join(u'\n');
    QStringList quoted;
    quoted.reserve(paths.size());
    for (const QString& path : paths) quoted.append(ShellQuote(path));
    return quoted.join(u'\n');
}

bool WriteListingFile(const QString& path, const QString& text) {
    // The listing holds the user's folder names: for the user's eyes only.
    constexpr mode_t kListingMode = 0600;
    if (path.isEmpty() || !WriteFileReplacing(path, NameToBytes(text), kListingMode))
        return false;
    NotifyShell(SHCNE_CREATE, path);
    return true;
}

void PrintListingFile(const QString& path, const QString& text,
                      const std::function<bool(const QString& path, bool viewOnly)>& open) {
    if (!WriteListingFile(path, text)) {
        Notice(ListingTexts::kWriteFailed, true);
        return;
    }
    if (open)
        open(path, false);
    else
        Beep(BeepKind::Exclamation);
}

#include "pane/DetailsColumnWidths.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QStringList>
#include <QStyle>
#include <QTreeView>
#include <algorithm>
#include <climits>

#include "platform/store/ProfileStore.h"
#include "shell/FolderItem.h"
#include "shell/FormatSize.h"

namespace {

// Stored widths outside [kMinimumWidth, screen width] take the default.
constexpr int kMinimumWidth = 10;
constexpr int kDateColumnPaddingExtra = 12;

int ScreenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

// atoi: leading blanks, an optional sign, digits; the rest is ignored.
int LeadingNumber(QStringView field) {
    qsizetype i = 0;
    while (i < field.size() && field[i].isSpace()) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == u'-' || field[i] == u'+')) {
        negative = field[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    while (i < field.size() && field[i] >= u'0' && field[i] <= u'9') {
        value = std::min<qint64>(value * 10 + (field[i].unicode() - u'0'), qint64(1) << 31);
        ++i;
    }
    return int(std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX));
}

}  // namespace

std::vector<int> DetailsColumnWidths::Widths() const {
    std::vector<int> widths;
    const QHeaderView* header = m_tree->header();
    const int count = int(m_model->Columns().size());
    for (int i = 0; i < count; ++i) widths.push_back(header->sectionSize(i));
    return widths;
}

void DetailsColumnWidths::SetWidths(const std::vector<int>& widths) {
    QHeaderView* header = m_tree->header();
    const auto& columns = m_model->Columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int width = i < widths.size() ? widths[i] : DefaultWidthOf(columns[i]);
        header->resizeSection(int(i), width);
    }
}

int DetailsColumnWidths::DefaultWidthOf(const PaneColumn& column) const {
    const int padding =
        2 * m_tree->style()->pixelMetric(QStyle::PM_HeaderMargin) + kDateColumnPaddingExtra;
    if (column.kind == PaneColumnKind::Size) {
        // A file of 2 GiB, the size where a narrow column first cuts digits
        // off for files people commonly have.
        const QString sample = FormatSizeGrouped(std::uint64_t(2147483648ULL));
        return std::max(column.defaultWidth,
                        m_tree->fontMetrics().horizontalAdvance(sample) + padding);
    }
    if (column.kind != PaneColumnKind::Date)
        return column.defaultWidth;
    // The date texts follow the user's locale, which may well be wider than
    // the fixed default: a date column that cuts the time off is no use. A
    // late date of two-digit fields stands for the widest.
    const QDateTime widest(QDate(2026, 12, 28), QTime(23, 58, 58));
    const QString sample = FormatFileTime(FileTimeFromTimespec(widest.toSecsSinceEpoch(), 0));
    return std::max(column.defaultWidth, m_tree->fontMetrics().horizontalAdvance(sample) + padding);
}

std::vector<int> DetailsColumnWidths::Defaults() const {
    std::vector<int> defaults;
    for (const PaneColumn& column : m_model->Columns()) defaults.push_back(DefaultWidthOf(column));
    return defaults;
}

void DetailsColumnWidths::Load(const ProfileStore& store, const QString& section,
                               const QString& key) {
    SetWidths(Parse(store.GetProfileString(section, key), Defaults(), ScreenWidth()));
}

void DetailsColumnWidths::Save(ProfileStore& store, const QString& section,
                               const QString& key) const {
    store.WriteProfileString(section, key, Format(Widths()));
}

std::vector<int> DetailsColumnWidths::Parse(const QString& text, const std::vector<int>& defaults,
                                            int screenWidth) {
    const QList<QStringView> fields = QStringView(text).split(QLatin1Char(','));
    if (fields.size() != qsizetype(defaults.size()))
        return defaults;
    std::vector<int> widths(defaults);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int width = LeadingNumber(fields[qsizetype(i)]);
        if (width >= kMinimumWidth && (screenWidth <= 0 || width <= screenWidth))
            widths[i] = width;
    }
    return widths;
}

QString DetailsColumnWidths::Format(const std::vector<int>& widths) {
    QStringList fields;
    for (int width : widths) fields.push_back(QString::number(width));
    return fields.join(QLatin1Char(','));
}

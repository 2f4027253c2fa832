#include "pane/PaneListCtrl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStackedLayout>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <algorithm>

#include "pane/CompareItems.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"

namespace {

const QString kCursorWarped = QStringLiteral("Cursor warped round the pane");

// "lvsExtendedStyle" bits that have a meaning here.
constexpr int kExGridLines = 0x1;
constexpr int kExHeaderDragDrop = 0x10;
constexpr int kExFullRowSelect = 0x20;
constexpr int kExOneClickActivate = 0x40;
constexpr int kExTwoClickActivate = 0x80;
constexpr int kExInfoTip = 0x400;
constexpr int kExUnderlineHot = 0x800;
constexpr int kExUnderlineCold = 0x1000;
constexpr int kExLabelTip = 0x4000;

constexpr int kTypeAheadResetMs = 1000;
constexpr int kListWidthWindow = 80;
constexpr int kListPaddingExtra = 12;
// Qt lays label text out with fractional advances, which can come out a
// pixel wider than the whole-pixel width measured here; without the slack
// the widest label of a column would be elided.
constexpr int kTextLayoutSlack = 2;
constexpr int kSmallIconGridWidth = 150;
constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;
// Above this many rows labels are first estimated, and only the widest
// estimates are measured exactly.
constexpr int kExactMeasureRows = 256;
constexpr int kExactMeasureCandidates = 64;

bool IsSortCommand(int id) {
    return id >= ID_SORT_NONE && id <= ID_SORT_FOLDER;
}

bool IsViewCommand(int id) {
    return id >= ID_VIEW_SMALLICON && id <= ID_VIEW_DETAILS;
}

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

// Paints what the style alone does not: grid lines and the Name-only
// highlight of details, underlined hot labels, and the dotted frame that
// marks the focused row of a list without the keyboard focus (the inactive
// pane). It also answers tooltips with label and info tips.
class PaneItemDelegate : public QStyledItemDelegate {
public:
    explicit PaneItemDelegate(PaneListCtrl* owner) : QStyledItemDelegate(owner), m_owner(owner) {}

    int extendedStyle = 0;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto* tree = qobject_cast<const QTreeView*>(option.widget);
        QStyleOptionViewItem opt(option);
        if (tree && !(extendedStyle & kExFullRowSelect) && index.column() > 0)
            opt.state &= ~QStyle::State_Selected;
        if ((extendedStyle & (kExOneClickActivate | kExTwoClickActivate)) && index.column() == 0) {
            const bool hot = opt.state & QStyle::State_MouseOver;
            if ((hot && (extendedStyle & kExUnderlineHot)) ||
                (!hot && (extendedStyle & kExUnderlineCold)))
                opt.font.setUnderline(true);
        }
        QStyledItemDelegate::paint(painter, opt, index);

        if (tree && (extendedStyle & kExGridLines)) {
            painter->save();
            QColor line = option.palette.color(QPalette::Mid);
            line.setAlpha(140);
            painter->setPen(line);
            const QRect r = option.rect;
            painter->drawLine(r.bottomLeft(), r.bottomRight());
            painter->drawLine(r.topRight(), r.bottomRight());
            painter->restore();
        }

        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        if (view && !view->hasFocus() && view->currentIndex().row() == index.row() &&
            view->currentIndex().isValid())
            PaintFocusMark(painter, option, index, tree);
    }

protected:
    // Large icons centre their labels under the icon, whatever the column's
    // alignment.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->decorationPosition == QStyleOptionViewItem::Top)
            option->displayAlignment = Qt::AlignCenter;
    }

public:
    // The list views use uniform item sizes, which Qt takes from the first
    // row; every row gets its grid cell instead, so no label is cut to the
    // first row's width.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (const auto* list = qobject_cast<const QListView*>(option.widget)) {
            const QSize grid = list->gridSize();
            if (grid.isValid()) {
                return list->viewMode() == QListView::IconMode ? grid - QSize(6, 4) : grid;
            }
        }
        return QStyledItemDelegate::sizeHint(option, index);
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QString tip;
        FolderItem* item = m_owner->ItemAt(index.row());
        const bool elided = IsElided(option, index);
        // Info tips answer for the first column only. A label shown in full
        // gets the item's description alone; an elided one its full text
        // with the description on the next line.
        if (item && (extendedStyle & kExInfoTip) && index.column() == 0) {
            const QString info = item->InfoTip();
            if (!info.isEmpty())
                tip = elided ? index.data(Qt::DisplayRole).toString() + QLatin1Char('\n') + info
                             : info;
        }
        if (tip.isEmpty() && (extendedStyle & kExLabelTip) && elided)
            tip = index.data(Qt::DisplayRole).toString();
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        QToolTip::showText(event->globalPos(), tip, view, view->visualRect(index));
        return true;
    }

private:
    QRect TextRect(const QStyleOptionViewItem& option, const QModelIndex& index,
                   QStyleOptionViewItem& opt) const {
        opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    }

    bool IsElided(const QStyleOptionViewItem& option, const QModelIndex& index) const {
        QStyleOptionViewItem opt;
        const QRect textRect = TextRect(option, index, opt);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QFontMetrics fm(opt.font);
        if (opt.features & QStyleOptionViewItem::WrapText) {
            const QRect needed =
                fm.boundingRect(QRect(0, 0, textRect.width() - 2 * margin, INT_MAX / 2),
                                Qt::TextWordWrap | Qt::TextWrapAnywhere, opt.text);
            return needed.height() > textRect.height();
        }
        return fm.horizontalAdvance(opt.text) > textRect.width() - 2 * margin;
    }

    void PaintFocusMark(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index, const QTreeView* tree) const {
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        const QRect r = option.rect.adjusted(0, 0, -1, -1);
        if (tree) {
            // Each cell draws its part of one frame around the whole row.
            const QHeaderView* header = tree->header();
            const int visual = header->visualIndex(index.column());
            painter->drawLine(r.topLeft(), r.topRight());
            painter->drawLine(r.bottomLeft(), r.bottomRight());
            if (visual == 0)
                painter->drawLine(r.topLeft(), r.bottomLeft());
            if (visual == header->count() - 1 - header->hiddenSectionCount())
                painter->drawLine(r.topRight(), r.bottomRight());
        } else {
            QStyleOptionViewItem opt;
            const QRect textRect = TextRect(option, index, opt);
            const int width =
                std::min(textRect.width(), QFontMetrics(opt.font).horizontalAdvance(opt.text) + 3);
            QRect frame(textRect.left(), textRect.top(), width, textRect.height());
            if (opt.decorationPosition == QStyleOptionViewItem::Top)
                frame.moveLeft(textRect.left() + (textRect.width() - width) / 2);
            painter->drawRect(frame.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }

    PaneListCtrl* m_owner;
};

namespace {

// The two views: the sticky-selection rules are applied where Qt decides
// what a key or click does to the selection, and a drag is handed to the
// owner (the pane makes the data object).
template <class Base>
class PaneView : public Base {
public:
    explicit PaneView(PaneListCtrl* owner) : Base(owner), m_owner(owner) {}

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        const QItemSelectionModel::SelectionFlags flags = Base::selectionCommand(index, event);
        if (!m_owner->StickySelection())
            return flags;
        return m_owner->StickySelectionCommand(index, event, flags);
    }

    void startDrag(Qt::DropActions) override { Q_EMIT m_owner->dragStarted(Qt::LeftButton); }

    // The focus mark depends on the focus: repaint when it moves.
    void focusInEvent(QFocusEvent* event) override {
        Base::focusInEvent(event);
        this->viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        Base::focusOutEvent(event);
        this->viewport()->update();
    }

private:
    PaneListCtrl* m_owner;
};

void ConfigureCommon(QAbstractItemView* view, QStyledItemDelegate* delegate) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setDragDropMode(QAbstractItemView::DragOnly);
    view->setTextElideMode(Qt::ElideRight);
    view->setItemDelegate(delegate);
}

}  // namespace

PaneListCtrl::PaneListCtrl(QWidget* parent)
    : QWidget(parent),
      m_model(new PaneRowModel(this)),
      m_selection(nullptr),
      m_list(new PaneView<QListView>(this)),
      m_tree(new PaneView<QTreeView>(this)),
      m_stack(new QStackedLayout(this)),
      m_delegate(new PaneItemDelegate(this)),
      m_sortKey(ID_SORT_TYPE),
      m_viewStyle(ID_VIEW_LIST) {
    m_asciiAdvance.fill(-1);
    m_advanceFont = m_list->font();
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_list);
    m_stack->addWidget(m_tree);

    // One model and one selection model for both views, so the selection
    // and the focused row survive a change of view style.
    m_list->setModel(m_model);
    m_tree->setModel(m_model);
    QItemSelectionModel* listOwn = m_list->selectionModel();
    QItemSelectionModel* treeOwn = m_tree->selectionModel();
    m_selection = new QItemSelectionModel(m_model, this);
    m_list->setSelectionModel(m_selection);
    m_tree->setSelectionModel(m_selection);
    delete listOwn;
    delete treeOwn;

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_list), static_cast<QAbstractItemView*>(m_tree)}) {
        ConfigureCommon(view, m_delegate);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
            if (!(m_extendedStyle & kExOneClickActivate))
                Q_EMIT rowActivated(index.row(), false);
        });
        connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
            if (QGuiApplication::keyboardModifiers() &
                (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier))
                return;
            if ((m_extendedStyle & kExOneClickActivate) ||
                ((m_extendedStyle & kExTwoClickActivate) && m_pressOnSelected))
                Q_EMIT rowActivated(index.row(), true);
        });
    }

    m_list->setUniformItemSizes(true);
    m_list->setLayoutMode(QListView::SinglePass);
    m_list->setResizeMode(QListView::Adjust);

    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setExpandsOnDoubleClick(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setSortingEnabled(false);
    m_tree->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
    m_tree->header()->setSectionsClickable(true);
    m_tree->header()->setStretchLastSection(false);
    connect(m_tree->header(), &QHeaderView::sectionClicked, this, &PaneListCtrl::HeaderClicked);

    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                OnSelectionChanged(selected, deselected);
                Q_EMIT selectionChanged();
            });
    connect(m_delegate, &QAbstractItemDelegate::closeEditor, this, &PaneListCtrl::OnEditorClosed);
    connect(m_selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                Q_EMIT focusChanged(current.isValid() ? current.row() : -1);
            });
    connect(m_model, &PaneRowModel::labelEdited, this, &PaneListCtrl::labelEdited);
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { OnRowsInserted(first, last); });

    SetColumnWidths({});
    ApplyExtendedStyle(General().listExtendedStyle);
    ApplyViewStyle();
}

PaneListCtrl::~PaneListCtrl() = default;

// --- settings

void PaneListCtrl::LoadSettings(const ProfileStore& store, const QString& section) {
    int sortBy = store.GetProfileInt(section, kKeySortBy, ID_SORT_TYPE);
    if (!IsSortCommand(sortBy))
        sortBy = ID_SORT_TYPE;
    m_sortKey = sortBy;
    m_ascending = store.GetProfileInt(section, kKeySortAscending, 1) != 0;

    int viewStyle = store.GetProfileInt(section, kKeyViewStyle, ID_VIEW_LIST);
    if (!IsViewCommand(viewStyle))
        viewStyle = ID_VIEW_LIST;
    SetViewStyle(viewStyle);

    std::vector<int> defaults;
    for (const PaneColumn& column : Columns()) defaults.push_back(DefaultWidthOf(column));
    SetColumnWidths(ParseColumnWidths(store.GetProfileString(section, kKeyColumnWidths), defaults,
                                      ScreenWidth()));
}

void PaneListCtrl::SaveSettings(ProfileStore& store, const QString& section) const {
    store.WriteProfileInt(section, kKeySortBy, m_sortKey);
    store.WriteProfileInt(section, kKeySortAscending, m_ascending ? 1 : 0);
    store.WriteProfileInt(section, kKeyViewStyle, m_viewStyle);
    if (m_viewStyle == ID_VIEW_DETAILS) {
        QStringList fields;
        for (int width : ColumnWidths()) fields.push_back(QString::number(width));
        store.WriteProfileString(section, kKeyColumnWidths, fields.join(QLatin1Char(',')));
    }
}

std::vector<int> PaneListCtrl::ParseColumnWidths(const QString& text,
                                                 const std::vector<int>& defaults,
                                                 int screenWidth) {
    const QList<QStringView> fields = QStringView(text).split(QLatin1Char(','));
    if (fields.size() != qsizetype(defaults.size()))
        return defaults;
    std::vector<int> widths(defaults);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int width = LeadingNumber(fields[qsizetype(i)]);
        if (width >= 10 && (screenWidth <= 0 || width <= screenWidth))
            widths[i] = width;
    }
    return widths;
}

// --- columns

void PaneListCtrl::SetColumns(std::vector<PaneColumn> columns) {
    m_model->SetColumns(std::move(columns));
    SetColumnWidths({});
}

const std::vector<PaneColumn>& PaneListCtrl::Columns() const {
    return m_model->Columns();
}

std::vector<int> PaneListCtrl::ColumnWidths() const {
    std::vector<int> widths;
    const QHeaderView* header = m_tree->header();
    for (int i = 0; i < int(Columns().size()); ++i) widths.push_back(header->sectionSize(i));
    return widths;
}

void PaneListCtrl::SetColumnWidths(const std::vector<int>& widths) {
    QHeaderView* header = m_tree->header();
    const auto& columns = Columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int width = i < widths.size() ? widths[i] : DefaultWidthOf(columns[i]);
        header->resizeSection(int(i), width);
    }
}

int PaneListCtrl::DefaultWidthOf(const PaneColumn& column) const {
    if (column.kind != PaneColumnKind::Date)
        return column.defaultWidth;
    // The date texts follow the user's locale, which may well be wider than
    // the fixed default: a date column that cuts the time off is no use. A
    // late date of two-digit fields stands for the widest.
    const QDateTime widest(QDate(2026, 12, 28), QTime(23, 58, 58));
    const QString sample = FormatFileTime(FileTimeFromTimespec(widest.toSecsSinceEpoch(), 0));
    const int padding = 2 * m_tree->style()->pixelMetric(QStyle::PM_HeaderMargin) + 12;
    return std::max(column.defaultWidth, m_tree->fontMetrics().horizontalAdvance(sample) + padding);
}

// --- comparison and sorting

void PaneListCtrl::SetCompareFunction(CompareFunction compare) {
    m_compare = std::move(compare);
}

int PaneListCtrl::SortKey() const {
    return m_sortKey;
}

bool PaneListCtrl::Ascending() const {
    return m_ascending;
}

void PaneListCtrl::SetSortKey(int key) {
    m_sortKey = key;
}

void PaneListCtrl::SetAscending(bool ascending) {
    m_ascending = ascending;
}

std::uint32_t PaneListCtrl::SortParameter() const {
    return ::SortParameter(m_sortKey, m_ascending);
}

void PaneListCtrl::Sort() {
    if (m_model->Count() < 2)
        return;
    const ProgramChange change(this);
    const CompareFunction& compare = m_compare ? m_compare : CompareFunction(CompareItems);
    const std::uint32_t parameter = SortParameter();
    m_model->Sort([&](FolderItem* a, FolderItem* b) { return compare(a, b, parameter) < 0; });
}

void PaneListCtrl::HeaderClicked(int column) {
    if (column < 0 || column >= int(Columns().size()))
        return;
    m_sortKey = Columns()[std::size_t(column)].sortKey;
    const int count = m_model->Count();
    if (count < 2)
        return;

    // Which way does the list start out under the new key?
    const CompareFunction compare = m_compare ? m_compare : CompareFunction(CompareItems);
    const std::uint32_t parameter = ::SortParameter(m_sortKey, true);
    FolderItem* first = m_model->ItemAt(0);
    int result = 0;
    for (int row = 1; row < count && result == 0; ++row)
        result = compare(first, m_model->ItemAt(row), parameter);
    if (result == 0)
        return;
    // Already ascending: the click reverses it.
    m_ascending = result > 0;
    const ProgramChange change(this);
    Sort();
}

// --- view style

int PaneListCtrl::ViewStyle() const {
    return m_viewStyle;
}

void PaneListCtrl::SetViewStyle(int styleCommand) {
    if (!IsViewCommand(styleCommand) || styleCommand == m_viewStyle)
        return;
    const bool hadFocus = ActiveView()->hasFocus();
    m_viewStyle = styleCommand;
    ApplyViewStyle();
    if (hadFocus)
        ActiveView()->setFocus();
    EnsureVisible(FocusedRow());
}

QAbstractItemView* PaneListCtrl::ActiveView() const {
    if (m_viewStyle == ID_VIEW_DETAILS)
        return m_tree;
    return m_list;
}

QItemSelectionModel* PaneListCtrl::SelectionModel() const {
    return m_selection;
}

PaneRowModel* PaneListCtrl::Model() const {
    return m_model;
}

QListView* PaneListCtrl::ListView() const {
    return m_list;
}

QTreeView* PaneListCtrl::TreeView() const {
    return m_tree;
}

void PaneListCtrl::ApplyExtendedStyle(int bits) {
    m_extendedStyle = bits;
    m_delegate->extendedStyle = bits;
    m_tree->header()->setSectionsMovable(bits & kExHeaderDragDrop);
    // Hover is only needed for underlined hot labels.
    const bool hover = (bits & (kExOneClickActivate | kExTwoClickActivate)) &&
                       (bits & (kExUnderlineHot | kExUnderlineCold));
    m_list->setMouseTracking(hover);
    m_tree->setMouseTracking(hover);
    m_list->viewport()->update();
    m_tree->viewport()->update();
}

int PaneListCtrl::ExtendedStyle() const {
    return m_extendedStyle;
}

void PaneListCtrl::ApplyViewStyle() {
    if (m_viewStyle == ID_VIEW_DETAILS) {
        m_stack->setCurrentWidget(m_tree);
    } else {
        ConfigureListView();
        m_stack->setCurrentWidget(m_list);
        if (m_viewStyle == ID_VIEW_LIST)
            ApplyListColumnWidth();
    }
    setFocusProxy(ActiveView());
}

void PaneListCtrl::ConfigureListView() {
    const QFontMetrics fm = m_list->fontMetrics();
    // setViewMode resets movement, flow and wrapping, so it comes first.
    switch (m_viewStyle) {
        case ID_VIEW_LARGEICON:
            m_list->setViewMode(QListView::IconMode);
            m_list->setMovement(QListView::Static);
            m_list->setFlow(QListView::LeftToRight);
            m_list->setWrapping(true);
            m_list->setWordWrap(true);
            m_list->setIconSize(QSize(kLargeIconSize, kLargeIconSize));
            m_list->setGridSize(QSize(std::max(90, fm.averageCharWidth() * 14),
                                      kLargeIconSize + 2 * fm.lineSpacing() + 12));
            break;
        case ID_VIEW_SMALLICON:
            m_list->setViewMode(QListView::ListMode);
            m_list->setMovement(QListView::Static);
            m_list->setFlow(QListView::LeftToRight);
            m_list->setWrapping(true);
            m_list->setWordWrap(false);
            m_list->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
            m_list->setGridSize(QSize(kSmallIconGridWidth, ListRowHeight()));
            break;
        default:
            m_list->setViewMode(QListView::ListMode);
            m_list->setMovement(QListView::Static);
            m_list->setFlow(QListView::TopToBottom);
            m_list->setWrapping(true);
            m_list->setWordWrap(false);
            m_list->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
            m_list->setGridSize(
                QSize(m_listColumnWidth > 0 ? m_listColumnWidth : Columns().front().defaultWidth,
                      ListRowHeight()));
            break;
    }
}

int PaneListCtrl::ListRowHeight() const {
    return std::max(kSmallIconSize, m_list->fontMetrics().height()) + 6;
}

// --- commands

bool PaneListCtrl::HandlesCommand(int id) const {
    return IsSortCommand(id) || id == ID_SORT_ASCENDING || IsViewCommand(id);
}

bool PaneListCtrl::OnCommand(int id) {
    if (IsSortCommand(id)) {
        m_sortKey = id;
        // "Unsorted" leaves the rows where they are.
        if (id != ID_SORT_NONE)
            Sort();
        return true;
    }
    if (id == ID_SORT_ASCENDING) {
        m_ascending = !m_ascending;
        if (m_sortKey != ID_SORT_NONE)
            Sort();
        return true;
    }
    if (IsViewCommand(id)) {
        SetViewStyle(id);
        return true;
    }
    return false;
}

bool PaneListCtrl::UpdateCommand(int id, bool& enabled, bool& checked) const {
    if (IsSortCommand(id)) {
        enabled = true;
        if (id == ID_SORT_FOLDER) {
            const auto& columns = Columns();
            enabled = std::any_of(columns.begin(), columns.end(),
                                  [](const PaneColumn& c) { return c.sortKey == ID_SORT_FOLDER; });
        }
        checked = id == m_sortKey;
        return true;
    }
    if (id == ID_SORT_ASCENDING) {
        enabled = m_sortKey != ID_SORT_NONE;
        checked = m_ascending;
        return true;
    }
    if (IsViewCommand(id)) {
        enabled = true;
        checked = id == m_viewStyle;
        return true;
    }
    return false;
}

// --- rows

void PaneListCtrl::SuspendRedraw() {
    if (m_suspendCount++ == 0)
        setUpdatesEnabled(false);
}

void PaneListCtrl::ResumeRedraw() {
    if (m_suspendCount == 0)
        return;
    if (--m_suspendCount == 0) {
        FlushPending();
        setUpdatesEnabled(true);
    }
}

bool PaneListCtrl::IsRedrawSuspended() const {
    return m_suspendCount > 0;
}

void PaneListCtrl::DeleteAllRows() {
    const ProgramChange change(this);
    m_announced = 0;
    m_model->Clear();
    // Letters typed for the old rows must not prefix the search in the new
    // ones: a quick "top", Backspace, "d" would look for "topd". An empty
    // search resets the views' own buffer.
    m_typeBuffer.clear();
    m_typeStarted = false;
    m_prefixBuffer.clear();
    m_prefixStarted = false;
    // Without a maximum the width follows the rows, so it starts afresh.
    if (m_maxListColumnWidth == 0)
        m_listWidthPending = true;
}

void PaneListCtrl::SetItemCount(int count) {
    m_announced = std::max(0, count);
    m_model->Reserve(count);
}

int PaneListCtrl::AppendRow(FolderItem* item) {
    const bool defer = m_suspendCount > 0 || m_announced > 0;
    const int row = m_model->Append(item, defer);
    if (m_announced > 0 && --m_announced == 0 && m_suspendCount == 0) {
        FlushPending();
    } else if (defer) {
        // Fewer rows than announced must still show up.
        ScheduleFlush();
    }
    return row;
}

void PaneListCtrl::FlushPending() const {
    m_model->CommitPending();
}

void PaneListCtrl::ScheduleFlush() {
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_flushScheduled = false;
        if (m_suspendCount == 0) {
            m_announced = 0;
            FlushPending();
        }
    });
}

void PaneListCtrl::RemoveRow(FolderItem* item) {
    const ProgramChange change(this);
    m_model->Remove(item);
}

void PaneListCtrl::UpdateRow(FolderItem* item) {
    m_model->RowChanged(m_model->RowOf(item));
}

bool PaneListCtrl::ReplaceRowItem(int row, FolderItem* item) {
    return m_model->ReplaceItem(row, item);
}

int PaneListCtrl::RowCount() const {
    return m_model->Count();
}

FolderItem* PaneListCtrl::ItemAt(int row) const {
    return m_model->ItemAt(row);
}

int PaneListCtrl::RowOf(const FolderItem* item) const {
    return m_model->RowOf(item);
}

int PaneListCtrl::RowAtGlobal(const QPoint& globalPos) const {
    const QAbstractItemView* view = ActiveView();
    const QModelIndex index = view->indexAt(view->viewport()->mapFromGlobal(globalPos));
    return index.isValid() ? index.row() : -1;
}

// --- selection and focus

int PaneListCtrl::FocusedRow() const {
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void PaneListCtrl::SetFocusedRow(int row, bool select, bool ensureVisible) {
    const ProgramChange change(this);
    FlushPending();
    if (row < 0 || row >= m_model->Count()) {
        m_selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_selection->setCurrentIndex(index,
                                 select ? QItemSelectionModel::Select | QItemSelectionModel::Rows
                                        : QItemSelectionModel::NoUpdate);
    if (ensureVisible)
        EnsureVisible(row);
}

void PaneListCtrl::EnsureVisible(int row) {
    FlushPending();
    if (row < 0 || row >= m_model->Count())
        return;
    ActiveView()->scrollTo(m_model->index(row, 0));
}

bool PaneListCtrl::IsRowSelected(int row) const {
    FlushPending();
    if (row < 0 || row >= m_model->Count())
        return false;
    return m_selection->isSelected(m_model->index(row, 0));
}

void PaneListCtrl::SelectRow(int row, bool selected) {
    const ProgramChange change(this);
    FlushPending();
    if (row < 0 || row >= m_model->Count())
        return;
    m_selection->select(m_model->index(row, 0),
                        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                            QItemSelectionModel::Rows);
}

void PaneListCtrl::SelectAll() {
    const ProgramChange change(this);
    FlushPending();
    const int count = m_model->Count();
    if (count == 0)
        return;
    m_selection->select(
        QItemSelection(m_model->index(0, 0), m_model->index(count - 1, m_model->columnCount() - 1)),
        QItemSelectionModel::Select);
}

void PaneListCtrl::ClearSelection() {
    const ProgramChange change(this);
    m_selection->clearSelection();
}

std::vector<int> PaneListCtrl::SelectedRows() const {
    // Merge the selection's ranges rather than asking row by row: a select
    // all of 100,000 rows is one range.
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : m_selection->selection()) {
        if (range.isValid() && range.left() == 0)
            ranges.emplace_back(range.top(), range.bottom());
    }
    std::sort(ranges.begin(), ranges.end());
    std::vector<int> rows;
    int next = 0;
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, next); row <= bottom; ++row) rows.push_back(row);
        next = std::max(next, bottom + 1);
    }
    return rows;
}

std::vector<FolderItem*> PaneListCtrl::SelectedItems() const {
    std::vector<FolderItem*> items;
    for (int row : SelectedRows()) items.push_back(m_model->ItemAt(row));
    return items;
}

int PaneListCtrl::SelectedCount() const {
    return int(SelectedRows().size());
}

void PaneListCtrl::SetStickySelection(bool sticky) {
    m_sticky = sticky;
    m_marqueeSuspended = false;
}

bool PaneListCtrl::StickySelection() const {
    return m_sticky;
}

bool PaneListCtrl::EditLabel(int row) {
    FlushPending();
    if (row < 0 || row >= m_model->Count() || m_editing)
        return false;
    const QModelIndex index = m_model->index(row, 0);
    QAbstractItemView* view = ActiveView();
    view->scrollTo(index);
    m_editIndex = index;
    m_editing = true;
    view->edit(index);
    // indexWidget() gives the editor of an index as well.
    if (!view->indexWidget(index)) {
        m_editing = false;
        m_editIndex = QPersistentModelIndex();
        return false;
    }
    return true;
}

bool PaneListCtrl::IsEditingLabel() const {
    return m_editing;
}

void PaneListCtrl::OnEditorClosed() {
    if (!m_editing)
        return;
    const int row = m_editIndex.isValid() ? m_editIndex.row() : -1;
    m_editing = false;
    m_editIndex = QPersistentModelIndex();
    Q_EMIT labelEditClosed(row);
}

int PaneListCtrl::FocusNextSelected(bool down, bool* wrapped) {
    if (wrapped)
        *wrapped = false;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return -1;
    const int focused = FocusedRow();
    int target = -1;
    if (down) {
        const auto next = std::upper_bound(rows.begin(), rows.end(), focused);
        target = next != rows.end() ? *next : rows.front();
        if (next == rows.end() && wrapped)
            *wrapped = true;
    } else {
        const auto next = std::lower_bound(rows.begin(), rows.end(), focused);
        target = next != rows.begin() ? *std::prev(next) : rows.back();
        if (next == rows.begin() && wrapped)
            *wrapped = true;
    }
    const QModelIndex index = m_model->index(target, 0);
    m_selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    ActiveView()->scrollTo(index);
    return target;
}

// --- sticky selection

QItemSelectionModel::SelectionFlags PaneListCtrl::StickySelectionCommand(
    const QModelIndex& index, const QEvent* event, QItemSelectionModel::SelectionFlags base) const {
    // Without an event the view moves the current row on its own (the
    // search by first letters): only the focus moves.
    if (!event)
        return QItemSelectionModel::NoUpdate;
    constexpr Qt::KeyboardModifiers kExtending = Qt::ControlModifier | Qt::ShiftModifier;
    constexpr auto kSelectRow = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<const QKeyEvent*>(event)->modifiers() & kExtending)
                return base;
            return QItemSelectionModel::NoUpdate;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->modifiers() & kExtending)
                return base;
            if (!index.isValid())
                return QItemSelectionModel::NoUpdate;
            // A selected row is unselected when the button comes up again
            // over it, so the selection can still be dragged from it.
            if (m_selection->isSelected(index))
                return QItemSelectionModel::NoUpdate;
            return kSelectRow;
        }
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (mouse->modifiers() & kExtending)
                return base;
            if (mouse->button() == Qt::LeftButton && index.isValid() && index.row() == m_pressRow &&
                m_pressOnSelected && m_selection->isSelected(index)) {
                m_allowedDeselectRow = index.row();
                return QItemSelectionModel::Deselect | QItemSelectionModel::Rows;
            }
            return QItemSelectionModel::NoUpdate;
        }
        case QEvent::MouseMove:
            if (static_cast<const QMouseEvent*>(event)->modifiers() & kExtending)
                return base;
            return QItemSelectionModel::NoUpdate;
        default:
            return base;
    }
}

void PaneListCtrl::OnSelectionChanged(const QItemSelection& selected,
                                      const QItemSelection& deselected) {
    if (m_restoring)
        return;
    // A deselection that neither the program, nor Ctrl or Shift, nor a plain
    // click on that very row asked for is refused: the marks keep the rows
    // and the selection is put back from them.
    bool refused = false;
    if (m_sticky && m_programChange == 0 && !deselected.isEmpty() &&
        !(m_inputModifiers & (Qt::ControlModifier | Qt::ShiftModifier))) {
        for (const QItemSelectionRange& range : deselected) {
            if (range.top() != m_allowedDeselectRow || range.bottom() != m_allowedDeselectRow) {
                refused = true;
                break;
            }
        }
    }
    m_allowedDeselectRow = -1;
    const int count = m_model->Count();
    auto mark = [&](const QItemSelection& ranges, std::uint32_t value) {
        for (const QItemSelectionRange& range : ranges) {
            const int last = std::min(range.bottom(), count - 1);
            for (int row = std::max(range.top(), 0); row <= last; ++row) {
                if (FolderItem* item = m_model->ItemAt(row))
                    item->selectedMark = value;
            }
        }
    };
    // Deselected first: a reordering reports the same items in both.
    if (refused)
        QCoreApplication::postEvent(this, new QEvent(QEvent::Type(WM_RESTORE_STICKY_SEL)));
    else
        mark(deselected, 0);
    mark(selected, 1);
}

void PaneListCtrl::RestoreStickySelection() {
    QCoreApplication::removePostedEvents(this, WM_RESTORE_STICKY_SEL);
    FlushPending();
    const ProgramChange change(this);
    SuspendRedraw();
    m_restoring = true;
    m_selection->clearSelection();
    m_restoring = false;
    QItemSelection marked;
    const int count = m_model->Count();
    const int lastColumn = m_model->columnCount() - 1;
    for (int row = 0; row < count; ++row) {
        if (!m_model->ItemAt(row)->selectedMark)
            continue;
        int end = row;
        while (end + 1 < count && m_model->ItemAt(end + 1)->selectedMark) ++end;
        marked.select(m_model->index(row, 0), m_model->index(end, std::max(lastColumn, 0)));
        row = end;
    }
    if (!marked.isEmpty())
        m_selection->select(marked, QItemSelectionModel::Select);
    ResumeRedraw();
}

bool PaneListCtrl::event(QEvent* event) {
    if (event->type() == QEvent::Type(WM_RESTORE_STICKY_SEL)) {
        RestoreStickySelection();
        return true;
    }
    return QWidget::event(event);
}

void PaneListCtrl::TrackMarquee(QEvent* event, bool overRow) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_marqueePending = !overRow && mouse->button() == Qt::LeftButton;
            m_pressPos = mouse->position().toPoint();
            break;
        case QEvent::MouseMove:
            // A marquee begins when the button drags away from empty space,
            // not at a plain click there.
            if (m_marqueePending && (mouse->buttons() & Qt::LeftButton) &&
                (mouse->position().toPoint() - m_pressPos).manhattanLength() >=
                    QApplication::startDragDistance()) {
                m_marqueePending = false;
                if (m_sticky) {
                    m_sticky = false;
                    m_marqueeSuspended = true;
                }
            }
            break;
        case QEvent::MouseButtonRelease:
            if (mouse->buttons() == Qt::NoButton)
                m_marqueePending = false;
            break;
        default:
            break;
    }
}

// --- keys

bool PaneListCtrl::HandleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Insert) && !ctrl && !shift && !alt) {
        ToggleFocused(key == Qt::Key_Insert);
        return true;
    }
    if (shift && !ctrl && key >= Qt::Key_A && key <= Qt::Key_Z) {
        TypeAhead(QChar(u'A' + (key - Qt::Key_A)), event->timestamp());
        return true;
    }
    if (!ctrl && !alt && !shift && !(mods & Qt::KeypadModifier) && !event->text().isEmpty() &&
        event->text().at(0).isPrint() && !event->text().at(0).isSpace()) {
        PrefixSearch(event->text(), event->timestamp());
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !ctrl && !alt) {
        Q_EMIT rowActivated(FocusedRow(), false);
        return true;
    }
    if ((key == Qt::Key_Down || key == Qt::Key_Up) && alt && !ctrl && !shift) {
        bool wrapped = false;
        if (FocusNextSelected(key == Qt::Key_Down, &wrapped) >= 0 && wrapped)
            Notice(kCursorWarped);
        return true;
    }
    if ((key == Qt::Key_Menu && !ctrl && !alt) || (key == Qt::Key_F10 && shift && !ctrl && !alt)) {
        Q_EMIT contextMenuRequested(QPoint(-1, -1), FocusedRow());
        return true;
    }
    return false;
}

void PaneListCtrl::ToggleFocused(bool moveFocus) {
    // Space and Insert are the pane's own selection keys: they toggle under
    // sticky selection too.
    const ProgramChange change(this);
    FlushPending();
    const int row = FocusedRow();
    if (row < 0)
        return;
    m_selection->select(m_model->index(row, 0),
                        QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    if (moveFocus && row + 1 < m_model->Count()) {
        const QModelIndex next = m_model->index(row + 1, 0);
        m_selection->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
        ActiveView()->scrollTo(next);
    }
}

void PaneListCtrl::TypeAhead(QChar letter, unsigned long timestamp) {
    // Key events carry the window system's time; a synthetic event without
    // one falls back to a clock of our own.
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    const unsigned long now = timestamp != 0 ? timestamp : (unsigned long)clock.elapsed();
    // Unsigned: a time that went backwards counts as a long pause too.
    if (!m_typeStarted || now - m_typeTime > (unsigned long)kTypeAheadResetMs)
        m_typeBuffer.clear();
    m_typeStarted = true;
    m_typeTime = now;
    m_typeBuffer += letter;

    const int count = m_model->Count();
    const int focused = FocusedRow();
    auto matches = [&](int row) {
        return m_model->ItemAt(row)->displayName.toUpper().contains(m_typeBuffer);
    };
    int found = -1;
    for (int row = focused + 1; row < count && found < 0; ++row) {
        if (matches(row))
            found = row;
    }
    if (found < 0 && focused >= 0) {
        for (int row = 0; row <= focused && found < 0; ++row) {
            if (matches(row))
                found = row;
        }
    }
    if (found < 0) {
        Beep(BeepKind::Exclamation);
        return;
    }

    FocusSearchResult(found);
}

void PaneListCtrl::PrefixSearch(const QString& text, unsigned long timestamp) {
    // The views' own search would do the same, but its buffer outlives the
    // rows: letters typed just before a folder change would prefix the
    // search in the new folder.
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    const unsigned long now = timestamp != 0 ? timestamp : (unsigned long)clock.elapsed();
    const bool fresh = !m_prefixStarted ||
                       now - m_prefixTime > (unsigned long)QApplication::keyboardInputInterval();
    if (fresh)
        m_prefixBuffer.clear();
    m_prefixStarted = true;
    m_prefixTime = now;
    m_prefixBuffer += text;

    const int count = m_model->Count();
    if (count == 0)
        return;
    const int focused = std::max(FocusedRow(), 0);
    // A new search looks past the focused row; a longer one may stay on it.
    const int first = fresh && FocusedRow() >= 0 ? focused + 1 : focused;
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        const int row = (first + i) % count;
        if (m_model->ItemAt(row)->displayName.startsWith(m_prefixBuffer, Qt::CaseInsensitive))
            found = row;
    }
    if (found < 0)
        return;
    FocusSearchResult(found);
}

void PaneListCtrl::FocusSearchResult(int row) {
    // Under sticky selection a search only moves the focus.
    FlushPending();
    const QModelIndex index = m_model->index(row, 0);
    m_selection->setCurrentIndex(
        index, m_sticky ? QItemSelectionModel::NoUpdate
                        : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ActiveView()->scrollTo(index);
}

bool PaneListCtrl::eventFilter(QObject* watched, QEvent* event) {
    const bool isView = watched == m_list || watched == m_tree;
    const bool isViewport = watched == m_list->viewport() || watched == m_tree->viewport();
    if (!isView && !isViewport)
        return QWidget::eventFilter(watched, event);
    QAbstractItemView* view = (watched == m_list || watched == m_list->viewport())
                                  ? static_cast<QAbstractItemView*>(m_list)
                                  : m_tree;
    switch (event->type()) {
        case QEvent::KeyPress:
            if (isView) {
                m_inputModifiers = static_cast<QKeyEvent*>(event)->modifiers();
                if (HandleKey(static_cast<QKeyEvent*>(event)))
                    return true;
            }
            break;
        case QEvent::ContextMenu: {
            const auto* menu = static_cast<QContextMenuEvent*>(event);
            if (menu->reason() == QContextMenuEvent::Keyboard) {
                Q_EMIT contextMenuRequested(QPoint(-1, -1), FocusedRow());
            } else {
                const QModelIndex index =
                    view->indexAt(view->viewport()->mapFromGlobal(menu->globalPos()));
                Q_EMIT contextMenuRequested(menu->globalPos(), index.isValid() ? index.row() : -1);
            }
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (isViewport) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                m_inputModifiers = mouse->modifiers();
                const QModelIndex index = view->indexAt(mouse->position().toPoint());
                m_pressOnSelected = index.isValid() && m_selection->isSelected(index);
                m_pressRow = index.isValid() ? index.row() : -1;
                TrackMarquee(event, index.isValid());
                if (!index.isValid() && mouse->button() == Qt::LeftButton)
                    Q_EMIT marqueeStarted();
            }
            break;
        case QEvent::MouseMove:
            if (isViewport) {
                m_inputModifiers = static_cast<QMouseEvent*>(event)->modifiers();
                TrackMarquee(event, false);
            }
            break;
        case QEvent::MouseButtonRelease:
            if (isViewport) {
                m_inputModifiers = static_cast<QMouseEvent*>(event)->modifiers();
                TrackMarquee(event, false);
            }
            if (isViewport && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
                // After the view has finished with the release (a marquee ends
                // there): a marquee's suspension of sticky selection ends too.
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (m_marqueeSuspended) {
                            m_marqueeSuspended = false;
                            m_sticky = true;
                        }
                        Q_EMIT mouseReleased();
                    },
                    Qt::QueuedConnection);
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

// --- columns

void PaneListCtrl::UpdateDateColumn() {
    m_model->DateColumnChanged();
}

void PaneListCtrl::SetMaxListColumnWidth(int width) {
    m_maxListColumnWidth = std::max(0, width);
}

int PaneListCtrl::MaxListColumnWidth() const {
    return m_maxListColumnWidth;
}

void PaneListCtrl::RecalcListColumnWidth() {
    m_listWidthPending = true;
    ApplyListColumnWidth();
}

int PaneListCtrl::ListColumnWidth() const {
    return m_listColumnWidth;
}

int PaneListCtrl::MeasureLabel(int row) const {
    return m_list->fontMetrics().horizontalAdvance(m_model->ItemAt(row)->displayName);
}

int PaneListCtrl::EstimateLabel(const QString& text, const QFontMetrics& fm) const {
    int width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int advance;
        if (u < m_asciiAdvance.size()) {
            advance = m_asciiAdvance[u];
            if (advance < 0)
                advance = m_asciiAdvance[u] = fm.horizontalAdvance(c);
        } else {
            auto it = m_otherAdvance.find(u);
            if (it == m_otherAdvance.end())
                it = m_otherAdvance.insert(u, fm.horizontalAdvance(c));
            advance = it.value();
        }
        width += advance;
    }
    return width;
}

int PaneListCtrl::WidestLabel(int first, int end) const {
    int widest = 0;
    if (end - first <= kExactMeasureRows) {
        for (int row = first; row < end; ++row) widest = std::max(widest, MeasureLabel(row));
        return widest;
    }
    // Shaping every label of a large folder would take most of a second, so
    // labels are estimated from cached character advances, and only those
    // that come near the widest estimate are measured exactly.
    const QFontMetrics fm = m_list->fontMetrics();
    if (m_advanceFont != m_list->font()) {
        m_advanceFont = m_list->font();
        m_asciiAdvance.fill(-1);
        m_otherAdvance.clear();
    }
    std::vector<std::pair<int, int>> estimates;  // (estimate, row)
    estimates.reserve(std::size_t(end - first));
    int most = 0;
    for (int row = first; row < end; ++row) {
        const int estimate = EstimateLabel(m_model->ItemAt(row)->displayName, fm);
        most = std::max(most, estimate);
        estimates.emplace_back(estimate, row);
    }
    // Kerning and shaping change a width by a few percent at most.
    const int threshold = most - most / 8 - 2;
    auto keep = std::partition(estimates.begin(), estimates.end(),
                               [&](const auto& e) { return e.first >= threshold; });
    if (keep - estimates.begin() > kExactMeasureCandidates) {
        std::nth_element(estimates.begin(), estimates.begin() + kExactMeasureCandidates, keep,
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        keep = estimates.begin() + kExactMeasureCandidates;
    }
    for (auto it = estimates.begin(); it != keep; ++it)
        widest = std::max(widest, MeasureLabel(it->second));
    return widest;
}

void PaneListCtrl::ApplyListColumnWidth() {
    const int count = m_model->Count();
    // Without rows there is nothing to measure: the width stays pending.
    if (m_viewStyle != ID_VIEW_LIST || !m_listWidthPending || count == 0)
        return;
    if (m_listPadding == 0)
        m_listPadding = m_list->iconSize().width() + kListPaddingExtra + kTextLayoutSlack;
    int widest = 0;
    if (m_maxListColumnWidth > 0) {
        // A window of rows around the focus is enough to choose a width
        // when the width is capped anyway.
        int first = std::max(FocusedRow(), 0);
        int end = first + kListWidthWindow;
        if (end > count) {
            end = count;
            first = std::max(0, count - kListWidthWindow);
        }
        for (int row = first; row < end; ++row) {
            widest = std::max(widest, MeasureLabel(row));
            if (widest + m_listPadding > m_maxListColumnWidth)
                break;
        }
        m_listColumnWidth = std::min(m_maxListColumnWidth, widest + m_listPadding);
    } else {
        m_listColumnWidth = WidestLabel(0, count) + m_listPadding;
    }
    m_listWidthPending = false;
    m_list->setGridSize(QSize(m_listColumnWidth, ListRowHeight()));
}

void PaneListCtrl::WidenListColumnFor(int first, int last) {
    const int widest = WidestLabel(first, last + 1);
    if (widest + m_listPadding > m_listColumnWidth) {
        m_listColumnWidth = widest + m_listPadding;
        m_list->setGridSize(QSize(m_listColumnWidth, ListRowHeight()));
    }
}

void PaneListCtrl::OnRowsInserted(int first, int last) {
    // Without a maximum the column follows the widest label, as the list
    // style does by itself; with one, only a folder read sets the width.
    if (m_viewStyle != ID_VIEW_LIST || m_maxListColumnWidth != 0)
        return;
    if (m_listWidthPending)
        ApplyListColumnWidth();
    else
        WidenListColumnFor(first, last);
}

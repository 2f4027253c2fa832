#include "pane/PaneListCtrl.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "pane/CompareItems.h"
#include "pane/ListExtendedStyle.h"
#include "pane/PaneItemDelegate.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"

using namespace ListExtendedStyle;

namespace {

const QString kCursorWarped = QStringLiteral("Cursor warped round the pane");

constexpr int kSmallIconGridWidth = 150;
constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;

bool IsSortCommand(int id) {
    return id >= ID_SORT_NONE && id <= ID_SORT_FOLDER;
}

bool IsViewCommand(int id) {
    return id >= ID_VIEW_SMALLICON && id <= ID_VIEW_DETAILS;
}

// Arrows, Home, End, Page Up and Page Down without Ctrl, Shift or Alt (the
// keypad's keys count as well).
bool IsPlainNavigationKey(const QKeyEvent& event) {
    if (event.modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier))
        return false;
    switch (event.key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return true;
        default:
            return false;
    }
}

// The two views: the sticky-selection rules are applied where Qt decides
// what a key or click does to the selection, and a drag is handed to the
// owner (the pane makes the data object).
// In commander mode a key or click without Ctrl or Shift only moves the
// cursor; so does every event that is not a key or a mouse button.
bool MovesOnly(const QEvent* event) {
    Qt::KeyboardModifiers mods = QGuiApplication::keyboardModifiers();
    if (event &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick || event->type() == QEvent::MouseMove))
        mods = static_cast<const QInputEvent*>(event)->modifiers();
    return !(mods & (Qt::ControlModifier | Qt::ShiftModifier));
}

template <class Base>
class PaneView : public Base {
public:
    explicit PaneView(PaneListCtrl* owner) : Base(owner), m_owner(owner) {}

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        const QItemSelectionModel::SelectionFlags flags = Base::selectionCommand(index, event);
        if (m_owner->CommanderMode() && MovesOnly(event))
            return QItemSelectionModel::NoUpdate;
        if (!m_owner->StickySelection())
            return flags;
        return m_owner->StickySelectionCommand(index, event, flags);
    }

    void startDrag(Qt::DropActions) override { Q_EMIT m_owner->dragStarted(Qt::LeftButton); }

    // Qt selects only when a key moves the current row; a list selects the
    // row a navigation key lands on even when it already had the focus.
    void keyPressEvent(QKeyEvent* event) override {
        Base::keyPressEvent(event);
        if (IsPlainNavigationKey(*event))
            m_owner->SelectFocusedAfterNavigation();
    }

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
      m_treeDelegate(new PaneItemDelegate(this)),
      m_typeAhead(m_model),
      m_columnWidths(m_tree, m_model),
      m_listWidth(m_list, m_model),
      m_sortKey(ID_SORT_TYPE),
      m_viewStyle(ID_VIEW_LIST) {
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
    // Made before the selection signals below are connected: the marks are
    // up to date when selectionChanged goes out.
    m_sticky = new StickySelectionKeeper(m_model, m_selection, this, this);
    for (PaneItemDelegate* delegate : {m_delegate, m_treeDelegate}) {
        delegate->SetInfoTipFunction([this](const QModelIndex& index) {
            FolderItem* item = m_model->ItemAt(index.row());
            return item ? item->InfoTip() : QString();
        });
    }

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_list), static_cast<QAbstractItemView*>(m_tree)}) {
        PaneItemDelegate* delegate = view == m_tree ? m_treeDelegate : m_delegate;
        ConfigureCommon(view, delegate);
        // After the view's own connection: the view has let the editor go
        // when labelEditClosed goes out.
        connect(delegate, &QAbstractItemDelegate::closeEditor, this, &PaneListCtrl::OnEditorClosed);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
            if (!(m_extendedStyle & kOneClickActivate))
                Q_EMIT rowActivated(index.row(), false);
        });
        connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
            if (QGuiApplication::keyboardModifiers() &
                (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier))
                return;
            if ((m_extendedStyle & kOneClickActivate) ||
                ((m_extendedStyle & kTwoClickActivate) && m_pressOnSelected))
                Q_EMIT rowActivated(index.row(), true);
        });
    }
    // After our own filters: the keeper must see the modifiers of the keys
    // that HandleKey swallows as well.
    m_sticky->Attach(m_list);
    m_sticky->Attach(m_tree);
    connect(m_sticky, &StickySelectionKeeper::buttonsReleased, this, &PaneListCtrl::mouseReleased);

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

    connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] {
        m_totalsValid = false;
        Q_EMIT selectionChanged();
    });
    // Rows that go, a new order or new sizes change the totals without a
    // selectionChanged of their own.
    const auto forgetTotals = [this] { m_totalsValid = false; };
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, forgetTotals);
    connect(m_model, &QAbstractItemModel::modelReset, this, forgetTotals);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, forgetTotals);
    connect(m_model, &QAbstractItemModel::dataChanged, this, forgetTotals);
    connect(m_selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                Q_EMIT focusChanged(current.isValid() ? current.row() : -1);
            });
    connect(m_model, &PaneRowModel::labelEdited, this, &PaneListCtrl::labelEdited);
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                if (m_viewStyle == ID_VIEW_LIST)
                    m_listWidth.RowsInserted(first, last, FocusedRow());
            });

    SetColumnWidths({});
    ApplyExtendedStyle(General().listExtendedStyle);
    ApplyViewStyle();
    UpdateSortIndicator();
}

PaneListCtrl::~PaneListCtrl() = default;

// --- settings

void PaneListCtrl::LoadSettings(const ProfileStore& store, const QString& section) {
    int sortBy = store.GetProfileInt(section, kKeySortBy, ID_SORT_TYPE);
    if (!IsSortCommand(sortBy))
        sortBy = ID_SORT_TYPE;
    m_sortKey = sortBy;
    m_ascending = store.GetProfileInt(section, kKeySortAscending, 1) != 0;
    UpdateSortIndicator();

    int viewStyle = store.GetProfileInt(section, kKeyViewStyle, ID_VIEW_LIST);
    if (!IsViewCommand(viewStyle))
        viewStyle = ID_VIEW_LIST;
    SetViewStyle(viewStyle);

    m_columnWidths.Load(store, section, kKeyColumnWidths);
}

void PaneListCtrl::SaveSettings(ProfileStore& store, const QString& section) const {
    store.WriteProfileInt(section, kKeySortBy, m_sortKey);
    store.WriteProfileInt(section, kKeySortAscending, m_ascending ? 1 : 0);
    store.WriteProfileInt(section, kKeyViewStyle, m_viewStyle);
    if (m_viewStyle == ID_VIEW_DETAILS)
        m_columnWidths.Save(store, section, kKeyColumnWidths);
}

// --- columns

void PaneListCtrl::SetColumns(std::vector<PaneColumn> columns) {
    m_model->SetColumns(std::move(columns));
    SetColumnWidths({});
    UpdateSortIndicator();
}

// --- comparison and sorting

void PaneListCtrl::SetSortKey(int key) {
    m_sortKey = key;
    UpdateSortIndicator();
}

void PaneListCtrl::SetAscending(bool ascending) {
    m_ascending = ascending;
    UpdateSortIndicator();
}

void PaneListCtrl::UpdateSortIndicator() {
    int column = -1;
    if (m_sortKey != ID_SORT_NONE) {
        const std::vector<PaneColumn>& columns = Columns();
        for (std::size_t i = 0; i < columns.size() && column < 0; ++i) {
            if (columns[i].sortKey == m_sortKey)
                column = int(i);
        }
    }
    // The header flips its indicator on a click before the click reaches
    // HeaderClicked; whatever the rule decided is set here again.
    QHeaderView* header = m_tree->header();
    header->setSortIndicatorShown(column >= 0);
    header->setSortIndicator(column, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::uint32_t PaneListCtrl::SortParameter() const {
    return ::SortParameter(m_sortKey, m_ascending);
}

void PaneListCtrl::Sort() {
    if (m_model->Count() < 2)
        return;
    const ProgramChange change(*m_sticky);
    const std::uint32_t parameter = SortParameter();
    if (!m_compare) {
        // The panes' order, with each row's keys made once.
        m_model->SortWith(
            [parameter](std::vector<FolderItem*>& rows) { SortItems(rows, parameter); });
        return;
    }
    m_model->Sort([&](FolderItem* a, FolderItem* b) { return m_compare(a, b, parameter) < 0; });
}

void PaneListCtrl::HeaderClicked(int column) {
    if (column < 0 || column >= int(Columns().size())) {
        UpdateSortIndicator();
        return;
    }
    m_sortKey = Columns()[std::size_t(column)].sortKey;
    UpdateSortIndicator();
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
    UpdateSortIndicator();
    const ProgramChange change(*m_sticky);
    Sort();
}

// --- view style

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

void PaneListCtrl::ApplyExtendedStyle(int bits) {
    m_extendedStyle = bits;
    m_delegate->SetExtendedStyle(bits);
    m_treeDelegate->SetExtendedStyle(bits);
    m_tree->header()->setSectionsMovable(bits & kHeaderDragDrop);
    // Hover is only needed for underlined hot labels.
    const bool hover = (bits & (kOneClickActivate | kTwoClickActivate)) &&
                       (bits & (kUnderlineHot | kUnderlineCold));
    m_list->setMouseTracking(hover);
    m_tree->setMouseTracking(hover);
    m_list->viewport()->update();
    m_tree->viewport()->update();
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
            m_list->setGridSize(QSize(kSmallIconGridWidth, m_listWidth.RowHeight()));
            break;
        default:
            m_list->setViewMode(QListView::ListMode);
            m_list->setMovement(QListView::Static);
            m_list->setFlow(QListView::TopToBottom);
            m_list->setWrapping(true);
            m_list->setWordWrap(false);
            m_list->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
            m_list->setGridSize(QSize(
                m_listWidth.Width() > 0 ? m_listWidth.Width() : Columns().front().defaultWidth,
                m_listWidth.RowHeight()));
            break;
    }
}

// --- commands

bool PaneListCtrl::HandlesCommand(int id) const {
    return IsSortCommand(id) || id == ID_SORT_ASCENDING || IsViewCommand(id);
}

bool PaneListCtrl::OnCommand(int id) {
    if (IsSortCommand(id)) {
        SetSortKey(id);
        // "Unsorted" leaves the rows where they are.
        if (id != ID_SORT_NONE)
            Sort();
        return true;
    }
    if (id == ID_SORT_ASCENDING) {
        SetAscending(!m_ascending);
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

void PaneListCtrl::DeleteAllRows() {
    const ProgramChange change(*m_sticky);
    m_announced = 0;
    m_model->Clear();
    // Letters typed for the old rows must not prefix the search in the new
    // ones: a quick "top", Backspace, "d" would look for "topd".
    m_typeAhead.Reset();
    m_listWidth.RowsCleared();
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
    const ProgramChange change(*m_sticky);
    m_model->Remove(item);
}

void PaneListCtrl::RemoveRows(const std::vector<FolderItem*>& items) {
    const ProgramChange change(*m_sticky);
    m_model->Remove(std::vector<const FolderItem*>(items.begin(), items.end()));
}

void PaneListCtrl::ShowRows(std::vector<FolderItem*> rows,
                            const std::function<bool(FolderItem*)>& stays) {
    const ProgramChange change(*m_sticky);
    FlushPending();
    m_announced = 0;
    // A selected row that goes must leave the selection through a change
    // the selection's listeners see; a layout change alone would drop it
    // silently.
    const int lastColumn = m_model->columnCount() - 1;
    QItemSelection going;
    for (int row : SelectedRows()) {
        if (!stays(m_model->ItemAt(row)))
            going.select(m_model->index(row, 0), m_model->index(row, lastColumn));
    }
    if (!going.isEmpty())
        m_selection->select(going, QItemSelectionModel::Deselect);

    FolderItem* focus = nullptr;
    const int focused = FocusedRow();
    if (focused >= 0) {
        for (int row = focused; row < m_model->Count() && !focus; ++row) {
            if (stays(m_model->ItemAt(row)))
                focus = m_model->ItemAt(row);
        }
    }
    m_model->ReplaceRows(std::move(rows));
    if (!m_selection->currentIndex().isValid() && m_model->Count() > 0) {
        const int row = focus ? m_model->RowOf(focus) : m_model->Count() - 1;
        m_selection->setCurrentIndex(m_model->index(std::max(row, 0), 0),
                                     QItemSelectionModel::NoUpdate);
    }
    if (focused >= 0)
        EnsureVisible(FocusedRow());
}

void PaneListCtrl::UpdateRow(FolderItem* item) {
    const int row = m_model->RowOf(item);
    m_model->RowChanged(row);
    // A renamed label may be wider than the List column, which would cut it.
    if (row >= 0 && m_viewStyle == ID_VIEW_LIST)
        m_listWidth.RowsInserted(row, row, FocusedRow());
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
    const ProgramChange change(*m_sticky);
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

void PaneListCtrl::SelectFocusedAfterNavigation() {
    // Under sticky selection, and in commander mode, a move changes only
    // the focus.
    if (StickySelection() || m_commander)
        return;
    FlushPending();
    const QModelIndex current = m_selection->currentIndex();
    if (!current.isValid())
        return;
    const QModelIndexList selected = m_selection->selectedRows();
    if (selected.size() == 1 && selected.front().row() == current.row())
        return;
    m_selection->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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
    const ProgramChange change(*m_sticky);
    FlushPending();
    if (row < 0 || row >= m_model->Count())
        return;
    m_selection->select(m_model->index(row, 0),
                        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                            QItemSelectionModel::Rows);
}

void PaneListCtrl::SelectAll() {
    const ProgramChange change(*m_sticky);
    FlushPending();
    const int count = m_model->Count();
    if (count == 0)
        return;
    m_selection->select(
        QItemSelection(m_model->index(0, 0), m_model->index(count - 1, m_model->columnCount() - 1)),
        QItemSelectionModel::Select);
}

void PaneListCtrl::ClearSelection() {
    const ProgramChange change(*m_sticky);
    m_selection->clearSelection();
}

void PaneListCtrl::SetSelectedRows(const std::vector<bool>& selected) {
    const ProgramChange change(*m_sticky);
    FlushPending();
    const int count = std::min(m_model->Count(), int(selected.size()));
    const int lastColumn = m_model->columnCount() - 1;
    QItemSelection selection;
    for (int row = 0; row < count; ++row) {
        if (!selected[size_t(row)])
            continue;
        const int top = row;
        while (row + 1 < count && selected[size_t(row + 1)]) ++row;
        selection.select(m_model->index(top, 0), m_model->index(row, lastColumn));
    }
    m_selection->select(selection, QItemSelectionModel::ClearAndSelect);
}

void PaneListCtrl::SelectRows(const std::vector<int>& rows, bool selected) {
    FlushPending();
    const int count = m_model->Count();
    std::vector<bool> state(std::size_t(count), false);
    for (int row : SelectedRows()) {
        if (row < count)
            state[std::size_t(row)] = true;
    }
    bool changed = false;
    for (int row : rows) {
        if (row >= 0 && row < count && state[std::size_t(row)] != selected) {
            state[std::size_t(row)] = selected;
            changed = true;
        }
    }
    if (changed)
        SetSelectedRows(state);
}

PaneListCtrl::SelectionTotals PaneListCtrl::SelectedTotals() const {
    if (m_totalsValid)
        return m_totals;
    SelectionTotals totals;
    for (int row : SelectedRows()) {
        ++totals.count;
        if (const FolderItem* item = m_model->ItemAt(row))
            totals.bytes += item->size;
    }
    m_totals = totals;
    m_totalsValid = true;
    return totals;
}

std::vector<int> PaneListCtrl::SelectedRows() const {
    ++m_selectionWalks;
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

std::vector<FolderItem*> PaneListCtrl::OperandItems() const {
    std::vector<FolderItem*> items = SelectedItems();
    if (items.empty() && m_commander) {
        if (FolderItem* focused = m_model->ItemAt(FocusedRow()))
            items.push_back(focused);
    }
    return items;
}

int PaneListCtrl::OperandCount() const {
    const int marked = SelectedCount();
    if (marked == 0 && m_commander && FocusedRow() >= 0)
        return 1;
    return marked;
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
    return m_sticky->Command(index, event, base);
}

void PaneListCtrl::RestoreStickySelection() {
    m_sticky->Restore();
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
    if (shift && !ctrl && !alt && key >= Qt::Key_A && key <= Qt::Key_Z) {
        // The Shift that types a capital is part of the text typed; a chord
        // that typed nothing is the Shift search alone.
        const QChar letter(u'A' + (key - Qt::Key_A));
        const QString& text = event->text();
        const int found =
            text.size() == 1 && text.at(0).isLetter()
                ? m_typeAhead.ShiftedLetter(text, letter, event->timestamp(), FocusedRow())
                : m_typeAhead.Contains(letter, event->timestamp(), FocusedRow());
        if (found >= 0)
            FocusSearchResult(found);
        return true;
    }
    if (!ctrl && !alt && !shift && !(mods & Qt::KeypadModifier) && !event->text().isEmpty() &&
        event->text().at(0).isPrint() && !event->text().at(0).isSpace()) {
        const int found = m_typeAhead.Prefix(event->text(), event->timestamp(), FocusedRow());
        if (found >= 0)
            FocusSearchResult(found);
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
    const ProgramChange change(*m_sticky);
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

void PaneListCtrl::FocusSearchResult(int row) {
    // Under sticky selection a search only moves the focus.
    FlushPending();
    const QModelIndex index = m_model->index(row, 0);
    m_selection->setCurrentIndex(
        index, StickySelection() || m_commander
                   ? QItemSelectionModel::NoUpdate
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
            if (isView && HandleKey(static_cast<QKeyEvent*>(event)))
                return true;
            break;
        case QEvent::FocusOut:  // what is typed on coming back is a new name
            if (isView)
                m_typeAhead.Reset();
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
                const QModelIndex index = view->indexAt(mouse->position().toPoint());
                m_pressOnSelected = index.isValid() && m_selection->isSelected(index);
                if (!index.isValid() && mouse->button() == Qt::LeftButton)
                    Q_EMIT marqueeStarted();
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

// --- columns

void PaneListCtrl::RecalcListColumnWidth() {
    m_listWidth.Invalidate();
    ApplyListColumnWidth();
}

void PaneListCtrl::ApplyListColumnWidth() {
    // Another style keeps the width pending until List is chosen.
    if (m_viewStyle == ID_VIEW_LIST)
        m_listWidth.Apply(FocusedRow());
}

#include "pane/PaneTabs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneRowModel.h"
#include "pane/PaneTransferHooks.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/ShellContext.h"

namespace {

const QString kTabGone = QStringLiteral("The folder '%1' of a tab has gone; the tab shows '%2'");
const QString kTabsGone =
    QStringLiteral("The folders of %1 tabs have gone; the tabs show the nearest folders left");
const QString kLockedMark = QStringLiteral("(locked) ");

// The entries of the tab bar's menu, for the tab it was opened on.
struct MenuEntry {
    int id;
    const char* text;
};
constexpr MenuEntry kTabMenu[] = {
    {ID_TAB_DUPLICATE, "&Duplicate tab"}, {ID_TAB_MOVE_TO_OTHER, "&Move tab to other pane"},
    {ID_TAB_LOCK, "&Lock tab"},           {0, nullptr},
    {ID_TAB_CLOSE, "&Close tab\tCtrl+W"}, {ID_TAB_CLOSE_OTHERS, "Close o&ther tabs"},
};

// Saves with "bSaveSettings" on for the length of a settings copy, whatever
// the user chose for the end of the run.
class ScopedSaving {
public:
    ScopedSaving() : m_was(General().saveSettings) { MutableGeneral().saveSettings = true; }
    ~ScopedSaving() { MutableGeneral().saveSettings = m_was; }
    ScopedSaving(const ScopedSaving&) = delete;
    ScopedSaving& operator=(const ScopedSaving&) = delete;

private:
    bool m_was;
};

QString SectionOf(bool first) {
    return first ? kLeftPaneSection : kRightPaneSection;
}

// What a tab keeps of its folder: a remote folder by its address, never
// its FUSE path; a virtual folder by its parsing name.
QString StoredFolderOf(const CPanexView& view) {
    const FolderModel* model = view.Model();
    if (!model)
        return {};
    return model->IsFileSystem() ? ShownLocation(model->path) : model->path;
}

bool OpenText(CPanexView& view, const QString& folder) {
    // A path opens as the folder it names, wildcards and all; other texts
    // (addresses, virtual folders) as the address bar would take them.
    bool opened = false;
    if (folder.startsWith(QLatin1Char('/'))) {
        const IdList id = ParsePath(folder);
        opened = !id.IsNull() && view.OpenFolder(id);
    } else if (!folder.isEmpty()) {
        opened = view.GoToText(folder);
    }
    // A remote folder being mounted shows the Desktop until it is there.
    if (!view.Model())
        return view.OpenFolder(IdList::Empty()) && opened;
    return opened;
}

void ApplyTabSettings(CPanexView& view, const TabRecord& tab) {
    if (!tab.filter.isEmpty())
        view.SetFilter(tab.filter);
    if (tab.sortBy != 0) {
        view.List()->SetSortKey(tab.sortBy);
        view.List()->SetAscending(tab.ascending);
    }
    if (tab.viewStyle != 0)
        view.List()->SetViewStyle(tab.viewStyle);
}

void NoticeGone(const QStringList& gone) {
    if (gone.size() == 1)
        Notice(kTabGone.arg(gone.front(), NearestExistingFolder(gone.front())), true);
    else if (gone.size() > 1)
        Notice(kTabsGone.arg(gone.size()), true);
}
}  // namespace

// -- The host of each tab's view ---------------------------------------------------

class PaneTabs::TabHost : public QObject, public PaneHost {
public:
    TabHost(PaneTabs& side, PaneHost& window) : m_side(&side), m_window(window) {}

    void MoveTo(PaneTabs& side) { m_side = &side; }
    void UseStore(ProfileStore* store) { m_scratch = store; }

    ProfileStore& Store() override { return m_scratch ? *m_scratch : m_window.Store(); }
    QString CommandLineFolder(const CPanexView& pane) const override {
        return m_side->StartFolder(pane);
    }
    bool IsFirstPane(const CPanexView&) const override { return m_side->IsFirst(); }
    CPanexView* OtherPane(const CPanexView&) const override {
        return m_side->Other() ? m_side->Other()->Current() : nullptr;
    }
    bool IsPaneHidden(const CPanexView& pane) const override {
        // Asked of this view and of the other side's: a tab not shown on its
        // side is hidden.
        const PaneTabs* side = m_side->IndexOf(&pane) >= 0 ? m_side : m_side->Other();
        if (side && side->IndexOf(&pane) >= 0 && side->Current() != &pane)
            return true;
        return m_window.IsPaneHidden(pane);
    }
    CPanexView* ActivePane() const override { return m_window.ActivePane(); }
    void ActivationUpdate(CPanexView& pane) override {
        m_side->UpdateLabel(m_side->IndexOf(&pane));
        if (m_side->Current() == &pane)
            m_window.ActivationUpdate(pane);
    }
    void AddressUpdate(CPanexView& pane, bool withHistory) override {
        m_window.AddressUpdate(pane, withHistory);
    }
    void SetLabelEditState(bool editing) override { m_window.SetLabelEditState(editing); }
    std::unique_ptr<QMenu> CreatePopupMenu(const QString& name, QWidget* parent) override {
        return m_window.CreatePopupMenu(name, parent);
    }
    bool TreeVisible() const override { return m_window.TreeVisible(); }
    void LocateInTree(const IdList& absolute) override { m_window.LocateInTree(absolute); }
    bool ExecuteCommand(int id) override { return m_window.ExecuteCommand(id); }
    bool FocusFrameBar(bool addressBar) override { return m_window.FocusFrameBar(addressBar); }
    bool DivertFolderOpen(CPanexView& pane, const IdList& folder) override {
        // Every opening after the first passes here: the labels follow once
        // it is over, whichever pane it was.
        m_side->m_labelTimer.start();
        const int index = m_side->IndexOf(&pane);
        if (index < 0 || !m_side->IsLocked(index) || !pane.Model() ||
            folder == pane.Model()->idList)
            return false;
        // The new tab says for itself when its folder can't be read; the
        // locked one stays where it is either way.
        m_side->OpenInNewTab(folder, true, index + 1, true);
        return true;
    }

private:
    PaneTabs* m_side;
    PaneHost& m_window;
    ProfileStore* m_scratch = nullptr;
};

// -- The side ------------------------------------------------------------------------

PaneTabs::PaneTabs(PaneHost& host, bool first, QWidget* parent)
    : QWidget(parent), m_host(host), m_first(first) {
    setObjectName(first ? QStringLiteral("leftTabs") : QStringLiteral("rightTabs"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_bar = new QTabBar(this);
    m_bar->setObjectName(QStringLiteral("paneTabBar"));
    m_bar->setMovable(true);
    m_bar->setDocumentMode(true);
    m_bar->setExpanding(false);
    m_bar->setElideMode(Qt::ElideMiddle);
    m_bar->setUsesScrollButtons(true);
    // The keyboard stays in the list; a click on a tab hands it there.
    m_bar->setFocusPolicy(Qt::NoFocus);
    m_bar->setAcceptDrops(true);
    m_bar->installEventFilter(this);
    layout->addWidget(m_bar);
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack, 1);
    setFocusProxy(m_stack);

    m_labelTimer.setSingleShot(true);
    m_labelTimer.setInterval(0);
    connect(&m_labelTimer, &QTimer::timeout, this, [this] {
        for (int i = 0; i < Count(); ++i) UpdateLabel(i);
    });
    connect(m_bar, &QTabBar::currentChanged, this, &PaneTabs::OnBarCurrentChanged);
    connect(m_bar, &QTabBar::tabMoved, this, &PaneTabs::OnBarMoved);
    connect(m_bar, &QTabBar::tabBarClicked, this, [this](int) {
        // After the switch the click makes, so the new tab gets the focus.
        QTimer::singleShot(0, this, [this] { Q_EMIT activateRequested(); });
    });

    TabHost* firstHost = nullptr;
    CPanexView* view = MakeView(nullptr, firstHost);
    Insert(view, firstHost, 0);
}

PaneTabs::~PaneTabs() {
    // The views go first, while the side they ask still stands.
    m_bar->disconnect(this);
    for (Tab& tab : m_tabs) delete tab.view;
    m_tabs.clear();
}

int PaneTabs::CurrentIndex() const {
    return IndexOf(Current());
}

CPanexView* PaneTabs::Current() const {
    return m_stack ? qobject_cast<CPanexView*>(m_stack->currentWidget()) : nullptr;
}

CPanexView* PaneTabs::ViewAt(int index) const {
    return index >= 0 && index < Count() ? m_tabs[std::size_t(index)].view : nullptr;
}

int PaneTabs::IndexOf(const CPanexView* view) const {
    for (int i = 0; i < Count(); ++i) {
        if (m_tabs[std::size_t(i)].view == view)
            return i;
    }
    return -1;
}

std::vector<CPanexView*> PaneTabs::Views() const {
    std::vector<CPanexView*> views;
    for (const Tab& tab : m_tabs) views.push_back(tab.view);
    return views;
}

QString PaneTabs::TabText(int index) const {
    const CPanexView* view = ViewAt(index);
    const FolderModel* model = view ? view->Model() : nullptr;
    if (!model)
        return QStringLiteral("...");
    QString title = model->title;
    while (title.size() > 1 && title.endsWith(QLatin1Char('/'))) title.chop(1);
    const qsizetype slash = title.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0 && title.size() > 1)
        title = title.mid(slash + 1);
    return title.isEmpty() ? model->title : title;
}

bool PaneTabs::IsLocked(int index) const {
    return index >= 0 && index < Count() && m_tabs[std::size_t(index)].locked;
}

void PaneTabs::SetLocked(int index, bool locked) {
    if (index < 0 || index >= Count() || m_tabs[std::size_t(index)].locked == locked)
        return;
    m_tabs[std::size_t(index)].locked = locked;
    UpdateLabel(index);
}

// -- Making and removing tabs ------------------------------------------------------------

CPanexView* PaneTabs::MakeView(const CPanexView* source, TabHost*& madeHost) {
    auto* host = new TabHost(*this, m_host);
    madeHost = host;
    auto* view = new CPanexView(*host, m_stack);
    // The host is the view's last child, so it outlives every part of the
    // view that might still ask it something while the view is destroyed.
    host->setParent(view);
    if (source) {
        // The source's settings go through a store of no file and come back
        // by the pane's own reading, clamps and all.
        ProfileStore scratch{QString()};
        {
            const ScopedSaving saving;
            source->SaveSettings(scratch);
        }
        const bool lame = LameMessages();
        host->UseStore(&scratch);
        view->LoadSettings();
        host->UseStore(nullptr);
        SetLameMessages(lame);
    }
    WatchView(*view);
    return view;
}

void PaneTabs::WatchView(CPanexView& view) {
    PaneListCtrl* list = view.List();
    // A new folder or filter takes rows away and brings others: once the
    // opening is over the labels follow, for the tabs of the inactive pane
    // and those not shown as well (only the active pane tells its host).
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(list->Model(), signal, &m_labelTimer, qOverload<>(&QTimer::start));
    for (QAbstractItemView* shown : {static_cast<QAbstractItemView*>(list->ListView()),
                                     static_cast<QAbstractItemView*>(list->TreeView())}) {
        // Installed after the pane's own router, so these run first.
        shown->installEventFilter(this);
        shown->viewport()->installEventFilter(this);
    }
}

int PaneTabs::Insert(CPanexView* view, TabHost* host, int index) {
    index = std::clamp(index, 0, Count());
    if (m_stack->indexOf(view) < 0)
        m_stack->addWidget(view);
    m_tabs.insert(m_tabs.begin() + index, Tab{view, host, false});
    m_switching = true;
    m_bar->insertTab(index, QString());
    m_switching = false;
    UpdateLabel(index);
    UpdateBarVisibility();
    Q_EMIT viewAdded(view);
    Q_EMIT tabsChanged();
    return index;
}

CPanexView* PaneTabs::AddTab(int index, const CPanexView* source, bool show) {
    if (index < 0)
        index = CurrentIndex() + 1;
    TabHost* host = nullptr;
    CPanexView* view = MakeView(source ? source : Current(), host);
    const int at = Insert(view, host, index);
    if (show)
        SetCurrentIndex(at);
    return view;
}

CPanexView* PaneTabs::OpenInNewTab(const IdList& folder, bool show, int index, bool keepFilter) {
    if (folder.IsNull())
        return nullptr;
    CPanexView* view = AddTab(index, Current(), false);
    if (!keepFilter && view->FilterText() != kNoFilter)
        view->SetFilter(kNoFilter);
    if (!view->OpenFolder(folder)) {
        Remove(IndexOf(view));
        return nullptr;
    }
    UpdateLabel(IndexOf(view));
    if (show)
        SetCurrentIndex(IndexOf(view));
    return view;
}

CPanexView* PaneTabs::DuplicateTab(int index) {
    CPanexView* source = ViewAt(index);
    if (!source || !source->Model())
        return nullptr;
    CPanexView* view = AddTab(index + 1, source, false);
    if (!view->OpenFolder(source->Model()->idList)) {
        Remove(IndexOf(view));
        return nullptr;
    }
    view->SetNavigation(source->Navigation());
    // The same rows marked and the same row focused, by name.
    PaneListCtrl* from = source->List();
    QStringList selected;
    for (const FolderItem* item : from->SelectedItems()) selected.append(item->name);
    for (const QString& name : selected) view->FocusByName(name, true);
    if (const FolderItem* focused =
            from->FocusedRow() >= 0 ? from->ItemAt(from->FocusedRow()) : nullptr)
        view->FocusByName(focused->name, false);
    SetCurrentIndex(IndexOf(view));
    return view;
}

void PaneTabs::Remove(int index) {
    if (index < 0 || index >= Count())
        return;
    CPanexView* view = m_tabs[std::size_t(index)].view;
    const bool wasCurrent = view == Current();
    if (view == m_dragView) {
        if (PaneTransferHooks* hooks = TransferHooks())
            hooks->DragLeave(*view);
        m_dragView = nullptr;
    }
    m_tabs.erase(m_tabs.begin() + index);
    m_switching = true;
    m_bar->removeTab(index);
    m_switching = false;
    if (wasCurrent && Count() > 0) {
        // The tab that slid into the closed one's place (or the one before
        // it, at the end) is shown, before the closed view goes.
        const bool hadFocus = view->isAncestorOf(QApplication::focusWidget());
        CPanexView* next = ViewAt(std::min(index, Count() - 1));
        m_stack->setCurrentWidget(next);
        m_switching = true;
        m_bar->setCurrentIndex(IndexOf(next));
        m_switching = false;
        if (hadFocus)
            next->setFocus(Qt::OtherFocusReason);
    }
    m_stack->removeWidget(view);
    UpdateBarVisibility();
    if (wasCurrent && Count() > 0)
        Q_EMIT currentViewChanged(Current());
    Q_EMIT tabsChanged();
    delete view;
}

bool PaneTabs::CloseTab(int index) {
    if (Count() <= 1 || index < 0 || index >= Count())
        return false;
    Remove(index);
    return true;
}

int PaneTabs::CloseOtherTabs(int keep) {
    CPanexView* kept = ViewAt(keep);
    if (!kept)
        return 0;
    SetCurrentIndex(keep);
    int closed = 0;
    for (int i = Count() - 1; i >= 0; --i) {
        if (ViewAt(i) != kept) {
            Remove(i);
            ++closed;
        }
    }
    return closed;
}

bool PaneTabs::MoveTabTo(int index, PaneTabs& target) {
    if (&target == this || Count() <= 1 || index < 0 || index >= Count())
        return false;
    const Tab tab = m_tabs[std::size_t(index)];
    const bool wasCurrent = tab.view == Current();
    if (wasCurrent) {
        // Another tab is shown here before the moved view leaves.
        SetCurrentIndex(index + 1 < Count() ? index + 1 : index - 1);
    }
    m_tabs.erase(m_tabs.begin() + index);
    m_switching = true;
    m_bar->removeTab(index);
    m_switching = false;
    m_stack->removeWidget(tab.view);
    UpdateBarVisibility();
    Q_EMIT tabsChanged();

    tab.host->MoveTo(target);
    disconnect(tab.view->List()->Model(), nullptr, &m_labelTimer, nullptr);
    tab.view->List()->ListView()->removeEventFilter(this);
    tab.view->List()->TreeView()->removeEventFilter(this);
    tab.view->List()->ListView()->viewport()->removeEventFilter(this);
    tab.view->List()->TreeView()->viewport()->removeEventFilter(this);
    target.m_stack->addWidget(tab.view);
    target.WatchView(*tab.view);
    const int at = target.Count();
    target.m_tabs.push_back(tab);
    target.m_switching = true;
    target.m_bar->insertTab(at, QString());
    target.m_switching = false;
    target.UpdateLabel(at);
    target.UpdateBarVisibility();
    Q_EMIT target.tabsChanged();
    target.SetCurrentIndex(at);
    return true;
}

// -- Switching ------------------------------------------------------------------------------

void PaneTabs::SetCurrentIndex(int index) {
    if (index < 0 || index >= Count())
        return;
    if (m_bar->currentIndex() != index)
        m_bar->setCurrentIndex(index);  // OnBarCurrentChanged shows the view
    else
        OnBarCurrentChanged(index);
}

void PaneTabs::Step(int delta) {
    if (Count() < 2)
        return;
    const int count = Count();
    SetCurrentIndex(((CurrentIndex() + delta) % count + count) % count);
}

void PaneTabs::OnBarCurrentChanged(int index) {
    CPanexView* view = ViewAt(index);
    if (m_switching || !view || view == Current())
        return;
    CPanexView* before = Current();
    const bool hadFocus = before && before->isAncestorOf(QApplication::focusWidget());
    m_stack->setCurrentWidget(view);
    if (hadFocus)
        view->setFocus(Qt::OtherFocusReason);
    Q_EMIT currentViewChanged(view);
}

void PaneTabs::OnBarMoved(int from, int to) {
    if (from < 0 || to < 0 || from >= Count() || to >= Count())
        return;
    const Tab tab = m_tabs[std::size_t(from)];
    m_tabs.erase(m_tabs.begin() + from);
    m_tabs.insert(m_tabs.begin() + to, tab);
    Q_EMIT tabsChanged();
}

void PaneTabs::UpdateLabel(int index) {
    if (index < 0 || index >= Count())
        return;
    const Tab& tab = m_tabs[std::size_t(index)];
    QString text = TabText(index);
    static const QIcon lockIcon = QIcon::fromTheme(
        QStringLiteral("object-locked"), QIcon::fromTheme(QStringLiteral("changes-prevent")));
    m_bar->setTabIcon(index, tab.locked ? lockIcon : QIcon());
    if (tab.locked && lockIcon.isNull())
        text.prepend(kLockedMark);
    // "&" would be read as a mnemonic.
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    m_bar->setTabText(index, text);
    m_bar->setTabToolTip(index, tab.view->CaptionText());
    Q_EMIT tabsChanged();
}

void PaneTabs::SetAlwaysShowBar(bool always) {
    m_alwaysShowBar = always;
    UpdateBarVisibility();
}

void PaneTabs::UpdateBarVisibility() {
    m_bar->setVisible(m_alwaysShowBar || Count() > 1);
}

// -- Settings -------------------------------------------------------------------------------

TabSetRecord PaneTabs::Record() const {
    TabSetRecord record;
    for (const Tab& tab : m_tabs) {
        TabRecord stored;
        stored.folder = StoredFolderOf(*tab.view);
        stored.locked = tab.locked;
        stored.filter = tab.view->FilterText();
        stored.viewStyle = tab.view->List()->ViewStyle();
        stored.sortBy = tab.view->List()->SortKey();
        stored.ascending = tab.view->List()->Ascending();
        record.tabs.push_back(stored);
    }
    record.current = std::max(0, CurrentIndex());
    // A tab on no folder yet has nothing to come back to.
    for (int i = int(record.tabs.size()) - 1; i >= 0; --i) {
        if (record.tabs[std::size_t(i)].folder.isEmpty()) {
            record.tabs.erase(record.tabs.begin() + i);
            if (record.current > i)
                --record.current;
        }
    }
    if (record.current >= int(record.tabs.size()))
        record.current = 0;
    return record;
}

void PaneTabs::SaveSettings(ProfileStore& store) const {
    if (!General().saveSettings)
        return;
    if (const CPanexView* current = Current())
        current->SaveSettings(store);
    const TabSetRecord record = Record();
    if (!record.tabs.empty())
        WriteTabSet(store, SectionOf(m_first), record);
}

QString PaneTabs::StartFolder(const CPanexView& view) const {
    if (&view != Current())
        return {};
    const QString commandLine = m_host.CommandLineFolder(view);
    if (!commandLine.isEmpty() || !m_restoring)
        return commandLine;
    return NearestExistingFolder(m_restoring->tabs[std::size_t(m_restoring->current)].folder);
}

void PaneTabs::BeginRestore() {
    m_restoring.reset();
    if (General().saveSettings)
        m_restoring = ReadTabSet(m_host.Store(), SectionOf(m_first));
}

CPanexView* PaneTabs::OpenRecord(const TabRecord& tab, int index, QStringList& gone) {
    CPanexView* view = AddTab(index, Current(), false);
    if (view->FilterText() != kNoFilter)
        view->SetFilter(kNoFilter);
    ApplyTabSettings(*view, tab);
    const QString folder = NearestExistingFolder(tab.folder);
    if (folder != tab.folder)
        gone.append(tab.folder);
    if (!OpenText(*view, folder) && !view->Model()) {
        Remove(IndexOf(view));
        return nullptr;
    }
    SetLocked(IndexOf(view), tab.locked);
    UpdateLabel(IndexOf(view));
    return view;
}

void PaneTabs::FinishRestore() {
    if (!m_restoring)
        return;
    const TabSetRecord record = *m_restoring;
    m_restoring.reset();
    CPanexView* current = Current();
    QStringList gone;
    const TabRecord& shown = record.tabs[std::size_t(record.current)];
    // The current tab started on its folder's nearest parent (StartFolder)
    // unless the command line named another.
    if (m_host.CommandLineFolder(*current).isEmpty() &&
        NearestExistingFolder(shown.folder) != shown.folder)
        gone.append(shown.folder);
    SetLocked(0, shown.locked);
    // The tabs before the current one go before it, in order; those after it
    // after it.
    int before = 0;
    for (int i = 0; i < int(record.tabs.size()); ++i) {
        if (i == record.current)
            continue;
        const int at = i < record.current ? before : Count();
        if (OpenRecord(record.tabs[std::size_t(i)], at, gone) && i < record.current)
            ++before;
    }
    SetCurrentIndex(IndexOf(current));
    NoticeGone(gone);
}

void PaneTabs::ApplyRecord(const TabSetRecord& record) {
    if (record.tabs.empty())
        return;
    std::vector<CPanexView*> kept;
    QStringList gone;
    int shownIndex = -1;
    for (int i = 0; i < int(record.tabs.size()); ++i) {
        const TabRecord& tab = record.tabs[std::size_t(i)];
        // A tab already there on that folder stays as it is, history and all.
        CPanexView* view = nullptr;
        for (const Tab& open : m_tabs) {
            if (std::find(kept.begin(), kept.end(), open.view) == kept.end() &&
                StoredFolderOf(*open.view) == tab.folder) {
                view = open.view;
                break;
            }
        }
        if (view) {
            m_switching = true;
            m_bar->moveTab(IndexOf(view), int(kept.size()));
            m_switching = false;
            // QTabBar::moveTab reports the move; the order is ours again.
            SetLocked(IndexOf(view), tab.locked);
        } else {
            view = OpenRecord(tab, int(kept.size()), gone);
        }
        if (!view)
            continue;
        if (i == record.current)
            shownIndex = int(kept.size());
        kept.push_back(view);
    }
    if (kept.empty())
        return;
    SetCurrentIndex(shownIndex >= 0 ? shownIndex : 0);
    for (int i = Count() - 1; i >= 0; --i) {
        if (std::find(kept.begin(), kept.end(), ViewAt(i)) == kept.end())
            Remove(i);
    }
    NoticeGone(gone);
}

// -- Events -------------------------------------------------------------------------------

bool PaneTabs::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_bar) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::DragLeave:
            case QEvent::Drop:
                return HandleBarDrag(event);
            case QEvent::MouseButtonRelease: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() != Qt::MiddleButton)
                    break;
                const int index = m_bar->tabAt(mouse->position().toPoint());
                if (index >= 0)
                    CloseTab(index);
                return true;
            }
            case QEvent::ContextMenu: {
                auto* menu = static_cast<QContextMenuEvent*>(event);
                const int index = m_bar->tabAt(menu->pos());
                if (index >= 0)
                    ShowTabMenu(index, menu->globalPos());
                return true;
            }
            default:
                break;
        }
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress)
        return HandleListKey(event);
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)
        return HandleMiddleClick(watched, event);
    return QWidget::eventFilter(watched, event);
}

bool PaneTabs::HandleListKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    // Ctrl+Tab and Ctrl+Shift+Tab step through the tabs while there are
    // several; with one tab they keep their older meaning (the folder tree).
    if (Count() < 2 || !(mods & Qt::ControlModifier) || (mods & Qt::AltModifier))
        return false;
    if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
        return false;
    const bool back = key->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
    Q_EMIT commandRequested(back ? ID_TAB_PREVIOUS : ID_TAB_NEXT);
    return true;
}

bool PaneTabs::HandleMiddleClick(QObject* watched, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::MiddleButton)
        return false;
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* shown = viewport ? qobject_cast<QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    if (!shown || shown->viewport() != viewport)
        return false;
    if (event->type() == QEvent::MouseButtonRelease)
        return true;
    // The view the click is in is this side's; find its tab.
    for (const Tab& tab : m_tabs) {
        PaneListCtrl* list = tab.view->List();
        if (list->ActiveView() != shown)
            continue;
        const QModelIndex index = shown->indexAt(mouse->position().toPoint());
        FolderItem* item = index.isValid() ? list->ItemAt(index.row()) : nullptr;
        if (item && tab.view->Model() && item->IsFolderLike(tab.view->Model()->IsFileSystem()))
            OpenInNewTab(item->AbsoluteId(true), false, IndexOf(tab.view) + 1);
        return true;
    }
    return false;
}

void PaneTabs::ShowTabMenu(int index, QPoint global) {
    SetCurrentIndex(index);
    Q_EMIT activateRequested();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("tabMenu"));
    for (const MenuEntry& entry : kTabMenu) {
        if (!entry.text) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromLatin1(entry.text));
        action->setData(entry.id);
        if (entry.id == ID_TAB_LOCK) {
            action->setCheckable(true);
            action->setChecked(IsLocked(index));
        }
        if (entry.id == ID_TAB_CLOSE || entry.id == ID_TAB_CLOSE_OTHERS ||
            entry.id == ID_TAB_MOVE_TO_OTHER)
            action->setEnabled(Count() > 1);
    }
    if (QAction* chosen = menu.exec(global); chosen && chosen->data().isValid())
        Q_EMIT commandRequested(chosen->data().toInt());
}

bool PaneTabs::HandleBarDrag(QEvent* event) {
    PaneTransferHooks* hooks = TransferHooks();
    auto leave = [this, hooks] {
        if (m_dragView && hooks)
            hooks->DragLeave(*m_dragView);
        m_dragView = nullptr;
    };
    if (event->type() == QEvent::DragLeave) {
        leave();
        return true;
    }
    auto* drop = static_cast<QDropEvent*>(event);
    CPanexView* view = ViewAt(m_bar->tabAt(drop->position().toPoint()));
    if (!hooks || !view || !view->Model()) {
        leave();
        // The enter is taken, so the moves over the tabs keep coming.
        if (event->type() == QEvent::DragEnter) {
            drop->setDropAction(Qt::IgnoreAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    // The tab takes the drop as its folder's background would: a point
    // outside every row of its list.
    QAbstractItemView& shown = *view->List()->ActiveView();
    const QPointF outside(-1, -1);
    if (event->type() == QEvent::Drop) {
        QDropEvent forwarded(outside, drop->possibleActions(), drop->mimeData(), drop->buttons(),
                             drop->modifiers());
        hooks->Drop(*view, shown, forwarded);
        m_dragView = nullptr;
        drop->setDropAction(forwarded.dropAction());
        drop->setAccepted(forwarded.isAccepted());
        return true;
    }
    if (view != m_dragView) {
        leave();
        m_dragView = view;
        QDragEnterEvent entered(outside.toPoint(), drop->possibleActions(), drop->mimeData(),
                                drop->buttons(), drop->modifiers());
        hooks->DragEnter(*view, shown, entered);
    }
    QDragMoveEvent moved(outside.toPoint(), drop->possibleActions(), drop->mimeData(),
                         drop->buttons(), drop->modifiers());
    hooks->DragMove(*view, shown, moved);
    drop->setDropAction(moved.dropAction());
    if (event->type() == QEvent::DragEnter)
        drop->accept();  // keep the moves coming over the other tabs
    else
        drop->setAccepted(moved.isAccepted());
    return true;
}

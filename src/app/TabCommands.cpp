#include "app/TabCommands.h"

#include <QWidget>

#include "app/FrameBars.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneTabs.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"

namespace {

const QString kOneTab = QStringLiteral("The pane has only this tab");
const QString kNoSuchTab = QStringLiteral("The pane has no tab %1");
const QString kNoFolderFocused = QStringLiteral("The focused item is no folder");
const QString kNoFolder = QStringLiteral("The pane shows no folder yet");

FolderItem* FocusedFolder(CPanexView* view) {
    if (!view || !view->Model())
        return nullptr;
    PaneListCtrl* list = view->List();
    FolderItem* item = list->FocusedRow() >= 0 ? list->ItemAt(list->FocusedRow()) : nullptr;
    return item && item->IsFolderLike(view->Model()->IsFileSystem()) ? item : nullptr;
}

}  // namespace

TabCommands::TabCommands(PaneHost& window, QWidget* parent) : m_window(window) {
    m_left = new PaneTabs(window, true, parent);
    m_right = new PaneTabs(window, false, parent);
    m_left->SetOther(m_right);
    m_right->SetOther(m_left);
    Connect(m_left);
    Connect(m_right);
    MapTabCommands();
    ApplyBarOption();
}

TabCommands::~TabCommands() {
    // The sides belong to their Qt parent; only our connections end here.
    for (PaneTabs* side : {m_left, m_right}) {
        if (side)
            side->disconnect();
    }
}

void TabCommands::Connect(PaneTabs* side) {
    const bool left = side == m_left;
    QObject::connect(side, &PaneTabs::currentViewChanged, side,
                     [this, left](CPanexView* now) { OnShown(left, now); });
    QObject::connect(side, &PaneTabs::viewAdded, side, [this](CPanexView* view) {
        if (m_viewAdded)
            m_viewAdded(view);
    });
    QObject::connect(side, &PaneTabs::activateRequested, side, [this, side] { Activate(side); });
    QObject::connect(side, &PaneTabs::commandRequested, side,
                     [this, side](int id) { RunOn(side, id); });
}

PaneTabs* TabCommands::SideOf(const CPanexView* view) const {
    for (PaneTabs* side : {m_left, m_right}) {
        if (side->IndexOf(view) >= 0)
            return side;
    }
    return nullptr;
}

PaneTabs* TabCommands::ActiveSide() const {
    PaneTabs* side = SideOf(m_window.ActivePane());
    return side ? side : m_left;
}

std::vector<CPanexView*> TabCommands::AllViews() const {
    std::vector<CPanexView*> views = m_left->Views();
    const std::vector<CPanexView*> right = m_right->Views();
    views.insert(views.end(), right.begin(), right.end());
    return views;
}

void TabCommands::BindWindowPanes(CPanexView*& left, CPanexView*& right, CPanexView*& active,
                                  std::function<void(CPanexView*)> activate) {
    m_windowLeft = &left;
    m_windowRight = &right;
    m_windowActive = &active;
    m_activate = std::move(activate);
    left = m_left->Current();
    left->setObjectName(QStringLiteral("leftPane"));
    right = m_right->Current();
    right->setObjectName(QStringLiteral("rightPane"));
    active = left;
}

void TabCommands::OnShown(bool left, CPanexView* now) {
    if (!m_windowLeft)
        return;
    CPanexView*& shown = left ? *m_windowLeft : *m_windowRight;
    const bool wasActive = *m_windowActive == shown;
    shown = now;
    if (!wasActive) {
        now->UpdateCaption();
        return;
    }
    // The active pane is another view now: the activation makes it so and
    // updates what follows the active pane.
    *m_windowActive = nullptr;
    if (m_activate)
        m_activate(now);
}

void TabCommands::ServeLayouts(FrameBars& bars) {
    bars.SetTabAccess([this](bool left) { return (left ? m_left : m_right)->Record(); },
                      [this](bool left, const TabSetRecord& tabs) {
                          (left ? m_left : m_right)->ApplyRecord(tabs);
                      });
}

void TabCommands::SetViewObserver(std::function<void(CPanexView*)> observer) {
    m_viewAdded = std::move(observer);
}

void TabCommands::BeginRestore() {
    m_left->BeginRestore();
    m_right->BeginRestore();
}

void TabCommands::FinishRestore() {
    m_left->FinishRestore();
    m_right->FinishRestore();
}

void TabCommands::SaveSettings(ProfileStore& store) const {
    m_left->SaveSettings(store);
    m_right->SaveSettings(store);
}

void TabCommands::ApplyBarOption() {
    m_left->SetAlwaysShowBar(General().alwaysShowTabBar);
    m_right->SetAlwaysShowBar(General().alwaysShowTabBar);
}

void TabCommands::Activate(PaneTabs* side) {
    if (m_activate && side && side->Current())
        m_activate(side->Current());
}

bool TabCommands::RunOn(PaneTabs* side, int id) {
    // The side the tab bar or the key belongs to acts, as the active one.
    if (side != ActiveSide())
        Activate(side);
    CommandState state;
    if (OnUpdateCommand(id, state) && !state.enabled) {
        if (state.whyDisabled)
            Notice(*state.whyDisabled, true);
        return false;
    }
    return OnCommand(id);
}

void TabCommands::MapTabCommands() {
    auto several = [this](CommandState& state) {
        state.EnableOrSay(ActiveSide()->Count() > 1, kOneTab);
    };
    auto withFolder = [this](CommandState& state) {
        const CPanexView* view = ActiveSide()->Current();
        state.EnableOrSay(view && view->Model(), kNoFolder);
    };

    MapCommand(ID_TAB_NEW, [this] {
        PaneTabs* side = ActiveSide();
        if (const FolderModel* model = side->Current()->Model())
            side->OpenInNewTab(model->idList, true);
        Activate(side);
    });
    MapUpdate(ID_TAB_NEW, withFolder);
    MapCommand(ID_TAB_OPEN_FOCUSED, [this] {
        PaneTabs* side = ActiveSide();
        if (FolderItem* item = FocusedFolder(side->Current()))
            side->OpenInNewTab(item->AbsoluteId(true), false);
    });
    MapUpdate(ID_TAB_OPEN_FOCUSED, [this](CommandState& state) {
        state.EnableOrSay(FocusedFolder(ActiveSide()->Current()) != nullptr, kNoFolderFocused);
    });
    MapCommand(ID_TAB_DUPLICATE, [this] {
        PaneTabs* side = ActiveSide();
        side->DuplicateTab(side->CurrentIndex());
        Activate(side);
    });
    MapUpdate(ID_TAB_DUPLICATE, withFolder);
    MapCommand(ID_TAB_CLOSE, [this] {
        PaneTabs* side = ActiveSide();
        side->CloseTab(side->CurrentIndex());
        Activate(side);
    });
    MapUpdate(ID_TAB_CLOSE, several);
    MapCommand(ID_TAB_CLOSE_OTHERS, [this] {
        PaneTabs* side = ActiveSide();
        side->CloseOtherTabs(side->CurrentIndex());
        Activate(side);
    });
    MapUpdate(ID_TAB_CLOSE_OTHERS, several);
    MapCommand(ID_TAB_NEXT, [this] {
        PaneTabs* side = ActiveSide();
        side->Step(1);
        Activate(side);
    });
    MapUpdate(ID_TAB_NEXT, several);
    MapCommand(ID_TAB_PREVIOUS, [this] {
        PaneTabs* side = ActiveSide();
        side->Step(-1);
        Activate(side);
    });
    MapUpdate(ID_TAB_PREVIOUS, several);
    MapCommand(ID_TAB_MOVE_TO_OTHER, [this] {
        PaneTabs* side = ActiveSide();
        PaneTabs* other = side->Other();
        if (other && side->MoveTabTo(side->CurrentIndex(), *other))
            Activate(other);
    });
    MapUpdate(ID_TAB_MOVE_TO_OTHER, several);
    MapCommand(ID_TAB_LOCK, [this] {
        PaneTabs* side = ActiveSide();
        side->SetLocked(side->CurrentIndex(), !side->IsLocked(side->CurrentIndex()));
    });
    MapUpdate(ID_TAB_LOCK, [this](CommandState& state) {
        const PaneTabs* side = ActiveSide();
        state.SetCheck(side->IsLocked(side->CurrentIndex()));
    });
    MapCommandRange(ID_TAB_GOTO_FIRST, ID_TAB_GOTO_LAST, [this](int id) {
        PaneTabs* side = ActiveSide();
        side->SetCurrentIndex(id - ID_TAB_GOTO_FIRST);
        Activate(side);
    });
    MapUpdateRange(ID_TAB_GOTO_FIRST, ID_TAB_GOTO_LAST, [this](int id, CommandState& state) {
        const int number = id - ID_TAB_GOTO_FIRST + 1;
        state.EnableOrSay(number <= ActiveSide()->Count(), kNoSuchTab.arg(number));
    });
}

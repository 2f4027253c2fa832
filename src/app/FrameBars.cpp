#include "app/FrameBars.h"

#include <QDockWidget>
#include <QEvent>
#include <QScreen>
#include <QTimer>

#include "app/CMainFrame.h"
#include "app/CPaneSplitter.h"
#include "app/CPanexApp.h"
#include "app/SizableBars.h"
#include "app/ThumbnailBar.h"
#include "pane/CPanexView.h"
#include "pane/PaneListCtrl.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/Notice.h"

FrameBars::FrameBars(CMainFrame& frame) : QObject(&frame), m_frame(frame) {}

FrameBars::~FrameBars() = default;

void FrameBars::Create() {
    m_bars = new SizableBars(m_frame);
    m_thumbBar = new CThumbnailBar(
        [this]() -> FolderItem* {
            CPanexView* pane = m_frame.GetActivePane();
            if (!pane)
                return nullptr;
            const int row = pane->List()->FocusedRow();
            return row >= 0 ? pane->List()->ItemAt(row) : nullptr;
        },
        &m_frame);
    m_thumbBar->SetMaxFileSize(LoadMaxFileSizeThumb(m_frame.Store(), kMainFrameSection));
    m_frame.addDockWidget(Qt::LeftDockWidgetArea, m_thumbBar);
    m_thumbBar->setFloating(true);
    m_thumbBar->move(kThumbBarFloatOffset, kThumbBarFloatOffset);
    m_thumbBar->resize(m_bars->Sizes(kThumbBarId).floating);
    m_thumbBar->hide();
    // Qt lays the docks out when the window first shows; the remembered
    // sizes are given again then.
    m_frame.installEventFilter(this);
    MapCommands();
}

void FrameBars::MapCommands() {
    m_frame.MapCommand(ID_VIEW_THUMBBAR,
                       [this] { m_thumbBar->setVisible(m_thumbBar->isHidden()); });
    m_frame.MapUpdate(ID_VIEW_THUMBBAR, [this](CommandState& state) {
        state.Enable(m_thumbBar->ThumbnailsAvailable());
        state.SetCheck(!m_thumbBar->isHidden());
    });
    m_frame.MapCommand(ID_EDIT_COPY_PREVIEW, [this] { m_thumbBar->CopyPreview(); });
    m_frame.MapCommandRange(ID_LAYOUT_FIRST, ID_LAYOUT_LAST,
                            [this](int id) { OnLayoutCommand(id - ID_LAYOUT_FIRST + 1); });
    m_frame.MapUpdateRange(ID_LAYOUT_FIRST, ID_LAYOUT_LAST, [this](int id, CommandState& state) {
        const int number = id - ID_LAYOUT_FIRST + 1;
        state.SetText(m_layouts.MenuText(number));
        // An empty slot's entry stores the layout there.
        state.Enable(true);
    });
    m_frame.MapCommand(ID_LAYOUT_STORE_FREE, [this] {
        for (int number = 1; number <= kLayoutCount; ++number) {
            if (!m_layouts.Slot(number)) {
                StoreLayout(number);
                return;
            }
        }
        Notice(kNoFreeLayout, true);
    });
}

void FrameBars::RestoreSizes(const ProfileStore& store) {
    m_bars->Load(store, kMainFrameSection);
}

void FrameBars::LoadLayouts(const ProfileStore& store) {
    m_layouts.Load(store);
}

void FrameBars::SaveSizes(ProfileStore& store) {
    m_bars->Save(store, kMainFrameSection);
}

void FrameBars::SaveLayouts(ProfileStore& store) {
    m_layouts.Save(store);
}

bool FrameBars::ShowBar(int barId) {
    QDockWidget* dock = m_bars->Dock(barId);
    if (!dock)
        return false;
    if (dock->isHidden())
        dock->show();
    return true;
}

bool FrameBars::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_frame && event->type() == QEvent::Show && !m_shown) {
        m_shown = true;
        QTimer::singleShot(0, this, [this] { m_bars->ApplyAll(); });
    }
    return QObject::eventFilter(watched, event);
}

// -- Layouts ---------------------------------------------------------------------

void FrameBars::OnLayoutCommand(int number) {
    // Applying an empty slot would do nothing; it is stored instead.
    if (IsShiftDown() || !m_layouts.Slot(number))
        StoreLayout(number);
    else
        ApplyLayout(number);
}

QSize FrameBars::ScreenSize() const {
    const QScreen* screen = m_frame.screen();
    return screen ? screen->geometry().size() : QSize();
}

LayoutSlot FrameBars::CurrentArrangement(const QString& name) const {
    LayoutSlot slot;
    LayoutRecord& record = slot.record;
    const QSize screen = ScreenSize();
    record.screenWidth = screen.width();
    record.screenHeight = screen.height();
    record.name = name;
    record.firstPaneSize = m_frame.Splitter()->GetFirstPaneSize();
    record.leftViewStyle = m_frame.GetLeftPane()->List()->ViewStyle();
    record.rightViewStyle = m_frame.GetRightPane()->List()->ViewStyle();
    record.placement.show =
        m_frame.isMaximized() ? LayoutPlacement::kShowMaximized : LayoutPlacement::kShowNormal;
    record.placement.normal = WindowRect::FromQRect(m_frame.normalGeometry());
    record.treeBarSizes = ToLayoutOrder(m_bars->Sizes(kTreeBarId));
    record.thumbBarSizes = ToLayoutOrder(m_bars->Sizes(kThumbBarId));
    slot.dockState = m_frame.saveState();
    if (m_captureTabs) {
        slot.leftTabs = m_captureTabs(true);
        slot.rightTabs = m_captureTabs(false);
    }
    return slot;
}

void FrameBars::StoreLayout(int number) {
    const LayoutSlot* old = m_layouts.Slot(number);
    // The layout's name.
    InputRequest request;
    request.prompt = kLayoutNamePrompt;
    request.title = kLayoutNamePrompt;
    request.initialText = old ? old->record.name : QStringLiteral("Layout %1").arg(number);
    request.maxLength = kMaxLayoutName;
    request.parent = &m_frame;
    const std::optional<QString> name = Prompts().InputBox(request);
    // No name, no layout.
    if (!name || name->isEmpty())
        return;
    // The current arrangement.
    m_layouts.Set(number, CurrentArrangement(*name));
    Notice(kLayoutStored, false);
}

void FrameBars::ApplyLayout(int number) {
    // Only a stored layout applies.
    const LayoutSlot* found = m_layouts.Slot(number);
    if (!found)
        return;
    const LayoutSlot slot = *found;
    const LayoutRecord& record = slot.record;
    // A layout from another screen size asks first.
    const QSize screen = ScreenSize();
    if (screen.width() != record.screenWidth || screen.height() != record.screenHeight) {
        PromptRequest question;
        question.text = kLayoutOtherScreen;
        question.buttons = PromptButtons::YesNo;
        question.icon = PromptIcon::Warning;
        question.parent = &m_frame;
        if (Prompts().MessageBox(question) != PromptAnswer::Yes)
            return;
    }
    // The normal place first, so a maximised window comes back to
    // it when the user restores it.
    if (m_frame.isMaximized() || m_frame.isMinimized())
        m_frame.showNormal();
    WindowPlacement placement;
    placement.normal = KeepOnScreen(record.placement.normal);
    ApplyWindowPlacement(&m_frame, placement);
    if (record.placement.show == LayoutPlacement::kShowMaximized)
        m_frame.showMaximized();
    // The pane split.
    m_frame.Splitter()->SetFirstPaneSize(record.firstPaneSize, kMinimumPaneSize);
    // The bars' sizes.
    m_bars->SetSizes(kTreeBarId, FromLayoutOrder(record.treeBarSizes));
    m_bars->SetSizes(kThumbBarId, FromLayoutOrder(record.thumbBarSizes));
    // The docks.
    m_frame.restoreState(slot.dockState);
    // The tabs come back before the view styles, which go to the tabs shown.
    if (m_applyTabs) {
        if (slot.leftTabs)
            m_applyTabs(true, *slot.leftTabs);
        if (slot.rightTabs)
            m_applyTabs(false, *slot.rightTabs);
    }
    // After the current command, as a posted command would.
    for (CPanexView* pane : {m_frame.GetLeftPane(), m_frame.GetRightPane()}) {
        const int style =
            pane == m_frame.GetLeftPane() ? record.leftViewStyle : record.rightViewStyle;
        if (style < ID_VIEW_STYLE_FIRST || style > ID_VIEW_STYLE_LAST)
            continue;
        QTimer::singleShot(0, pane, [pane, style] { pane->OnCommand(style); });
    }
    // The docks' contents are laid out by Qt's dock layout itself.
}

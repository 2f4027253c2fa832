#pragma once
// What the tests of activation, launch, rename, sticky selection and the
// context menu share: a host that records what the pane asks of the frame,
// transfer hooks that record the pastes a pane asks for, a pane that
// records the commands that reach it, a recorder of launches (through the
// ShellLaunch hook) and a chooser that picks a context-menu entry instead
// of showing the menu.

#include <QAction>
#include <QMenu>
#include <QMutex>
#include <QMutexLocker>
#include <memory>
#include <vector>

#include "PaneTestSupport.h"
#include "pane/PaneContextMenu.h"
#include "pane/PaneTransferHooks.h"
#include "platform/shellui/ShellLaunch.h"
#include "platform/thread/ThreadGroup.h"
#include "shell/CommandIds.h"

class ActivationHost : public TestPaneHost {
public:
    void AddressUpdate(CPanexView& pane, bool withHistory) override {
        addressUpdates.push_back({&pane, withHistory});
    }
    void SetLabelEditState(bool editing) override { labelEditStates.push_back(editing); }
    std::unique_ptr<QMenu> CreatePopupMenu(const QString& name, QWidget* parent) override {
        menuNames.push_back(name);
        if (!offerBackgroundMenu)
            return nullptr;
        auto menu = std::make_unique<QMenu>(parent);
        for (int id : {ID_NEW_FOLDER, ID_PANE_REFRESH}) {
            QAction* action = menu->addAction(QStringLiteral("command %1").arg(id));
            action->setData(id);
        }
        return menu;
    }
    bool TreeVisible() const override { return treeVisible; }
    void LocateInTree(const IdList& absolute) override { located.push_back(absolute); }
    bool ExecuteCommand(int id) override {
        executed.push_back(id);
        return true;
    }

    struct AddressCall {
        CPanexView* pane;
        bool withHistory;
    };
    std::vector<AddressCall> addressUpdates;
    std::vector<bool> labelEditStates;
    std::vector<QString> menuNames;
    std::vector<IdList> located;
    std::vector<int> executed;
    bool offerBackgroundMenu = true;
    bool treeVisible = false;
};

// Stands in for the transfer code while it lives: records the pastes a
// pane hands over and answers them as told; drags and drops are not
// expected here and are left alone.
class RecordingTransferHooks : public PaneTransferHooks {
public:
    RecordingTransferHooks() : m_previous(SetPaneTransferHooks(this)) {}
    ~RecordingTransferHooks() override { SetPaneTransferHooks(m_previous); }
    RecordingTransferHooks(const RecordingTransferHooks&) = delete;
    RecordingTransferHooks& operator=(const RecordingTransferHooks&) = delete;

    void BeginDrag(CPanexView&, int, Qt::MouseButton) override {}
    void DragEnter(CPanexView&, QAbstractItemView&, QDragEnterEvent&) override {}
    void DragMove(CPanexView&, QAbstractItemView&, QDragMoveEvent&) override {}
    void DragLeave(CPanexView&) override {}
    void Drop(CPanexView&, QAbstractItemView&, QDropEvent&) override {}
    bool PasteInto(CPanexView& pane, const IdList& absolute) override {
        (void)pane;
        pastes.push_back(absolute);
        return pasteHandled;
    }

    std::vector<IdList> pastes;
    bool pasteHandled = true;

private:
    PaneTransferHooks* m_previous;
};

// A pane that records every command that reaches its command handling.
class RecordingPane : public CPanexView {
public:
    using CPanexView::CPanexView;
    bool OnCommand(int id) override {
        commands.push_back(id);
        return CPanexView::OnCommand(id);
    }
    std::vector<int> commands;
};

// Records the items handed to ShellLaunch while it lives (launches run on
// threads of their own).
class LaunchRecorder {
public:
    LaunchRecorder() {
        SetShellLaunchHook([this](const IdList& id) {
            QMutexLocker lock(&m_mutex);
            m_launched.push_back(id);
            return true;
        });
    }
    // A launch still running would call the hook after the recorder is gone.
    ~LaunchRecorder() {
        LaunchThreads().WaitAll();
        SetShellLaunchHook({});
    }
    std::vector<IdList> Launched() {
        QMutexLocker lock(&m_mutex);
        return m_launched;
    }
    std::size_t Count() { return Launched().size(); }

private:
    QMutex m_mutex;
    std::vector<IdList> m_launched;
};

// Picks a context-menu entry by a function of the menu while it lives, and
// remembers the menu's entries and where it would have opened.
class MenuPicker {
public:
    explicit MenuPicker(std::function<QAction*(QMenu&)> pick) : m_pick(std::move(pick)) {
        m_previous = SetContextMenuChooser([this](QMenu& menu, const QPoint& at) {
            ++shown;
            position = at;
            texts.clear();
            for (QAction* action : menu.actions()) texts.push_back(action->text());
            return m_pick ? m_pick(menu) : nullptr;
        });
    }
    ~MenuPicker() { SetContextMenuChooser(std::move(m_previous)); }

    // The entry of `menu` (submenus included) whose text is `text`.
    static QAction* ByText(QMenu& menu, const QString& text) {
        for (QAction* action : menu.actions()) {
            if (action->text() == text)
                return action;
            if (QMenu* sub = action->menu()) {
                if (QAction* found = ByText(*sub, text))
                    return found;
            }
        }
        return nullptr;
    }

    int shown = 0;
    QPoint position;
    QStringList texts;

private:
    std::function<QAction*(QMenu&)> m_pick;
    ContextMenuChooser m_previous;
};

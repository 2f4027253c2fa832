#pragma once
// What the transfer tests share: two panes over real temporary folders, the
// transfer commands over them, a scripted prompter, and helpers to select
// rows by name.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

#include "fileops/CPaneTransfer.h"
#include "pane/PaneTestSupport.h"
#include "platform/ui/KeyState.h"
#include "shell/GeneralSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"

class TransferTest : public RealShellTest {
protected:
    void SetUp() override {
        m_general = General();
        left = std::make_unique<CountingPane>(host);
        right = std::make_unique<CountingPane>(host);
        host.first = left.get();
        host.second = right.get();
        host.active = left.get();
        left->LoadSettings();
        right->LoadSettings();
        transfer = std::make_unique<CPaneTransfer>(host);
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        transfer.reset();
        right.reset();
        left.reset();
        QGuiApplication::clipboard()->clear();
        MutableGeneral() = m_general;
        TargetFolderHistory().Clear();
    }

    static bool Open(CPanexView& pane, const QString& path) {
        return pane.OpenFolder(ParsePath(path));
    }

    static FolderItem* Item(CPanexView& pane, const QString& name) {
        return pane.Model() ? pane.Model()->FindByName(name) : nullptr;
    }
    static bool IsSelected(CPanexView& pane, const QString& name) {
        FolderItem* item = Item(pane, name);
        const int row = item ? pane.List()->RowOf(item) : -1;
        return row >= 0 && pane.List()->IsRowSelected(row);
    }
    // Selects exactly the rows of these names; false when one is missing.
    static bool Select(CPanexView& pane, const QStringList& names) {
        pane.List()->ClearSelection();
        for (const QString& name : names) {
            FolderItem* item = Item(pane, name);
            const int row = item ? pane.List()->RowOf(item) : -1;
            if (row < 0)
                return false;
            pane.List()->SelectRow(row, true);
        }
        return true;
    }
    bool Run(int id) { return transfer->OnCommand(id); }
    bool Enabled(int id) {
        CommandState state;
        return transfer->OnUpdateCommand(id, state) && state.enabled;
    }

    // Activation makes a pane's folder the current directory; it is put
    // back after the folders are gone.
    CwdKeeper cwd;
    TestDir a;  // the left pane's folder
    TestDir b;  // the right pane's folder
    TestPaneHost host;
    std::unique_ptr<CountingPane> left;
    std::unique_ptr<CountingPane> right;
    std::unique_ptr<CPaneTransfer> transfer;
    ScopedPrompter prompter;
    NoticeRecorder notices;

private:
    GeneralSettings m_general;
};

// Drops onto a pane, delivered to the transfer hooks as Qt delivers them.
class DropTest : public TransferTest {
protected:
    QAbstractItemView& View(CPanexView& pane) { return *pane.List()->ActiveView(); }
    QPoint RowPoint(CPanexView& pane, const QString& name) {
        const int row = pane.List()->RowOf(Item(pane, name));
        return View(pane).visualRect(pane.List()->Model()->index(row, 0)).center();
    }
    QPoint EmptyPoint(CPanexView& pane) {
        QAbstractItemView& view = View(pane);
        view.resize(600, 400);
        return QPoint(view.viewport()->width() - 2, view.viewport()->height() - 2);
    }
    // Runs enter, move and drop as Qt delivers them; gives the drop's action.
    Qt::DropAction DropAt(CPanexView& pane, QPoint point, QMimeData& mime, Qt::MouseButtons buttons,
                          Qt::KeyboardModifiers modifiers,
                          Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction |
                                                    Qt::LinkAction) {
        QDragEnterEvent enter(point, actions, &mime, buttons, modifiers);
        transfer->DragEnter(pane, View(pane), enter);
        QDragMoveEvent move(point, actions, &mime, buttons, modifiers);
        transfer->DragMove(pane, View(pane), move);
        lastMoveAccepted = move.isAccepted();
        lastMoveAction = move.dropAction();
        QDropEvent drop(point, actions, &mime, buttons & ~Qt::RightButton, modifiers);
        transfer->Drop(pane, View(pane), drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }
    bool lastMoveAccepted = false;
    Qt::DropAction lastMoveAction = Qt::IgnoreAction;
};

#pragma once
// What the transfer tests share: the two-pane fixture with the transfer
// commands over it, a scripted prompter and a recorder of notices.

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

class TransferTest : public TwoPaneTest<> {
protected:
    void SetUp() override {
        TwoPaneTest::SetUp();
        transfer = std::make_unique<CPaneTransfer>(host);
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        transfer.reset();
        QGuiApplication::clipboard()->clear();
        TargetFolderHistory().Clear();
        TwoPaneTest::TearDown();
    }

    bool Run(int id) { return transfer->OnCommand(id); }
    bool Enabled(int id) {
        CommandState state;
        return transfer->OnUpdateCommand(id, state) && state.enabled;
    }

    std::unique_ptr<CPaneTransfer> transfer;
    ScopedPrompter prompter;
    NoticeRecorder notices;
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

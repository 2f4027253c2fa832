#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

#include "platform/ui/KeyState.h"
#include "platform/ui/WaitCursor.h"

namespace {

TEST(KeyStateTest, OverridesReplaceTheKeyboardAndNest) {
    ASSERT_EQ(KeyStateOverride(), std::nullopt);
    {
        ScopedKeyState ctrlShift(Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(IsCtrlDown());
        EXPECT_TRUE(IsShiftDown());
        EXPECT_FALSE(IsAltDown());
        {
            ScopedKeyState alt(Qt::AltModifier);
            EXPECT_FALSE(IsCtrlDown());
            EXPECT_TRUE(IsAltDown());
            EXPECT_EQ(QueryKeyState(), Qt::KeyboardModifiers(Qt::AltModifier));
        }
        EXPECT_TRUE(IsCtrlDown());
        EXPECT_FALSE(IsAltDown());
    }
    EXPECT_EQ(KeyStateOverride(), std::nullopt);
    SetKeyStateOverride(Qt::NoModifier);
    EXPECT_FALSE(IsCtrlDown() || IsShiftDown() || IsAltDown());
    SetKeyStateOverride(std::nullopt);
    EXPECT_EQ(QueryKeyState(), QGuiApplication::queryKeyboardModifiers());
}

int OverrideDepth() {
    // Qt gives only the top of the stack; count by popping copies back on.
    QList<QCursor> stack;
    while (QGuiApplication::overrideCursor() != nullptr) {
        stack.prepend(*QGuiApplication::overrideCursor());
        QGuiApplication::restoreOverrideCursor();
    }
    for (const QCursor& cursor : stack) QGuiApplication::setOverrideCursor(cursor);
    return int(stack.size());
}

TEST(WaitCursorTest, NestedGuardsRestoreOneLevelEach) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        WaitCursor outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            WaitCursor inner;
            EXPECT_EQ(OverrideDepth(), 2);
            QGuiApplication::changeOverrideCursor(QCursor(Qt::ArrowCursor));
            inner.Restore();
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            EXPECT_EQ(OverrideDepth(), 2);
        }
        EXPECT_EQ(OverrideDepth(), 1);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace

#include "platform/ui/KeyState.h"

#include <QGuiApplication>

namespace {

std::optional<Qt::KeyboardModifiers>& Override() {
    static std::optional<Qt::KeyboardModifiers> modifiers;
    return modifiers;
}

}  // namespace

Qt::KeyboardModifiers QueryKeyState() {
    if (Override())
        return *Override();
    if (qGuiApp == nullptr)
        return Qt::NoModifier;
    return QGuiApplication::queryKeyboardModifiers();
}

bool IsCtrlDown() {
    return QueryKeyState().testFlag(Qt::ControlModifier);
}

bool IsShiftDown() {
    return QueryKeyState().testFlag(Qt::ShiftModifier);
}

bool IsAltDown() {
    return QueryKeyState().testFlag(Qt::AltModifier);
}

void SetKeyStateOverride(std::optional<Qt::KeyboardModifiers> modifiers) {
    Override() = modifiers;
}

std::optional<Qt::KeyboardModifiers> KeyStateOverride() {
    return Override();
}

ScopedKeyState::ScopedKeyState(Qt::KeyboardModifiers modifiers) : m_previous(Override()) {
    Override() = modifiers;
}

ScopedKeyState::~ScopedKeyState() {
    Override() = m_previous;
}

#include "platform/ui/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

WaitCursor::WaitCursor() {
    if (qGuiApp == nullptr)
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    m_active = true;
}

WaitCursor::~WaitCursor() {
    if (m_active && qGuiApp != nullptr)
        QGuiApplication::restoreOverrideCursor();
}

void WaitCursor::Restore() {
    if (m_active && qGuiApp != nullptr) {
        QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

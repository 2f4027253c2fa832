#include "platform/ui/EscapePoll.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <utility>
#include <vector>

namespace {

bool IsInputEvent(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::NonClientAreaMouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

class InputGate : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool input = type == QEvent::ShortcutOverride || IsInputEvent(type);
        if ((input || type == QEvent::Close) && IsLetThrough(watched)) {
            if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress ||
                type == QEvent::KeyRelease)
                RecordEscape(event);
            return false;
        }
        if (type == QEvent::ShortcutOverride) {
            // Accepting the override keeps the shortcut map from triggering
            // an action; the key press that follows is swallowed below.
            RecordEscape(event);
            event->accept();
            return true;
        }
        if (IsInputEvent(type)) {
            if (type == QEvent::KeyPress || type == QEvent::KeyRelease)
                RecordEscape(event);
            return true;
        }
        if (type == QEvent::Quit) {
            m_quitEvent = true;
            return true;
        }
        if (type == QEvent::Close) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->isWindow()) {
                event->ignore();
                if (!m_closes.contains(widget))
                    m_closes.append(widget);
                if (widget == m_quitWindow)
                    m_quitClose = true;
                return true;
            }
            return false;
        }
        if (type >= kFirstPrivateEvent && type <= kLastPrivateEvent && watched != nullptr) {
            m_heldEvents.push_back(
                {QPointer<QObject>(watched), std::unique_ptr<QEvent>(event->clone())});
            return true;
        }
        return false;
    }

    bool TakeEscape() { return std::exchange(m_escape, false); }

    void LetThrough(QWidget* window) { m_letThrough.append(window); }
    void StopLettingThrough(QWidget* window) {
        m_letThrough.removeOne(window);
        m_letThrough.removeAll(nullptr);  // windows destroyed meanwhile
    }
    bool QuitRequested() const { return m_quitEvent || m_quitClose; }
    bool TakeQuitClose() {
        if (!m_quitClose)
            return false;
        m_quitClose = false;
        m_closes.removeAll(m_quitWindow);
        return true;
    }

    // Posts again what was held back; the gate is out of the filter chain by
    // now, so nothing comes back to it.
    void Release() {
        for (HeldEvent& held : m_heldEvents)
            if (held.receiver)
                QCoreApplication::postEvent(held.receiver, held.event.release());
        m_heldEvents.clear();
        for (const QPointer<QWidget>& widget : m_closes)
            if (widget)
                QMetaObject::invokeMethod(widget, &QWidget::close, Qt::QueuedConnection);
        m_closes.clear();
        if (m_quitEvent && QCoreApplication::instance())
            QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
        m_quitEvent = false;
        m_quitClose = false;
        m_escape = false;
    }

    QPointer<QWidget> m_quitWindow;

private:
    struct HeldEvent {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };

    // Events for a widget arrive first at its window's QWindow, then at the
    // widget itself; both must pass.
    bool IsLetThrough(QObject* watched) const {
        if (m_letThrough.isEmpty() || watched == nullptr)
            return false;
        QWidget* window = nullptr;
        if (auto* widget = qobject_cast<QWidget*>(watched))
            window = widget->window();
        for (const QPointer<QWidget>& allowed : m_letThrough) {
            if (!allowed)
                continue;
            if (window == allowed || (window == nullptr && allowed->windowHandle() == watched))
                return true;
        }
        return false;
    }

    void RecordEscape(QEvent* event) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_escape = true;
    }

    bool m_escape = false;
    bool m_quitEvent = false;
    bool m_quitClose = false;
    QList<QPointer<QWidget>> m_closes;
    QList<QPointer<QWidget>> m_letThrough;
    std::vector<HeldEvent> m_heldEvents;
};

InputGate& Gate() {
    static InputGate* gate = new InputGate;  // lives for the process, like the application
    return *gate;
}

int g_depth = 0;

}  // namespace

EscapePollScope::EscapePollScope() {
    if (g_depth++ == 0) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installEventFilter(&Gate());
    }
}

EscapePollScope::EscapePollScope(QWidget* window) : EscapePollScope() {
    m_window = window;
    if (m_window)
        Gate().LetThrough(m_window);
}

EscapePollScope::~EscapePollScope() {
    if (m_window)
        Gate().StopLettingThrough(m_window);
    if (--g_depth == 0) {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeEventFilter(&Gate());
        Gate().Release();
    }
}

bool IsEscapePollActive() {
    return g_depth > 0;
}

bool PollEscape() {
    EscapePollScope scope;
    QCoreApplication::processEvents();
    return Gate().TakeEscape();
}

bool PollEscapeOrQuit() {
    EscapePollScope scope;
    QCoreApplication::processEvents();
    const bool escape = Gate().TakeEscape();
    return escape || Gate().QuitRequested();
}

bool TakeQuitWindowClose() {
    return g_depth > 0 && Gate().TakeQuitClose();
}

void CloseQuitWindowLater() {
    if (QWidget* window = Gate().m_quitWindow)
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
}

void SetQuitWindow(QWidget* window) {
    Gate().m_quitWindow = window;
}

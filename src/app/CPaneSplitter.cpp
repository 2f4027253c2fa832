#include "app/CPaneSplitter.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QShowEvent>
#include <algorithm>

CPaneSplitterHandle::CPaneSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {}

void CPaneSplitterHandle::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Q_EMIT doubleClicked();
        event->accept();
        return;
    }
    QSplitterHandle::mouseDoubleClickEvent(event);
}

CPaneSplitter::CPaneSplitter(bool sideBySide, QWidget* parent)
    : QSplitter(sideBySide ? Qt::Horizontal : Qt::Vertical, parent) {
    setObjectName(QStringLiteral("PaneSplitter"));
    setChildrenCollapsible(false);
    setOpaqueResize(true);
    // A hidden pane dragged open is an ordinary pane again.
    connect(this, &QSplitter::splitterMoved, this, [this] {
        const QList<int> now = sizes();
        for (int i = 0; i < count() && i < now.size(); ++i) {
            if (now[i] > 0)
                SetPaneCollapsible(i, false);
        }
    });
}

QSplitterHandle* CPaneSplitter::createHandle() {
    auto* handle = new CPaneSplitterHandle(orientation(), this);
    connect(handle, &CPaneSplitterHandle::doubleClicked, this, &CPaneSplitter::barDoubleClicked);
    return handle;
}

void CPaneSplitter::SetPanes(QWidget* first, QWidget* second) {
    addWidget(first);
    addWidget(second);
    // The second pane takes what the window gains or loses.
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    for (QWidget* pane : {first, second}) {
        if (IsSideBySide())
            pane->setMinimumWidth(m_minimum);
        else
            pane->setMinimumHeight(m_minimum);
    }
}

void CPaneSplitter::SetFirstPaneActiveQuery(std::function<bool()> isFirstActive) {
    m_isFirstActive = std::move(isFirstActive);
}

int CPaneSplitter::Available() const {
    const int extent = IsSideBySide() ? contentsRect().width() : contentsRect().height();
    return std::max(0, extent - handleWidth());
}

int CPaneSplitter::GetFirstPaneSize() const {
    if (m_pending || count() < 2)
        return m_idealFirst;
    return sizes().value(0);
}

bool CPaneSplitter::IsPaneHidden(int index) const {
    if (count() < 2 || index < 0 || index > 1)
        return false;
    // Before the first layout the sizes are not real yet; the first pane
    // will be hidden exactly when its ideal size is below the minimum.
    if (m_pending)
        return index == 0 && m_idealFirst < m_minimum;
    return sizes().value(index) == 0;
}

std::pair<PaneSize, PaneSize> CPaneSplitter::GetPaneSizes() const {
    const QList<int> now = sizes();
    return {PaneSize{now.value(0), m_minimum}, PaneSize{now.value(1), m_minimum}};
}

QRect CPaneSplitter::GetBarRect() const {
    const QSplitterHandle* bar = count() >= 2 ? handle(1) : nullptr;
    return bar ? bar->geometry() : QRect();
}

void CPaneSplitter::SetFirstPaneSize(int size, int minimum) {
    m_idealFirst = std::max(0, size);
    m_minimum = std::max(0, minimum);
    for (int i = 0; i < count(); ++i) {
        if (IsSideBySide())
            widget(i)->setMinimumWidth(m_minimum);
        else
            widget(i)->setMinimumHeight(m_minimum);
    }
    ApplyFirstPaneSize();
}

void CPaneSplitter::SetPaneCollapsible(int index, bool on) {
    if (index < count())
        setCollapsible(index, on);
}

void CPaneSplitter::ApplyFirstPaneSize() {
    if (count() < 2)
        return;
    const int available = Available();
    if (available <= 0 || !isVisible()) {
        // The ideal size waits for the first real layout; meanwhile it is
        // the first pane's share, so a splitter shown later starts there.
        m_pending = true;
        setSizes({m_idealFirst, 1});
        return;
    }
    m_pending = false;
    int first = m_idealFirst < m_minimum ? 0 : std::min(m_idealFirst, available);
    int second = available - first;
    if (second < m_minimum) {
        first = available;
        second = 0;
    }
    // Only here may a pane go down to 0: the splitter refuses collapsing
    // otherwise, so a drag stops at the minimum. A pane given no room stays
    // collapsible while it has none, or the next layout of the window would
    // give it its minimum back, a strip too narrow to read.
    SetPaneCollapsible(0, first == 0);
    SetPaneCollapsible(1, second == 0);
    setSizes({first, second});
    Q_EMIT panesResized();
}

void CPaneSplitter::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    if (m_pending && Available() > 0 && isVisible())
        ApplyFirstPaneSize();
}

void CPaneSplitter::showEvent(QShowEvent* event) {
    QSplitter::showEvent(event);
    if (m_pending && Available() > 0)
        ApplyFirstPaneSize();
}

void CPaneSplitter::Balance(int mode) {
    const int available = Available();
    switch (mode) {
        case EqualPanes:
            SetFirstPaneSize(available / 2, m_minimum);
            break;
        case OnePane: {
            // A second Ctrl+O brings the hidden pane back; maximising the
            // pane that fills the window already would do nothing.
            if (IsPaneHidden(0) || IsPaneHidden(1)) {
                SetFirstPaneSize(available / 2, m_minimum);
                break;
            }
            const bool firstActive = m_isFirstActive ? m_isFirstActive() : true;
            SetFirstPaneSize(firstActive ? available : 0, m_minimum);
            break;
        }
        case DoubleClick: {
            const auto [first, second] = GetPaneSizes();
            const bool collapsed =
                first.current <= first.minimum || second.current <= second.minimum;
            Balance(collapsed ? EqualPanes : OnePane);
            break;
        }
        default:
            break;
    }
}

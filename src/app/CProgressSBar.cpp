#include "app/CProgressSBar.h"

#include <QFontMetrics>
#include <QPointer>
#include <QStatusBar>
#include <algorithm>

#include "platform/ui/EscapePoll.h"

QRect ProgressBarPlacement(const QRect& pane, int captionWidth) {
    const int paneRight = pane.left() + pane.width();
    const int left = pane.left() + captionWidth;
    int width = pane.width() * 40 / 100;
    if (left + width > paneRight)
        width = std::max(0, paneRight - left);
    const int height = std::max(0, pane.height() - 2);
    return QRect(left, pane.top() + 1, width, height);
}

CProgressSBar::CProgressSBar(ProgressBarHost* statusBar)
    : QProgressBar(statusBar->HostBar()), m_statusBar(statusBar) {
    setObjectName(QStringLiteral("ProgressSBar"));
    setRange(kMinimum, kMaximum);
    setValue(kMinimum);
    setTextVisible(false);
    // Showing the bar must not take the focus from the pane the user works in.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    hide();
}

CProgressSBar::~CProgressSBar() = default;

void CProgressSBar::BeginProgress(const QString& caption) {
    if (m_statusBar->HostBar()->isHidden())
        return;
    m_statusBar->SetMessageText(caption);

    const int captionWidth =
        caption.isEmpty()
            ? 0
            : QFontMetrics(m_statusBar->HostBar()->font()).horizontalAdvance(caption) +
                  kProgressCaptionGap;
    const QRect rect = ProgressBarPlacement(m_statusBar->PaneRect(0), captionWidth);
    if (rect != m_lastRect) {
        setGeometry(rect);
        m_lastRect = rect;
        ++m_moveCount;
    }

    setValue(kMinimum);
    show();
    raise();
    repaint();
}

void CProgressSBar::EndProgress() {
    if (m_statusBar->HostBar()->isHidden())
        return;
    hide();
    m_statusBar->SetMessageText(m_statusBar->IdleText());
}

void CProgressSBar::StepIt() {
    // Qt's bar has no step of its own; a step past the end stays at the end
    // instead of starting over, which a user could read as a new operation.
    setValue(std::min(value() + kStep, maximum()));
    if (isVisible())
        repaint();
}

ProgressSink CProgressSBar::Sink() {
    // The sink outlives the bar when status bars are destroyed in another
    // order than they were made (each puts back the sink it found).
    QPointer<CProgressSBar> bar(this);
    ProgressSink sink;
    sink.begin = [bar](const QString& caption) {
        if (!bar)
            return;
        if (!bar->m_polling)
            bar->m_polling = std::make_unique<EscapePollScope>();
        bar->BeginProgress(caption);
    };
    sink.step = [bar] {
        if (bar)
            bar->StepIt();
    };
    sink.poll = [bar](bool orQuit) {
        if (!bar)
            return false;
        return orQuit ? PollEscapeOrQuit() : PollEscape();
    };
    sink.end = [bar] {
        if (!bar)
            return;
        bar->EndProgress();
        bar->m_polling.reset();
    };
    return sink;
}

#include "app/CMainStatusBar.h"

#include <QFontMetrics>

#include "app/CProgressSBar.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/ui/CommandManager.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"

namespace {

// The least of a message pane 0 keeps room for.
const QString kMessagePaneMinimum = QStringLiteral("Reading folder...");

// A pane of fixed width that still gives way when the window is too
// narrow for all panes, so the status bar never forces the window wider.
class TemplatePane : public QLabel {
public:
    TemplatePane(const QString& sizingTemplate, QWidget* parent)
        : QLabel(parent), m_template(sizingTemplate) {
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
        setTextFormat(Qt::PlainText);
    }
    int TemplateWidth() const {
        const QMargins margins = contentsMargins();
        return fontMetrics().horizontalAdvance(m_template) + margins.left() + margins.right() +
               2 * frameWidth() + 2 * margin();
    }
    QSize sizeHint() const override { return QSize(TemplateWidth(), QLabel::sizeHint().height()); }
    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }

private:
    QString m_template;
};

}  // namespace

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);

    m_message = new QLabel(kIdleMessage, this);
    m_message->setObjectName(QStringLiteral("pane0"));
    m_message->setTextFormat(Qt::PlainText);
    // Long notices are cut, never allowed to widen the window.
    m_message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // In a narrow window the indicator panes give way before the messages do.
    m_message->setMinimumWidth(m_message->fontMetrics().horizontalAdvance(kMessagePaneMinimum));
    addWidget(m_message, 1);

    m_operations = new QLabel(this);
    m_operations->setObjectName(QStringLiteral("operations"));
    m_operations->hide();
    addPermanentWidget(m_operations);

    auto* selection = new TemplatePane(kSelectionPaneTemplate, this);
    selection->setObjectName(QStringLiteral("pane%1").arg(ID_INDICATOR_SELECTION));
    m_selection = selection;
    addPermanentWidget(m_selection);

    auto* freeSpace = new TemplatePane(kFreeSpacePaneTemplate, this);
    freeSpace->setObjectName(QStringLiteral("pane%1").arg(ID_INDICATOR_FREESPACE));
    m_freeSpace = freeSpace;
    addPermanentWidget(m_freeSpace);

    m_progress = new CProgressSBar(this);
    m_previousProgressSink = SetProgressSink(m_progress->Sink());

    m_revertTimer.setSingleShot(true);
    connect(&m_revertTimer, &QTimer::timeout, this, &CMainStatusBar::OnRevertTimer);
}

void CMainStatusBar::SetOperationCount(int count) {
    m_operations->setText(RunningOperationsText(count));
    m_operations->setVisible(count > 0);
}

QString CMainStatusBar::OperationText() const {
    return m_operations->isVisible() ? m_operations->text() : QString();
}

CMainStatusBar::~CMainStatusBar() {
    SetProgressSink(std::move(m_previousProgressSink));
}

void CMainStatusBar::ShowNotice(const std::optional<QString>& text, bool alert) {
    // A new notice replaces any pending revert.
    m_revertTimer.stop();
    // No text means the idle message.
    const QString shown = text.value_or(kIdleMessage);
    // Only a bar the user hid counts: while the window itself is not
    // shown yet (start-up reads the first folders then) notices still go to
    // the bar, where they are seen once the window appears.
    if (isHidden()) {
        if (alert)
            MessageBoxText(shown, PromptButtons::Ok, PromptIcon::Warning, window());
        return;
    }
    // The notice reverts to the idle message after the timeout.
    m_revertTimer.start(m_noticeTimeout);
    SetMessageText(shown);
    // An alert also beeps.
    if (alert)
        Beep(BeepKind::Exclamation);
}

void CMainStatusBar::OnRevertTimer() {
    SetMessageText(kIdleMessage);
    Q_EMIT NoticeExpired();
}

void CMainStatusBar::SetMessageText(const QString& text) {
    m_message->setText(text);
    // A long notice (a path and a reason) may not fit beside the indicator
    // panes; hovering shows it whole.
    m_message->setToolTip(text == kIdleMessage ? QString() : text);
    RepaintNow();
}

QString CMainStatusBar::MessageText() const {
    return m_message->text();
}

QLabel* CMainStatusBar::PaneLabel(int pane) const {
    switch (pane) {
        case MessagePane:
            return m_message;
        case SelectionPane:
            return m_selection;
        case FreeSpacePane:
            return m_freeSpace;
        default:
            return nullptr;
    }
}

void CMainStatusBar::SetPaneText(int pane, const QString& text) {
    if (pane == MessagePane)
        return;
    // The indicators are renewed several times a second: an unchanged text
    // costs no layout.
    QLabel* label = PaneLabel(pane);
    if (label && label->text() != text)
        label->setText(text);
}

void CMainStatusBar::ConnectIndicators(CommandManager& commands) {
    m_indicatorTimer.setInterval(CommandManager::kIdleIntervalMs);
    disconnect(&m_indicatorTimer, &QTimer::timeout, this, nullptr);
    connect(&m_indicatorTimer, &QTimer::timeout, this,
            [this, &commands] { UpdateIndicators(commands); });
    m_indicatorTimer.start();
}

void CMainStatusBar::UpdateIndicators(const CommandManager& commands) {
    for (const auto& [id, pane] : {std::pair{ID_INDICATOR_SELECTION, SelectionPane},
                                   std::pair{ID_INDICATOR_FREESPACE, FreeSpacePane}}) {
        const std::optional<CommandState> state = commands.Query(id);
        if (state && state->text)
            SetPaneText(pane, *state->text);
    }
}

QString CMainStatusBar::PaneText(int pane) const {
    const QLabel* label = PaneLabel(pane);
    return label ? label->text() : QString();
}

QRect CMainStatusBar::PaneRect(int pane) const {
    const QLabel* label = PaneLabel(pane);
    return label ? label->geometry() : QRect();
}

int CMainStatusBar::PaneTemplateWidth(int pane) const {
    if (pane == SelectionPane || pane == FreeSpacePane)
        return static_cast<const TemplatePane*>(PaneLabel(pane))->TemplateWidth();
    return 0;
}

void CMainStatusBar::ConnectCommandPrompts(CommandManager& commands) {
    connect(&commands, &CommandManager::CommandHighlighted, this,
            [this](int, const QString& prompt) { ShowMenuPrompt(prompt); });
    connect(&commands, &CommandManager::MenuClosed, this, &CMainStatusBar::EndMenuPrompt);
}

void CMainStatusBar::ShowMenuPrompt(const QString& prompt) {
    // The temporary message covers pane 0 with the whole width left of the
    // other panes, so long prompts fit, and leaves pane 0's own text alone.
    showMessage(prompt);
}

void CMainStatusBar::EndMenuPrompt() {
    clearMessage();
}

void CMainStatusBar::RepaintNow() {
    if (isVisible())
        repaint();
}

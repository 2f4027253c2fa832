#include "platform/fileop/FileOpProgressReporter.h"

#include <QApplication>
#include <QCoreApplication>

#include "platform/fileop/FileOpPaths.h"
#include "platform/fileop/FileOpProgressDialog.h"
#include "platform/fileop/FileOpProgressSink.h"
#include "platform/ui/EscapePoll.h"
#include "platform/ui/Prompter.h"

const char* const kCancelOperationQuestion =
    "Cancel this operation?\n\nWhat is already done stays done; the item in progress is "
    "undone.";

namespace {

constexpr qint64 kPumpMs = 40;    // events are looked at this often
constexpr qint64 kPaintMs = 250;  // the dialog is repainted this often

bool HaveWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

FileOpProgressReporter::FileOpProgressReporter(QString title, QWidget* parent, bool silent,
                                               std::function<void()> onCancel)
    : m_title(std::move(title)),
      m_parent(parent),
      m_silent(silent),
      m_onCancel(std::move(onCancel)) {}

FileOpProgressReporter::~FileOpProgressReporter() = default;

void FileOpProgressReporter::SetCurrent(const QByteArray& path) {
    // Kept undecoded (a shared copy, no cost) until a repaint shows it: a
    // large file set before the dialog was up is still named by it.
    m_currentPath = path;
    m_currentPending = true;
}

void FileOpProgressReporter::SetState(const QString& state, const QString& item) {
    m_state = state;
    m_current = item;
    m_currentPending = false;
}

QWidget* FileOpProgressReporter::PromptParent() const {
    return m_dialog && m_dialog->isVisible() ? m_dialog.get() : m_parent;
}

void FileOpProgressReporter::Close() {
    if (m_dialog) {
        m_dialog->hide();
        m_dialog.reset();
    }
}

void FileOpProgressReporter::ShowDialog() {
    m_dialog = std::make_unique<FileOpProgressDialog>(m_parent);
    m_dialog->setWindowModality(m_parent ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(m_dialog.get(), &FileOpProgressDialog::cancelRequested, m_dialog.get(),
                     [this] {
                         if (m_onCancel)
                             m_onCancel();
                     });
    QObject::connect(m_dialog.get(), &FileOpProgressDialog::closeRequested, m_dialog.get(),
                     [this] { m_closeAsked = true; });
    m_lastPaint = -1000;
    m_dialog->show();
}

FileOpProgress FileOpProgressReporter::Snapshot() {
    // The item is decoded only when shown: a large file set before the
    // dialog was up is still named by it.
    if (m_currentPending) {
        m_current = fileop::Shown(m_currentPath);
        m_currentPending = false;
    }
    FileOpProgress progress;
    progress.title = m_title;
    progress.currentItem = m_current;
    progress.state = m_state;
    progress.bytesDone = bytesDone;
    progress.bytesTotal = bytesTotal;
    progress.itemsDone = itemsDone;
    progress.itemsTotal = itemsTotal;
    return progress;
}

void FileOpProgressReporter::Paint(qint64 now) {
    m_dialog->Update(Snapshot());
    m_lastPaint = now;
}

void FileOpProgressReporter::Report(bool force, qint64 now) {
    if (force || now - m_lastPaint >= kPaintMs) {
        m_sink->Report(Snapshot());
        m_lastPaint = now;
    }
    m_sink->Hold();
}

void FileOpProgressReporter::Tick(bool force) {
    const qint64 now = m_clock.elapsed();
    // A sink is told at every piece of work: a pause must hold before the
    // next buffer, and it costs one uncontended lock.
    if (m_sink) {
        Report(force, now);
        return;
    }
    if (!force && now - m_lastPump < kPumpMs)
        return;
    m_lastPump = now;
    if (!m_dialog && !m_silent && now >= m_delayMs && HaveWidgets())
        ShowDialog();
    if (m_dialog && (force || now - m_lastPaint >= kPaintMs))
        Paint(now);
    // Before the dialog is up nothing modal guards the windows, so input
    // waits in the queue; once it is up, the gate lets input reach the
    // dialog only (Cancel) and swallows the rest.
    bool windowClosed = false;
    {
        EscapePollScope gate(m_dialog.get());
        QCoreApplication::processEvents(m_dialog ? QEventLoop::AllEvents
                                                 : QEventLoop::ExcludeUserInputEvents);
        windowClosed = !m_quitConfirmed && TakeQuitWindowClose();
    }
    if (m_closeAsked && m_dialog) {
        m_closeAsked = false;
        if (ConfirmCancel())
            m_dialog->RequestCancel();
    }
    // The main window closed while the work runs: the same question. Yes
    // cancels and closes the window once the work has stopped; No goes on
    // and the window stays.
    if (windowClosed && ConfirmCancel()) {
        m_quitConfirmed = true;
        if (m_onCancel)
            m_onCancel();
        CloseQuitWindowLater();
    }
}

bool FileOpProgressReporter::ConfirmCancel() const {
    PromptRequest request;
    request.text = QCoreApplication::translate("FileOperation", kCancelOperationQuestion);
    request.title = m_title;
    request.buttons = PromptButtons::YesNo;
    request.icon = PromptIcon::Question;
    request.defaultButton = 1;  // No: going on is what a stray key must not undo
    request.parent = m_dialog.get();
    return Prompts().MessageBox(request) == PromptAnswer::Yes;
}

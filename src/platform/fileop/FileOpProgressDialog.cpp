#include "platform/fileop/FileOpProgressDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Bytes(std::uint64_t bytes) {
    return QLocale().formattedDataSize(qint64(bytes), 1, QLocale::DataSizeTraditionalFormat);
}

QString Duration(qint64 seconds) {
    if (seconds < 60)
        return FileOpProgressDialog::tr("%n second(s)", nullptr, int(seconds));
    if (seconds < 3600)
        return FileOpProgressDialog::tr("%n minute(s)", nullptr, int((seconds + 30) / 60));
    return FileOpProgressDialog::tr("%1 h %2 min").arg(seconds / 3600).arg((seconds % 3600) / 60);
}

}  // namespace

FileOpProgressDialog::FileOpProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("File Operation"));
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_item = new QLabel(this);
    m_item->setTextFormat(Qt::PlainText);
    m_item->setWordWrap(true);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_counts = new QLabel(this);
    m_speed = new QLabel(this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    layout->addWidget(m_title);
    layout->addWidget(m_item);
    layout->addWidget(m_bar);
    layout->addWidget(m_counts);
    layout->addWidget(m_speed);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, &FileOpProgressDialog::RequestCancel);
    m_clock.start();
}

void FileOpProgressDialog::AddBackgroundControls(bool queued) {
    if (m_pause)
        return;
    auto* buttons = static_cast<QHBoxLayout*>(layout()->itemAt(layout()->count() - 1)->layout());
    m_heldText = new QLabel(this);
    m_heldText->hide();
    static_cast<QVBoxLayout*>(layout())->insertWidget(layout()->count() - 1, m_heldText);
    m_pause = new QPushButton(tr("&Pause"), this);
    m_queue = new QPushButton(tr("&Queue"), this);
    m_queue->setCheckable(true);
    m_queue->setChecked(queued);
    m_queue->setToolTip(tr("Queued operations run one after another"));
    buttons->insertWidget(1, m_pause);
    buttons->insertWidget(2, m_queue);
    connect(m_pause, &QPushButton::clicked, this, [this] { Q_EMIT pauseToggled(!m_paused); });
    connect(m_queue, &QPushButton::toggled, this, &FileOpProgressDialog::queueToggled);
}

void FileOpProgressDialog::SetHeld(bool paused, bool waiting) {
    const bool wasHeld = m_paused || m_waiting;
    m_paused = paused;
    m_waiting = waiting;
    const bool held = paused || waiting;
    if (held && !wasHeld)
        m_heldClock.start();
    else if (!held && wasHeld && m_heldClock.isValid())
        m_heldNs += m_heldClock.nsecsElapsed();
    if (m_pause)
        m_pause->setText(paused ? tr("&Resume") : tr("&Pause"));
    if (m_heldText) {
        m_heldText->setText(paused    ? tr("Paused")
                            : waiting ? tr("Waiting in the queue")
                                      : QString());
        m_heldText->setVisible(held);
    }
}

void FileOpProgressDialog::reject() {
    // The dialog stays up until the engine has stopped cleanly; closing it
    // only asks whether to stop.
    if (!m_cancelRequested)
        Q_EMIT closeRequested();
}

void FileOpProgressDialog::RequestCancel() {
    if (!m_cancelRequested) {
        m_cancelRequested = true;
        m_cancel->setEnabled(false);
        m_item->setText(tr("Cancelling..."));
        Q_EMIT cancelRequested();
    }
}

void FileOpProgressDialog::Update(const FileOpProgress& progress) {
    if (windowTitle() != progress.title && !progress.title.isEmpty())
        setWindowTitle(progress.title);
    m_title->setText(progress.state.isEmpty() ? progress.title : progress.state);
    if (!m_cancelRequested)
        m_item->setText(progress.currentItem);

    const bool byBytes = progress.bytesTotal > 0;
    const double done = byBytes ? double(progress.bytesDone) : double(progress.itemsDone);
    const double total = byBytes ? double(progress.bytesTotal) : double(progress.itemsTotal);
    m_bar->setValue(total > 0 ? int(std::min(1.0, done / total) * 1000) : 0);

    QString counts = tr("%1 of %2 items").arg(progress.itemsDone).arg(progress.itemsTotal);
    if (byBytes)
        counts += QStringLiteral(", ") +
                  tr("%1 of %2").arg(Bytes(progress.bytesDone), Bytes(progress.bytesTotal));
    m_counts->setText(counts);

    qint64 heldNs = m_heldNs;
    if ((m_paused || m_waiting) && m_heldClock.isValid())
        heldNs += m_heldClock.nsecsElapsed();
    const double seconds = (m_clock.nsecsElapsed() - heldNs) / 1e9;
    QString speed;
    if (seconds >= 1.0 && done > 0) {
        const double rate = done / seconds;
        if (byBytes)
            speed = tr("%1/s").arg(Bytes(std::uint64_t(rate)));
        else
            speed = tr("%1 items/s").arg(qint64(rate));
        const double left = (total - done) / rate;
        if (left >= 0 && progress.state.isEmpty() && !m_paused && !m_waiting)
            speed += QStringLiteral(", ") + tr("%1 left").arg(Duration(qint64(left + 0.5)));
    }
    m_speed->setText(speed);
}

QString FileOpProgressDialog::ItemText() const {
    return m_item->text();
}
QString FileOpProgressDialog::CountText() const {
    return m_counts->text();
}
QString FileOpProgressDialog::SpeedText() const {
    return m_speed->text();
}

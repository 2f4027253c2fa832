#include "app/E2eDump.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <cstdio>
#include <utility>

#include "pane/CPanexView.h"
#include "pane/PaneListCtrl.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"

PaneListingDump::PaneListingDump(CPanexView* left, CPanexView* right, const QString& path,
                                 QObject* parent)
    : QObject(parent), m_left(left), m_right(right), m_path(path) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &PaneListingDump::Write);
    if (m_path.isEmpty())
        return;
    Watch(m_left);
    Watch(m_right);
}

QString PaneListingDump::PathFromEnvironment() {
    return NameFromBytes(qgetenv(kE2eDumpVariable));
}

void PaneListingDump::Watch(CPanexView* pane) {
    QAbstractItemModel* rows = pane->List()->Model();
    auto schedule = [this] { m_timer.start(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, schedule);
    connect(rows, &QAbstractItemModel::modelReset, this, schedule);
    connect(rows, &QAbstractItemModel::layoutChanged, this, schedule);
    // A rename in place changes a row's name without moving any row.
    connect(rows, &QAbstractItemModel::dataChanged, this, schedule);
}

void PaneListingDump::Write() {
    if (m_path.isEmpty())
        return;
    QByteArray text;
    for (const auto& [pane, tag] : {std::pair{m_left, "L\t"}, std::pair{m_right, "R\t"}}) {
        if (!pane)
            continue;
        const PaneListCtrl* list = pane->List();
        for (int row = 0; row < list->RowCount(); ++row) {
            if (const FolderItem* item = list->ItemAt(row)) {
                text += tag;
                text += NameToBytes(item->name);
                text += '\n';
            }
        }
    }
    const QByteArray path = NameToBytes(m_path);
    const QByteArray temporary = path + ".tmp";
    UniqueFd fd(::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd)
        return;
    const bool written = WriteAll(fd.get(), text);
    if (fd.Close() == 0 && written)
        ::rename(temporary.constData(), path.constData());
}

#include "app/SizableBars.h"

#include <QDockWidget>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include "platform/store/ProfileStore.h"

QString SizeBarKey(int barId) {
    return QStringLiteral("SizeBar ") + QString::number(barId, 16).toUpper();
}

QString FormatSizeRecord(const SizeBarSizes& sizes) {
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(sizes.horizontal.width())
        .arg(sizes.horizontal.height())
        .arg(sizes.vertical.width())
        .arg(sizes.vertical.height())
        .arg(sizes.floating.width())
        .arg(sizes.floating.height());
}

SizeBarSizes ParseSizeRecord(const QString& text, const SizeBarSizes& defaults) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 6)
        return defaults;
    std::array<int, 6> values{};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        values[size_t(i)] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return defaults;
    }
    SizeBarSizes sizes = defaults;
    auto take = [&values](int first, QSize& pair) {
        const int w = values[size_t(first)];
        const int h = values[size_t(first + 1)];
        if (w >= kSizeBarMinimum && h >= kSizeBarMinimum)
            pair = QSize(w, h);
    };
    take(0, sizes.horizontal);
    take(2, sizes.vertical);
    take(4, sizes.floating);
    return sizes;
}

std::array<std::int32_t, 6> ToLayoutOrder(const SizeBarSizes& sizes) {
    return {sizes.floating.width(),    sizes.floating.height(), sizes.horizontal.width(),
            sizes.horizontal.height(), sizes.vertical.width(),  sizes.vertical.height()};
}

SizeBarSizes FromLayoutOrder(const std::array<std::int32_t, 6>& values) {
    SizeBarSizes sizes;
    sizes.floating = QSize(values[0], values[1]);
    sizes.horizontal = QSize(values[2], values[3]);
    sizes.vertical = QSize(values[4], values[5]);
    return sizes;
}

int BarIdOf(const QDockWidget& dock) {
    bool ok = false;
    const int id = dock.property("barId").toInt(&ok);
    if (ok && id > 0)
        return id;
    if (dock.objectName() == kTreeBarName)
        return kTreeBarId;
    if (dock.objectName() == kThumbBarName)
        return kThumbBarId;
    return 0;
}

SizableBars::SizableBars(QMainWindow& frame) : QObject(&frame), m_frame(frame) {
    // A dock added to the frame later is tracked from its first resize on.
    m_frame.installEventFilter(this);
}

QList<QDockWidget*> SizableBars::Docks() const {
    QList<QDockWidget*> docks;
    for (QDockWidget* dock : m_frame.findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) {
        if (BarIdOf(*dock) != 0) {
            Track(dock);
            docks.append(dock);
        }
    }
    return docks;
}

QDockWidget* SizableBars::Dock(int barId) const {
    for (QDockWidget* dock : Docks()) {
        if (BarIdOf(*dock) == barId)
            return dock;
    }
    return nullptr;
}

void SizableBars::Track(QDockWidget* dock) const {
    // Docks are picked up when first asked for, so a bar another part of the
    // frame adds later is covered as well.
    if (m_tracked.contains(dock))
        return;
    m_tracked.insert(dock);
    auto* self = const_cast<SizableBars*>(this);
    dock->installEventFilter(self);
    connect(dock, &QObject::destroyed, self, [self, dock] {
        self->m_tracked.remove(dock);
        self->m_settling.remove(dock);
    });
    connect(dock, &QDockWidget::topLevelChanged, self,
            [self, dock] { self->OnStateChanged(dock); });
    connect(dock, &QDockWidget::dockLocationChanged, self,
            [self, dock] { self->OnStateChanged(dock); });
}

void SizableBars::OnStateChanged(QDockWidget* dock) {
    m_settling.insert(dock);
    // After Qt has placed the dock in its new state.
    QTimer::singleShot(0, this, [this, guarded = QPointer<QDockWidget>(dock)] {
        if (!guarded)
            return;
        m_settling.remove(guarded.data());
        Apply(guarded.data());
    });
}

SizeBarSizes SizableBars::Sizes(int barId) const {
    const auto found = m_sizes.find(barId);
    return found == m_sizes.end() ? SizeBarSizes() : found->second;
}

void SizableBars::SetSizes(int barId, const SizeBarSizes& sizes) {
    m_sizes[barId] = sizes;
    if (QDockWidget* dock = Dock(barId))
        Apply(dock);
}

void SizableBars::Load(const ProfileStore& store, const QString& section) {
    for (QDockWidget* dock : Docks()) {
        const int id = BarIdOf(*dock);
        m_sizes[id] =
            ParseSizeRecord(store.GetProfileString(section, SizeBarKey(id), QString()), Sizes(id));
        Apply(dock);
    }
}

void SizableBars::Save(ProfileStore& store, const QString& section) {
    for (QDockWidget* dock : Docks()) {
        Remember(dock);
        const int id = BarIdOf(*dock);
        store.WriteProfileString(section, SizeBarKey(id), FormatSizeRecord(Sizes(id)));
    }
}

void SizableBars::ApplyAll() {
    for (QDockWidget* dock : Docks()) Apply(dock);
}

void SizableBars::Remember(QDockWidget* dock) {
    // A hidden bar, or one of a window not laid out yet, has no size worth
    // keeping. isVisible() is still false for the sizes Qt gives a bar just
    // before it shows.
    if (m_applying || m_settling.contains(dock) || !dock->isVisible() || !m_frame.isVisible())
        return;
    const QSize size = dock->size();
    if (size.width() < kSizeBarMinimum || size.height() < kSizeBarMinimum)
        return;
    SizeBarSizes& sizes = m_sizes[BarIdOf(*dock)];
    if (dock->isFloating()) {
        sizes.floating = size;
        return;
    }
    switch (m_frame.dockWidgetArea(dock)) {
        case Qt::LeftDockWidgetArea:
        case Qt::RightDockWidgetArea:
            sizes.vertical = size;
            break;
        case Qt::TopDockWidgetArea:
        case Qt::BottomDockWidgetArea:
            sizes.horizontal = size;
            break;
        default:
            break;
    }
}

void SizableBars::Apply(QDockWidget* dock) {
    const SizeBarSizes sizes = Sizes(BarIdOf(*dock));
    m_applying = true;
    if (dock->isFloating()) {
        dock->resize(sizes.floating);
    } else {
        QSize size;
        switch (m_frame.dockWidgetArea(dock)) {
            case Qt::LeftDockWidgetArea:
            case Qt::RightDockWidgetArea:
                size = sizes.vertical;
                break;
            case Qt::TopDockWidgetArea:
            case Qt::BottomDockWidgetArea:
                size = sizes.horizontal;
                break;
            default:
                break;
        }
        // Qt's dock layout shares the row among its bars and keeps every bar
        // within the window; it takes the record as the wish.
        if (size.isValid()) {
            m_frame.resizeDocks({dock}, {size.width()}, Qt::Horizontal);
            m_frame.resizeDocks({dock}, {size.height()}, Qt::Vertical);
        }
    }
    m_applying = false;
}

bool SizableBars::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_frame) {
        // The child is not fully made when it is added: it is looked at once
        // its constructor is done.
        if (event->type() == QEvent::ChildAdded)
            QTimer::singleShot(0, this, [this] { Docks(); });
        return QObject::eventFilter(watched, event);
    }
    auto* dock = qobject_cast<QDockWidget*>(watched);
    if (!dock)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Resize) {
        Remember(dock);
    } else if (event->type() == QEvent::Show && dock->isFloating()) {
        // A floating bar comes back at the size Qt last gave its window,
        // not the remembered one.
        OnStateChanged(dock);
    }
    return QObject::eventFilter(watched, event);
}

#include "platform/namespace/IconRegistry.h"

#include <sys/stat.h>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "platform/namespace/IconTheme.h"

namespace {

std::unique_ptr<IconRegistry>& Registry() {
    static std::unique_ptr<IconRegistry> registry;
    return registry;
}

void DropRegistry() {
    Registry().reset();
}

QIcon StyleIcon(QStyle::StandardPixmap which) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app ? app->style()->standardIcon(which) : QIcon();
}

// The first theme icon of the names that exists, else the style's icon.
QIcon ThemeOrStyle(std::initializer_list<const char*> names, QStyle::StandardPixmap fallback) {
    for (const char* name : names) {
        const QString n = QString::fromLatin1(name);
        if (QIcon::hasThemeIcon(n))
            return QIcon::fromTheme(n);
    }
    return StyleIcon(fallback);
}

// The part of a name that decides its type as far as globs go, in practice:
// its last two suffixes ("a.tar.gz" -> ".tar.gz"), or the whole name when it
// has no dot ("Makefile", "README").
QString NameKey(const QString& name) {
    const qsizetype last = name.lastIndexOf(QLatin1Char('.'));
    if (last <= 0)
        return name;
    const qsizetype before = name.lastIndexOf(QLatin1Char('.'), last - 1);
    return before <= 0 ? name.mid(last) : name.mid(before);
}

void DrawLinkOverlay(QPainter& p, int s) {
    const qreal box = s * 0.5;
    const QRectF r(0.5, s - box - 0.5, box, box);
    p.setPen(QPen(Qt::black, s / 16.0));
    p.setBrush(Qt::white);
    p.drawRect(r);
    QPainterPath arrow;
    const qreal m = box * 0.22;
    arrow.moveTo(r.left() + m, r.bottom() - m);
    arrow.quadTo(r.left() + m, r.top() + box * 0.45, r.right() - m * 1.6, r.top() + box * 0.45);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, qMax(1.0, s / 12.0)));
    p.drawPath(arrow);
    QPolygonF head;
    head << QPointF(r.right() - m, r.top() + box * 0.45)
         << QPointF(r.right() - m * 2.2, r.top() + m * 0.7)
         << QPointF(r.right() - m * 2.2, r.top() + box * 0.45 + (box * 0.45 - m * 0.7));
    p.setBrush(Qt::black);
    p.drawPolygon(head);
}

void DrawShareOverlay(QPainter& p, int s) {
    // Three linked nodes, the usual picture of sharing, in the lower left.
    const qreal box = s * 0.5;
    const qreal r = qMax(1.5, box * 0.16);
    const QPointF a(r + 1, s - box / 2);
    const QPointF b(box - r, s - box + r + 0.5);
    const QPointF c(box - r, s - r - 1);
    p.setPen(QPen(QColor(20, 90, 180), qMax(1.0, s / 16.0)));
    p.drawLine(a, b);
    p.drawLine(a, c);
    p.setBrush(QColor(40, 120, 220));
    for (const QPointF& pt : {a, b, c}) p.drawEllipse(pt, r, r);
}

QIcon OverlayOf(void (*draw)(QPainter&, int)) {
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, size);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace

IconRegistry& IconRegistry::Instance() {
    auto& registry = Registry();
    if (!registry) {
        registry = std::make_unique<IconRegistry>();
        qAddPostRoutine(DropRegistry);
    }
    return *registry;
}

IconRegistry::IconRegistry() {
    EnsureIconTheme();
    // The order follows StandardIndex.
    Add(ThemeOrStyle({"application-octet-stream", "unknown", "text-x-generic"},
                     QStyle::SP_FileIcon));
    Add(ThemeOrStyle({"folder"}, QStyle::SP_DirIcon));
    Add(ThemeOrStyle({"folder-open", "folder"}, QStyle::SP_DirOpenIcon));
    Add(ThemeOrStyle({"application-x-executable", "system-run"}, QStyle::SP_ComputerIcon));
    Add(ThemeOrStyle({"user-desktop"}, QStyle::SP_DesktopIcon));
    Add(ThemeOrStyle({"computer"}, QStyle::SP_ComputerIcon));
    Add(ThemeOrStyle({"user-home", "folder-home"}, QStyle::SP_DirHomeIcon));
    Add(ThemeOrStyle({"drive-harddisk"}, QStyle::SP_DriveHDIcon));
    Add(ThemeOrStyle({"drive-removable-media", "drive-harddisk"}, QStyle::SP_DriveFDIcon));
    Add(ThemeOrStyle({"folder-remote", "network-server"}, QStyle::SP_DriveNetIcon));
    Add(ThemeOrStyle({"drive-optical", "media-optical"}, QStyle::SP_DriveCDIcon));
    Add(ThemeOrStyle({"user-trash"}, QStyle::SP_TrashIcon));
    Add(ThemeOrStyle({"user-trash-full", "user-trash"}, QStyle::SP_TrashIcon));
    Add(ThemeOrStyle({"network-workgroup", "network-server", "folder-remote"},
                     QStyle::SP_DriveNetIcon));
    Add(ThemeOrStyle({"preferences-system", "preferences-desktop"}, QStyle::SP_DirIcon));
    Add(ThemeOrStyle({"printer", "printer-network", "document-print"}, QStyle::SP_FileIcon));
    Add(ThemeOrStyle({"applications-other", "applications-system"}, QStyle::SP_DirIcon));
    m_overlays[ShareOverlay] = OverlayOf(DrawShareOverlay);
    m_overlays[LinkOverlay] = OverlayOf(DrawLinkOverlay);
}

int IconRegistry::Add(const QIcon& icon) {
    m_icons.push_back(icon);
    return int(m_icons.size()) - 1;
}

int IconRegistry::IndexForThemeIcon(const QString& iconName, int fallback) {
    if (iconName.isEmpty())
        return fallback;
    const auto it = m_byIconName.constFind(iconName);
    if (it != m_byIconName.constEnd())
        return *it < 0 ? fallback : *it;
    const int index = QIcon::hasThemeIcon(iconName) ? Add(QIcon::fromTheme(iconName)) : -1;
    m_byIconName.insert(iconName, index);
    return index < 0 ? fallback : index;
}

int IconRegistry::IndexForIconValue(const QString& value, int fallback) {
    if (!value.startsWith(QLatin1Char('/')))
        return IndexForThemeIcon(value, fallback);
    const auto it = m_byIconName.constFind(value);
    if (it != m_byIconName.constEnd())
        return *it < 0 ? fallback : *it;
    QIcon icon(value);
    const int index = icon.isNull() || icon.availableSizes().isEmpty() ? -1 : Add(icon);
    m_byIconName.insert(value, index);
    return index < 0 ? fallback : index;
}

int IconRegistry::IndexForMimeType(const QMimeType& mime) {
    if (!mime.isValid() || mime.isDefault())
        return GenericFileIcon;
    if (mime.name() == QLatin1String("inode/directory"))
        return FolderIcon;
    const int index = IndexForThemeIcon(mime.iconName(), -1);
    if (index >= 0)
        return index;
    return IndexForThemeIcon(mime.genericIconName(), GenericFileIcon);
}

const IconRegistry::NameEntry& IconRegistry::EntryForName(const QString& name) {
    const QString key = NameKey(name);
    auto it = m_byNameKey.find(key);
    if (it == m_byNameKey.end()) {
        NameEntry entry;
        entry.mime = m_mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        entry.index = IndexForMimeType(entry.mime);
        it = m_byNameKey.insert(key, entry);
    }
    return *it;
}

int IconRegistry::IndexForName(const QString& name) {
    return EntryForName(name).index;
}

QMimeType IconRegistry::MimeTypeForName(const QString& name) {
    return EntryForName(name).mime;
}

int IconRegistry::IndexForFile(const QString& name, std::uint32_t mode, bool open) {
    if (S_ISDIR(mode))
        return FolderIndex(open);
    const NameEntry& entry = EntryForName(name);
    if (S_ISREG(mode) && (mode & 0111) &&
        (entry.index == GenericFileIcon || entry.mime.isDefault() ||
         entry.mime.inherits(QStringLiteral("application/x-executable")) ||
         entry.mime.inherits(QStringLiteral("application/x-sharedlib")))) {
        return ExeIcon;
    }
    return entry.index;
}

QIcon IconRegistry::Icon(int index) const {
    if (index < 0 || index >= int(m_icons.size()))
        return {};
    return m_icons[std::size_t(index)];
}

QPixmap IconRegistry::Pixmap(int index, int size) const {
    return Icon(index).pixmap(size, size);
}

QIcon IconRegistry::OverlayIcon(int overlay) const {
    if (overlay != ShareOverlay && overlay != LinkOverlay)
        return {};
    return m_overlays[overlay];
}

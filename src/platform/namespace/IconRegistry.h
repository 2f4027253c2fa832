#pragma once
// IconRegistry: the icons of the namespace by index, as the system image
// lists gave them. Each index holds one QIcon (asked at 16 and 32 pixels);
// an icon is made once per theme icon name and shared by every type that
// uses it, so a folder of 100,000 files of 50 types makes about 50 icons.
//
// Icons come from the mime type of a name (QMimeDatabase, by name only, so
// no file is read): the theme icon of its iconName(), else of its
// genericIconName(), else the generic file icon; the standard indexes fall
// back to Qt's style icons when no icon theme is installed. The two overlays
// (share, link arrow) are drawn by the registry itself.
//
// Main thread only. Needs a QGuiApplication; the style fallbacks need a
// QApplication (without one those indexes hold null icons).

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class IconRegistry {
public:
    /// Indexes present in every registry.
    enum StandardIndex : int {
        GenericFileIcon = 0,
        FolderIcon = 1,
        OpenFolderIcon = 2,
        ExeIcon = 3,
        DesktopIcon = 4,
        ComputerIcon = 5,
        HomeIcon = 6,
        DriveIcon = 7,
        RemovableDriveIcon = 8,
        RemoteDriveIcon = 9,
        OpticalDriveIcon = 10,
        TrashEmptyIcon = 11,
        TrashFullIcon = 12,
        NetworkIcon = 13,
        SettingsIcon = 14,
        PrinterIcon = 15,
        ApplicationsIcon = 16,
    };
    /// Overlay numbers as list views take them (0 none).
    enum Overlay : int { NoOverlay = 0, ShareOverlay = 1, LinkOverlay = 2 };

    /// The process-wide registry, made on first use and dropped when the
    /// application object is destroyed.
    static IconRegistry& Instance();

    IconRegistry();
    IconRegistry(const IconRegistry&) = delete;
    IconRegistry& operator=(const IconRegistry&) = delete;

    int FolderIndex(bool open) const { return open ? OpenFolderIcon : FolderIcon; }

    /// The index for a file of this name, by the mime type its name suggests.
    /// Cost: a hash look-up for a name whose type was seen before (keyed by
    /// its last two suffixes), else one glob match.
    int IndexForName(const QString& name);
    /// As IndexForName, but a directory mode gives FolderIcon and an
    /// executable regular file whose type has no icon of its own ExeIcon.
    int IndexForFile(const QString& name, std::uint32_t mode, bool open = false);
    /// The index of a mime type's icon (iconName, then genericIconName, then
    /// GenericFileIcon).
    int IndexForMimeType(const QMimeType& mime);
    /// The index of a theme icon by name, or `fallback` when the theme has no
    /// such icon.
    int IndexForThemeIcon(const QString& iconName, int fallback = GenericFileIcon);

    /// The index of a desktop entry's Icon value: an absolute path names an
    /// image file (used when it exists), anything else a theme icon;
    /// `fallback` when neither gives an icon. Cached by the value.
    int IndexForIconValue(const QString& value, int fallback = GenericFileIcon);

    /// The mime type of a name (by name only), cached like IndexForName.
    QMimeType MimeTypeForName(const QString& name);

    /// Number of indexes.
    int Count() const { return int(m_icons.size()); }
    /// The icon at `index`; a null icon for an index out of range.
    QIcon Icon(int index) const;
    /// The icon at `index` at `size` pixels (16 small, 32 large).
    QPixmap Pixmap(int index, int size) const;
    /// An overlay icon (ShareOverlay or LinkOverlay); null for others.
    QIcon OverlayIcon(int overlay) const;

    /// How many distinct type keys have been cached (for tests and
    /// benchmarks).
    int CachedNameKeys() const { return int(m_byNameKey.size()); }

private:
    struct NameEntry {
        QMimeType mime;
        int index = GenericFileIcon;
    };
    const NameEntry& EntryForName(const QString& name);
    int Add(const QIcon& icon);

    QMimeDatabase m_mimes;
    std::vector<QIcon> m_icons;
    QHash<QString, int> m_byIconName;  // theme icon name -> index (or fallback)
    QHash<QString, NameEntry> m_byNameKey;
    QIcon m_overlays[3];
};

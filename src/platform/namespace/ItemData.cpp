#include "platform/namespace/ItemData.h"

#include "platform/namespace/NameCodec.h"

namespace {

constexpr qsizetype kFileSystemFixed = 1 + 4 + 8 + 3 * 8;

void PutU32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

void PutU64(QByteArray& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint64_t GetU64(const std::uint8_t* p) {
    return std::uint64_t(GetU32(p)) | std::uint64_t(GetU32(p + 4)) << 32;
}

QByteArray Bytes(std::span<const std::uint8_t> s) {
    return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size()));
}

}  // namespace

std::optional<ItemKind> PayloadKind(std::span<const std::uint8_t> payload) {
    if (payload.empty())
        return std::nullopt;
    return ItemKind(payload[0]);
}

QByteArray EncodeFileSystemItem(const FileSystemItemData& data) {
    QByteArray out;
    out.reserve(kFileSystemFixed + data.name.size());
    out.append(char(ItemKind::FileSystem));
    PutU32(out, data.mode);
    PutU64(out, data.size);
    for (FileTime t : data.times) PutU64(out, t);
    out.append(data.name);
    return out;
}

IdList FileSystemItemId(const FileSystemItemData& data) {
    return IdList::FromPayload(EncodeFileSystemItem(data));
}

std::optional<FileSystemItemData> DecodeFileSystemItem(std::span<const std::uint8_t> payload) {
    if (qsizetype(payload.size()) <= kFileSystemFixed)
        return std::nullopt;
    if (payload[0] != std::uint8_t(ItemKind::FileSystem))
        return std::nullopt;
    const std::uint8_t* p = payload.data() + 1;
    FileSystemItemData data;
    data.mode = GetU32(p);
    data.size = GetU64(p + 4);
    for (int i = 0; i < 3; ++i) data.times[i] = GetU64(p + 12 + 8 * i);
    data.name = Bytes(payload.subspan(kFileSystemFixed));
    return data;
}

QByteArray EncodeVirtualItem(const VirtualItemData& data) {
    QByteArray out;
    out.append(char(ItemKind::Virtual));
    out.append(char(data.place));
    out.append(data.name);
    return out;
}

IdList VirtualItemId(VirtualPlace place, const QByteArray& name) {
    return IdList::FromPayload(EncodeVirtualItem({place, name}));
}

std::optional<VirtualItemData> DecodeVirtualItem(std::span<const std::uint8_t> payload) {
    if (payload.size() < 2 || payload[0] != std::uint8_t(ItemKind::Virtual))
        return std::nullopt;
    const std::uint8_t place = payload[1];
    if (place < std::uint8_t(VirtualPlace::Computer) ||
        place > std::uint8_t(VirtualPlace::StartMenu)) {
        return std::nullopt;
    }
    return VirtualItemData{VirtualPlace(place), Bytes(payload.subspan(2))};
}

QByteArray EncodeVolumeItem(const VolumeItemData& data) {
    QByteArray out;
    out.append(char(ItemKind::Volume));
    out.append(data.mountPoint);
    return out;
}

IdList VolumeItemId(const QByteArray& mountPoint) {
    return IdList::FromPayload(EncodeVolumeItem({mountPoint}));
}

std::optional<VolumeItemData> DecodeVolumeItem(std::span<const std::uint8_t> payload) {
    if (payload.size() < 2 || payload[0] != std::uint8_t(ItemKind::Volume) || payload[1] != '/') {
        return std::nullopt;
    }
    return VolumeItemData{Bytes(payload.subspan(1))};
}

IdList RemoteLocationItemId(const QString& rootUri) {
    QByteArray out;
    out.append(char(ItemKind::RemoteLocation));
    out.append(rootUri.toUtf8());
    return IdList::FromPayload(out);
}

std::optional<QString> DecodeRemoteLocationItem(std::span<const std::uint8_t> payload) {
    if (payload.size() < 2 || payload[0] != std::uint8_t(ItemKind::RemoteLocation))
        return std::nullopt;
    return QString::fromUtf8(Bytes(payload.subspan(1)));
}

namespace {

void PutU16(QByteArray& out, std::uint16_t v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

bool PutString16(QByteArray& out, const QByteArray& s) {
    if (s.size() > 0xFFFF)
        return false;
    PutU16(out, std::uint16_t(s.size()));
    out.append(s);
    return true;
}

// Reads a u16-length-prefixed string at `pos`; false when it overruns.
bool GetString16(std::span<const std::uint8_t> p, std::size_t& pos, QByteArray& out) {
    if (pos + 2 > p.size())
        return false;
    const std::size_t n = std::size_t(p[pos]) | std::size_t(p[pos + 1]) << 8;
    pos += 2;
    if (pos + n > p.size())
        return false;
    out = Bytes(p.subspan(pos, n));
    pos += n;
    return true;
}

constexpr std::size_t kTrashFixed = 1 + 4 + 8 + 8;

}  // namespace

QByteArray EncodeTrashItem(const TrashItemData& data) {
    QByteArray out;
    out.append(char(ItemKind::TrashItem));
    PutU32(out, data.mode);
    PutU64(out, data.size);
    PutU64(out, data.deletionTime);
    if (!PutString16(out, data.trashDir) || !PutString16(out, data.topdir) ||
        !PutString16(out, data.originalPath)) {
        return {};
    }
    out.append(data.name);
    return out;
}

IdList TrashItemId(const TrashItemData& data) {
    const QByteArray payload = EncodeTrashItem(data);
    return payload.isEmpty() ? IdList() : IdList::FromPayload(payload);
}

std::optional<TrashItemData> DecodeTrashItem(std::span<const std::uint8_t> payload) {
    if (payload.size() < kTrashFixed || payload[0] != std::uint8_t(ItemKind::TrashItem))
        return std::nullopt;
    const std::uint8_t* p = payload.data() + 1;
    TrashItemData data;
    data.mode = GetU32(p);
    data.size = GetU64(p + 4);
    data.deletionTime = GetU64(p + 12);
    std::size_t pos = kTrashFixed;
    if (!GetString16(payload, pos, data.trashDir) || !GetString16(payload, pos, data.topdir) ||
        !GetString16(payload, pos, data.originalPath)) {
        return std::nullopt;
    }
    data.name = Bytes(payload.subspan(pos));
    if (!data.trashDir.startsWith('/') || !data.originalPath.startsWith('/') ||
        (!data.topdir.isEmpty() && !data.topdir.startsWith('/')) || data.name.isEmpty() ||
        data.name.contains('/') || data.name == "." || data.name == "..") {
        return std::nullopt;
    }
    return data;
}

QByteArray EncodeDesktopEntryItem(const DesktopEntryItemData& data) {
    QByteArray out;
    out.append(char(ItemKind::DesktopEntry));
    out.append(char(data.place));
    out.append(char(data.category ? 1 : 0));
    out.append(data.id);
    return out;
}

IdList DesktopEntryItemId(const DesktopEntryItemData& data) {
    return IdList::FromPayload(EncodeDesktopEntryItem(data));
}

std::optional<DesktopEntryItemData> DecodeDesktopEntryItem(std::span<const std::uint8_t> payload) {
    if (payload.size() < 4 || payload[0] != std::uint8_t(ItemKind::DesktopEntry))
        return std::nullopt;
    const auto place = VirtualPlace(payload[1]);
    if (place != VirtualPlace::Settings && place != VirtualPlace::StartMenu)
        return std::nullopt;
    if (payload[2] > 1)
        return std::nullopt;
    return DesktopEntryItemData{place, payload[2] == 1, Bytes(payload.subspan(3))};
}

IdList PrinterItemId(const QByteArray& name) {
    QByteArray out;
    out.append(char(ItemKind::Printer));
    out.append(name);
    return IdList::FromPayload(out);
}

std::optional<QByteArray> DecodePrinterItem(std::span<const std::uint8_t> payload) {
    if (payload.size() < 2 || payload[0] != std::uint8_t(ItemKind::Printer))
        return std::nullopt;
    return Bytes(payload.subspan(1));
}

FindData FindDataOf(const FileSystemItemData& data) {
    FindData fd;
    fd.name = NameFromBytes(data.name);
    fd.mode = data.mode;
    fd.size = data.size;
    fd.times = data.times;
    return fd;
}

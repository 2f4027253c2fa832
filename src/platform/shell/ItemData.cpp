#include "platform/shell/ItemData.h"

#include "platform/shell/NameCodec.h"

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
        place > std::uint8_t(VirtualPlace::Printers)) {
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

FindData FindDataOf(const FileSystemItemData& data) {
    FindData fd;
    fd.name = NameFromBytes(data.name);
    fd.mode = data.mode;
    fd.size = data.size;
    fd.times = data.times;
    return fd;
}

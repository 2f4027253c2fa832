#include "platform/namespace/ShellIdArray.h"

namespace {

void PutU32(QByteArray& out, qsizetype at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = char((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(const QByteArray& in, qsizetype at) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(in.constData()) + at;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

QByteArray ListBytes(const IdList& list) {
    return list.IsNull() ? IdList::Empty().ToByteArray() : list.ToByteArray();
}

}  // namespace

QByteArray EncodeShellIdArray(const IdList& parent, std::span<const IdList> items) {
    const qsizetype n = qsizetype(items.size());
    QByteArray out(4 * (n + 2), '\0');
    PutU32(out, 0, std::uint32_t(n));
    for (qsizetype i = -1; i < n; ++i) {
        PutU32(out, 4 * (i + 2), std::uint32_t(out.size()));
        out.append(ListBytes(i < 0 ? parent : items[std::size_t(i)]));
    }
    return out;
}

std::optional<ShellIdArray> DecodeShellIdArray(const QByteArray& block) {
    const qsizetype size = block.size();
    if (size < 4)
        return std::nullopt;
    const std::uint32_t n = GetU32(block, 0);
    // The offsets alone must fit: this also bounds n before any allocation.
    if (n > std::uint32_t((size - 4) / 4) || 4 * (qsizetype(n) + 2) > size)
        return std::nullopt;
    const auto* base = reinterpret_cast<const std::uint8_t*>(block.constData());
    ShellIdArray out;
    out.items.reserve(n);
    for (std::uint32_t i = 0; i <= n; ++i) {
        const std::uint32_t offset = GetU32(block, 4 * (qsizetype(i) + 1));
        if (offset >= std::uint32_t(size))
            return std::nullopt;
        IdList list = IdList::FromBytes({base + offset, std::size_t(size - offset)});
        if (list.IsNull())
            return std::nullopt;
        if (i == 0) {
            out.parent = std::move(list);
        } else {
            out.items.push_back(std::move(list));
        }
    }
    return out;
}

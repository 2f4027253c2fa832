#include "platform/namespace/IdList.h"

#include <cstring>

namespace {

std::unique_ptr<std::uint8_t[]> Allocate(std::size_t itemBytes) {
    auto bytes = std::make_unique<std::uint8_t[]>(itemBytes + 2);
    bytes[itemBytes] = 0;
    bytes[itemBytes + 1] = 0;
    return bytes;
}

constexpr std::size_t kMaxItemCount = 0xFFFF;

}  // namespace

IdList::IdList(const IdList& other) {
    if (other.m_bytes) {
        const std::size_t n = other.ByteSize();
        m_bytes = std::make_unique<std::uint8_t[]>(n);
        std::memcpy(m_bytes.get(), other.m_bytes.get(), n);
    }
}

IdList& IdList::operator=(const IdList& other) {
    if (this != &other)
        *this = IdList(other);
    return *this;
}

IdList IdList::Empty() {
    return IdList(Allocate(0));
}

IdList IdList::FromPayload(std::span<const std::uint8_t> payload) {
    const std::size_t count = payload.size() + 2;
    if (count > kMaxItemCount)
        return {};
    auto bytes = Allocate(count);
    bytes[0] = std::uint8_t(count & 0xFF);
    bytes[1] = std::uint8_t(count >> 8);
    if (!payload.empty())
        std::memcpy(bytes.get() + 2, payload.data(), payload.size());
    return IdList(std::move(bytes));
}

IdList IdList::FromPayload(const QByteArray& payload) {
    return FromPayload(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(payload.constData()), std::size_t(payload.size())));
}

IdList IdList::FromBytes(std::span<const std::uint8_t> bytes) {
    std::size_t offset = 0;
    for (;;) {
        if (offset > bytes.size() || bytes.size() - offset < 2)
            return {};
        const std::uint16_t count = ReadCount(bytes.data() + offset);
        if (count == 0)
            break;
        if (count < 2 || count > bytes.size() - offset)
            return {};
        offset += count;
    }
    auto copy = Allocate(offset);
    if (offset)
        std::memcpy(copy.get(), bytes.data(), offset);
    return IdList(std::move(copy));
}

IdList IdList::FromRaw(const std::uint8_t* list) {
    if (!list)
        return {};
    std::size_t offset = 0;
    while (const std::uint16_t count = ReadCount(list + offset)) offset += count;
    auto copy = Allocate(offset);
    if (offset)
        std::memcpy(copy.get(), list, offset);
    return IdList(std::move(copy));
}

std::size_t IdList::Size() const {
    if (!m_bytes)
        return 0;
    std::size_t offset = 0;
    while (const std::uint16_t count = ReadCount(m_bytes.get() + offset)) offset += count;
    return offset;
}

int IdList::Count() const {
    if (!m_bytes)
        return 0;
    int n = 0;
    std::size_t offset = 0;
    while (const std::uint16_t count = ReadCount(m_bytes.get() + offset)) {
        offset += count;
        ++n;
    }
    return n;
}

std::size_t IdList::OffsetOf(int index) const {
    std::size_t offset = 0;
    for (int i = 0; i < index; ++i) {
        const std::uint16_t count = ReadCount(m_bytes.get() + offset);
        if (count == 0)
            break;
        offset += count;
    }
    return offset;
}

std::span<const std::uint8_t> IdList::ItemPayload(int index) const {
    if (!m_bytes || index < 0)
        return {};
    std::size_t offset = 0;
    for (int i = 0;; ++i) {
        const std::uint16_t count = ReadCount(m_bytes.get() + offset);
        if (count == 0)
            return {};
        if (i == index)
            return {m_bytes.get() + offset + 2, std::size_t(count - 2)};
        offset += count;
    }
}

std::span<const std::uint8_t> IdList::LastPayload() const {
    const int n = Count();
    return n ? ItemPayload(n - 1) : std::span<const std::uint8_t>{};
}

IdList IdList::Concat(const IdList& other) const {
    if (!m_bytes || !other.m_bytes)
        return {};
    const std::size_t a = Size();
    const std::size_t b = other.Size();
    auto bytes = Allocate(a + b);
    if (a)
        std::memcpy(bytes.get(), m_bytes.get(), a);
    if (b)
        std::memcpy(bytes.get() + a, other.m_bytes.get(), b);
    return IdList(std::move(bytes));
}

IdList IdList::Last() const {
    const int n = Count();
    if (n == 0)
        return {};
    return Suffix(n - 1);
}

IdList IdList::Trim(int n) const {
    const int count = Count();
    if (!m_bytes || count == 0 || n < 0 || count < n)
        return {};
    return Prefix(count - n);
}

IdList IdList::Prefix(int n) const {
    if (!m_bytes)
        return {};
    const std::size_t end = OffsetOf(n);
    auto bytes = Allocate(end);
    if (end)
        std::memcpy(bytes.get(), m_bytes.get(), end);
    return IdList(std::move(bytes));
}

IdList IdList::Suffix(int first) const {
    if (!m_bytes)
        return {};
    const std::size_t start = OffsetOf(first);
    const std::size_t end = Size();
    auto bytes = Allocate(end - start);
    if (end > start)
        std::memcpy(bytes.get(), m_bytes.get() + start, end - start);
    return IdList(std::move(bytes));
}

QByteArray IdList::ToByteArray() const {
    if (!m_bytes)
        return {};
    return QByteArray(reinterpret_cast<const char*>(m_bytes.get()), qsizetype(ByteSize()));
}

bool IdList::operator==(const IdList& other) const {
    if (!m_bytes || !other.m_bytes)
        return !m_bytes && !other.m_bytes;
    const std::size_t n = ByteSize();
    return n == other.ByteSize() && std::memcmp(m_bytes.get(), other.m_bytes.get(), n) == 0;
}

#pragma once
// IdList: the identifier of a place or item in Corvane's shell namespace.
//
// The bytes keep the layout the program's logic relies on: a sequence of
// items, each starting with an unsigned 16-bit little-endian byte count that
// includes the count itself, followed by opaque payload bytes; a 16-bit zero
// ends the list. The empty list (just the terminator) names the Desktop.
//
// An IdList is a value: copying makes a new allocation, destruction frees it,
// nobody frees by hand. A default-constructed IdList is *null* ("no list"),
// which is distinct from the empty list. Every accessor walks the items by
// their counts and never reads past the terminator.
//
// Size: one pointer. The allocation holds exactly the list's bytes.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class IdList {
public:
    /// The null list.
    IdList() = default;
    IdList(const IdList& other);
    IdList& operator=(const IdList& other);
    IdList(IdList&&) noexcept = default;
    IdList& operator=(IdList&&) noexcept = default;
    ~IdList() = default;

    /// The empty list (the Desktop).
    static IdList Empty();

    /// A one-item list holding `payload` (at most 65533 bytes; longer: null).
    static IdList FromPayload(std::span<const std::uint8_t> payload);
    static IdList FromPayload(const QByteArray& payload);

    /// Copies a list out of untrusted bytes (a clipboard format, a store
    /// value). The items must be well formed (counts of at least 2 that stay
    /// inside `bytes`) and end with a terminator inside `bytes`; else null.
    static IdList FromBytes(std::span<const std::uint8_t> bytes);

    /// Wraps bytes already known to be a terminated list (from Data() of a
    /// valid list). Copies up to and including the terminator.
    static IdList FromRaw(const std::uint8_t* list);

    bool IsNull() const { return !m_bytes; }
    /// True for the Desktop (not null, no items).
    bool IsEmpty() const { return m_bytes && m_bytes[0] == 0 && m_bytes[1] == 0; }

    /// Start of the first item; nullptr for null.
    const std::uint8_t* Data() const { return m_bytes.get(); }
    std::uint8_t* MutableData() { return m_bytes.get(); }

    /// Bytes of all items, terminator not counted (0 for empty and null).
    std::size_t Size() const;
    /// Bytes including the terminator (0 for null).
    std::size_t ByteSize() const { return m_bytes ? Size() + 2 : 0; }
    /// Number of items (0 for empty and null).
    int Count() const;

    /// Payload of item `index` (without its count), or an empty span when
    /// there is no such item.
    std::span<const std::uint8_t> ItemPayload(int index) const;
    /// Payload of the last item, or an empty span for empty and null lists.
    std::span<const std::uint8_t> LastPayload() const;

    /// New list of this list's items followed by `other`'s. Null when either
    /// is null or the result would not fit an item count.
    IdList Concat(const IdList& other) const;
    /// New one-item list of the last item; null for empty or null lists.
    IdList Last() const;
    /// New list without the last `n` items; null when there are fewer than
    /// `n` items or the list is empty or null.
    IdList Trim(int n) const;
    /// New list of the first `n` items (n <= Count()).
    IdList Prefix(int n) const;
    /// New list of items from `first` to the end.
    IdList Suffix(int first) const;

    /// The bytes (including the terminator) as a QByteArray; empty for null.
    QByteArray ToByteArray() const;

    bool operator==(const IdList& other) const;
    bool operator!=(const IdList& other) const { return !(*this == other); }

private:
    explicit IdList(std::unique_ptr<std::uint8_t[]> bytes) : m_bytes(std::move(bytes)) {}
    static std::uint16_t ReadCount(const std::uint8_t* p) {
        return std::uint16_t(p[0] | (p[1] << 8));
    }
    // Offset of the start of item `index` (or of the terminator when index ==
    // Count()).
    std::size_t OffsetOf(int index) const;

    std::unique_ptr<std::uint8_t[]> m_bytes;
};

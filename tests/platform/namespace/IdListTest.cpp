#include <gtest/gtest.h>

#include <vector>

#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellIdArray.h"

namespace {

// Bytes of a list made of items with the given payload sizes, terminated.
std::vector<std::uint8_t> ListBytes(std::initializer_list<int> payloadSizes,
                                    bool terminate = true) {
    std::vector<std::uint8_t> out;
    std::uint8_t fill = 1;
    for (int size : payloadSizes) {
        const int count = size + 2;
        out.push_back(std::uint8_t(count & 0xFF));
        out.push_back(std::uint8_t(count >> 8));
        for (int i = 0; i < size; ++i) out.push_back(fill);
        ++fill;
    }
    if (terminate) {
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

IdList Item(char c, int size = 3) {
    return IdList::FromPayload(QByteArray(size, c));
}

}  // namespace

TEST(IdList, FromBytesAcceptsOnlyWellFormedListsInsideTheBuffer) {
    const auto good = ListBytes({3, 0, 5});
    const IdList list = IdList::FromBytes(good);
    ASSERT_FALSE(list.IsNull());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Size(), good.size() - 2);
    EXPECT_EQ(list.ItemPayload(2).size(), 5u);

    // Trailing bytes after the terminator are not part of the list.
    auto padded = good;
    padded.push_back(0xAB);
    EXPECT_EQ(IdList::FromBytes(padded), list);

    // Missing terminator, and a terminator cut in half.
    EXPECT_TRUE(IdList::FromBytes(ListBytes({3, 4}, false)).IsNull());
    auto half = ListBytes({3}, false);
    half.push_back(0);
    EXPECT_TRUE(IdList::FromBytes(half).IsNull());

    // A count that claims more bytes than the buffer holds, exactly one more
    // than it holds, and counts below 2 (which would never advance).
    auto lying = ListBytes({3});
    lying[0] = 200;
    EXPECT_TRUE(IdList::FromBytes(lying).IsNull());
    auto offByOne = ListBytes({3}, false);
    offByOne[0] = std::uint8_t(offByOne.size() + 1);
    EXPECT_TRUE(IdList::FromBytes(offByOne).IsNull());
    const std::vector<std::uint8_t> one = {1, 0, 0, 0};
    EXPECT_TRUE(IdList::FromBytes(one).IsNull());

    // Too short for even a terminator; a bare terminator is the Desktop.
    EXPECT_TRUE(IdList::FromBytes(std::vector<std::uint8_t>{}).IsNull());
    EXPECT_TRUE(IdList::FromBytes(std::vector<std::uint8_t>{0}).IsNull());
    const IdList desktop = IdList::FromBytes(std::vector<std::uint8_t>{0, 0});
    EXPECT_TRUE(desktop.IsEmpty());
    EXPECT_FALSE(desktop.IsNull());

    // Only the bytes of the span are read, never beyond: a list whose
    // terminator lies just past the span is refused.
    const auto full = ListBytes({2});
    EXPECT_TRUE(IdList::FromBytes(std::span(full.data(), full.size() - 1)).IsNull());
}

TEST(IdList, TrimLastAndConcatAtTheEdges) {
    const IdList empty = IdList::Empty();
    const IdList null;
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_TRUE(empty.Last().IsNull());
    EXPECT_TRUE(empty.Trim(1).IsNull());
    EXPECT_TRUE(empty.Trim(0).IsNull());  // The Desktop has no parent, not even itself.
    EXPECT_TRUE(null.Trim(0).IsNull());
    EXPECT_TRUE(null.Last().IsNull());

    const IdList abc = Item('a').Concat(Item('b', 1)).Concat(Item('c', 0));
    ASSERT_EQ(abc.Count(), 3);
    EXPECT_TRUE(abc.Trim(3).IsEmpty());
    EXPECT_TRUE(abc.Trim(4).IsNull());
    EXPECT_TRUE(abc.Trim(-1).IsNull());
    EXPECT_EQ(abc.Trim(1), Item('a').Concat(Item('b', 1)));
    EXPECT_EQ(abc.Last(), Item('c', 0));
    EXPECT_EQ(abc.Last().ItemPayload(0).size(), 0u);
    EXPECT_TRUE(abc.ItemPayload(3).empty());
    EXPECT_TRUE(abc.ItemPayload(-1).empty());

    // Concatenating with the Desktop changes nothing; with null gives null.
    EXPECT_EQ(empty.Concat(abc), abc);
    EXPECT_EQ(abc.Concat(empty), abc);
    EXPECT_TRUE(abc.Concat(null).IsNull());
    EXPECT_TRUE(null.Concat(empty).IsNull());

    // Null and empty are different values; copies are equal and independent.
    EXPECT_NE(null, empty);
    IdList copy = abc;
    copy.MutableData()[2] = 'z';
    EXPECT_NE(copy, abc);
    EXPECT_EQ(abc.ItemPayload(0)[0], 'a');

    // A payload too large for a 16-bit count gives null.
    EXPECT_TRUE(IdList::FromPayload(QByteArray(65534, 'x')).IsNull());
    EXPECT_FALSE(IdList::FromPayload(QByteArray(65533, 'x')).IsNull());
}

TEST(ShellIdArray, RoundTripsAndRejectsBadBlocks) {
    const IdList parent = Item('p').Concat(Item('q'));
    const std::vector<IdList> items = {Item('a'), Item('b', 7)};
    const QByteArray block = EncodeShellIdArray(parent, items);
    const auto decoded = DecodeShellIdArray(block);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->parent, parent);
    ASSERT_EQ(decoded->items.size(), 2u);
    EXPECT_EQ(decoded->items[1], items[1]);

    EXPECT_FALSE(DecodeShellIdArray(block.left(3)));
    EXPECT_FALSE(DecodeShellIdArray(block.left(block.size() - 1)));  // last terminator cut
    QByteArray hugeCount = block;
    hugeCount[3] = char(0x7F);
    EXPECT_FALSE(DecodeShellIdArray(hugeCount));
    QByteArray badOffset = block;
    badOffset[8] = char(0xFF);  // the first item's offset points outside
    badOffset[9] = char(0xFF);
    EXPECT_FALSE(DecodeShellIdArray(badOffset));
}

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/namespace/ItemData.h"

namespace {

std::span<const std::uint8_t> Span(const QByteArray& b) {
    return {reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())};
}

}  // namespace

TEST(ItemData, FileSystemItemRoundTripsAndShortPayloadsAreRefused) {
    FileSystemItemData data;
    data.mode = S_IFREG | 0640;
    data.size = 0x1122334455667788ULL;
    data.times = {1, 0x8000000000000000ULL, 3};
    data.name = "n\xFF";
    const QByteArray bytes = EncodeFileSystemItem(data);
    EXPECT_EQ(bytes.size(), 37 + 2);
    const auto back = DecodeFileSystemItem(Span(bytes));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->mode, data.mode);
    EXPECT_EQ(back->size, data.size);
    EXPECT_EQ(back->times, data.times);
    EXPECT_EQ(back->name, data.name);
    EXPECT_EQ(FindDataOf(*back).size, data.size);

    // Every truncation, down to the kind byte alone, is refused: the fixed
    // part plus at least one name byte must be there.
    for (qsizetype n = 0; n < 38; ++n) {
        EXPECT_FALSE(DecodeFileSystemItem(Span(bytes.left(n)))) << n;
    }
    // Another kind's payload is not a file-system item.
    QByteArray other = bytes;
    other[0] = char(ItemKind::Volume);
    EXPECT_FALSE(DecodeFileSystemItem(Span(other)));
}

TEST(ItemData, VirtualAndVolumeItemsValidateTheirFields) {
    const IdList computer = VirtualItemId(VirtualPlace::Computer, "Computer");
    const auto place = DecodeVirtualItem(computer.ItemPayload(0));
    ASSERT_TRUE(place);
    EXPECT_EQ(place->place, VirtualPlace::Computer);
    EXPECT_EQ(place->name, "Computer");
    EXPECT_FALSE(DecodeVirtualItem(Span(QByteArray(1, char(ItemKind::Virtual)))));
    EXPECT_FALSE(DecodeVirtualItem(Span(QByteArray("\x02\x63", 2))));  // unknown place number

    const IdList volume = VolumeItemId("/media/usb stick");
    const auto mount = DecodeVolumeItem(volume.ItemPayload(0));
    ASSERT_TRUE(mount);
    EXPECT_EQ(mount->mountPoint, "/media/usb stick");
    EXPECT_FALSE(DecodeVolumeItem(Span(QByteArray("\x03", 1))));
    EXPECT_FALSE(DecodeVolumeItem(Span(QByteArray("\x03relative"))));
    EXPECT_FALSE(PayloadKind({}));
}

#include <gtest/gtest.h>

#include <QList>

#include "platform/namespace/NameCodec.h"

TEST(NameCodec, RoundTripsEveryKindOfByteSequence) {
    const QByteArray samples[] = {
        "plain.txt",
        "caf\xC3\xA9",                  // valid two-byte character
        "\xF0\x9F\x98\x80 smile",       // valid four-byte character
        "bad\xFF\xFE",                  // bytes that are never UTF-8
        "\xC0\xAF",                     // overlong "/"
        "\xE0\x80\xAF",                 // overlong three-byte form
        "\xED\xA0\x80",                 // encoded surrogate U+D800
        "\xF4\x90\x80\x80",             // above U+10FFFF
        "cut\xE2\x82",                  // sequence cut short at the end
        "\xC3",                         // lead byte alone
        QByteArray("nul\0inside", 10),  // never a file name, but bytes all the same
        "\xED\xB2\x80",                 // the bytes of U+DC80, one of our escapes
    };
    for (const QByteArray& bytes : samples) {
        const QString name = NameFromBytes(bytes);
        EXPECT_EQ(NameToBytes(name), bytes) << bytes.toHex().constData();
    }
}

TEST(NameCodec, DecodesValidTextAndEscapesTheRest) {
    EXPECT_EQ(NameFromBytes(QByteArray("caf\xC3\xA9")), QString::fromUtf8("caf\xC3\xA9"));
    const QString smile = NameFromBytes(QByteArray("\xF0\x9F\x98\x80"));
    ASSERT_EQ(smile.size(), 2);  // one character, a surrogate pair
    EXPECT_EQ(smile.toUcs4().value(0), 0x1F600u);
    EXPECT_FALSE(NameHasEscapes(smile));

    const QString overlong = NameFromBytes(QByteArray("\xC0\xAF"));
    EXPECT_TRUE(NameHasEscapes(overlong));
    EXPECT_EQ(overlong.size(), 2);  // two escaped bytes, not a "/"
    EXPECT_FALSE(overlong.contains(QLatin1Char('/')));
    EXPECT_EQ(DisplayFromName(overlong), QString(2, QChar(0xFFFD)));

    // The bytes of an escape character are themselves escaped, so a name can
    // never decode to something that encodes differently.
    const QString surrogateBytes = NameFromBytes(QByteArray("\xED\xB2\x80"));
    EXPECT_EQ(surrogateBytes.size(), 3);
}

TEST(NameCodec, PercentDecodeTakesOnlyWellFormedPaths) {
    EXPECT_EQ(PercentDecode("/home/a%20b/caf%C3%a9"), QByteArray("/home/a b/caf\xC3\xA9"));
    EXPECT_EQ(PercentDecode("%FF%fe"), QByteArray("\xFF\xFE"));  // bytes, not text
    EXPECT_EQ(PercentDecode(""), QByteArray(""));
    // Malformed escapes and NUL bytes name no path.
    for (const QByteArray bad : {QByteArray("%"), QByteArray("a%2"), QByteArray("%G1"),
                                 QByteArray("%00"), QByteArray("a\0b", 3)})
        EXPECT_FALSE(PercentDecode(bad).has_value()) << bad.toHex().constData();
}

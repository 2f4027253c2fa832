#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryDir>

#include "app/FontRecord.h"
#include "platform/store/ProfileStore.h"

namespace {

const QString kSection = QStringLiteral("Editor Character Format");

}  // namespace

TEST(FontRecordTest, NoHeightStoredGivesTheSystemFixedFontAtTenPoints) {
    QTemporaryDir dir;
    ProfileStore store(dir.path() + QStringLiteral("/store.ini"));
    // Entries without "nHeight" do not make a stored font.
    store.WriteProfileString(kSection, QStringLiteral("szFaceName"), QStringLiteral("Ignored"));
    store.WriteProfileInt(kSection, QStringLiteral("bBold"), 1);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const CharFormat format = ReadFontRecord(store, kSection);
    EXPECT_EQ(format.height, 200);
    EXPECT_EQ(format.offset, 0);
    EXPECT_EQ(format.FaceName(), fixed.family().left(31));
    EXPECT_EQ(format.Bold(), fixed.weight() > 500);
    EXPECT_EQ(format.Italic(), fixed.italic());
    EXPECT_EQ(format.charSet, 1);
    EXPECT_EQ(format.mask & CharFormat::kMaskAll, CharFormat::kMaskAll);
    EXPECT_EQ(format.faceName.back(), '\0');
}

TEST(FontRecordTest, StoredRecordRoundTripsAndHeightZeroWritesNothing) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/store.ini");
    {
        ProfileStore store(path);
        CharFormat format;
        format.mask = CharFormat::kMaskAll;
        format.height = 240;
        format.effects = CharFormat::kEffectBold | CharFormat::kEffectUnderline;
        format.charSet = 0;
        format.pitchAndFamily = 0x31;
        // 40 characters: only the first 31 are kept.
        format.SetFaceName(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn"));
        WriteFontRecord(store, kSection, format);

        CharFormat none;
        none.SetFaceName(QStringLiteral("Never"));
        WriteFontRecord(store, QStringLiteral("Other Format"), none);
        ASSERT_TRUE(store.Flush());
    }
    ProfileStore reread(path);
    const CharFormat format = ReadFontRecord(reread, kSection);
    EXPECT_EQ(format.height, 240);
    EXPECT_TRUE(format.Bold());
    EXPECT_FALSE(format.Italic());
    EXPECT_TRUE(format.Underline());
    EXPECT_EQ(format.charSet, 0);
    EXPECT_EQ(format.pitchAndFamily, 0x31);
    EXPECT_EQ(format.FaceName(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcde"));
    EXPECT_FALSE(reread.HasEntry(QStringLiteral("Other Format"), QStringLiteral("nHeight")));
    EXPECT_FALSE(reread.HasEntry(QStringLiteral("Other Format"), QStringLiteral("szFaceName")));

    // A stored height without a face: "System", which stands for the fixed font.
    reread.WriteProfileInt(QStringLiteral("Bare"), QStringLiteral("nHeight"), 300);
    const CharFormat bare = ReadFontRecord(reread, QStringLiteral("Bare"));
    EXPECT_EQ(bare.FaceName(), QStringLiteral("System"));
    EXPECT_EQ(bare.charSet, 1);
    EXPECT_EQ(FontFromCharFormat(bare).family(),
              QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
}

TEST(FontRecordTest, FaceNameNeverCutsACharacter) {
    CharFormat format;
    // 20 two-byte characters: 31 bytes hold 15 of them whole.
    format.SetFaceName(QString(20, QChar(0xe9)));
    EXPECT_EQ(format.FaceName(), QString(15, QChar(0xe9)));
    EXPECT_EQ(format.faceName.back(), '\0');
}

TEST(FontRecordTest, QFontConversion) {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSizeF(13.5);
    font.setWeight(QFont::DemiBold);  // 600: bold by the record's rule
    font.setItalic(true);
    const CharFormat format = CharFormatFromFont(font);
    EXPECT_EQ(format.height, 270);
    EXPECT_TRUE(format.Bold());
    EXPECT_TRUE(format.Italic());
    EXPECT_FALSE(format.Underline());
    EXPECT_EQ(format.FaceName(), QStringLiteral("DejaVu Sans Mono"));

    const QFont back = FontFromCharFormat(format);
    EXPECT_EQ(back.family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_DOUBLE_EQ(back.pointSizeF(), 13.5);
    EXPECT_EQ(back.weight(), QFont::Bold);
    EXPECT_TRUE(back.italic());

    font.setWeight(QFont::Medium);  // 500: not above, so not bold
    EXPECT_FALSE(CharFormatFromFont(font).Bold());
}

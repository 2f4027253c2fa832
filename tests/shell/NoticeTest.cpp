#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/store/ProfileStore.h"
#include "shell/LameTable.h"
#include "shell/Notice.h"
#include "support/TestDir.h"

namespace {

struct Shown {
    std::optional<QString> text;
    bool alert;
};

// Captures the notices through the sink and restores the switches after.
class NoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousSink = SetNoticeSink([this](const std::optional<QString>& text, bool alert) {
            shown.push_back({text, alert});
        });
        m_lame = LameMessages();
        m_seed = LameSeed();
    }
    void TearDown() override {
        SetNoticeSink(std::move(m_previousSink));
        SetLameMessages(m_lame);
        SetLameSeed(m_seed);
    }

    std::vector<Shown> shown;

private:
    NoticeSink m_previousSink;
    bool m_lame = false;
    std::int32_t m_seed = 0;
};

TEST(LameRandom, IsTheMinimalStandardGenerator) {
    EXPECT_EQ(LameRandomStep(1), 16807);
    EXPECT_EQ(LameRandomStep(16807), 282475249);
    EXPECT_EQ(LameRandomStep(282475249), 1622650073);
    EXPECT_EQ(LameRandomStep(2147483646), 2147466840);
    EXPECT_EQ(LameRandomStep(0), 0);
    // The 10000th value from seed 1 is the generator's published check value.
    std::int32_t s = 1;
    for (int i = 0; i < 10000; ++i) s = LameRandomStep(s);
    EXPECT_EQ(s, 1043618065);
    // Tick counts of 2^31 and more arrive as negative seeds and still give
    // values in range.
    for (std::uint32_t tick : {0x80000000u, 0x80000001u, 0xFFFFFFFFu, 0xDEADBEEFu}) {
        const std::int32_t next = LameRandomStep(std::int32_t(tick));
        EXPECT_GE(next, 0) << tick;
        EXPECT_EQ(LameRandomStep(std::int32_t(tick)), next);
    }
    EXPECT_EQ(LameRandomStep(std::int32_t(0x80000000u)), 2147466840);

    const std::int32_t saved = LameSeed();
    SetLameSeed(1);
    EXPECT_EQ(LameRandom(), 16807);
    EXPECT_EQ(LameRandom(), 282475249);
    EXPECT_EQ(LameSeed(), 282475249);
    SetLameSeed(saved);

    EXPECT_EQ(LameTableIndex(16807), 16807 % 185);
    EXPECT_EQ(LameTableIndex(-1), int(0xFFFFFFFFu % 185));
}

TEST(LameTable, Has185ShortSingleLineRows) {
    ASSERT_EQ(LameTable().size(), 185u);
    for (int i = 0; i < kLameTableSize; ++i) {
        const QString text = LameTableText(i);
        EXPECT_FALSE(text.trimmed().isEmpty()) << i;
        EXPECT_LE(text.size(), 80) << i;
        EXPECT_FALSE(text.contains('\n') || text.contains('\r')) << i;
    }
    EXPECT_EQ(LameTableText(0), QStringLiteral("Life's hard and then you die"));
    EXPECT_EQ(LameTableText(183), QStringLiteral("He/She rubbish!"));
    EXPECT_TRUE(LameTableText(185).isEmpty());
    EXPECT_TRUE(LameTableText(-1).isEmpty());
}

TEST_F(NoticeTest, PassesTextsAndAlertsWhenOff) {
    SetLameMessages(false);
    Notice("Reading folder...");
    Notice(QStringLiteral("Refresh has failed"), true);
    Notice(std::nullopt);
    Notice(static_cast<const char*>(nullptr), true);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Reading folder..."));
    EXPECT_FALSE(shown[0].alert);
    EXPECT_EQ(shown[1].text, QStringLiteral("Refresh has failed"));
    EXPECT_TRUE(shown[1].alert);
    EXPECT_FALSE(shown[2].text.has_value());
    EXPECT_FALSE(shown[3].text.has_value());
    EXPECT_TRUE(shown[3].alert);
    EXPECT_EQ(LameText(QStringLiteral("own")), QStringLiteral("own"));
}

TEST_F(NoticeTest, ReplacesEveryTextButNeverAClearingWhenOn) {
    SetLameMessages(true);
    SetLameSeed(1);
    Notice("Bookmark set ok.");
    Notice(QStringLiteral("Refresh has failed"), true);
    Notice(std::nullopt);
    DeliverNotice(LameText(QStringLiteral("Item launched in the background.")), false);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, LameTableText(16807 % 185));
    EXPECT_FALSE(shown[0].alert);
    EXPECT_EQ(shown[1].text, LameTableText(282475249 % 185));
    EXPECT_TRUE(shown[1].alert);
    EXPECT_FALSE(shown[2].text.has_value());  // and the generator did not move
    EXPECT_EQ(shown[3].text, LameTableText(1622650073 % 185));

    // A seed of 0 stays 0: row 0 every time.
    SetLameSeed(0);
    Notice("a");
    Notice("b");
    EXPECT_EQ(shown[4].text, LameTableText(0));
    EXPECT_EQ(shown[5].text, LameTableText(0));
}

TEST_F(NoticeTest, WithoutASinkNoticesAreDropped) {
    const NoticeSink mine = SetNoticeSink({});
    Notice("nobody listens", true);
    SetNoticeSink(mine);
    EXPECT_TRUE(shown.empty());
}

TEST_F(NoticeTest, LoadLameMessagesReadsAndWritesBack) {
    TestDir dir;
    const QString file = dir.Path() + "/p.ini";
    {
        ProfileStore store(file);
        LoadLameMessages(store);
        EXPECT_FALSE(LameMessages());
        ASSERT_TRUE(store.Flush());
    }
    {
        ProfileStore store(file);
        EXPECT_TRUE(store.HasEntry(kLameMessagesSection, kLameMessagesKey));
        EXPECT_EQ(store.GetProfileInt(kLameMessagesSection, kLameMessagesKey, -1), 0);
        store.WriteProfileInt(kLameMessagesSection, kLameMessagesKey, 7);
        LoadLameMessages(store);
        EXPECT_TRUE(LameMessages());
        EXPECT_EQ(store.GetProfileInt(kLameMessagesSection, kLameMessagesKey, -1), 1);
    }
}

}  // namespace

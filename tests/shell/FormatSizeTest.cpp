#include <gtest/gtest.h>

#include <QLocale>
#include <cstdint>
#include <limits>

#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"

namespace {

class PlainBytesSetting {
public:
    explicit PlainBytesSetting(bool plain) : m_saved(General().plainBytesFormat) {
        MutableGeneral().plainBytesFormat = plain;
    }
    ~PlainBytesSetting() { MutableGeneral().plainBytesFormat = m_saved; }

private:
    bool m_saved;
};

TEST(FormatSizeTest, UnitsTruncateAndStripZeros) {
    EXPECT_EQ(FormatSizeUnits(0), "0 kB");
    EXPECT_EQ(FormatSizeUnits(1), "0 kB");  // 0.000976 truncates to 0.000
    EXPECT_EQ(FormatSizeUnits(500), "0.488 kB");
    EXPECT_EQ(FormatSizeUnits(1023), "0.999 kB");
    EXPECT_EQ(FormatSizeUnits(1024), "1 kB");
    EXPECT_EQ(FormatSizeUnits(1536), "1.5 kB");
    // The fraction keeps its leading zeros ("%03lu") before the trailing
    // ones go.
    EXPECT_EQ(FormatSizeUnits(1030), "1.005 kB");
    EXPECT_EQ(FormatSizeUnits(1076), "1.05 kB");
    EXPECT_EQ(FormatSizeUnits(1137), "1.11 kB");
    EXPECT_EQ(FormatSizeUnits(1048575), "1023.999 kB");
    EXPECT_EQ(FormatSizeUnits(1048576), "1 MB");
    EXPECT_EQ(FormatSizeUnits(1500000), "1.429 MB");
    EXPECT_EQ(FormatSizeUnits(std::uint64_t(1) << 30), "1 GB");
    EXPECT_EQ(FormatSizeUnits((std::uint64_t(1) << 40) * 3 / 2), "1.5 TB");
    EXPECT_EQ(FormatSizeUnits(std::uint64_t(1) << 50), "1 PB");
    EXPECT_EQ(FormatSizeUnits(std::uint64_t(1) << 60), "1 EB");
    EXPECT_EQ(FormatSizeUnits(std::numeric_limits<std::int64_t>::max()), "7.999 EB");
    EXPECT_EQ(FormatSizeUnits(std::numeric_limits<std::uint64_t>::max()), "15.999 EB");
}

TEST(FormatSizeTest, PlainGroupsDigitsWhateverTheLocale) {
    PlainBytesSetting plain(true);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatSize(0), "0");
    EXPECT_EQ(FormatSize(999), "999");
    EXPECT_EQ(FormatSize(1000), "1,000");
    EXPECT_EQ(FormatSize(123456), "123,456");
    EXPECT_EQ(FormatSize(1234567), "1,234,567");
    EXPECT_EQ(FormatSize(std::numeric_limits<std::uint64_t>::max()), "18,446,744,073,709,551,615");
    QLocale::setDefault(saved);
}

TEST(FormatSizeTest, UnitsWhenPlainIsOff) {
    PlainBytesSetting plain(false);
    EXPECT_EQ(FormatSize(1536), "1.5 kB");
    EXPECT_EQ(FormatSize(0), "0 kB");
    EXPECT_EQ(FormatSizeGrouped(1536), "1,536");
}

}  // namespace

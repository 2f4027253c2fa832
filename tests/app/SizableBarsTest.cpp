// The size records of the sizable bars, for every dock of the frame.
#include <QDockWidget>
#include <QLabel>

#include "FrameFixture.h"
#include "app/FrameBars.h"
#include "app/SizableBars.h"
#include "app/ThumbnailBar.h"
#include "support/Wait.h"

namespace {

TEST(SizeRecordTest, KeysAndTextsFollowTheRecord) {
    EXPECT_EQ(SizeBarKey(59401), QStringLiteral("SizeBar E809"));
    EXPECT_EQ(SizeBarKey(59403), QStringLiteral("SizeBar E80B"));
    const SizeBarSizes defaults;
    EXPECT_EQ(FormatSizeRecord(defaults), QStringLiteral("400,200,200,400,200,200"));

    const SizeBarSizes read = ParseSizeRecord(QStringLiteral("500,150,180,600,300,250"));
    EXPECT_EQ(read.horizontal, QSize(500, 150));
    EXPECT_EQ(read.vertical, QSize(180, 600));
    EXPECT_EQ(read.floating, QSize(300, 250));
    EXPECT_EQ(ParseSizeRecord(FormatSizeRecord(read)), read);
}

TEST(SizeRecordTest, BadRecordsAndSmallPairsKeepTheDefaults) {
    const SizeBarSizes defaults;
    // Five numbers, seven, or a word: the whole record is ignored.
    EXPECT_EQ(ParseSizeRecord(QStringLiteral("500,150,180,600,300")), defaults);
    EXPECT_EQ(ParseSizeRecord(QStringLiteral("500,150,180,600,300,250,9")), defaults);
    EXPECT_EQ(ParseSizeRecord(QStringLiteral("500,150,wide,600,300,250")), defaults);
    EXPECT_EQ(ParseSizeRecord(QString()), defaults);
    // A pair with a value below the minimum keeps its default; the others
    // are taken.
    const SizeBarSizes mixed =
        ParseSizeRecord(QStringLiteral("500,%1,180,600,300,250").arg(kSizeBarMinimum - 1));
    EXPECT_EQ(mixed.horizontal, defaults.horizontal);
    EXPECT_EQ(mixed.vertical, QSize(180, 600));
    EXPECT_EQ(mixed.floating, QSize(300, 250));
    EXPECT_EQ(
        ParseSizeRecord(QStringLiteral("%1,%1,180,600,300,250").arg(kSizeBarMinimum)).horizontal,
        QSize(kSizeBarMinimum, kSizeBarMinimum));
}

TEST(SizeRecordTest, LayoutOrderIsFloatingHorizontalVertical) {
    const SizeBarSizes sizes{QSize(1, 2), QSize(3, 4), QSize(5, 6)};
    const std::array<std::int32_t, 6> expected = {5, 6, 1, 2, 3, 4};
    EXPECT_EQ(ToLayoutOrder(sizes), expected);
    EXPECT_EQ(FromLayoutOrder(expected), sizes);
}

class SizableBarsFrameTest : public FrameFixture {};

TEST_F(SizableBarsFrameTest, EveryDockOfTheFrameKeepsItsRecord) {
    WriteStore(QStringLiteral("MainFrame Settings"), QStringLiteral("nToolbarsVersion"), 1);
    WriteStore(QStringLiteral("MainFrame Settings"), QStringLiteral("SizeBar E80B"),
               QStringLiteral("400,200,200,400,260,180"));
    ASSERT_TRUE(Start());
    CThumbnailBar* thumbs = frame->Bars()->ThumbBar();
    EXPECT_EQ(frame->Bars()->Bars().Sizes(kThumbBarId).floating, QSize(260, 180));
    thumbs->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(thumbs));
    // The size is given once the window has settled; waited for, bounded.
    WaitFor([&] { return thumbs->size() == QSize(260, 180); }, 5000);
    EXPECT_EQ(thumbs->size(), QSize(260, 180));

    // A dock made elsewhere in the frame, known by its object name only.
    auto* tree = new QDockWidget(QStringLiteral("Tree"), frame);
    tree->setObjectName(QStringLiteral("TreeBar"));
    tree->setWidget(new QLabel(QStringLiteral("folders")));
    frame->addDockWidget(Qt::LeftDockWidgetArea, tree);
    tree->show();
    QCoreApplication::processEvents();
    frame->resizeDocks({tree}, {230}, Qt::Horizontal);
    QCoreApplication::processEvents();
    ASSERT_EQ(tree->width(), 230);
    EXPECT_EQ(frame->Bars()->Bars().Sizes(kTreeBarId).vertical.width(), 230);

    // The user resizes the floating bar.
    thumbs->resize(310, 220);
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame->Bars()->ShowBar(kTreeBarId));
    EXPECT_FALSE(frame->Bars()->ShowBar(59999));
    Stop();

    const ProfileStore written(StorePath());
    const QString thumbRecord = written.GetProfileString(QStringLiteral("MainFrame Settings"),
                                                         QStringLiteral("SizeBar E80B"), {});
    EXPECT_EQ(ParseSizeRecord(thumbRecord).floating, QSize(310, 220));
    const QString treeRecord = written.GetProfileString(QStringLiteral("MainFrame Settings"),
                                                        QStringLiteral("SizeBar E809"), {});
    EXPECT_EQ(ParseSizeRecord(treeRecord).vertical.width(), 230);
    // The other pairs keep what they had.
    EXPECT_EQ(ParseSizeRecord(treeRecord).horizontal, SizeBarSizes().horizontal);
}

TEST_F(SizableBarsFrameTest, WithoutTheToolbarsVersionTheRecordsAreNotRead) {
    WriteStore(QStringLiteral("MainFrame Settings"), QStringLiteral("SizeBar E80B"),
               QStringLiteral("400,200,200,400,260,180"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(frame->Bars()->Bars().Sizes(kThumbBarId), SizeBarSizes());
    // The thumbnail bar starts hidden and floating.
    EXPECT_TRUE(frame->Bars()->ThumbBar()->isHidden());
    EXPECT_TRUE(frame->Bars()->ThumbBar()->isFloating());
}

}  // namespace

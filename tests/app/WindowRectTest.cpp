#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include "app/WindowRect.h"
#include "platform/store/ProfileStore.h"

namespace {

const QString kSection = QStringLiteral("Test Window Settings");

class WindowRectTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ProfileStore store{dir.path() + QStringLiteral("/store.ini")};

    void Store(const QString& text) { store.WriteProfileString(kSection, kWindowRectKey, text); }
};

}  // namespace

TEST_F(WindowRectTest, ParsesExactlyFourIntegers) {
    Store(QStringLiteral("10,-20,300,400"));
    EXPECT_EQ(ReadWindowRect(store, kSection), (WindowRect{10, -20, 300, 400}));

    // Every malformed record reads as the default rectangle.
    for (const char* bad : {"1,2,3", "1,2,3,4,5", "a,b,c,d", "1,2,3,99999999999", "", "1,2,,4",
                            "1;2;3;4", "1,2,3,4x"}) {
        Store(QString::fromLatin1(bad));
        const WindowRect r = ReadWindowRect(store, kSection);
        EXPECT_EQ(r, WindowRect::Default()) << bad;
        EXPECT_TRUE(r.IsDefaultPosition()) << bad;
        EXPECT_EQ(r.right, 0);
        EXPECT_EQ(r.bottom, 0);
    }
    EXPECT_EQ(ReadWindowRect(store, QStringLiteral("Nothing Here")), WindowRect::Default());
}

TEST_F(WindowRectTest, WriteRoundTripsThroughTheFile) {
    WriteWindowRect(store, kSection, {-8, 5, 1920, 1080});
    ASSERT_TRUE(store.Flush());
    ProfileStore reread(store.FilePath());
    EXPECT_EQ(reread.GetProfileString(kSection, kWindowRectKey), QStringLiteral("-8,5,1920,1080"));
    EXPECT_EQ(ReadWindowRect(reread, kSection), (WindowRect{-8, 5, 1920, 1080}));
}

TEST_F(WindowRectTest, StoredPlacementRules) {
    QWidget main;
    main.setGeometry(100, 120, 400, 300);

    // Hidden main window, nothing stored: its own rectangle, unchanged.
    WindowPlacement p = GetStoredPlacement(store, kSection, &main);
    EXPECT_EQ(p.normal, (WindowRect{100, 120, 500, 420}));
    EXPECT_EQ(p.show, WindowShowState::Normal);

    // Visible main window, nothing stored: half its size at its top-left.
    main.show();
    main.setGeometry(100, 120, 400, 300);
    p = GetStoredPlacement(store, kSection, &main);
    EXPECT_EQ(p.normal, (WindowRect{100, 120, 300, 270}));

    // A stored rectangle replaces it; a bottom of 0 means nothing stored.
    Store(QStringLiteral("20,30,220,230"));
    EXPECT_EQ(GetStoredPlacement(store, kSection, &main).normal, (WindowRect{20, 30, 220, 230}));
    Store(QStringLiteral("20,30,220,0"));
    EXPECT_EQ(GetStoredPlacement(store, kSection, &main).normal, (WindowRect{100, 120, 300, 270}));

    // Applying a placement puts a window there.
    QWidget other;
    ApplyWindowPlacement(&other, {{20, 30, 220, 230}, WindowShowState::Normal});
    EXPECT_EQ(other.geometry(), QRect(20, 30, 200, 200));
    // The default position leaves a window alone.
    const QRect before = other.geometry();
    ApplyWindowPlacement(&other, {WindowRect::Default(), WindowShowState::Normal});
    EXPECT_EQ(other.geometry(), before);
}

TEST_F(WindowRectTest, RectangleOffEveryScreenComesBackOnThePrimaryScreen) {
    QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_NE(primary, nullptr);
    const QRect area = primary->availableGeometry();

    Store(QStringLiteral("-30000,-30000,-29700,-29800"));
    const WindowRect r = GetStoredPlacement(store, kSection, nullptr).normal;
    EXPECT_TRUE(area.contains(r.ToQRect())) << r.left << "," << r.top;
    EXPECT_EQ(r.Width(), 300);
    EXPECT_EQ(r.Height(), 200);

    // Larger than the screen: shrunk to fit.
    Store(QStringLiteral("90000,90000,190000,190000"));
    EXPECT_EQ(GetStoredPlacement(store, kSection, nullptr).normal.ToQRect(), area);

    // Partly on a screen: kept where it is.
    const QRect g = primary->geometry();
    const WindowRect partly{g.right() - 10, g.top(), g.right() + 500, g.top() + 300};
    EXPECT_EQ(KeepOnScreen(partly), partly);
}

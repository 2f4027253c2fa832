#include <QFontMetrics>
#include <QImage>

#include "NavigationTestSupport.h"
#include "pane/PaneCaption.h"
#include "support/TestDir.h"

namespace {

// Long plain-directory paths keep their first "/" and as many trailing
// whole components as fit (two at least with a filter); other captions and
// captions that fit are left whole.
TEST(CaptionTest, ShortensByWholeComponents) {
    const QFont font;
    const QFontMetrics fm(font);
    const QString path = "/home/someone/projects/corvane/src/pane";
    const int pad = PaneCaption::kPadding;

    EXPECT_EQ(ShortenCaption(path, "*", true, fm, fm.horizontalAdvance(path) + pad), path);
    const int twoFit = fm.horizontalAdvance("/.../src/pane") + pad;
    EXPECT_EQ(ShortenCaption(path, "*", true, fm, twoFit), "/.../src/pane");
    EXPECT_EQ(ShortenCaption(path, "*", true, fm, twoFit + 1), "/.../src/pane");
    EXPECT_EQ(ShortenCaption(path, "*", true, fm, 5), "/.../pane");
    EXPECT_EQ(ShortenCaption(path, "*", false, fm, 5), path);

    EXPECT_EQ(ShortenCaption(path, "*.cpp", true, fm, 5), "/.../src/pane [*.cpp]");
    const QString three = "/.../corvane/src/pane [*.cpp]";
    EXPECT_EQ(ShortenCaption(path, "*.cpp", true, fm, fm.horizontalAdvance(three) + pad), three);

    // Shortening that would not make the text shorter is not done.
    EXPECT_EQ(ShortenCaption("/ab/c", "*", true, fm, 5), "/ab/c");
}

// The active pane's strip is drawn in the highlight colours, the other's in
// the inactive ones, and both follow a change of the active pane.
class CaptionPaneTest : public RealShellTest {};

TEST_F(CaptionPaneTest, ColoursFollowTheActivePane) {
    TestDir dir;
    PanePair panes;
    for (CPanexView* pane : {panes.first.get(), panes.second.get()}) {
        pane->resize(300, 200);
        ASSERT_TRUE(pane->GoToText(dir.Path()));
    }
    auto inside = [](CPanexView& pane) {
        const QImage image = pane.Caption()->grab().toImage();
        // Below the raised edge and above the text.
        return image.pixel(image.width() / 2, 1);
    };
    const QPalette colours = panes.first->Caption()->palette();
    EXPECT_EQ(inside(*panes.first), colours.color(QPalette::Active, QPalette::Highlight).rgb());
    EXPECT_EQ(inside(*panes.second), colours.color(QPalette::Active, QPalette::Mid).rgb());
    EXPECT_EQ(panes.first->Caption()->FullText(), dir.Path());

    panes.host.active = panes.second.get();
    panes.second->ActivationUpdate(QString());
    EXPECT_EQ(inside(*panes.first), colours.color(QPalette::Active, QPalette::Mid).rgb());
    EXPECT_EQ(inside(*panes.second), colours.color(QPalette::Active, QPalette::Highlight).rgb());
}

}  // namespace

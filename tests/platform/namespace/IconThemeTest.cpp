#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/IconTheme.h"
#include "support/TestDir.h"

namespace {

// Puts Qt back where a bare window manager leaves it: no theme, no system
// icon folders on the search path.
class BareIconTheme : public ::testing::Test {
protected:
    void SetUp() override {
        m_paths = QIcon::themeSearchPaths();
        m_theme = QIcon::themeName();
        m_fallback = QIcon::fallbackThemeName();
        QIcon::setThemeSearchPaths({QStringLiteral(":/icons")});
        QIcon::setThemeName(QString());
    }
    void TearDown() override {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_theme);
        QIcon::setFallbackThemeName(m_fallback);
    }

private:
    QStringList m_paths;
    QString m_theme;
    QString m_fallback;
};

TEST(IconThemeTest, FirstInstalledThemeFollowsThePreferenceOrder) {
    TestDir a, b;
    ASSERT_TRUE(a.MakeFile("hicolor/index.theme", "[Icon Theme]\n"));
    ASSERT_TRUE(b.MakeFile("breeze/index.theme", "[Icon Theme]\n"));
    ASSERT_TRUE(b.MakeFolder("Adwaita"));  // a folder without index.theme is no theme
    const QStringList order = {QStringLiteral("Adwaita"), QStringLiteral("breeze"),
                               QStringLiteral("hicolor")};
    EXPECT_EQ(FirstInstalledTheme(order, {a.Path(), b.Path()}), QStringLiteral("breeze"));
    EXPECT_EQ(FirstInstalledTheme(order, {a.Path()}), QStringLiteral("hicolor"));
    EXPECT_EQ(FirstInstalledTheme({QStringLiteral("oxygen")}, {a.Path(), b.Path()}), QString());
}

TEST(IconThemeTest, XdgIconFoldersHonourTheDataDirs) {
    const QByteArray saved = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", "/opt/a/share::/opt/b/share");
    const QStringList folders = XdgIconFolders();
    if (saved.isNull())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", saved);
    const qsizetype first = folders.indexOf(QStringLiteral("/opt/a/share/icons"));
    const qsizetype second = folders.indexOf(QStringLiteral("/opt/b/share/icons"));
    ASSERT_GE(first, 0);
    EXPECT_GT(second, first);
    EXPECT_FALSE(folders.contains(QStringLiteral("/icons")));
}

TEST_F(BareIconTheme, MimeTypeIconsShowWithoutADesktopSession) {
    ASSERT_FALSE(QIcon::hasThemeIcon(QStringLiteral("image-x-generic")));
    EnsureIconTheme();
    EXPECT_FALSE(QIcon::themeName().isEmpty());
    EXPECT_TRUE(QIcon::hasThemeIcon(QStringLiteral("folder")));

    // A picture, an archive and a text must not share the blank page.
    IconRegistry registry;
    const int picture = registry.IndexForName(QStringLiteral("photo.png"));
    const int text = registry.IndexForName(QStringLiteral("notes.txt"));
    const int archive = registry.IndexForName(QStringLiteral("pack.tar.gz"));
    EXPECT_NE(picture, IconRegistry::GenericFileIcon);
    EXPECT_NE(text, IconRegistry::GenericFileIcon);
    EXPECT_NE(archive, IconRegistry::GenericFileIcon);
    const QImage a = registry.Icon(picture).pixmap(16, 16).toImage();
    const QImage b = registry.Icon(text).pixmap(16, 16).toImage();
    ASSERT_FALSE(a.isNull());
    EXPECT_NE(a, b);
}

TEST_F(BareIconTheme, OnlyAnUnusableThemeIsReplaced) {
    EnsureIconTheme();
    const QString chosen = QIcon::themeName();
    ASSERT_FALSE(chosen.isEmpty());
    QIcon::setThemeName(QStringLiteral("hicolor"));  // hicolor alone has no mime icons
    EnsureIconTheme();
    EXPECT_EQ(QIcon::themeName(), chosen);
    QIcon::setThemeName(QStringLiteral("NoSuchTheme"));
    EnsureIconTheme();
    EXPECT_EQ(QIcon::themeName(), chosen);

    TestDir own;
    ASSERT_TRUE(own.MakeFile("MyTheme/index.theme", "[Icon Theme]\nName=MyTheme\n"));
    QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() << own.Path());
    QIcon::setThemeName(QStringLiteral("MyTheme"));
    EnsureIconTheme();
    EXPECT_EQ(QIcon::themeName(), QStringLiteral("MyTheme"));
}

}  // namespace

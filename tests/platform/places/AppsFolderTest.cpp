// Settings and the applications menu over desktop entries written into the
// test's temporary XDG_DATA_HOME and a temporary XDG_DATA_DIRS.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "platform/fs/XdgDirs.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/places/AppsFolder.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

std::vector<IdList> Items(ShellFolder& folder, std::uint32_t flags = kAll) {
    std::vector<IdList> out;
    auto e = folder.EnumObjects(flags);
    IdList id;
    while (e && e->Next(id) == EnumIdList::Result::Item) out.push_back(id);
    return out;
}

QStringList Names(ShellFolder& folder) {
    QStringList names;
    for (const IdList& id : Items(folder))
        names << folder.GetDisplayNameOf(id, SHGDN_INFOLDER).value_or(QStringLiteral("<none>"));
    names.sort();
    return names;
}

// The files a test wrote into the user's applications folder, which other
// tests of this program use too: only these are removed afterwards.
QStringList g_written;

bool Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile f(path);
    g_written << path;
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

QByteArray Entry(const QByteArray& name, const QByteArray& categories,
                 const QByteArray& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=" + name +
           "\nExec=true\nCategories=" + categories + "\n" + extra;
}

// Points XDG_DATA_DIRS at a temporary system folder for the test and puts
// the user's applications folder back as it was.
class AppsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedDirs = qgetenv("XDG_DATA_DIRS");
        m_hadDirs = qEnvironmentVariableIsSet("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", m_system.PathBytes());
        m_user = NameFromBytes(XdgDataHome()) + QStringLiteral("/applications");
        g_written.clear();
    }
    void TearDown() override {
        for (const QString& path : g_written) QFile::remove(path);
        g_written.clear();
        if (m_hadDirs)
            qputenv("XDG_DATA_DIRS", m_savedDirs);
        else
            qunsetenv("XDG_DATA_DIRS");
    }
    QString System() const { return m_system.Path() + QStringLiteral("/applications"); }

    TestDir m_system;
    QString m_user;
    QByteArray m_savedDirs;
    bool m_hadDirs = false;
};

}  // namespace

TEST_F(AppsFolderTest, SettingsAndTheMenuListTheVisibleEntries) {
    TestDir icons;
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(icons.Path() + "/gear.png"));

    ASSERT_TRUE(
        Write(m_user + "/display-settings.desktop",
              Entry("Display", "GTK;Settings;HardwareSettings;",
                    "Comment=Screens and resolution\nIcon=" + icons.PathBytes() + "/gear.png\n")));
    ASSERT_TRUE(Write(m_user + "/panel.desktop", Entry("Sound Panel", "X-GNOME-Settings-Panel;")));
    ASSERT_TRUE(Write(m_user + "/editor.desktop", Entry("Code Editor", "Development;IDE;")));
    ASSERT_TRUE(Write(m_user + "/player.desktop", Entry("Player", "Audio;Player;")));
    ASSERT_TRUE(Write(m_user + "/tool.desktop", Entry("Odd Tool", "X-Nothing;")));
    ASSERT_TRUE(
        Write(m_user + "/quiet.desktop", Entry("Quiet Settings", "Settings;", "NoDisplay=true\n")));
    ASSERT_TRUE(Write(m_user + "/elsewhere.desktop",
                      Entry("Elsewhere", "Settings;", "OnlyShowIn=NoSuchDesktop;\n")));
    ASSERT_TRUE(Write(m_user + "/broken.desktop", "this is not a desktop entry\n"));
    // The system's entry is hidden by the user's Hidden copy of the same id;
    // a sub-folder gives an id with a dash.
    ASSERT_TRUE(Write(System() + "/shadowed.desktop", Entry("Shadowed", "Settings;")));
    ASSERT_TRUE(
        Write(m_user + "/shadowed.desktop", Entry("Shadowed", "Settings;", "Hidden=true\n")));
    ASSERT_TRUE(Write(System() + "/vendor/net.desktop", Entry("Browser", "Network;WebBrowser;")));

    AppsFolder settings(VirtualPlace::Settings, IdList::Empty());
    EXPECT_EQ(Names(settings), (QStringList{"Display", "Sound Panel"}));
    EXPECT_TRUE(Items(settings, SHCONTF_FOLDERS).empty());

    const std::vector<IdList> items = Items(settings);
    ASSERT_EQ(items.size(), 2u);
    const IdList display =
        settings.GetDisplayNameOf(items[0], 0) == QStringLiteral("Display") ? items[0] : items[1];
    EXPECT_EQ(settings.GetDisplayNameOf(display, SHGDN_FORPARSING),
              m_user + "/display-settings.desktop");
    EXPECT_EQ(settings.GetInfoTip(display), QStringLiteral("Screens and resolution"));
    std::uint32_t bits = ~0u;
    ASSERT_TRUE(settings.GetAttributesOf(std::span(&display, 1), bits));
    EXPECT_FALSE(bits & (SFGAO_FILESYSTEM | SFGAO_FOLDER));
    const int icon = settings.GetIconIndex(display, false);
    EXPECT_GT(icon, int(IconRegistry::ApplicationsIcon)) << "the entry's own image";
    EXPECT_EQ(settings.GetIconIndex(IdList::Empty(), false), int(IconRegistry::SettingsIcon));
    EXPECT_EQ(DesktopEntryFilePath(display), NameToBytes(m_user + "/display-settings.desktop"));
    EXPECT_EQ(settings.ParseDisplayName("panel.desktop").Count(), 1);
    EXPECT_TRUE(settings.ParseDisplayName("editor.desktop").IsNull()) << "not a settings entry";

    // The menu: sub-folders by main category, in the menu's order.
    AppsFolder menu(VirtualPlace::StartMenu, IdList::Empty());
    QStringList folders;
    for (const IdList& id : Items(menu, SHCONTF_FOLDERS))
        folders << *menu.GetDisplayNameOf(id, SHGDN_INFOLDER);
    EXPECT_EQ(folders,
              (QStringList{"Sound & Video", "Development", "Internet", "Settings", "Other"}));
    EXPECT_TRUE(Items(menu, SHCONTF_NONFOLDERS).empty());

    const IdList development = menu.ParseDisplayName("::StartMenu/Development");
    ASSERT_EQ(development.Count(), 1);
    auto developmentFolder = menu.BindToObject(development);
    ASSERT_TRUE(developmentFolder);
    EXPECT_EQ(Names(*developmentFolder), QStringList{"Code Editor"});
    auto internet = menu.BindToObject(menu.ParseDisplayName("::StartMenu/Network"));
    ASSERT_TRUE(internet);
    const auto browser = Items(*internet);
    ASSERT_EQ(browser.size(), 1u);
    EXPECT_EQ(internet->GetDisplayNameOf(browser[0], SHGDN_FORPARSING),
              System() + "/vendor/net.desktop");
    EXPECT_EQ(DecodeDesktopEntryItem(browser[0].ItemPayload(0))->id,
              QByteArray("vendor-net.desktop"));
    auto settingsInMenu = menu.BindToObject(menu.ParseDisplayName("::StartMenu/Settings"));
    ASSERT_TRUE(settingsInMenu);
    EXPECT_EQ(Names(*settingsInMenu), (QStringList{"Display", "Sound Panel"}));

    // An application parsed from the menu's root lies in its category.
    const IdList editor = menu.ParseDisplayName("editor.desktop");
    ASSERT_EQ(editor.Count(), 2);
    EXPECT_EQ(menu.GetDisplayNameOf(editor, SHGDN_INFOLDER), QStringLiteral("Code Editor"));

    // Entries that went away are unknown items, not crashes.
    ASSERT_TRUE(QFile::remove(m_user + "/editor.desktop"));
    AppsFolder fresh(VirtualPlace::StartMenu, IdList::Empty());
    EXPECT_FALSE(fresh.GetDisplayNameOf(editor, SHGDN_INFOLDER));
    bits = ~0u;
    EXPECT_FALSE(fresh.GetAttributesOf(std::span(&editor, 1), bits));
}

TEST(AppsCategories, MainCategoryAndSettingsRules) {
    EXPECT_EQ(MainCategoryOf({"Video", "Player"}), QStringLiteral("AudioVideo"));
    EXPECT_EQ(MainCategoryOf({"Utility", "Development"}), QStringLiteral("Development"));
    EXPECT_EQ(MainCategoryOf({}), QStringLiteral("Other"));
    EXPECT_EQ(MainCategoryTitle(QStringLiteral("Utility")), QStringLiteral("Accessories"));
    EXPECT_TRUE(IsSettingsCategoryList({"GTK", "DesktopSettings"}));
    EXPECT_FALSE(IsSettingsCategoryList({"System", "Monitor"}));
}

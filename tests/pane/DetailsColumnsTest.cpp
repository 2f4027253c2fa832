// The optional Details columns: what they show for a file, a link and a
// folder; the header menu's choice, kept in the pane's settings section; the
// widths of the columns that stay.

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QMenu>
#include <memory>

#include "PaneTestSupport.h"
#include "pane/DetailsColumns.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "support/TestDir.h"

namespace {

class DetailsColumnsTest : public OnePaneTest<> {
protected:
    bool Open() { return OpenUnwatched(*pane, dir); }
    int Column(const QString& title) {
        const std::vector<PaneColumn>& columns = pane->List()->Columns();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].title == title)
                return int(i);
        }
        return -1;
    }
    QString Cell(const QString& name, const QString& title) {
        FolderItem* item = pane->Model()->FindByName(name);
        const int column = Column(title);
        if (!item || column < 0)
            return QStringLiteral("<none>");
        return pane->List()->Model()->CellText(*item, column);
    }
    std::vector<QString> Titles() {
        std::vector<QString> titles;
        for (const PaneColumn& column : pane->List()->Columns()) titles.push_back(column.title);
        return titles;
    }
};

TEST(DetailsColumnTexts, PermissionsAsLsShowsThemAndExtensionsAfterTheLastDot) {
    EXPECT_EQ(PermissionsText(S_IFREG | 0644), QStringLiteral("-rw-r--r--"));
    EXPECT_EQ(PermissionsText(S_IFDIR | 01777), QStringLiteral("drwxrwxrwt"));
    EXPECT_EQ(PermissionsText(S_IFLNK | 0777), QStringLiteral("lrwxrwxrwx"));
    EXPECT_EQ(PermissionsText(S_IFREG | 04755), QStringLiteral("-rwsr-xr-x"));
    EXPECT_EQ(PermissionsText(S_IFREG | 02640), QStringLiteral("-rw-r-S---"));
    EXPECT_EQ(PermissionsText(S_IFIFO | 0600), QStringLiteral("prw-------"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("notes.tar.GZ")), QStringLiteral("GZ"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("Makefile")), QString());
    EXPECT_EQ(ExtensionOf(QStringLiteral(".bashrc")), QStringLiteral("bashrc"));
}

// A file, a link to it and a folder, each column read as the user sees it.
TEST_F(DetailsColumnsTest, ColumnsShowTheValuesOfAFileALinkAndAFolder) {
    ASSERT_TRUE(dir.MakeFile("notes.tar.gz", "12345"));
    ASSERT_TRUE(dir.SetMode("notes.tar.gz", 0640));
    ASSERT_TRUE(dir.MakeFolder("stuff"));
    ASSERT_TRUE(dir.SetMode("stuff", 0750));
    ASSERT_TRUE(dir.MakeSymlink("link", "notes.tar.gz"));
    pane->SetDetailsColumns(kAllDetailsColumns);
    ASSERT_TRUE(Open());
    EXPECT_EQ(Titles(), (std::vector<QString>{"Name", "Size", "", "Extension", "Permissions",
                                              "Owner", "Group", "Link target", "Created"}));

    const QString owner = QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name);
    const QString group = QString::fromLocal8Bit(::getgrgid(::getgid())->gr_name);
    EXPECT_EQ(Cell("notes.tar.gz", "Extension"), QStringLiteral("gz"));
    EXPECT_EQ(Cell("notes.tar.gz", "Permissions"), QStringLiteral("-rw-r-----"));
    EXPECT_EQ(Cell("notes.tar.gz", "Owner"), owner);
    EXPECT_EQ(Cell("notes.tar.gz", "Group"), group);
    EXPECT_EQ(Cell("notes.tar.gz", "Link target"), QString());
    EXPECT_FALSE(Cell("notes.tar.gz", "Created").isEmpty());

    EXPECT_EQ(Cell("link", "Permissions"), QStringLiteral("lrwxrwxrwx"));
    EXPECT_EQ(Cell("link", "Link target"), QStringLiteral("notes.tar.gz"));
    EXPECT_EQ(Cell("link", "Extension"), QString());

    EXPECT_EQ(Cell("stuff", "Permissions"), QStringLiteral("drwxr-x---"));
    EXPECT_EQ(Cell("stuff", "Owner"), owner);
    EXPECT_EQ(Cell("stuff", "Link target"), QString());

    // "Extension" sorts by type, as its header says.
    EXPECT_EQ(pane->List()->Columns()[std::size_t(Column("Extension"))].sortKey, ID_SORT_TYPE);
}

// The header menu toggles a column; the choice and the widths go to the
// pane's section and come back in a new pane; a stored value with unknown
// bits keeps only the known ones.
TEST_F(DetailsColumnsTest, HeaderMenuChoiceIsStoredPerPaneWithTheWidths) {
    pane->List()->SetColumnWidths({200, 80, 130});
    std::unique_ptr<QMenu> menu = pane->BuildColumnsMenu();
    QAction* ownerItem = nullptr;
    for (QAction* action : menu->actions()) {
        EXPECT_FALSE(action->isChecked());
        if (action->text() == QStringLiteral("&Owner"))
            ownerItem = action;
    }
    ASSERT_NE(ownerItem, nullptr);
    ownerItem->trigger();
    menu.reset();  // a child of the pane
    EXPECT_EQ(pane->detailsColumns(), kColumnOwner);
    EXPECT_EQ(Titles(), (std::vector<QString>{"Name", "Size", "", "Owner"}));
    const std::vector<int> widths = pane->List()->ColumnWidths();
    ASSERT_EQ(widths.size(), 4u);
    EXPECT_EQ(widths[0], 200);  // the columns that stayed keep their widths
    EXPECT_EQ(widths[1], 80);
    EXPECT_EQ(pane->BuildColumnsMenu()->actions().at(2)->isChecked(), true);

    pane->List()->SetViewStyle(ID_VIEW_DETAILS);
    pane->SaveSettings(host.store);
    EXPECT_EQ(host.store.GetProfileInt(kLeftPaneSection, QStringLiteral("binDetailsColumns"), -1),
              kColumnOwner);

    auto again = std::make_unique<CountingPane>(host);
    host.first = host.active = again.get();
    pane.reset();
    again->LoadSettings();
    EXPECT_EQ(again->detailsColumns(), kColumnOwner);
    ASSERT_EQ(again->List()->Columns().size(), 4u);
    EXPECT_EQ(again->List()->ColumnWidths()[0], 200);

    host.store.WriteProfileInt(kLeftPaneSection, QStringLiteral("binDetailsColumns"),
                               0x400 | kColumnGroup);
    auto third = std::make_unique<CountingPane>(host);
    host.first = host.active = third.get();
    again.reset();
    third->LoadSettings();
    EXPECT_EQ(third->detailsColumns(), kColumnGroup);
    pane = std::move(third);
}

}  // namespace

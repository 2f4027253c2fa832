#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/fs/XdgDirs.h"
#include "platform/shellui/ContextMenu.h"
#include "platform/shellui/PropertiesDialog.h"
#include "platform/trash/Trash.h"
#include "platform/trash/TrashMenus.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

QTemporaryDir* g_menuMarks = nullptr;

QByteArray MenuMark(const char* name) {
    return g_menuMarks->path().toUtf8() + "/" + name;
}

bool Write(const QByteArray& path, const QByteArray& contents) {
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(contents) == contents.size();
}

// A second application for text files, installed before GIO first looks.
class MenuApps : public ::testing::Environment {
public:
    void SetUp() override {
        g_menuMarks = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/corvane-menu-XXXXXX"));
        const QByteArray apps = XdgDataHome() + "/applications";
        MakePathBytes(apps);
        const QByteArray mark = MenuMark("editor");
        Write(apps + "/corvane-menu-editor.desktop",
              "[Desktop Entry]\nType=Application\nName=Corvane Menu & Editor\n"
              "Exec=sh -c 'for f; do echo \"$f\"; done > " +
                  mark + ".tmp && mv " + mark + ".tmp " + mark + "' sh %F\nMimeType=text/plain;\n");
    }
    void TearDown() override {
        delete g_menuMarks;
        g_menuMarks = nullptr;
    }
};

const auto* const kMenuApps = ::testing::AddGlobalTestEnvironment(new MenuApps);

std::vector<ContextMenuEntry> Query(ShellContextMenu& menu, std::uint32_t flags) {
    std::vector<ContextMenuEntry> out;
    EXPECT_TRUE(menu.QueryContextMenu(out, 1, 9999, flags));
    return out;
}

std::string VerbsOf(const std::vector<ContextMenuEntry>& entries) {
    QStringList verbs;
    for (const auto& e : entries) {
        if (e.id == 0 && e.children.empty())
            verbs << QStringLiteral("-");
        else
            verbs << e.verb;
    }
    return verbs.join(QLatin1Char(' ')).toStdString();
}

const ContextMenuEntry* Find(const std::vector<ContextMenuEntry>& entries, const QString& verb) {
    for (const auto& e : entries) {
        if (e.verb == verb)
            return &e;
    }
    return nullptr;
}

IdList ItemOf(FileSystemFolder& folder, const QByteArray& name) {
    return folder.ItemIdOf(name);
}

// Points XDG_TEMPLATES_DIR at a folder of the test and restores the user-dirs
// file the other tests of the run may have.
class ScopedTemplatesDir {
public:
    explicit ScopedTemplatesDir(const QByteArray& dir) {
        m_path = XdgConfigHome() + "/user-dirs.dirs";
        QFile old(QString::fromUtf8(m_path));
        if (old.open(QIODevice::ReadOnly)) {
            m_old = old.readAll();
            m_had = true;
        }
        MakePathBytes(XdgConfigHome());
        Write(m_path, "XDG_TEMPLATES_DIR=\"" + dir + "\"\n");
    }
    ~ScopedTemplatesDir() {
        if (m_had)
            Write(m_path, m_old);
        else
            ::unlink(m_path.constData());
    }

private:
    QByteArray m_path;
    QByteArray m_old;
    bool m_had = false;
};

}  // namespace

TEST(ContextMenu, FileMenuListsTheVerbsWithOpenAsDefault) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", "hello\n"));
    FileSystemFolder folder(dir.Path(), IdList::Empty());
    const IdList item = ItemOf(folder, "a.txt");
    auto menu = folder.GetContextMenu(std::span(&item, 1));
    ASSERT_TRUE(menu);

    const auto entries = Query(*menu, CMF_EXPLORE | CMF_CANRENAME);
    EXPECT_EQ(VerbsOf(entries), "open openwith - cut copy - link delete rename - properties");
    const QStringList texts = {"&Open",        "Open &with", "Cu&t",    "&Copy",
                               "Create &link", "&Delete",    "Rena&me", "P&roperties"};
    QStringList shown;
    for (const auto& e : entries) {
        if (!e.text.isEmpty())
            shown << e.text;
        if (e.id || !e.children.empty()) {
            EXPECT_FALSE(e.helpText.isEmpty()) << e.verb.toStdString();
        }
    }
    EXPECT_EQ(shown.join(QLatin1Char('|')).toStdString(),
              texts.join(QLatin1Char('|')).toStdString());
    EXPECT_TRUE(entries[0].isDefault);
    for (std::size_t i = 1; i < entries.size(); ++i) EXPECT_FALSE(entries[i].isDefault);

    // Each command's verb comes back by its id less the first.
    for (const auto& e : entries) {
        if (e.id) {
            EXPECT_EQ(menu->GetCommandString(e.id - 1), e.verb);
        }
    }
    // The program's own verbs are left to the program.
    const auto* cut = Find(entries, "cut");
    ASSERT_TRUE(cut);
    EXPECT_FALSE(menu->InvokeCommand(cut->id - 1, {}));

    // Without CMF_CANRENAME there is no rename; CMF_DEFAULTONLY gives "open".
    EXPECT_FALSE(Find(Query(*menu, CMF_EXPLORE), "rename"));
    const auto defaults = Query(*menu, CMF_DEFAULTONLY);
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults[0].verb, "open");

    // A narrow id range leaves the later commands out.
    std::vector<ContextMenuEntry> few;
    ASSERT_TRUE(menu->QueryContextMenu(few, 100, 101, CMF_NORMAL));
    for (const auto& e : few) {
        if (e.id) {
            EXPECT_LE(e.id, 101);
        }
    }
    EXPECT_FALSE(Find(few, "properties"));
}

TEST(ContextMenu, OpenWithListsApplicationsAndLaunchesTheChosenOne) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("one.txt", "1\n"));
    ASSERT_TRUE(dir.MakeFile("two & more.txt", "2\n"));
    FileSystemFolder folder(dir.Path(), IdList::Empty());
    const IdList items[] = {ItemOf(folder, "one.txt"), ItemOf(folder, "two & more.txt")};
    auto menu = folder.GetContextMenu(items);
    ASSERT_TRUE(menu);
    const auto entries = Query(*menu, CMF_EXPLORE);
    const auto* openWith = Find(entries, "openwith");
    ASSERT_TRUE(openWith);
    EXPECT_EQ(openWith->id, 0);
    const ContextMenuEntry* editor = nullptr;
    for (const auto& child : openWith->children) {
        if (child.verb == "openwith:corvane-menu-editor.desktop")
            editor = &child;
    }
    ASSERT_TRUE(editor) << "the test application is not offered";
    EXPECT_EQ(editor->text, "Corvane Menu && Editor");  // "&" is no mnemonic
    // With several items there is no rename at all.
    EXPECT_FALSE(Find(Query(*menu, CMF_CANRENAME), "rename"));

    const QByteArray mark = MenuMark("editor");
    EXPECT_TRUE(menu->InvokeCommand(editor->id - 1, {}));
    ASSERT_TRUE(WaitForFile(mark));
    QFile file(QString::fromUtf8(mark));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), dir.Join("one.txt") + "\n" + dir.Join("two & more.txt") + "\n");
}

TEST(ContextMenu, FolderMenuOffersPasteAndLeavesOpeningToTheProgram) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("sub"));
    FileSystemFolder folder(dir.Path(), IdList::Empty());
    const IdList item = ItemOf(folder, "sub");
    QApplication::clipboard()->clear();
    auto menu = folder.GetContextMenu(std::span(&item, 1));
    ASSERT_TRUE(menu);
    auto entries = Query(*menu, CMF_EXPLORE);
    EXPECT_FALSE(Find(entries, "openwith"));
    const auto* paste = Find(entries, "paste");
    ASSERT_TRUE(paste);
    EXPECT_EQ(paste->text, "&Paste");
    EXPECT_FALSE(paste->enabled);  // nothing to paste yet
    const auto* open = Find(entries, "open");
    ASSERT_TRUE(open);
    EXPECT_TRUE(open->isDefault);
    EXPECT_FALSE(menu->InvokeCommand(open->id - 1, {}));

    auto* data = new QMimeData;
    data->setData("text/uri-list", "file:///tmp\r\n");
    QApplication::clipboard()->setMimeData(data);
    menu = folder.GetContextMenu(std::span(&item, 1));
    entries = Query(*menu, CMF_EXPLORE);
    ASSERT_TRUE(Find(entries, "paste"));
    EXPECT_TRUE(Find(entries, "paste")->enabled);
    QApplication::clipboard()->clear();

    // An item that is not the folder's gets no menu.
    EXPECT_FALSE(folder.GetContextMenu(std::span<const IdList>()));
}

TEST(ContextMenu, LinkMakesUniqueSymbolicLinksAndReplacesNothing) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("doc.txt", "x"));
    ASSERT_TRUE(dir.MakeFile("Link to doc (2).txt", "keep me"));
    FileSystemFolder folder(dir.Path(), IdList::Empty());
    const IdList item = ItemOf(folder, "doc.txt");
    auto menu = folder.GetContextMenu(std::span(&item, 1));
    ASSERT_TRUE(menu);
    QByteArray created;
    InvokeContext context;
    context.createdName = &created;
    ASSERT_TRUE(menu->InvokeVerb("link", context));
    EXPECT_EQ(created, "Link to doc.txt");
    EXPECT_EQ(ReadLink(dir.Join("Link to doc.txt")), dir.Join("doc.txt"));
    ASSERT_TRUE(menu->InvokeVerb("LINK", context));  // verbs are matched case-blind
    EXPECT_EQ(created, "Link to doc (3).txt");
    EXPECT_EQ(ReadLink(dir.Join("Link to doc (3).txt")), dir.Join("doc.txt"));
    EXPECT_EQ(dir.Read("Link to doc (2).txt"), "keep me");

    // A folder the user may not write: the failure is told, nothing is made.
    QString error;
    EXPECT_FALSE(MakeLinksInPlace({"/proc/version"}, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ContextMenu, ShellNewCopiesTemplatesUnderFreeNames) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("templates/Letter.txt", "Dear reader,\n"));
    ASSERT_TRUE(dir.MakeFile("templates/Office/Sheet.csv", "a,b\n"));
    ASSERT_TRUE(dir.MakeFolder("work"));
    ScopedTemplatesDir templates(dir.Join("templates"));
    FileSystemFolder folder(QString::fromUtf8(dir.Join("work")), IdList::Empty());
    auto menu = folder.GetBackgroundMenu();
    ASSERT_TRUE(menu);
    const auto entries = Query(*menu, CMF_EXPLORE);
    ASSERT_EQ(entries.size(), 1u);
    const ContextMenuEntry& shellNew = entries[0];
    EXPECT_EQ(shellNew.text, "S&hell new");
    ASSERT_EQ(shellNew.children.size(), 2u);
    EXPECT_EQ(shellNew.children[0].text, "Letter");
    EXPECT_EQ(shellNew.children[1].text, "Office");
    ASSERT_EQ(shellNew.children[1].children.size(), 1u);
    EXPECT_EQ(shellNew.children[1].children[0].text, "Sheet");

    const int letter = shellNew.children[0].id - 1;
    QByteArray created;
    InvokeContext context;
    context.createdName = &created;
    ASSERT_TRUE(menu->InvokeCommand(letter, context));
    EXPECT_EQ(created, "Letter.txt");
    EXPECT_EQ(dir.Read("work/Letter.txt"), "Dear reader,\n");
    // The second time the name is taken; a planted link is never written
    // through.
    ASSERT_TRUE(dir.MakeSymlink("work/Letter (2).txt", dir.Join("victim")));
    ASSERT_TRUE(menu->InvokeCommand(letter, context));
    EXPECT_EQ(created, "Letter (3).txt");
    EXPECT_EQ(dir.Read("work/Letter (3).txt"), "Dear reader,\n");
    EXPECT_FALSE(dir.Exists("victim"));

    ASSERT_TRUE(menu->InvokeCommand(shellNew.children[1].children[0].id - 1, context));
    EXPECT_EQ(created, "Sheet.csv");
    EXPECT_EQ(dir.Read("work/Sheet.csv"), "a,b\n");
}

TEST(ContextMenu, ShellNewWithoutTemplatesSaysSo) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("empty"));
    ScopedTemplatesDir templates(dir.Join("empty"));
    auto menu = MakeFileSystemBackgroundMenu(dir.PathBytes());
    const auto entries = Query(*menu, CMF_EXPLORE);
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_EQ(entries[0].children.size(), 1u);
    EXPECT_FALSE(entries[0].children[0].enabled);
    EXPECT_FALSE(menu->InvokeCommand(entries[0].children[0].id - 1, {}));
}

TEST(ContextMenu, TrashMenuRestoresAndShowsProperties) {
    const QByteArray home = XdgHomeDir();
    const QByteArray original = home + "/corvane-menu-trashed.txt";
    ASSERT_TRUE(Write(original, "bring me back"));
    ASSERT_EQ(MoveToTrash(original), TrashResult::Trashed);
    ASSERT_NE(::access(original.constData(), F_OK), 0);
    std::vector<TrashEntry> entries;
    for (const TrashEntry& e : ListTrash()) {
        if (e.originalPath == original)
            entries.push_back(e);
    }
    ASSERT_EQ(entries.size(), 1u);

    auto menu = MakeTrashContextMenu(entries);
    ASSERT_TRUE(menu);
    const auto listed = Query(*menu, CMF_EXPLORE);
    EXPECT_EQ(VerbsOf(listed), "open restore - copy delete - properties");
    EXPECT_EQ(Find(listed, "restore")->text, "R&estore");
    // One key for each entry: no mnemonic letter twice.
    QString letters;
    for (const ContextMenuEntry& entry : listed) {
        const qsizetype amp = entry.text.indexOf(u'&');
        if (amp < 0 || amp + 1 >= entry.text.size())
            continue;
        const QChar letter = entry.text[amp + 1].toLower();
        EXPECT_FALSE(letters.contains(letter)) << entry.text.toStdString();
        letters += letter;
    }

    EXPECT_TRUE(menu->InvokeVerb("properties", {}));
    bool shown = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<PropertiesDialog*>(w)) {
            shown = shown || dialog->isVisible();
            dialog->close();
        }
    }
    EXPECT_TRUE(shown);

    QString error;
    InvokeContext context;
    context.errorText = &error;
    EXPECT_TRUE(menu->InvokeVerb("restore", context)) << error.toStdString();
    QFile back(QString::fromUtf8(original));
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), "bring me back");
    back.close();
    ::unlink(original.constData());
}

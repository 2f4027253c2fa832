// "Pack..." and "Unpack..." between two panes over real folders: the dialog,
// the archive arriving in the other pane, unpacking it again, Cancel, and
// when the commands are offered.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>

#include "pack/CPackTools.h"
#include "pack/PackDialog.h"
#include "pane/PaneTestSupport.h"
#include "platform/archive/ArchiveIndex.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"

namespace {

class PackToolsTest : public TwoPaneTest<> {
protected:
    void SetUp() override {
        MutableGeneral().askConfirmation = true;
        TwoPaneTest::SetUp();
        tools = std::make_unique<CPackTools>(host);
        tools->SetDialogRunner([this](PackDialog& dialog) {
            ++dialogs;
            if (chooseFormat)
                dialog.format->setCurrentIndex(int(*chooseFormat));
            if (!typedName.isEmpty())
                dialog.name->setText(typedName);
            return dialog.Validate();
        });
    }
    void TearDown() override {
        tools.reset();
        ForgetArchiveIndexes();
        TwoPaneTest::TearDown();
    }

    // The names of the selected rows in row order.
    static QStringList Selected(CPanexView& pane) {
        QStringList names;
        for (const FolderItem* item : pane.List()->SelectedItems()) names.append(item->name);
        return names;
    }
    bool Enabled(int id) {
        CommandState state;
        return tools->OnUpdateCommand(id, state) && state.enabled;
    }
    static QStringList Names(const TestDir& dir) {
        return QDir(dir.Path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    std::unique_ptr<CPackTools> tools;
    ScopedPrompter prompter;
    NoticeRecorder notices;
    std::optional<ArchiveFormat> chooseFormat;
    QString typedName;
    int dialogs = 0;
};

}  // namespace

TEST_F(PackToolsTest, PackIntoTheOtherPaneThenUnpackItBack) {
    ASSERT_TRUE(a.MakeFile("docs/readme.txt", "read me"));
    ASSERT_TRUE(a.MakeFile("docs/empty"));
    ASSERT_TRUE(a.MakeSymlink("docs/link", "readme.txt"));
    ASSERT_TRUE(a.MakeFile("notes.txt", "notes"));
    ASSERT_TRUE(a.MakeFile("left alone", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    EXPECT_FALSE(Enabled(ID_FILE_PACK)) << "nothing selected";
    ASSERT_TRUE(Select(*left, {"docs", "notes.txt"}));
    EXPECT_TRUE(Enabled(ID_FILE_PACK));
    EXPECT_FALSE(Enabled(ID_FILE_UNPACK)) << "the selection is no archive";

    chooseFormat = ArchiveFormat::Zip;
    ASSERT_TRUE(tools->OnCommand(ID_FILE_PACK));
    EXPECT_EQ(dialogs, 1);
    const QString name = QDir(a.Path()).dirName() + ".zip";
    ASSERT_EQ(Names(b), QStringList({name})) << "named after the folder for several items";
    EXPECT_EQ(Selected(*right), QStringList({name})) << "the other pane selects the new archive";
    EXPECT_TRUE(notices.Has(PackTexts::kPacked.arg(3 + 2).arg(b.Path() + "/" + name), false));
    EXPECT_EQ(CPackTools::LastFormat(), ArchiveFormat::Zip);

    // Unpack from the right pane into a third folder in the left one.
    TestDir c;
    ASSERT_TRUE(Open(*left, c.Path()));
    host.active = right.get();
    ASSERT_TRUE(Select(*right, {name}));
    ASSERT_TRUE(Enabled(ID_FILE_UNPACK));
    ASSERT_TRUE(tools->OnCommand(ID_FILE_UNPACK));
    EXPECT_EQ(Names(c), QStringList({"docs", "notes.txt"})) << prompter->Describe().toStdString();
    EXPECT_EQ(c.Read("docs/readme.txt"), "read me");
    EXPECT_EQ(c.Read("notes.txt"), "notes");
    EXPECT_TRUE(c.Exists("docs/empty"));
    char target[64] = {};
    ASSERT_GT(::readlink(c.Join("docs/link").constData(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "readme.txt");
}

TEST_F(PackToolsTest, TheNameFollowsTheFormatAndATakenNameIsAsked) {
    ASSERT_TRUE(a.MakeFile("photo.png", "png"));
    ASSERT_TRUE(b.MakeFile("photo.tar.xz", "older archive"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"photo.png"}));

    PackDialog dialog("photo", ArchiveFormat::TarGz, b.Path());
    EXPECT_EQ(dialog.name->text(), "photo.tar.gz");
    dialog.format->setCurrentIndex(int(ArchiveFormat::TarXz));
    EXPECT_EQ(dialog.name->text(), "photo.tar.xz");
    prompter->AnswerMessage(PromptAnswer::No);
    EXPECT_FALSE(dialog.Validate()) << "the user kept the old archive";
    dialog.name->setText(" ");
    EXPECT_FALSE(dialog.Validate());
    dialog.name->setText("a/b.zip");
    EXPECT_FALSE(dialog.Validate());
    ASSERT_EQ(prompter->Requests().size(), 3);
    EXPECT_EQ(prompter->Requests()[1].text, PackTexts::kEmptyName);
    EXPECT_EQ(prompter->Requests()[2].text, PackTexts::kBadName);

    // Through the command: replacing is agreed to.
    chooseFormat = ArchiveFormat::TarXz;
    prompter->AnswerMessage(PromptAnswer::Yes);
    tools->OnCommand(ID_FILE_PACK);
    QString error;
    const auto index = ArchiveIndex::Build(b.Join("photo.tar.xz"), &error);
    ASSERT_TRUE(index) << error.toStdString();
    EXPECT_GE(index->Child(ArchiveIndex::kRoot, "photo.png"), 0);
    EXPECT_EQ(Names(b), QStringList({"photo.tar.xz"}));
}

TEST_F(PackToolsTest, CancelLeavesNoArchive) {
    // Enough to take xz far longer than pressing Cancel does.
    QByteArray data(24 << 20, 0);
    for (qsizetype i = 0; i < data.size(); ++i) data[i] = char((i * 2654435761u) >> 13);
    ASSERT_TRUE(a.MakeFile("big.bin", data));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"big.bin"}));
    chooseFormat = ArchiveFormat::TarXz;
    tools->SetPackStartedHook([](const std::function<void()>& cancel) { cancel(); });
    tools->OnCommand(ID_FILE_PACK);
    EXPECT_EQ(Names(b), QStringList()) << "no archive and no temporary";
    EXPECT_TRUE(notices.Has(PackTexts::kCancelled, false));
}

TEST_F(PackToolsTest, UnpackWantsAnArchiveAndAFolderOfTheDisk) {
    ASSERT_TRUE(a.MakeFile("plain.txt", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"plain.txt"}));
    EXPECT_FALSE(Enabled(ID_FILE_UNPACK));
    tools->OnCommand(ID_FILE_UNPACK);
    EXPECT_TRUE(notices.Has(PackTexts::kNoArchive, true));
    EXPECT_EQ(Names(b), QStringList());
}

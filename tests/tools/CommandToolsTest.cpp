// The commands that take the selection out of the pane: the text scan, the
// batch script (run for real), the listing and copied names.

#include <sys/stat.h>

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>

#include "platform/namespace/NameCodec.h"
#include "support/Wait.h"
#include "tools/BatchDialogs.h"
#include "tools/ToolFiles.h"
#include "tools/ToolsTestSupport.h"

namespace {

class CommandTest : public ToolsTest {};

TEST_F(CommandTest, ContainingTextSelectsTheFilesWithTheWord) {
    ASSERT_TRUE(a.MakeFile("one.txt", "the quick brown fox"));
    ASSERT_TRUE(a.MakeFile("two.txt", "a Quick look"));
    ASSERT_TRUE(a.MakeFile("three.txt", "slow"));
    ASSERT_TRUE(a.MakeFile("four.md", "quick"));
    ASSERT_TRUE(a.MakeFile("bin.txt", QByteArray("\0\1\2quick", 8)));
    ASSERT_TRUE(a.MakeFolder("quick.txt"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Select(*left, {"three.txt"}));
    ASSERT_TRUE(Enabled(ID_MARK_CONTAINING_TEXT));

    QString types = "*.txt";
    dialogAnswer = [&types](QDialog& dialog) {
        auto* find = qobject_cast<FindInFilesDialog*>(&dialog);
        find->SetFindText("quick");
        find->SetFileTypes(types + "   ");
        return find->Validate();
    };
    Run(ID_MARK_CONTAINING_TEXT);
    EXPECT_EQ(Selected(*left), QStringList({"one.txt", "two.txt"}))
        << "the selection is replaced; binary files and other types are left out";
    EXPECT_TRUE(notices.Has("Files containing specified string selected for further action", true));
    EXPECT_EQ(GrepTypesHistory().First(), "*.txt") << "trailing blanks trimmed";
    EXPECT_EQ(GrepFindHistory().First(), "quick");

    GrepOptions().matchCase = true;
    dialogAnswer = [](QDialog& dialog) {
        auto* find = qobject_cast<FindInFilesDialog*>(&dialog);
        find->SetFindText("Quick");
        find->SetFileTypes("");
        return find->Validate();
    };
    Run(ID_MARK_CONTAINING_TEXT);
    EXPECT_EQ(Selected(*left), QStringList({"two.txt"})) << "the dialog keeps Match case";
    EXPECT_EQ(GrepTypesHistory().First(), "*.*") << "empty types are every file";

    types = "*.none";
    dialogAnswer = [&types](QDialog& dialog) {
        auto* find = qobject_cast<FindInFilesDialog*>(&dialog);
        find->SetFindText("quick");
        find->SetFileTypes(types);
        return find->Validate();
    };
    Run(ID_MARK_CONTAINING_TEXT);
    EXPECT_TRUE(notices.Has("No files match the specified type filter", true));
    types = "three.txt";
    Run(ID_MARK_CONTAINING_TEXT);
    EXPECT_TRUE(notices.Has("No matching file contains the specified string", true));
}

TEST_F(CommandTest, ContainingTextRefusesAnEmptyText) {
    FindInFilesDialog dialog("folder");
    dialog.SetFindText("");
    EXPECT_FALSE(dialog.Validate());
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text, "Find text is not specified");
    EXPECT_TRUE(GrepFindHistory().isEmpty());
}

TEST_F(CommandTest, GrepSettingsAreLoadedAndSaved) {
    host.store.WriteProfileInt("Grep Settings", "bWordsOnly", 1);
    ASSERT_TRUE(Open(*left, a.Path()));
    std::function<void(ProfileStore&)> saver;
    tools->SetSaverRegistrar([&](CPaneTools::Settings which, std::function<void(ProfileStore&)> s) {
        EXPECT_EQ(which, CPaneTools::Settings::Grep);
        saver = std::move(s);
    });
    Run(ID_MARK_CONTAINING_TEXT);  // the dialog is cancelled
    EXPECT_TRUE(GrepOptions().wordsOnly);
    EXPECT_EQ(GrepTypesHistory().First(), "*.*") << "seeded";
    GrepOptions().searchBinFiles = true;
    ASSERT_TRUE(saver);
    saver(host.store);
    EXPECT_EQ(host.store.GetProfileInt("Grep Settings", "bSearchBinFiles", 0), 1);
    EXPECT_EQ(host.store.GetProfileString("Grep File Types History", "0", ""), "*.*");
}

TEST_F(CommandTest, BatchScriptCopiesTheSelectionWhenExecuted) {
    const QStringList names = {"plain.txt", "with blank", "$(touch P)", "--x", "left out"};
    for (const QString& name : names) ASSERT_TRUE(a.MakeFile(NameToBytes(name), NameToBytes(name)));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"plain.txt", "with blank", "$(touch P)", "--x"}));
    ASSERT_TRUE(Enabled(ID_MARK_GENERATE_BATCH));

    TestDir temp;
    const QString scriptPath = temp.Path() + "/CvTmpBatch.sh";
    tools->SetBatchPath([&] { return scriptPath; });
    QString ranIn;
    tools->SetScriptRunner([&](const QString& script, const QString& folder) {
        ranIn = folder;
        QProcess sh;
        sh.setWorkingDirectory(folder);
        sh.start("/bin/sh", {script});
        return sh.waitForFinished(20000) && sh.exitCode() == 0;
    });
    QString shown;
    dialogAnswer = [&](QDialog& dialog) {
        if (auto* templ = qobject_cast<BatchTemplateDialog*>(&dialog)) {
            templ->SetTemplate("cp $N $R  ");
            return templ->Validate();
        }
        auto* script = qobject_cast<BatchScriptDialog*>(&dialog);
        shown = script->Script();
        return script->Execute();
    };
    Run(ID_MARK_GENERATE_BATCH);
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(shown.startsWith("#!/bin/sh\n# Created automatically by Corvane\n"));
    EXPECT_EQ(BatchTemplateHistory().First(), "cp $N $R");
    EXPECT_EQ(ranIn, a.Path());
    for (const QString& name : names.mid(0, 4))
        EXPECT_EQ(b.Read(NameToBytes(name)), NameToBytes(name)) << name.toStdString();
    EXPECT_FALSE(b.Exists("left out"));
    EXPECT_FALSE(a.Exists("P"));
    struct stat st {};
    ASSERT_EQ(::stat(NameToBytes(scriptPath).constData(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR) << "the script has its run bit";
}

TEST_F(CommandTest, BatchFailuresKeepTheDialog) {
    ASSERT_TRUE(a.MakeFile("f", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Select(*left, {"f"}));
    dialogAnswer = [](QDialog& dialog) {
        auto* templ = qobject_cast<BatchTemplateDialog*>(&dialog);
        templ->SetTemplate(" , ,");
        return templ && templ->Validate();
    };
    Run(ID_MARK_GENERATE_BATCH);
    EXPECT_TRUE(notices.Has("The specified template is invalid", true));

    BatchTemplateDialog empty;
    empty.SetTemplate("   ");
    EXPECT_FALSE(empty.Validate());
    EXPECT_EQ(prompter->Requests().value(0).text, "Template should not be empty");

    BatchScriptDialog noTemp("#!/bin/sh\n", "t", a.Path() + "/no/such/folder/CvTmpBatch.sh",
                             [](const QString&) { return true; });
    EXPECT_FALSE(noTemp.Execute());
    EXPECT_EQ(prompter->Requests().value(1).text, "Unable to access the TEMP folder");
    BatchScriptDialog noRun("#!/bin/sh\n", "t", a.Path() + "/CvTmpBatch.sh",
                            [](const QString&) { return false; });
    EXPECT_FALSE(noRun.Execute());
    EXPECT_EQ(prompter->Requests().value(2).text, "The batch file could not be executed");

    noRun.SetSavePicker([&](const QString&) { return a.Path() + "/saved.sh"; });
    noRun.Editor()->setPlainText("#!/bin/sh\necho edited\n");
    EXPECT_TRUE(noRun.SaveAs());
    EXPECT_EQ(a.Read("saved.sh"), "#!/bin/sh\necho edited\n") << "the edited text is saved";
    EXPECT_EQ(noRun.windowTitle(), a.Path() + "/saved.sh - Batch script");
    noRun.SetSavePicker([&](const QString&) { return a.Path() + "/no/such/saved.sh"; });
    EXPECT_FALSE(noRun.SaveAs());
    EXPECT_EQ(prompter->Requests().value(3).text, "That batch file won't be saved");
    BatchTemplateDialog unsafe;
    unsafe.SetTemplate("mv $N ${BACKUP:-$N.bak}");
    EXPECT_FALSE(unsafe.Validate()) << "a name inside ${...} can't be quoted";
    EXPECT_EQ(prompter->Requests().last().text, BatchTexts::kUnsafeTemplate);
    BatchScriptName() = BatchTexts::kUntitled;
}

TEST_F(CommandTest, PrintSelectionWritesTheListingAndOpensIt) {
    ASSERT_TRUE(a.MakeFile("small", QByteArray(1000, 'x')));
    ASSERT_TRUE(a.MakeFile("large", QByteArray(2000, 'x')));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Select(*left, {"small", "large"}));
    TestDir temp;
    const QString listing = temp.Path() + "/CvDirListing";
    // Something planted at the listing's name is replaced, never written
    // through.
    ASSERT_TRUE(temp.MakeFile("victim", "keep"));
    ASSERT_TRUE(temp.MakeSymlink("CvDirListing", temp.Join("victim")));
    tools->SetListingPath([&] { return listing; });
    QString opened;
    bool openedViewOnly = true;
    tools->SetEditorOpener([&](const QString& path, bool viewOnly) {
        opened = path;
        openedViewOnly = viewOnly;
        return true;
    });
    MutableGeneral().plainBytesFormat = true;
    MutableGeneral().dirPrintFormat = "%s %s %n\n";
    ASSERT_TRUE(Enabled(ID_MARK_PRINT_SELECTION));
    Run(ID_MARK_PRINT_SELECTION);
    EXPECT_EQ(opened, listing);
    EXPECT_FALSE(openedViewOnly);
    EXPECT_EQ(temp.Read("victim"), "keep");
    const QStringList lines = QString::fromUtf8(temp.Read("CvDirListing")).split(u'\n');
    EXPECT_EQ(lines.value(0), "LISTING OF '" + a.Path() + "'");
    EXPECT_EQ(lines.value(lines.size() - 2), "2 item(s); 3,000 bytes in total");
    EXPECT_TRUE(lines.value(3).startsWith("small                     ") ||
                lines.value(3).startsWith("large                     "))
        << "a refused format falls back to the default: " << lines.value(3).toStdString();
    EXPECT_TRUE(notices.entries.size() >= 1);

    tools->SetListingPath([&] { return temp.Path() + "/no/such/CvDirListing"; });
    Run(ID_MARK_PRINT_SELECTION);
    EXPECT_TRUE(notices.Has("I'm afraid this computer won't cooperate.", true));
}

TEST_F(CommandTest, CopyNames) {
    ASSERT_TRUE(a.MakeFile("one", "x"));
    ASSERT_TRUE(a.MakeFile("it's", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    Run(ID_EDIT_COPY_NAMES);
    EXPECT_EQ(prompter->Beeps().size(), 1) << "nothing selected";
    ASSERT_TRUE(Select(*left, {"one"}));
    Run(ID_EDIT_COPY_NAMES);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), a.Path() + "/one") << "no line feed after it";
    EXPECT_TRUE(notices.Has("Selected full name(s) copied to the clipboard", false));
    ASSERT_TRUE(Select(*left, {"it's"}));
    {
        ScopedKeyState shift(Qt::AltModifier | Qt::ShiftModifier);
        Run(ID_EDIT_COPY_NAMES);
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "'" + a.Path() + "/it'\\''s'");
    QGuiApplication::clipboard()->clear();
}

}  // namespace

namespace {

// A generated script runs in the terminal the console commands use
// ("szDosCmdPreample"); only without one is a terminal looked for.
TEST(ScriptRunnerTest, AScriptRunsInTheConsoleCommandsTerminal) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("my script.sh", "#!/bin/sh\ntouch ran-by-script\n"));
    const QString script = dir.Path() + "/my script.sh";
    const QByteArray oldTerminal = qgetenv("TERMINAL");
    qunsetenv("TERMINAL");
    // The preamble stands for a terminal: it records the command it was
    // given and runs it, as a terminal's shell would.
    const QString preamble = QStringLiteral("sh -c 'echo \"$1\" > given; eval \"$1\"' corvane ");
    EXPECT_TRUE(RunScriptInTerminal(script, dir.Path(), preamble));
    EXPECT_TRUE(WaitForFile(dir.Join("ran-by-script")));
    EXPECT_TRUE(WaitForFile(dir.Join("given")));
    EXPECT_TRUE(dir.Read("given").contains("my script.sh")) << dir.Read("given").toStdString();

    // No preamble: the first terminal on the path.
    ASSERT_TRUE(
        dir.MakeFile("bin/xterm", "#!/bin/sh\necho \"$@\" > '" + dir.Join("bin/args") + "'\n"));
    ASSERT_TRUE(dir.SetMode("bin/xterm", 0755));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.Join("bin"));
    const bool started = RunScriptInTerminal(script, dir.Path(), QString());
    qputenv("PATH", oldPath);
    if (!oldTerminal.isNull())
        qputenv("TERMINAL", oldTerminal);
    EXPECT_TRUE(started);
    EXPECT_TRUE(WaitForFile(dir.Join("bin/args")));
    EXPECT_TRUE(dir.Read("bin/args").contains("my script.sh"));
}

}  // namespace

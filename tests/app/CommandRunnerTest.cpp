// The command runner: the macros and their order, hostile names through
// "$N" run for real (">" by the launcher, "$" by a real shell), the
// preambles, the desktop-entry fallback, the history and the notices.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include "app/CommandRunner.h"
#include "platform/store/ProfileStore.h"
#include "shell/Notice.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

constexpr int kMax = 15;

// Lets a started process run to its end: waits for a marker file that the
// command writes last.
class CommandRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousSink = SetNoticeSink([this](const std::optional<QString>& text, bool alert) {
            if (text)
                notices.append({*text, alert});
        });
    }
    void TearDown() override { SetNoticeSink(std::move(previousSink)); }

    QString At(const QString& name) const { return dir.Path() + u'/' + name; }

    struct Shown {
        QString text;
        bool alert;
    };
    TestDir dir;
    QList<Shown> notices;
    NoticeSink previousSink;
    CommandRunner runner;
};

TEST(CommandRunnerMacros, ReplacedInOrderAtEveryOccurrenceButNeverInsideInsertedValues) {
    MacroValues values;
    values.left = QStringLiteral("/l");
    values.right = QStringLiteral("/r");
    values.active = QStringLiteral("/l");
    values.inactive = QStringLiteral("/r");
    values.focusedName = QStringLiteral("f.txt");
    EXPECT_EQ(ReplaceMacros(QStringLiteral("cp $P/$N $I $L$R $N"), values),
              QStringLiteral("cp /l/f.txt /r /l/r f.txt"));
    // Case-sensitive: "$l" and "$n" are no macros.
    EXPECT_EQ(ReplaceMacros(QStringLiteral("$l $n"), values), QStringLiteral("$l $n"));

    // No focused item: "$N" stays as typed.
    values.focusedName.reset();
    EXPECT_EQ(ReplaceMacros(QStringLiteral("echo $N $P"), values), QStringLiteral("echo $N /l"));

    // A name holding "$L", and a folder holding "$N", go in as they are: a
    // later macro never reaches into what an earlier one inserted.
    values.focusedName = QStringLiteral("a$L");
    values.left = QStringLiteral("/x$N");
    EXPECT_EQ(ReplaceMacros(QStringLiteral("$L $N"), values), QStringLiteral("'/x$N' 'a$L'"));
}

TEST(CommandRunnerMacros, ValuesAreQuotedOnlyWhereTheShellWouldReadThem) {
    EXPECT_EQ(ShellQuoteIfNeeded(QStringLiteral("/home/u/notes-1.txt")),
              QStringLiteral("/home/u/notes-1.txt"));
    EXPECT_EQ(ShellQuoteIfNeeded(QStringLiteral("a b")), QStringLiteral("'a b'"));
    EXPECT_EQ(ShellQuoteIfNeeded(QStringLiteral("it's")), QStringLiteral("'it'\\''s'"));
    EXPECT_EQ(ShellQuoteIfNeeded(QString()), QStringLiteral("''"));
    EXPECT_EQ(ShellQuoteIfNeeded(QStringLiteral("Grüße")), QStringLiteral("'Grüße'"));
}

TEST_F(CommandRunnerTest, HostileNamesStayOneArgumentOfAProgramCommand) {
    MacroValues values;
    values.active = dir.Path();
    for (const QString& name : {QStringLiteral("$(touch P)"), QStringLiteral("a b; touch P"),
                                QStringLiteral("x' ; touch P; '"), QStringLiteral("`touch P`")}) {
        values.focusedName = name;
        ASSERT_TRUE(runner.RunCommandText(QStringLiteral(">touch $N"), values, dir.Path(), kMax))
            << name.toStdString();
        EXPECT_TRUE(WaitForFile(At(name))) << name.toStdString();
    }
    // Everything that ran has ended: its file is there; no P was ever made.
    EXPECT_FALSE(QFile::exists(At(QStringLiteral("P"))));
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(CommandRunnerTest, HostileNamesStayOneArgumentOfAShellCommand) {
    // The terminal is left out; the shell that reads the command is real.
    runner.SetDosPreamble(QStringLiteral("sh -c 'eval \"$1\"' corvane "));
    MacroValues values;
    values.active = dir.Path();
    for (const QString& name : {QStringLiteral("$(touch P)"), QStringLiteral("a b; touch P"),
                                QStringLiteral("it's; touch P")}) {
        values.focusedName = name;
        ASSERT_TRUE(runner.RunCommandText(QStringLiteral("$ touch $N && touch done"), values,
                                          dir.Path(), kMax));
        EXPECT_TRUE(WaitForFile(At(QStringLiteral("done"))));
        EXPECT_TRUE(QFile::exists(At(name))) << name.toStdString();
        QFile::remove(At(QStringLiteral("done")));
    }
    EXPECT_FALSE(QFile::exists(At(QStringLiteral("P"))));
    // The shell sees the command's own syntax: a pipe and a redirection.
    ASSERT_TRUE(runner.RunCommandText(QStringLiteral("$ echo piped | tr a-z A-Z > out; touch done"),
                                      values, dir.Path(), kMax));
    ASSERT_TRUE(WaitForFile(At(QStringLiteral("done"))));
    QFile out(At(QStringLiteral("out")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), QByteArray("PIPED\n"));
}

// The names no command may run as code, nor change on the way: an option
// look-alike, substitutions, quotes, a line break, and environment
// references (%FOO% holds a command of its own).
QStringList HostileNames() {
    return {QStringLiteral("--x"),         QStringLiteral("$(touch P)"),
            QStringLiteral("`touch P`"),   QStringLiteral("'; touch P;'"),
            QStringLiteral("line\nbreak"), QStringLiteral("%HOME%"),
            QStringLiteral("%FOO%"),       QStringLiteral("it's \"odd\" $HOME")};
}

class CommandRunnerEnvironmentTest : public CommandRunnerTest {
protected:
    void SetUp() override {
        CommandRunnerTest::SetUp();
        qputenv("FOO", "a; touch P");
        qputenv("CV_TYPED", "typed-by-user");
    }
    void TearDown() override {
        qunsetenv("FOO");
        qunsetenv("CV_TYPED");
        CommandRunnerTest::TearDown();
    }
};

TEST_F(CommandRunnerEnvironmentTest, ReferencesAreExpandedInTheTypedTextOnlyNeverInAName) {
    MacroValues values;
    values.active = dir.Path();
    // A program command: every name arrives as the one argument it is.
    for (const QString& name : HostileNames()) {
        values.focusedName = name;
        ASSERT_TRUE(
            runner.RunCommandText(QStringLiteral(">touch -- $N"), values, dir.Path(), kMax));
        EXPECT_TRUE(WaitForFile(At(name))) << name.toStdString();
    }
    // What the user typed is still expanded.
    ASSERT_TRUE(
        runner.RunCommandText(QStringLiteral(">touch %CV_TYPED%"), values, dir.Path(), kMax));
    EXPECT_TRUE(WaitForFile(At(QStringLiteral("typed-by-user"))));
    EXPECT_FALSE(QFile::exists(At(QStringLiteral("P"))));
    EXPECT_FALSE(QFile::exists(At(QStringLiteral("a"))));
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(CommandRunnerEnvironmentTest, AShellCommandGetsEachNameByteForByteWhereverItStands) {
    runner.SetDosPreamble(QStringLiteral("sh -c 'eval \"$1\"' corvane "));
    MacroValues values;
    values.active = dir.Path();
    // The name bare, in single quotes, in double quotes, and inside
    // backquotes and a command substitution within double quotes.
    const QStringList commands = {
        QStringLiteral("$ touch -- $N && touch done"),
        QStringLiteral("$ touch -- '$N' && touch done"),
        QStringLiteral("$ touch -- \"$N\" && touch done"),
        QStringLiteral("$ touch -- \"`printf '%s' $N`\" && touch done"),
        QStringLiteral("$ touch -- \"$(printf '%s' \"$N\")\" && touch done"),
        QStringLiteral("$ touch %CV_TYPED% && touch -- $N && touch done"),
    };
    for (const QString& command : commands) {
        for (const QString& name : HostileNames()) {
            // A name that ends in a line break loses it in a substitution,
            // as any shell does; the hostile list has none.
            values.focusedName = name;
            ASSERT_TRUE(runner.RunCommandText(command, values, dir.Path(), kMax))
                << command.toStdString();
            EXPECT_TRUE(WaitForFile(At(QStringLiteral("done"))))
                << command.toStdString() << ": " << name.toStdString();
            EXPECT_TRUE(QFile::exists(At(name)))
                << command.toStdString() << ": " << name.toStdString();
            QFile::remove(At(QStringLiteral("done")));
            QFile::remove(At(name));
        }
    }
    EXPECT_TRUE(QFile::exists(At(QStringLiteral("typed-by-user"))));
    EXPECT_FALSE(QFile::exists(At(QStringLiteral("P"))));
    EXPECT_FALSE(QFile::exists(At(QStringLiteral("a"))));
}

TEST_F(CommandRunnerTest, AMacroWhereNoNameCanBeQuotedStopsTheCommand) {
    QStringList launched;
    runner.SetLauncher([&](const QString& line, const QString&) {
        launched.append(line);
        return true;
    });
    MacroValues values;
    values.focusedName = QStringLiteral("$(touch P)");
    for (const QString& text :
         {QStringLiteral("$ echo ${X:-$N}"), QStringLiteral("$ echo $(( $N ))"),
          QStringLiteral("$ x=$(echo # $N)")}) {
        notices.clear();
        EXPECT_FALSE(runner.RunCommandText(text, values, dir.Path(), kMax)) << text.toStdString();
        ASSERT_EQ(notices.size(), 1);
        EXPECT_EQ(notices[0].text, kUnsafeMacroPlace);
        EXPECT_TRUE(notices[0].alert);
    }
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_TRUE(runner.History().entries().isEmpty());
    // A "${...}" without a macro in it is the shell's own business.
    EXPECT_TRUE(
        runner.RunCommandText(QStringLiteral("$ echo ${HOME} $N"), values, dir.Path(), kMax));
    ASSERT_EQ(launched.size(), 1);
    EXPECT_EQ(launched[0], QStringLiteral(R"('echo ${HOME} '\''$(touch P)'\''')"));
}

TEST_F(CommandRunnerTest, PreamblesGoInFrontAndTheShellCommandIsOneArgument) {
    QStringList launched;
    runner.SetLauncher([&](const QString& line, const QString&) {
        launched.append(line);
        return true;
    });
    runner.SetDosPreamble(QStringLiteral("term -e sh -c X corvane "));
    MacroValues values;
    EXPECT_TRUE(runner.RunCommandText(QStringLiteral("$ ls -l"), values, QString(), kMax));
    EXPECT_TRUE(runner.RunCommandText(QStringLiteral("$dir"), values, QString(), kMax));
    // The marker alone runs the preamble alone: a terminal with a shell.
    EXPECT_TRUE(runner.RunCommandText(QStringLiteral("$   "), values, QString(), kMax));
    runner.SetShellPreamble(QStringLiteral("nice "));
    EXPECT_TRUE(runner.RunCommandText(QStringLiteral(">  make all "), values, QString(), kMax));
    EXPECT_EQ(launched,
              (QStringList{"term -e sh -c X corvane 'ls -l'", "term -e sh -c X corvane dir",
                           "term -e sh -c X corvane ", "nice make all"}));
    // The history keeps the texts as submitted, untrimmed, newest first.
    EXPECT_EQ(runner.History().entries(), (QStringList{">  make all ", "$   ", "$dir", "$ ls -l"}));
}

TEST_F(CommandRunnerTest, FailuresAlertAndLeaveTheHistoryAlone) {
    MacroValues values;
    values.active = dir.Path();
    runner.History().Add(kMax, QStringLiteral(">true"));
    for (const QString& text : {QStringLiteral(">    "), QStringLiteral("> no-such-program-cv17 x"),
                                QStringLiteral("> \"unclosed")}) {
        notices.clear();
        EXPECT_FALSE(runner.RunCommandText(text, values, dir.Path(), kMax)) << text.toStdString();
        ASSERT_EQ(notices.size(), 1);
        EXPECT_EQ(notices[0].text, kCannotExecute);
        EXPECT_TRUE(notices[0].alert);
    }
    EXPECT_EQ(runner.History().entries(), QStringList{">true"});
}

TEST_F(CommandRunnerTest, ACommandThatSucceedsTwiceStandsOnceAtTheFront) {
    MacroValues values;
    ASSERT_TRUE(runner.RunCommandText(QStringLiteral(">true"), values, dir.Path(), kMax));
    ASSERT_TRUE(runner.RunCommandText(QStringLiteral(">touch x"), values, dir.Path(), kMax));
    ASSERT_TRUE(runner.RunCommandText(QStringLiteral(">true"), values, dir.Path(), kMax));
    EXPECT_EQ(runner.History().entries(), (QStringList{">true", ">touch x"}));
}

TEST_F(CommandRunnerTest, AProgramNotOnThePathIsFoundThroughItsDesktopEntry) {
    // The tests' data home is a temporary folder (tests/support/main.cpp).
    const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + "/applications";
    ASSERT_TRUE(QDir().mkpath(applications));
    ASSERT_TRUE(dir.MakeFile("tools/cv tool.sh", "#!/bin/sh\ntouch \"$1\"\n"));
    ASSERT_TRUE(dir.SetMode("tools/cv tool.sh", 0755));
    const QString script = At(QStringLiteral("tools/cv tool.sh"));
    QFile entry(applications + "/cvtool17.desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=CV\nExec=\"" + script.toUtf8() +
                "\" --ignored %F\n");
    entry.close();

    EXPECT_EQ(DesktopEntryCommand(QStringLiteral("cvtool17")),
              QStringLiteral("\"%1\" --ignored").arg(script));
    EXPECT_FALSE(DesktopEntryCommand(QStringLiteral("no-such-entry-cv17")).has_value());

    EXPECT_TRUE(runner.RunShellCommand(QStringLiteral("cvtool17 made-by-entry"), dir.Path()));
    EXPECT_TRUE(WaitForFile(At(QStringLiteral("made-by-entry"))));
    QFile::remove(entry.fileName());
}

TEST_F(CommandRunnerTest, AProgramPartAloneIsOpenedAsADocument) {
    QStringList opened;
    runner.SetOpener([&](const QString& path) {
        opened.append(path);
        return true;
    });
    ASSERT_TRUE(dir.MakeFile("notes.txt", "x"));
    EXPECT_TRUE(runner.RunShellCommand(QStringLiteral("notes.txt"), dir.Path()));
    EXPECT_TRUE(runner.RunShellCommand(QStringLiteral("\"/some where/doc.pdf\""), dir.Path()));
    EXPECT_EQ(opened, (QStringList{At(QStringLiteral("notes.txt")), "/some where/doc.pdf"}));
    // With arguments nothing is opened; an unclosed quote fails at once.
    EXPECT_FALSE(runner.RunShellCommand(QStringLiteral("notes.txt now"), dir.Path()));
    EXPECT_FALSE(runner.RunShellCommand(QStringLiteral("\"notes.txt"), dir.Path()));
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(CommandRunnerTest, TheFirstRunNamesATerminalOfTheMachineAndWritesBothPreambles) {
    ASSERT_TRUE(dir.MakeFile("bin/gnome-terminal", "#!/bin/sh\n"));
    ASSERT_TRUE(dir.SetMode("bin/gnome-terminal", 0755));
    const QByteArray oldPath = qgetenv("PATH");
    const QByteArray oldTerminal = qgetenv("TERMINAL");
    qputenv("PATH", (dir.Path() + "/bin").toUtf8());
    qunsetenv("TERMINAL");
    const QString preamble = DefaultShellCommandPreamble();
    qputenv("PATH", oldPath);
    if (!oldTerminal.isNull())
        qputenv("TERMINAL", oldTerminal);
    EXPECT_TRUE(preamble.startsWith(QStringLiteral("gnome-terminal -- sh -c ")))
        << preamble.toStdString();
    EXPECT_TRUE(preamble.endsWith(u' '));

    const QString storePath = At(QStringLiteral("store.ini"));
    {
        ProfileStore store(storePath);
        runner.Load(store, kMax);
        EXPECT_FALSE(runner.dosPreamble().isEmpty());
        EXPECT_TRUE(runner.shellPreamble().isEmpty());
        ASSERT_TRUE(store.Flush());
    }
    ProfileStore written(storePath);
    EXPECT_TRUE(
        written.HasEntry(QStringLiteral("MainFrame Settings"), CommandRunnerKeys::kDosPreamble));
    EXPECT_TRUE(
        written.HasEntry(QStringLiteral("MainFrame Settings"), CommandRunnerKeys::kShellPreamble));

    // The user's own preamble is kept, even an empty one.
    written.WriteProfileString(QStringLiteral("MainFrame Settings"),
                               CommandRunnerKeys::kDosPreamble, QString());
    CommandRunner again;
    again.Load(written, kMax);
    EXPECT_TRUE(again.dosPreamble().isEmpty());
}

}  // namespace

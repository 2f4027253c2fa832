// The batch template's expansion: the documented examples, counters, codes
// without a value, and names that must never run as code when the script
// runs in the shell.

#include <gtest/gtest.h>

#include <QProcess>

#include "platform/namespace/NameCodec.h"
#include "support/TestDir.h"
#include "tools/BatchScript.h"

namespace {

std::vector<BatchItem> Items(const QStringList& names, const QString& folder = "/f") {
    std::vector<BatchItem> items;
    for (const QString& name : names) items.push_back({name, folder});
    return items;
}

QStringList Lines(const QString& script) {
    QStringList lines = script.split(u'\n');
    EXPECT_EQ(lines.takeLast(), QString()) << "every line ends with a line feed";
    EXPECT_EQ(lines.takeFirst(), "#!/bin/sh");
    EXPECT_EQ(lines.takeFirst(), "# Created automatically by Corvane");
    return lines;
}

const BatchPaths kPaths{"/left", "/right", "/right"};

TEST(BatchScript, TheDocumentedExamples) {
    EXPECT_EQ(Lines(GenerateBatchScript(ParseBatchTemplate("ren $N old_$N"),
                                        Items({"a.txt", "b.txt"}), kPaths)),
              QStringList({"ren a.txt old_a.txt", "ren b.txt old_b.txt"}));
    EXPECT_EQ(Lines(GenerateBatchScript(ParseBatchTemplate("copy $N $R , del $N x$1"),
                                        Items({"a", "b"}), kPaths)),
              QStringList({"copy a /right", "del a x1", "copy b /right", "del b x2"}))
        << "two lines per item, the counter stepping once per item";
    EXPECT_EQ(ExpandBatchEntry("$B|$E|$P|$L|$I", {"x.tar.gz", "/f"}, kPaths, 0),
              "x.tar|gz|/f|/left|/right");
}

TEST(BatchScript, Counters) {
    QStringList names;
    for (int i = 0; i < 12; ++i) names << QString::number(i);
    QStringList expected;
    for (int i = 1; i <= 12; ++i) expected << QString::asprintf("%02d", i);
    EXPECT_EQ(Lines(GenerateBatchScript({"$01"}, Items(names), kPaths)), expected);
    EXPECT_EQ(Lines(GenerateBatchScript({"$9"}, Items({"a", "b", "c"}), kPaths)),
              QStringList({"9", "10", "11"}));
    EXPECT_EQ(ExpandBatchEntry("$001", {"a", "/f"}, kPaths, 1000), "1001")
        << "a number that outgrows its digits is written in full";
}

TEST(BatchScript, CodesWithoutAValueStayAsWritten) {
    EXPECT_EQ(ExpandBatchEntry("x$E", {"README", "/f"}, kPaths, 0), "x$E");
    EXPECT_EQ(ExpandBatchEntry("x$E", {"trailing.", "/f"}, kPaths, 0), "x$E");
    EXPECT_EQ(ExpandBatchEntry("$B", {".profile", "/f"}, kPaths, 0), "$B");
    EXPECT_EQ(ExpandBatchEntry("$X $n $", {"a", "/f"}, kPaths, 0), "$X $n $")
        << "unknown and lower-case letters, a lone dollar";
}

TEST(BatchScript, TemplatesOfOnlyCommasAndBlanksHaveNoEntries) {
    EXPECT_TRUE(ParseBatchTemplate(" , ,\t,").isEmpty());
    EXPECT_EQ(ParseBatchTemplate(" a ,, b\t"), QStringList({"a", "b"}));
}

TEST(BatchScript, LongLinesAreNotCut) {
    const QString name(700, u'n');
    EXPECT_EQ(ExpandBatchEntry("echo $N", {name, "/f"}, kPaths, 0), "echo " + name);
}

TEST(BatchScript, QuotingFollowsTheTemplatesOwnQuotes) {
    const BatchItem item{"a b'c", "/f"};
    EXPECT_EQ(ExpandBatchEntry("cp $N x", item, kPaths, 0), R"(cp 'a b'\''c' x)");
    EXPECT_EQ(ExpandBatchEntry("cp '$N' x", item, kPaths, 0), R"(cp 'a b'\''c' x)");
    EXPECT_EQ(ExpandBatchEntry(R"(cp "$N" x)", {"$(x)`y`\"", "/f"}, kPaths, 0),
              R"(cp "\$(x)\`y\`\"" x)");
    EXPECT_EQ(ExpandBatchEntry("cp $N old_$N", {"-x", "/f"}, kPaths, 0), "cp ./-x old_-x")
        << "only a name that starts a word is kept from being an option";
    EXPECT_EQ(ExpandBatchEntry(R"(echo \$N "\$N" '\$N')", {"a b", "/f"}, kPaths, 0),
              R"(echo \$N "\$N" '\a b')")
        << "a backslash keeps a code literal, except inside single quotes";
}

// A value never goes on with what the template put before it: a "$" or a
// parameter's name, a "~", a reserved word where a command's name goes.
TEST(BatchScript, AValueNeverJoinsWhatStandsBeforeIt) {
    const BatchItem item{"abc", "/f"};
    EXPECT_EQ(ExpandBatchEntry("echo $$N", item, kPaths, 0), "echo $''abc");
    EXPECT_EQ(ExpandBatchEntry("echo $x$N", item, kPaths, 0), "echo $x''abc");
    EXPECT_EQ(ExpandBatchEntry(R"(echo "$x$1$N")", item, kPaths, 0), R"(echo "$x1""abc")")
        << "the counter's digits go on with the name, the value does not";
    EXPECT_EQ(ExpandBatchEntry("echo ~$N", {"root", "/f"}, kPaths, 0), "echo ~'root'");
    EXPECT_EQ(ExpandBatchEntry("$N x; echo $N", {"if", "/f"}, kPaths, 0), "'if' x; echo if");
}

// Runs the script made from `templateText` for the hostile names in a
// folder, then checks that every name was copied as itself and that no
// name ran as code.
void RunHostile(const QString& templateText) {
    TestDir source;
    TestDir target;
    const QStringList names = {
        "--x",       "$(touch P)", "'; touch P;'",  "line\nbreak",    "a b", "`touch P`", "-rf",
        "plain.txt", "%HOME%",     "nl\ntouch P #", "q\"uo\\te$HOME", "-"};
    for (const QString& name : names)
        ASSERT_TRUE(source.MakeFile(NameToBytes(name), NameToBytes(name) + " contents"));
    const BatchPaths paths{source.Path(), target.Path(), target.Path()};
    const QString script =
        GenerateBatchScript(ParseBatchTemplate(templateText), Items(names, source.Path()), paths);
    ASSERT_TRUE(source.MakeFile("script.sh", NameToBytes(script)));

    QProcess sh;
    sh.setWorkingDirectory(source.Path());
    sh.start("/bin/sh", {source.Path() + "/script.sh"});
    ASSERT_TRUE(sh.waitForFinished(20000));
    EXPECT_EQ(sh.exitCode(), 0) << templateText.toStdString() << "\n"
                                << sh.readAllStandardError().toStdString() << script.toStdString();
    for (const QString& name : names) {
        EXPECT_EQ(target.Read(NameToBytes(name)), NameToBytes(name) + " contents")
            << templateText.toStdString() << ": " << name.toStdString();
    }
    EXPECT_FALSE(source.Exists("P")) << "a name ran as code";
    EXPECT_FALSE(target.Exists("P"));
}

TEST(BatchScript, HostileNamesNeverRunAsCode) {
    RunHostile("cp $N $R");
    RunHostile("cp '$N' '$R'");
    RunHostile("cp \"$N\" \"$R/\"");
    RunHostile("cp $P/$N $I/$N");  // codes joined to text
}

TEST(BatchScript, HostileNamesInBackquotesSubstitutionsAndCommentsNeverRunAsCode) {
    // Inside backquotes within double quotes: the backquotes take one level
    // of backslashes away before their command is read.
    RunHostile("cp -- \"`basename $N`\" \"$R/\"");
    // A command substitution within double quotes, and one line per code.
    RunHostile("cp -- \"$(printf '%s' \"$N\")\" \"$R/\"");
    RunHostile("cd $P, cp -- $N \"$R/\"");
    // A comment ends at a line break: a name there must not end it.
    RunHostile("cp -- $N $R # copied $N");
    RunHostile("# $N, cp -- '$N' \"$R\"");
}

TEST(BatchScript, APlaceThatCannotBeQuotedIsRefused) {
    for (const QString& templateText :
         {QStringLiteral("cp ${X:-$N} $R"), QStringLiteral("echo $(( $N + 1 ))"),
          QStringLiteral("cat <<END >$R/list, $N, END"), QStringLiteral("echo `echo \\`$N\\``"),
          QStringLiteral("x=$(echo # $N), cp $N $R")}) {
        const QStringList entries = ParseBatchTemplate(templateText);
        EXPECT_FALSE(BatchTemplateIsSafe(entries)) << templateText.toStdString();
        bool refused = false;
        const QString script =
            GenerateBatchScript(entries, Items({"$(touch P)"}), kPaths, &refused);
        EXPECT_TRUE(refused) << templateText.toStdString();
        EXPECT_FALSE(script.contains("touch P")) << "the code stays as written, no name in it";
    }
    for (const QString& templateText :
         {QStringLiteral("cp $N ${HOME}/x"), QStringLiteral("echo $((1 + $1)) $N"),
          QStringLiteral("cp \"$N\" \"$R\" # done"), QStringLiteral("echo a\\\\, cp $N $R")}) {
        EXPECT_TRUE(BatchTemplateIsSafe(ParseBatchTemplate(templateText)))
            << templateText.toStdString();
    }
    // A line ending in an unpaired backslash runs on into the next one, where
    // a "comment" holding a name would become part of a command.
    const QStringList runOn = ParseBatchTemplate(QStringLiteral("cp $N $R/m\\, # $N"));
    ASSERT_EQ(runOn.size(), 2);
    EXPECT_FALSE(BatchTemplateIsSafe(runOn));
    bool refused = false;
    GenerateBatchScript(runOn, Items({"a"}), kPaths, &refused);
    EXPECT_TRUE(refused);
}

TEST(BatchScript, ShellQuote) {
    EXPECT_EQ(ShellQuote("/usr/bin/a-b_c.d"), "/usr/bin/a-b_c.d");
    EXPECT_EQ(ShellQuote(""), "''");
    EXPECT_EQ(ShellQuote("it's"), R"('it'\''s')");
}

}  // namespace

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QThread>
#include <cerrno>
#include <functional>

#include "platform/namespace/NameCodec.h"
#include "platform/process/Launch.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

QStringList List(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* item : items) out.append(QString::fromUtf8(item));
    return out;
}

// A launched program may start slowly on a loaded machine.
constexpr int kLaunchWaitMs = 15000;

// Sets an environment variable for the scope of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(SplitCommandLine, FollowsTheShellsQuoting) {
    struct Case {
        const char* line;
        QStringList expected;
    };
    const Case cases[] = {
        {"ls -l  /tmp", List({"ls", "-l", "/tmp"})},
        {"  \t\n ", {}},
        {"", {}},
        {"edit 'my file.txt'", List({"edit", "my file.txt"})},
        {"a 'it''s'", List({"a", "its"})},
        {"a '\\n \"x\" $HOME'", List({"a", "\\n \"x\" $HOME"})},
        {"a \"x \\\" \\\\ \\$ \\` \\n\"", List({"a", "x \" \\ $ ` \\n"})},
        {"a \"one\\\ntwo\"", List({"a", "onetwo"})},
        {"a b\\ c \\'d\\\"", List({"a", "b c", "'d\""})},
        {"a \\\n b", List({"a", "b"})},
        {"x'y'\"z\"w", List({"xyzw"})},
        {"a '' \"\" b", List({"a", "", "", "b"})},
        {"echo $HOME `id` *.txt ~ a|b;c>d",
         List({"echo", "$HOME", "`id`", "*.txt", "~", "a|b;c>d"})},
        {"trailing\\", List({"trailing\\"})},
        {"C:\\dir\\file", List({"C:dirfile"})},
    };
    for (const Case& c : cases) {
        const auto got = SplitCommandLine(QString::fromUtf8(c.line));
        ASSERT_TRUE(got.has_value()) << c.line;
        EXPECT_EQ(*got, c.expected) << c.line;
    }
    for (const char* broken : {"a 'open", "a \"open", "a \"esc\\\"", "'"})
        EXPECT_FALSE(SplitCommandLine(QString::fromUtf8(broken)).has_value()) << broken;
}

TEST(ExpandEnvironmentStrings, ReplacesKnownNamesAndKeepsTheRest) {
    ScopedEnv one("CORVANE_T_ONE", "1st");
    ScopedEnv empty("CORVANE_T_EMPTY", "");
    ScopedEnv path("CORVANE_T_PATH", "/srv/a b");
    qunsetenv("CORVANE_T_NONE");

    const auto expand = [](const char* text) {
        return ExpandEnvironmentStrings(QString::fromUtf8(text)).toStdString();
    };
    EXPECT_EQ(expand("x %CORVANE_T_ONE% y"), "x 1st y");
    EXPECT_EQ(expand("%CORVANE_T_ONE%%CORVANE_T_ONE%"), "1st1st");
    EXPECT_EQ(expand("[%CORVANE_T_EMPTY%]"), "[]");
    EXPECT_EQ(expand("edit \"%CORVANE_T_PATH%/f\""), "edit \"/srv/a b/f\"");
    EXPECT_EQ(expand("%CORVANE_T_NONE% stays"), "%CORVANE_T_NONE% stays");
    EXPECT_EQ(expand("%corvane_t_one%"), "%corvane_t_one%");  // names are case-sensitive
    EXPECT_EQ(expand("100%% done"), "100%% done");
    EXPECT_EQ(expand("50% off"), "50% off");
    EXPECT_EQ(expand("%CORVANE_T_NONE%CORVANE_T_ONE%"), "%CORVANE_T_NONE1st");
    EXPECT_EQ(expand("%A=B%"), "%A=B%");
    EXPECT_EQ(expand("no percent"), "no percent");
}

TEST(FindProgramOnPath, SearchesPathAndChecksPaths) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("bin/tool", "#!/bin/sh\n"));
    ASSERT_TRUE(dir.SetMode("bin/tool", 0755));
    ASSERT_TRUE(dir.MakeFile("bin/plain", "data"));
    ASSERT_TRUE(dir.MakeFile("other/tool", "#!/bin/sh\n"));
    ASSERT_TRUE(dir.SetMode("other/tool", 0755));
    ASSERT_TRUE(dir.MakeFolder("bin/folder"));
    const QString bin = dir.Path() + QStringLiteral("/bin");
    {
        ScopedEnv path("PATH", (bin + ":" + dir.Path() + "/other").toUtf8());
        EXPECT_EQ(FindProgramOnPath(QStringLiteral("tool")), bin + QStringLiteral("/tool"));
        EXPECT_FALSE(FindProgramOnPath(QStringLiteral("plain")));   // not executable
        EXPECT_FALSE(FindProgramOnPath(QStringLiteral("folder")));  // not a file
        EXPECT_FALSE(FindProgramOnPath(QStringLiteral("no-such-program-here")));
        EXPECT_FALSE(FindProgramOnPath(QString()));
    }
    // With a "/" the name is a path, never searched; relative to the base.
    EXPECT_EQ(FindProgramOnPath(QStringLiteral("bin/tool"), dir.Path()), bin + "/tool");
    EXPECT_EQ(FindProgramOnPath(QStringLiteral("./tool"), bin), bin + "/./tool");
    EXPECT_FALSE(FindProgramOnPath(QStringLiteral("./tool"), dir.Path()));
    EXPECT_FALSE(FindProgramOnPath(bin + "/plain"));
    EXPECT_EQ(FindProgramOnPath(QStringLiteral("/bin/sh")), QStringLiteral("/bin/sh"));
}

TEST(LaunchCommandLine, StartsTheProgramInTheWorkingDirectory) {
    TestDir dir;
    QString failure;
    ASSERT_TRUE(
        LaunchCommandLine(QStringLiteral("/bin/sh -c 'echo x > made.txt'"), dir.Path(), &failure))
        << failure.toStdString();
    ASSERT_TRUE(SpinFor([&] { return dir.Read("made.txt") == "x\n"; }, kLaunchWaitMs, 10));

    // Found on PATH, with an expanded argument holding a blank, and the
    // process's current directory as the default working directory.
    ScopedEnv target("CORVANE_T_TARGET", "with blank.txt");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.Path()));
    const bool started = LaunchCommandLine(
        QStringLiteral("sh -c 'echo \"$0\" > \"$0\"' \"%CORVANE_T_TARGET%\""), QString(), &failure);
    QDir::setCurrent(before);
    ASSERT_TRUE(started) << failure.toStdString();
    ASSERT_TRUE(SpinFor([&] { return dir.Read("with blank.txt") == "with blank.txt\n"; },
                        kLaunchWaitMs, 10));
}

TEST(LaunchCommandLine, ReportsFailuresTruthfully) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("notexec.sh", "#!/bin/sh\ntouch ran\n"));
    ASSERT_TRUE(dir.MakeFile("noshebang",
                             "\x7f"
                             "ELF garbage"));
    ASSERT_TRUE(dir.SetMode("noshebang", 0755));
    QString failure;
    EXPECT_FALSE(
        LaunchCommandLine(QStringLiteral("corvane-no-such-program --flag"), dir.Path(), &failure));
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_FALSE(LaunchCommandLine(QStringLiteral("./notexec.sh"), dir.Path()));
    EXPECT_FALSE(LaunchCommandLine(QStringLiteral("sh -c 'unclosed"), dir.Path()));
    EXPECT_FALSE(LaunchCommandLine(QStringLiteral("   "), dir.Path()));
    EXPECT_FALSE(LaunchCommandLine(QStringLiteral("''"), dir.Path()));
    // Found, but the kernel refuses to execute it: only the child learns it.
    EXPECT_FALSE(LaunchCommandLine(QStringLiteral("./noshebang"), dir.Path()));
    // A working directory that does not exist.
    EXPECT_FALSE(LaunchCommandLine(QStringLiteral("/bin/true"), dir.Path() + "/gone"));

    int error = 0;
    EXPECT_FALSE(StartDetachedProcess(dir.Path() + "/noshebang", {}, dir.Path(), &error));
    EXPECT_EQ(error, ENOEXEC);
    EXPECT_FALSE(
        StartDetachedProcess(QStringLiteral("/bin/true"), {}, dir.Path() + "/gone", &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(dir.Exists("ran"));
}

TEST(LaunchCommandLine, PassesNamesThatAreNotUtf8Unchanged) {
    TestDir dir;
    const QByteArray oddName("caf\xe9", 4);  // Latin-1, not valid UTF-8
    ASSERT_TRUE(dir.MakeFolder(oddName));
    const QString odd = NameFromBytes(dir.Join(oddName));
    ASSERT_TRUE(
        StartDetachedProcess(QStringLiteral("/bin/sh"),
                             {QStringLiteral("sh"), QStringLiteral("-c"),
                              QStringLiteral("pwd > \"$1/where\""), QStringLiteral("sh"), odd},
                             odd));
    ASSERT_TRUE(SpinFor([&] { return dir.Read(oddName + "/where") == dir.Join(oddName) + "\n"; },
                        kLaunchWaitMs, 10));
    // QTemporaryDir can't remove what it can't name.
    EXPECT_EQ(::unlink(dir.Join(oddName + "/where").constData()), 0);
    EXPECT_EQ(::rmdir(dir.Join(oddName).constData()), 0);
}

}  // namespace

#include <sys/stat.h>

#include <QCoreApplication>
#include <QThread>

#include "AppTestSupport.h"
#include "app/ExternalEditor.h"
#include "platform/namespace/NameCodec.h"
#include "platform/process/Launch.h"
#include "platform/ui/KeyState.h"
#include "support/ScriptedPrompter.h"
#include "support/Wait.h"

namespace {

struct EditorState {
    bool running = true;
    int closeRequests = 0;
};

class FakeEditor : public RunningEditor {
public:
    explicit FakeEditor(std::shared_ptr<EditorState> state) : m_state(std::move(state)) {}
    bool IsRunning() const override { return m_state->running; }
    void RequestClose() override { ++m_state->closeRequests; }

private:
    std::shared_ptr<EditorState> m_state;
};

// A file name that would break out of a carelessly quoted argument.
const QByteArray kHostileName = "it's \"a\" $HOME `id` %HOME% back\\slash.txt";

class OpenInEditorTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        InstallRecordingFrame();
        app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        app->SetEditorLauncher([this](const QString& path, bool viewOnly) {
            opened << QStringLiteral("%1 %2").arg(viewOnly ? "view" : "edit", path);
            auto state = std::make_shared<EditorState>();
            editors.push_back(state);
            return std::make_unique<FakeEditor>(state);
        });

        // The "editor" writes the arguments it was given, one a line, and
        // moves the result into place so a reader never sees half of it.
        ASSERT_TRUE(dir.MakeFile("bin/editor.sh",
                                 "#!/bin/sh\n"
                                 "out=\"$(dirname \"$0\")/../args.txt\"\n"
                                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done"
                                 " > \"$out.part\"\n"
                                 "mv \"$out.part\" \"$out\"\n"));
        ASSERT_TRUE(dir.SetMode("bin/editor.sh", 0755));
        ASSERT_TRUE(dir.MakeFile(kHostileName, "text"));
        target = NameFromBytes(dir.Join(kHostileName));
        qputenv("CORVANE_TEST_EDITOR_DIR", dir.Join("bin"));

        MutableGeneral().useExternalEditor = true;
        // The editor command may name environment variables; the file name's
        // "%HOME%" must not be expanded.
        MutableGeneral().externalEditorName = QStringLiteral("%CORVANE_TEST_EDITOR_DIR%/editor.sh");
    }
    void TearDown() override {
        qunsetenv("CORVANE_TEST_EDITOR_DIR");
        AppTest::TearDown();
    }

    // The arguments the external editor received, waited for with a deadline.
    QByteArray WaitForEditorArguments() {
        WaitFor([&] { return dir.Exists("args.txt"); });
        QByteArray contents = dir.Read("args.txt");
        ::unlink(dir.Join("args.txt").constData());
        return contents;
    }

    ScopedPrompter prompter;
    std::unique_ptr<CPanexApp> app;
    QStringList opened;
    std::vector<std::shared_ptr<EditorState>> editors;
    QString target;
};

}  // namespace

TEST(ExternalEditorRule, CtrlSwapsEditAndView) {
    EXPECT_TRUE(WantsExternalEditor(true, false, false));  // F4
    EXPECT_FALSE(WantsExternalEditor(true, false, true));  // Ctrl+F4
    EXPECT_FALSE(WantsExternalEditor(true, true, false));  // F3
    EXPECT_TRUE(WantsExternalEditor(true, true, true));    // Ctrl+F3
    EXPECT_FALSE(WantsExternalEditor(false, false, false));
    EXPECT_FALSE(WantsExternalEditor(false, true, true));
}

TEST(ExternalEditorRule, QuotedPathSplitsBackToItself) {
    for (const QString& path :
         {QStringLiteral("/plain"), QString::fromUtf8(kHostileName),
          QStringLiteral("a\"; rm -rf ~ \""), QStringLiteral("%PATH%"), QStringLiteral("end\\"),
          QStringLiteral("new\nline"), QStringLiteral("")}) {
        const QString line = ExternalEditorCommandLine(QStringLiteral("ed -x"), path);
        const auto split = SplitCommandLine(ExpandEnvironmentStrings(line));
        ASSERT_TRUE(split.has_value()) << line.toStdString();
        EXPECT_EQ(*split, (QStringList{QStringLiteral("ed"), QStringLiteral("-x"), path}))
            << line.toStdString();
    }
}

TEST_F(OpenInEditorTest, ExternalEditorGetsTheExactPathAsOneArgument) {
    {
        ScopedKeyState noKeys(Qt::NoModifier);
        EXPECT_TRUE(app->OpenInEditor(target, false));  // edit
        EXPECT_EQ(WaitForEditorArguments(), dir.Join(kHostileName) + '\n');
    }
    {
        ScopedKeyState ctrl(Qt::ControlModifier);
        EXPECT_TRUE(app->OpenInEditor(target, true));  // Ctrl+view
        EXPECT_EQ(WaitForEditorArguments(), dir.Join(kHostileName) + '\n');
    }
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();

    // A view without Ctrl and an edit with Ctrl use the internal editor.
    {
        ScopedKeyState noKeys(Qt::NoModifier);
        EXPECT_TRUE(app->OpenInEditor(target, true));
    }
    {
        ScopedKeyState ctrl(Qt::ControlModifier);
        EXPECT_TRUE(app->OpenInEditor(target, false));
    }
    EXPECT_EQ(opened, (QStringList{"view " + target, "edit " + target}));
    EXPECT_EQ(app->EditorCount(), 2u);
    EXPECT_TRUE(General().useExternalEditor);
}

TEST_F(OpenInEditorTest, FailedExternalEditorAsksWhetherToUseTheInternalOne) {
    ScopedKeyState noKeys(Qt::NoModifier);
    MutableGeneral().externalEditorName = QStringLiteral("/no/such/editor --flag");
    const QString question = QStringLiteral(
        "There was an error launching the external editor\n/no/such/editor --flag\n"
        "Use the internal applet instead?");

    // No: nothing opens, and the choice of editor stays.
    prompter->AnswerMessage(PromptAnswer::No);
    EXPECT_FALSE(app->OpenInEditor(target, false));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text, question);
    EXPECT_EQ(prompter->Requests()[0].buttons, PromptButtons::YesNo);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(General().useExternalEditor);

    // Yes: the internal editor opens, and the external one is switched off.
    prompter->AnswerMessage(PromptAnswer::Yes);
    EXPECT_TRUE(app->OpenInEditor(target, false));
    EXPECT_EQ(opened, QStringList{"edit " + target});
    EXPECT_FALSE(General().useExternalEditor);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_TRUE(prompter->Beeps().isEmpty());
}

TEST_F(OpenInEditorTest, WithoutAnInternalEditorItBeeps) {
    ScopedKeyState noKeys(Qt::NoModifier);
    app->SetEditorLauncher(nullptr);
    MutableGeneral().useExternalEditor = false;
    EXPECT_FALSE(app->OpenInEditor(target, true));
    EXPECT_EQ(prompter->Beeps(), QList<BeepKind>{BeepKind::Exclamation});

    // Also after a failed external start answered Yes.
    MutableGeneral().useExternalEditor = true;
    MutableGeneral().externalEditorName = QStringLiteral("/no/such/editor");
    prompter->AnswerMessage(PromptAnswer::Yes);
    EXPECT_FALSE(app->OpenInEditor(target, false));
    EXPECT_EQ(prompter->Beeps().size(), 2);

    // A launcher that fails beeps the same way.
    app->SetEditorLauncher([](const QString&, bool) { return std::unique_ptr<RunningEditor>(); });
    EXPECT_FALSE(app->OpenInEditor(target, true));
    EXPECT_EQ(prompter->Beeps().size(), 3);
    EXPECT_EQ(app->EditorCount(), 0u);
}

TEST_F(OpenInEditorTest, ClosedEditorsAreSweptAndOpenOnesAskedToCloseWithTheWindow) {
    MutableGeneral().useExternalEditor = false;
    ASSERT_TRUE(app->OpenInEditor(target, true));
    ASSERT_TRUE(app->OpenInEditor(target, false));
    ASSERT_EQ(editors.size(), 2u);

    editors[0]->running = false;
    app->OnIdle();
    EXPECT_EQ(app->EditorCount(), 1u);

    app->OnCloseMainWindow();
    EXPECT_EQ(editors[0]->closeRequests, 0);
    EXPECT_EQ(editors[1]->closeRequests, 1);
}

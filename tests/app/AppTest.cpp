#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AppTestSupport.h"
#include "platform/namespace/NameCodec.h"

namespace {

const QString kGeneral = GeneralSettings::kSection;

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file's lines without the one that holds `key`.
QList<QByteArray> LinesWithout(const QByteArray& contents, const QByteArray& key) {
    QList<QByteArray> lines;
    for (const QByteArray& line : contents.split('\n'))
        if (!line.startsWith(key + '='))
            lines.append(line);
    return lines;
}

}  // namespace

TEST_F(AppTest, StartUpRunsTheFrameHooksInOrder) {
    WriteStore(kMainFrameSection, QStringLiteral("szWindowRect"), QStringLiteral("10,20,410,320"));
    WriteStore(kMainFrameSection, QStringLiteral("bLeftPaneActive"), 0);
    WriteStore(kGeneral, QStringLiteral("bKeepTreeInSync"), 0);
    InstallRecordingFrame();

    auto app = MakeApp({"/s:work", "/left", "/right"});
    ASSERT_TRUE(app->InitInstance());
    EXPECT_EQ(log,
              (QStringList{QStringLiteral("Create"), QStringLiteral("ApplyPlacement 10,20,410,320"),
                           QStringLiteral("SetActivePane right"),
                           QStringLiteral("SyncTreeAtStart 0"), QStringLiteral("Show")}));
    EXPECT_EQ(app->Frame()->MainWindow()->geometry(), QRect(10, 20, 400, 300));
    EXPECT_TRUE(app->Frame()->MainWindow()->isVisible());
    EXPECT_EQ(app->ProfileName(), QStringLiteral("Corvanework"));
    EXPECT_EQ(app->StartFolders(),
              (QStringList{QStringLiteral("/left"), QStringLiteral("/right")}));
    EXPECT_TRUE(app->isNT);
    // The test's store file is used, not the profile's own.
    EXPECT_EQ(app->Store().FilePath(), StorePath());
    app->ExitInstance();
    EXPECT_EQ(app->Frame(), nullptr);
}

TEST_F(AppTest, WithoutAFrameNothingStartsAndNothingIsWritten) {
    WriteStore(kGeneral, QStringLiteral("nHistoryItems"), 20);
    const QByteArray before = ReadFile(StorePath());

    auto app = MakeApp();
    testing::internal::CaptureStderr();
    EXPECT_EQ(app->Run(), 1);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("no main window"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(StorePath()), before);

    // A frame that fails to create ends start-up the same way.
    InstallRecordingFrame(false);
    auto failing = MakeApp();
    testing::internal::CaptureStderr();
    EXPECT_EQ(failing->Run(), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, QStringList{QStringLiteral("Create")});
    EXPECT_EQ(ReadFile(StorePath()), before);
}

TEST_F(AppTest, GeneralSettingsAreClampedOnLoad) {
    struct Case {
        const char* key;
        QVariant stored;
        int expected;
    };
    const Case cases[] = {
        {"nHistoryItems", 1, 15},  {"nHistoryItems", 51, 15}, {"nHistoryItems", 2, 2},
        {"nHistoryItems", 50, 50}, {"eFileDateUzed", 3, 0},   {"eFileDateUzed", -1, 0},
        {"eFileDateUzed", 2, 2},
    };
    InstallRecordingFrame();
    for (const Case& c : cases) {
        QFile::remove(StorePath());
        WriteStore(kGeneral, QString::fromLatin1(c.key), c.stored);
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        const int loaded =
            QByteArray(c.key) == "nHistoryItems" ? General().historyItems : General().fileDateUsed;
        EXPECT_EQ(loaded, c.expected) << c.key << "=" << c.stored.toInt();
    }

    // An external editor without a command is off.
    QFile::remove(StorePath());
    WriteStore(kGeneral, QStringLiteral("bUzeExternalEditor"), 1);
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        EXPECT_FALSE(General().useExternalEditor);
    }
    WriteStore(kGeneral, QStringLiteral("szExternalEditorName"), QStringLiteral("gedit"));
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        EXPECT_TRUE(General().useExternalEditor);
    }
}

TEST_F(AppTest, SaveSettingsOffWritesOnlyThatKey) {
    WriteStore(kGeneral, QStringLiteral("bSaveSettings"), 1);
    WriteStore(kGeneral, QStringLiteral("nHistoryItems"), 20);
    WriteStore(kGeneral, QStringLiteral("szExternalEditorName"), QStringLiteral("my editor"));
    WriteStore(kMainFrameSection, QStringLiteral("szWindowRect"), QStringLiteral("1,2,303,204"));
    WriteStore(QStringLiteral("Grep Settings"), QStringLiteral("bMatchCase"), 1);
    const QByteArray before = ReadFile(StorePath());
    InstallRecordingFrame();

    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    bool subsystemSaved = false;
    bool frameSaverRan = false;
    app->RegisterSaver(SaverSlot::Grep, [&](ProfileStore& store) {
        subsystemSaved = true;
        store.WriteProfileInt(QStringLiteral("Grep Settings"), QStringLiteral("bMatchCase"), 0);
    });
    app->AddFrameSaver([&](ProfileStore&) { frameSaverRan = true; });

    // The user turns saving off during the run and changes other settings.
    MutableGeneral().saveSettings = false;
    MutableGeneral().historyItems = 40;
    app->Frame()->MainWindow()->setGeometry(300, 300, 500, 500);
    app->OnCloseMainWindow();
    app->ExitInstance();

    EXPECT_FALSE(subsystemSaved);
    EXPECT_FALSE(frameSaverRan);
    EXPECT_FALSE(log.contains(QStringLiteral("SaveFrameSettings")));
    const QByteArray after = ReadFile(StorePath());
    EXPECT_TRUE(after.contains("bSaveSettings=0")) << after.constData();
    EXPECT_EQ(LinesWithout(after, "bSaveSettings"), LinesWithout(before, "bSaveSettings"))
        << "before:\n"
        << before.constData() << "after:\n"
        << after.constData();
}

TEST_F(AppTest, SavingOnWritesKeysThenSaversInSlotOrder) {
    InstallRecordingFrame();
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());

    QStringList ran;
    bool keysWrittenFirst = false;
    // Registered out of order, and not every slot: only used subsystems save.
    app->RegisterSaver(SaverSlot::Editor, [&](ProfileStore&) { ran << "Editor"; });
    app->RegisterSaver(SaverSlot::FolderDataSettings, [&](ProfileStore&) { ran << "FolderData"; });
    app->RegisterSaver(SaverSlot::SelectionPatternHistory, [&](ProfileStore& store) {
        ran << "SelectionPattern";
        keysWrittenFirst = store.HasEntry(kGeneral, QStringLiteral("bSaveSettings")) &&
                           store.HasEntry(kGeneral, QStringLiteral("lvsExtendedStyle"));
    });
    app->RegisterSaver(SaverSlot::Grep, [&](ProfileStore&) { ran << "Grep"; });
    EXPECT_FALSE(app->Savers().IsRegistered(SaverSlot::TargetFolderHistory));

    // Frame savers run on closing, in the order they were added, after the
    // frame's own settings.
    app->AddFrameSaver([&](ProfileStore&) { log << "left pane"; });
    app->AddFrameSaver([&](ProfileStore&) { log << "right pane"; });
    app->Frame()->MainWindow()->setGeometry(70, 80, 320, 240);
    app->OnCloseMainWindow();
    EXPECT_EQ(log.mid(log.indexOf(QStringLiteral("SaveFrameSettings"))),
              (QStringList{"SaveFrameSettings", "left pane", "right pane"}));
    EXPECT_TRUE(ran.isEmpty());

    MutableGeneral().historyItems = 33;
    app->ExitInstance();
    EXPECT_EQ(ran, (QStringList{"SelectionPattern", "Grep", "FolderData", "Editor"}));
    EXPECT_TRUE(keysWrittenFirst);

    ProfileStore written(StorePath());
    EXPECT_EQ(written.GetProfileInt(kGeneral, QStringLiteral("nHistoryItems"), 0), 33);
    EXPECT_EQ(written.GetProfileInt(kGeneral, QStringLiteral("bSaveSettings"), 0), 1);
    EXPECT_EQ(written.GetProfileString(kMainFrameSection, QStringLiteral("szWindowRect")),
              QStringLiteral("70,80,390,320"));

    // Shut-down runs once.
    ran.clear();
    app->ExitInstance();
    EXPECT_TRUE(ran.isEmpty());
}

TEST_F(AppTest, GarbageStoreLoadsAsDefaultsAndIsRewrittenOnlyBySaving) {
    const char raw[] = "\xff\xfe\x00[[General Settings\n=nHistoryItems==\x01\x02\n[";
    const QByteArray garbage(raw, sizeof raw - 1);
    ASSERT_TRUE(dir.MakeFile("Corvane.ini", garbage));
    InstallRecordingFrame();

    {
        MutableGeneral().historyItems = 40;  // left over from before: must not survive
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        EXPECT_EQ(General().historyItems, 15);
        EXPECT_TRUE(General().saveSettings);
        EXPECT_TRUE(General().showHiddenFiles);
        EXPECT_EQ(General().listExtendedStyle, 16385);
        // Loading and running never touch the file.
        app->WriteWindowRect(QStringLiteral("Other"), {1, 2, 3, 4});
        EXPECT_EQ(dir.Read("Corvane.ini"), garbage);
        // Saving is switched off: only "bSaveSettings" is written, and the
        // unreadable original is kept aside first.
        MutableGeneral().saveSettings = false;
        app->ExitInstance();
    }
    ProfileStore written(StorePath());
    EXPECT_FALSE(written.IsDamaged());
    EXPECT_EQ(written.GetProfileInt(kGeneral, QStringLiteral("bSaveSettings"), 1), 0);
    EXPECT_FALSE(written.HasEntry(kGeneral, QStringLiteral("nHistoryItems")));
    EXPECT_EQ(ReadFile(StorePath() + QStringLiteral(".damaged")), garbage);
}

TEST_F(AppTest, StoreFileFromTheEnvironment) {
    const QString other = dir.Path() + QStringLiteral("/other.ini");
    {
        QSettings settings(other, QSettings::IniFormat);
        settings.setValue(QStringLiteral("General Settings/nHistoryItems"), 7);
    }
    qputenv(kProfileFileVariable, other.toUtf8());
    InstallRecordingFrame();
    int n = 1;
    char name[] = "corvane";
    char* argv[] = {name, nullptr};
    CPanexApp app(n, argv);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Store().FilePath(), other);
    EXPECT_EQ(General().historyItems, 7);
    qunsetenv(kProfileFileVariable);
}

TEST_F(AppTest, TemporaryFilePathsAreReusedAndDeletedAtExit) {
    const QByteArray oldTmp = qgetenv("TMPDIR");
    ASSERT_TRUE(dir.MakeFolder("tmp"));
    qputenv("TMPDIR", dir.Join("tmp"));
    InstallRecordingFrame();
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());

    const QString listing = app->GetDirListingPath();
    EXPECT_EQ(listing, QDir::tempPath() + QStringLiteral("/CvDirListing"));
    EXPECT_EQ(NameToBytes(listing), dir.Join("tmp/CvDirListing"));
    ASSERT_TRUE(dir.MakeFile("tmp/CvDirListing", "LISTING OF '/'\n"));
    const QString batch = app->GetTempBatchPath();
    EXPECT_EQ(NameToBytes(batch), dir.Join("tmp/CvTmpBatch.sh"));
    // Reused for the rest of the run, even if the temporary folder changes.
    qputenv("TMPDIR", dir.Join(""));
    EXPECT_EQ(app->GetDirListingPath(), listing);

    // The batch script path, made here too, is planted as a link to a file
    // of the user's: the exit removes the link, never what it points to.
    ASSERT_TRUE(dir.MakeFile("precious", "keep"));
    EXPECT_EQ(app->GetTempBatchPath(), batch);
    ASSERT_TRUE(QFile::link(dir.Path() + QStringLiteral("/precious"), batch));

    app->ExitInstance();
    EXPECT_FALSE(dir.Exists("tmp/CvDirListing"));
    EXPECT_FALSE(dir.Exists("tmp/CvTmpBatch.sh"));
    EXPECT_EQ(dir.Read("precious"), QByteArray("keep"));
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
}

#pragma once
// The one set-up of the whole program for the frame's tests: the real
// application object, main frame and panes over a temporary store (the
// application-object fixture's) with two temporary folders on its command
// line. What the folders hold is MakeFolders' to say; Start records the
// notices from then on, Launch leaves them to the frame's status bar.

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTest>
#include <memory>
#include <vector>

#include "app/AppTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CPanexApp.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"

class FrameFixture : public AppTest {
protected:
    struct Shown {
        QString text;
        bool alert;
    };

    void SetUp() override {
        // The active pane makes its folder the process's current directory;
        // the next tests must not find themselves in a removed folder.
        startDirectory = QDir::currentPath();
        AppTest::SetUp();
        InstallMainFrameFactory();
        leftPath = dir.Path() + QStringLiteral("/left");
        rightPath = dir.Path() + QStringLiteral("/right");
        MakeFolders();
    }
    void TearDown() override {
        Stop();
        AppTest::TearDown();
        QDir::setCurrent(startDirectory);
    }

    // The two folders' contents (ASSERT_* may be used).
    virtual void MakeFolders() {
        ASSERT_TRUE(dir.MakeFile("left/a1.txt", "1"));
        ASSERT_TRUE(dir.MakeFile("left/a2.txt", "22"));
        ASSERT_TRUE(dir.MakeFolder("left/sub"));
        ASSERT_TRUE(dir.MakeFile("right/b1.txt", "333"));
    }

    QVariant ReadStore(const QString& section, const QString& key) const {
        QSettings settings(StorePath(), QSettings::IniFormat);
        return settings.value(section + u'/' + key);
    }

    /// Makes the application with the two folders on its command line,
    /// without starting it.
    void MakeFrameApp() { app = MakeApp({leftPath.toUtf8(), rightPath.toUtf8()}); }

    /// Starts the application (made now unless MakeFrameApp made it) and
    /// shows its frame at 800 x 600; with `keepMaximised`, a frame that came
    /// back maximised stays so.
    CMainFrame* Launch(bool keepMaximised = false) {
        if (!app)
            MakeFrameApp();
        if (!app->InitInstance())
            return nullptr;
        frame = dynamic_cast<CMainFrame*>(app->Frame());
        if (!frame)
            return nullptr;
        if (!keepMaximised || !frame->isMaximized())
            frame->resize(800, 600);
        if (!QTest::qWaitForWindowExposed(frame))
            return nullptr;
        return frame;
    }

    /// Launches the program; notices are recorded from then on.
    CMainFrame* Start() {
        if (!Launch())
            return nullptr;
        // After the frame's own sink, which it restores when it goes.
        SetNoticeSink([this](const std::optional<QString>& text, bool alert) {
            if (text)
                notices.append({*text, alert});
        });
        return frame;
    }

    /// Closes the window as the user would and ends the run.
    void Stop() {
        if (!app)
            return;
        if (frame && frame->isVisible())
            frame->Commands().Execute(ID_APP_EXIT);
        app->ExitInstance();
        frame = nullptr;
        app.reset();
    }

    static QString FocusedName(const CPanexView* pane) {
        const int row = pane->List()->FocusedRow();
        const FolderItem* item = row >= 0 ? pane->List()->ItemAt(row) : nullptr;
        return item ? item->name : QString();
    }
    static QString FolderOf(const CPanexView* pane) {
        return pane && pane->Model() ? pane->Model()->path : QString();
    }
    bool HasNotice(const QString& text, bool alert) const {
        for (const Shown& shown : notices) {
            if (shown.text == text && shown.alert == alert)
                return true;
        }
        return false;
    }

    QString startDirectory;
    ScopedPrompter prompter;
    QString leftPath;
    QString rightPath;
    std::unique_ptr<CPanexApp> app;
    CMainFrame* frame = nullptr;
    QList<Shown> notices;
};

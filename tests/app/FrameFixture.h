#pragma once
// A running main frame over the real application object and panes, with a
// temporary store and two temporary folders on its command line, for the
// tests of the frame's bars. Notices are recorded.

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTest>
#include <memory>
#include <vector>

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

class FrameFixture : public ::testing::Test {
protected:
    struct Shown {
        QString text;
        bool alert;
    };

    void SetUp() override {
        // The active pane makes its folder the process's current directory;
        // the next tests must not find themselves in a removed folder.
        startDirectory = QDir::currentPath();
        MutableGeneral() = GeneralSettings();
        qunsetenv(kProfileFileVariable);
        InstallMainFrameFactory();
        ASSERT_TRUE(dir.MakeFile("left/a1.txt", "1"));
        ASSERT_TRUE(dir.MakeFile("left/a2.txt", "22"));
        ASSERT_TRUE(dir.MakeFolder("left/sub"));
        ASSERT_TRUE(dir.MakeFile("right/b1.txt", "333"));
        leftPath = dir.Path() + QStringLiteral("/left");
        rightPath = dir.Path() + QStringLiteral("/right");
    }
    void TearDown() override {
        Stop();
        SetFrameFactory(nullptr);
        QDir::setCurrent(startDirectory);
    }

    QString StorePath() const { return dir.Path() + QStringLiteral("/Corvane.ini"); }

    void WriteStore(const QString& section, const QString& key, const QVariant& value) {
        QSettings settings(StorePath(), QSettings::IniFormat);
        settings.setValue(section + u'/' + key, value);
        settings.sync();
    }
    QVariant ReadStore(const QString& section, const QString& key) const {
        QSettings settings(StorePath(), QSettings::IniFormat);
        return settings.value(section + u'/' + key);
    }

    /// Starts the program with the two folders; the frame shown at 800 x 600,
    /// notices recorded from then on.
    CMainFrame* Start() {
        argvStorage = {QByteArray("corvane"), leftPath.toUtf8(), rightPath.toUtf8()};
        argvPointers.clear();
        for (QByteArray& a : argvStorage) argvPointers.push_back(a.data());
        argvPointers.push_back(nullptr);
        argc = int(argvStorage.size());
        app = std::make_unique<CPanexApp>(argc, argvPointers.data(), StorePath());
        if (!app->InitInstance())
            return nullptr;
        frame = dynamic_cast<CMainFrame*>(app->Frame());
        if (!frame)
            return nullptr;
        frame->resize(800, 600);
        if (!QTest::qWaitForWindowExposed(frame))
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
    TestDir dir;
    QString leftPath;
    QString rightPath;
    std::unique_ptr<CPanexApp> app;
    CMainFrame* frame = nullptr;
    QList<Shown> notices;
    QList<QByteArray> argvStorage;
    std::vector<char*> argvPointers;
    int argc = 0;
};

#pragma once
// Shared pieces of the application-object tests: a main frame that records
// what start-up and closing ask of it, an editor that records how it was
// opened, a fixture that gives every test its own store file and fresh
// run-wide state, and one that shows the frame's status bar in a window.

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QSettings>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include "app/AppFrame.h"
#include "app/CMainStatusBar.h"
#include "app/CPanexApp.h"
#include "platform/store/ProfileStore.h"
#include "shell/GeneralSettings.h"
#include "support/TestDir.h"

/// A main frame with a real (offscreen) window that logs the hooks called.
class RecordingFrame : public AppFrame {
public:
    explicit RecordingFrame(QStringList* log, bool createSucceeds = true)
        : m_log(log), m_createSucceeds(createSucceeds) {}

    bool Create() override {
        m_log->append(QStringLiteral("Create"));
        if (!m_createSucceeds)
            return false;
        m_window = std::make_unique<QWidget>();
        m_window->setGeometry(40, 50, 600, 400);
        return true;
    }
    QWidget* MainWindow() const override { return m_window.get(); }
    void ApplyPlacement(const WindowPlacement& placement) override {
        m_log->append(QStringLiteral("ApplyPlacement %1").arg(FormatWindowRect(placement.normal)));
        AppFrame::ApplyPlacement(placement);
    }
    void SetActivePane(bool left) override {
        m_log->append(left ? QStringLiteral("SetActivePane left")
                           : QStringLiteral("SetActivePane right"));
    }
    void SyncTreeAtStart(bool keepTreeInSync) override {
        m_log->append(QStringLiteral("SyncTreeAtStart %1").arg(int(keepTreeInSync)));
    }
    void Show() override {
        m_log->append(QStringLiteral("Show"));
        m_window->show();
    }
    void SaveFrameSettings(ProfileStore& store) override {
        m_log->append(QStringLiteral("SaveFrameSettings"));
        WriteWindowRect(store, kMainFrameSection, WindowRect::FromQRect(m_window->geometry()));
    }

private:
    QStringList* m_log;
    bool m_createSucceeds;
    std::unique_ptr<QWidget> m_window;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        MutableGeneral() = GeneralSettings();
        SetFrameFactory(nullptr);
        qunsetenv(kProfileFileVariable);
    }
    void TearDown() override { SetFrameFactory(nullptr); }

    QString StorePath() const { return dir.Path() + QStringLiteral("/Corvane.ini"); }

    /// Writes entries the way the store's own file looks (QSettings' ini).
    void WriteStore(const QString& section, const QString& key, const QVariant& value) {
        QSettings settings(StorePath(), QSettings::IniFormat);
        settings.setValue(section + u'/' + key, value);
        settings.sync();
    }

    void InstallRecordingFrame(bool createSucceeds = true) {
        SetFrameFactory([this, createSucceeds](CPanexApp&) {
            return std::make_unique<RecordingFrame>(&log, createSucceeds);
        });
    }

    /// An application object over this test's store with these arguments.
    std::unique_ptr<CPanexApp> MakeApp(const QList<QByteArray>& arguments = {}) {
        argvStorage = {QByteArray("corvane")};
        argvStorage.append(arguments);
        argvPointers.clear();
        for (QByteArray& a : argvStorage) argvPointers.push_back(a.data());
        argvPointers.push_back(nullptr);
        argc = int(argvStorage.size());
        return std::make_unique<CPanexApp>(argc, argvPointers.data(), StorePath());
    }

    TestDir dir;
    QStringList log;
    QList<QByteArray> argvStorage;
    std::vector<char*> argvPointers;
    int argc = 0;
};

/// A shown main window whose status bar is the frame's, `width` pixels wide.
class StatusBarWindowTest : public ::testing::Test {
protected:
    explicit StatusBarWindowTest(int width = 800) : m_width(width) {}
    void SetUp() override {
        window.resize(m_width, 200);
        bar = new CMainStatusBar(&window);
        window.setStatusBar(bar);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QMainWindow window;
    CMainStatusBar* bar = nullptr;

private:
    int m_width;
};

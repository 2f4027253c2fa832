// Test entry point: a QApplication on the offscreen platform, with the home,
// configuration and data folders pointed into a temporary folder, so that no
// test can read or write the user's real settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifdef CORVANE_TEST_DESKTOP_NAMESPACE
#include "platform/desktop/DesktopNamespace.h"
#endif

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    const QByteArray root = home.path().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    qputenv("XDG_RUNTIME_DIR", root + "/run");
    QDir().mkpath(home.path() + "/run");
    QStandardPaths::setTestModeEnabled(true);

    QApplication app(argc, argv);
#ifdef CORVANE_TEST_DESKTOP_NAMESPACE
    InstallDesktopNamespace();
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

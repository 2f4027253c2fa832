#pragma once
// A test application for text files ("corvane-launch-viewer.desktop", the
// default for text/plain) that writes the path it was given into a mark
// file, so a test can see that a launch happened and with what. A suite
// that launches files registers the environment once:
//
//     const auto* const kApps =
//         ::testing::AddGlobalTestEnvironment(new LaunchViewerEnvironment);

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/fs/XdgDirs.h"

// Where the test applications leave their marks.
inline QTemporaryDir* g_marks = nullptr;

inline QByteArray MarkPath(const char* name) {
    return g_marks->path().toUtf8() + "/" + name;
}

inline bool WriteFile(const QByteArray& path, const QByteArray& contents) {
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(contents) == contents.size();
}

// An installed application for text files that writes the path it was given
// into its mark (atomically, so a reader never sees half of it).
inline QByteArray ViewerEntry(const QByteArray& mark) {
    return "[Desktop Entry]\nType=Application\nName=Corvane Launch Viewer\n"
           "Exec=sh -c 'echo \"$1\" > " +
           mark + ".tmp && mv " + mark + ".tmp " + mark + "' sh %f\nMimeType=text/plain;\n";
}

// The applications are installed before the first test, so GIO's first look
// at the applications folders already finds them.
class LaunchViewerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_marks = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/corvane-launch-XXXXXX"));
        const QByteArray apps = XdgDataHome() + "/applications";
        MakePathBytes(apps);
        WriteFile(apps + "/corvane-launch-viewer.desktop", ViewerEntry(MarkPath("viewer")));
        MakePathBytes(XdgConfigHome());
        WriteFile(XdgConfigHome() + "/mimeapps.list",
                  "[Default Applications]\ntext/plain=corvane-launch-viewer.desktop\n");
    }
    void TearDown() override {
        delete g_marks;
        g_marks = nullptr;
    }
};

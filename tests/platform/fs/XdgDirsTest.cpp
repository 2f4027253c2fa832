#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "platform/fs/Templates.h"
#include "platform/fs/XdgDirs.h"

namespace {

// Writes user-dirs.dirs for the test and removes it afterwards.
class UserDirs {
public:
    explicit UserDirs(const QByteArray& text) : m_path(XdgConfigHome() + "/user-dirs.dirs") {
        QDir().mkpath(QString::fromLocal8Bit(XdgConfigHome()));
        QFile file(QString::fromLocal8Bit(m_path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    ~UserDirs() { QFile::remove(QString::fromLocal8Bit(m_path)); }

private:
    QByteArray m_path;
};

}  // namespace

TEST(XdgDirs, OneReadingOfUserDirsForEveryCaller) {
    const QByteArray home = XdgHomeDir();
    {
        // A shell fragment: the last assignment wins, escapes are undone,
        // relative values are ignored.
        UserDirs dirs(
            "XDG_DOCUMENTS_DIR=\"$HOME/First\"\n"
            "# a comment\n"
            "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Papers\\\"\"\n"
            "XDG_MUSIC_DIR=\"relative/path\"\n"
            "XDG_PICTURES_DIR=\"/srv/pictures/\"\n");
        EXPECT_EQ(XdgUserDir("DOCUMENTS", "Documents"), home + "/My \"Papers\"");
        EXPECT_EQ(XdgUserDir("MUSIC", "Music"), home + "/Music");
        EXPECT_EQ(XdgUserDir("PICTURES", "Pictures"), "/srv/pictures");
        EXPECT_EQ(XdgUserDir("VIDEOS", "Videos"), home + "/Videos");
    }
    {
        // Templates set to the home folder are switched off, so the
        // background menu offers none rather than every file of home.
        UserDirs dirs("XDG_TEMPLATES_DIR=\"$HOME/\"\nXDG_DESKTOP_DIR=\"$HOME\"\n");
        EXPECT_EQ(XdgUserDir("TEMPLATES", "Templates"), home);
        EXPECT_TRUE(XdgUserDirSwitchedOff(XdgUserDir("TEMPLATES", "Templates")));
        EXPECT_TRUE(TemplatesDirectory().isEmpty());
        // The desktop set to home is simply home.
        EXPECT_EQ(DesktopDirectory(), HomeDirectory());
    }
    EXPECT_EQ(TemplatesDirectory(), home + "/Templates");
}

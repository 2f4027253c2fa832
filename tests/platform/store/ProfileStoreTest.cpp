#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>
#include <random>

#include "platform/store/ProfileStore.h"
#include "support/TestDir.h"

namespace {

const QString kSection = QStringLiteral("General Settings");

// Root reads a file of mode 000 anyway. For as long as it lives, this takes
// the two capabilities that allow it from the calling thread, so the
// unreadable-file case means the same for every user running the tests.
class ScopedFileAccessAsUser {
public:
    ScopedFileAccessAsUser() {
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~ScopedFileAccessAsUser() {
        if (m_active)
            ::syscall(SYS_capset, &m_header, m_saved);
    }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

class ProfileStoreTest : public ::testing::Test {
protected:
    QString StorePath() const { return dir.Path() + QStringLiteral("/Quorvelt Plc/Corvane.ini"); }
    QByteArray StoreBytes() const { return dir.Read("Quorvelt Plc/Corvane.ini"); }
    bool MakeStoreFile(const QByteArray& contents) {
        return dir.MakeFile("Quorvelt Plc/Corvane.ini", contents);
    }

    TestDir dir;
};

TEST_F(ProfileStoreTest, ValuesRoundTripThroughTheFile) {
    const QString autoText = QStringLiteral("AutoText Settings\\00");
    const QString unicodeSection = QStringLiteral("Réglages ✓ 設定");
    const QString unicodeKey = QStringLiteral("szNämé→ü");
    const QString longKey = QStringLiteral("n") + QString(600, QLatin1Char('K'));
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i) allBytes.append(char(i));
    const QString texts[] = {QStringLiteral("%-25s %10s %s\n"),
                             QStringLiteral("a, b,c"),
                             QStringLiteral("  padded  "),
                             QStringLiteral("@ByteArray(not binary)"),
                             QStringLiteral("semi;colon \"quoted\" #hash"),
                             QStringLiteral("Grüße aus Köln ✓"),
                             QString()};
    {
        ProfileStore store(StorePath());
        EXPECT_FALSE(store.IsDamaged());
        EXPECT_TRUE(store.WriteProfileInt(kSection, QStringLiteral("nMin"),
                                          std::numeric_limits<int>::min()));
        EXPECT_TRUE(store.WriteProfileInt(kSection, QStringLiteral("nMax"),
                                          std::numeric_limits<int>::max()));
        EXPECT_TRUE(store.WriteProfileInt(kSection, QStringLiteral("nZero"), 0));
        for (int i = 0; i < int(std::size(texts)); ++i) {
            EXPECT_TRUE(
                store.WriteProfileString(kSection, QStringLiteral("sz%1").arg(i), texts[i]));
        }
        EXPECT_TRUE(store.WriteProfileBinary(kSection, QStringLiteral("binAll"), allBytes));
        EXPECT_TRUE(store.WriteProfileBinary(kSection, QStringLiteral("binEmpty"), QByteArray()));
        EXPECT_TRUE(
            store.WriteProfileString(autoText, QStringLiteral("szText"), QStringLiteral("x")));
        EXPECT_TRUE(store.WriteProfileInt(unicodeSection, unicodeKey, 42));
        EXPECT_TRUE(store.WriteProfileInt(kSection, longKey, 7));

        // Pending values read back before anything is written.
        EXPECT_FALSE(QFileInfo::exists(StorePath()));
        EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nMin"), 1),
                  std::numeric_limits<int>::min());
        EXPECT_EQ(store.GetProfileString(kSection, QStringLiteral("sz0")), texts[0]);
        EXPECT_EQ(store.GetProfileBinary(kSection, QStringLiteral("binAll")), allBytes);
        EXPECT_TRUE(store.Flush());
        EXPECT_FALSE(store.HasPendingWrites());
    }

    ProfileStore reread(StorePath());
    EXPECT_FALSE(reread.IsDamaged());
    EXPECT_FALSE(reread.NeedsBackup());
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("nMin"), 1),
              std::numeric_limits<int>::min());
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("nMax"), 1),
              std::numeric_limits<int>::max());
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("nZero"), 1), 0);
    for (int i = 0; i < int(std::size(texts)); ++i) {
        EXPECT_EQ(reread.GetProfileString(kSection, QStringLiteral("sz%1").arg(i),
                                          QStringLiteral("default")),
                  texts[i])
            << i;
    }
    EXPECT_EQ(reread.GetProfileBinary(kSection, QStringLiteral("binAll")), allBytes);
    EXPECT_EQ(reread.GetProfileBinary(kSection, QStringLiteral("binEmpty")), QByteArray());
    // "\" in a section is a group separator, as "/" is.
    EXPECT_EQ(
        reread.GetProfileString(QStringLiteral("AutoText Settings/00"), QStringLiteral("szText")),
        QStringLiteral("x"));
    EXPECT_EQ(reread.GetProfileString(autoText, QStringLiteral("szText")), QStringLiteral("x"));
    EXPECT_EQ(reread.GetProfileInt(unicodeSection, unicodeKey, 0), 42);
    EXPECT_EQ(reread.GetProfileInt(kSection, longKey, 0), 7);
    EXPECT_TRUE(reread.HasEntry(kSection, QStringLiteral("binEmpty")));
    EXPECT_FALSE(reread.HasEntry(kSection, QStringLiteral("nMissing")));
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("nMissing"), -3), -3);
    EXPECT_EQ(reread.GetProfileBinary(kSection, QStringLiteral("nMissing")), std::nullopt);

    // Integers stay plain numbers a person can edit.
    const QByteArray file = StoreBytes();
    EXPECT_TRUE(file.contains("\nnMin=-2147483648\n")) << file.constData();
    EXPECT_TRUE(file.contains("\nnZero=0\n")) << file.constData();
}

TEST_F(ProfileStoreTest, WrongValuesReadAsDefaults) {
    const QByteArray longText(ProfileStore::kMaxTextLength + 1, 'x');
    const QByteArray okText(ProfileStore::kMaxTextLength, 'y');
    const QByteArray longBinary =
        "@ByteArray(" + QByteArray(ProfileStore::kMaxBinaryLength + 1, 'z') + ")";
    const QByteArray contents =
        "[General%20Settings]\n"
        "nGood= 42 \n"
        "nNegative=-2147483648\n"
        "nTooBig=2147483648\n"
        "nTooSmall=-2147483649\n"
        "nHuge=99999999999999999999\n"
        "nText=abc\n"
        "nTrailing=12abc\n"
        "nHex=0x10\n"
        "nFloat=1.5\n"
        "nList=1,2\n"
        "nEmpty=\n"
        "nBinary=@ByteArray(12)\n"
        "szLong=" +
        longText +
        "\n"
        "szLimit=" +
        okText +
        "\n"
        "szBinary=@ByteArray(abc)\n"
        "szList=a, b,c\n"
        "binText=plain text\n"
        "binLong=" +
        longBinary + "\n";
    ASSERT_TRUE(MakeStoreFile(contents));
    {
        ProfileStore store(StorePath());
        EXPECT_FALSE(store.IsDamaged());
        EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nGood"), 0), 42);
        EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nNegative"), 0),
                  std::numeric_limits<int>::min());
        for (const char* key : {"nTooBig", "nTooSmall", "nHuge", "nText", "nTrailing", "nHex",
                                "nFloat", "nList", "nEmpty", "nBinary"}) {
            EXPECT_EQ(store.GetProfileInt(kSection, QString::fromLatin1(key), 15), 15) << key;
        }
        EXPECT_EQ(store.GetProfileString(kSection, QStringLiteral("szLong"), QStringLiteral("d")),
                  QStringLiteral("d"));
        EXPECT_EQ(store.GetProfileString(kSection, QStringLiteral("szLimit")).size(),
                  ProfileStore::kMaxTextLength);
        EXPECT_EQ(store.GetProfileString(kSection, QStringLiteral("szBinary"), QStringLiteral("d")),
                  QStringLiteral("d"));
        EXPECT_EQ(store.GetProfileString(kSection, QStringLiteral("szList")),
                  QStringLiteral("a, b, c"));
        EXPECT_EQ(store.GetProfileString(kSection, QStringLiteral("nGood")), QStringLiteral("42"));
        EXPECT_EQ(store.GetProfileBinary(kSection, QStringLiteral("binText")), std::nullopt);
        EXPECT_EQ(store.GetProfileBinary(kSection, QStringLiteral("binLong")), std::nullopt);
        EXPECT_EQ(store.GetProfileBinary(kSection, QStringLiteral("nBinary")), QByteArray("12"));

        // Values that could never be read back are refused, not stored.
        EXPECT_FALSE(store.WriteProfileString(kSection, QStringLiteral("szNew"),
                                              QString(ProfileStore::kMaxTextLength + 1, 'n')));
        EXPECT_FALSE(store.WriteProfileBinary(kSection, QStringLiteral("binNew"),
                                              QByteArray(ProfileStore::kMaxBinaryLength + 1, 0)));
        EXPECT_FALSE(store.WriteProfileInt(kSection, QString(), 1));
        EXPECT_FALSE(store.HasPendingWrites());
    }
    EXPECT_EQ(StoreBytes(), contents);
}

TEST_F(ProfileStoreTest, GarbageFilesReadAsDefaultsAndStayUntouched) {
    std::mt19937 random(20240611);
    QByteArray noise;
    for (int i = 0; i < 8192; ++i) noise.append(char(random() & 0xff));
    const QByteArray garbage[] = {
        noise,
        "[General Settings]\nnHistoryItems=20\n" + noise,
        "[General Settings\nnHistoryItems=20\n",
        "[General%20Settings]\nnHistoryItems=20\n[unterminated\n",
        QByteArray("[General%20Settings]\nnHistoryItems=2") + '\0' + "0\n",
        "just some words\nwithout any equals sign\n[General%20Settings]\nnHistoryItems\n",
        "[General%20Settings]\nnHistoryItems=" + QByteArray(200000, '9') + "\n",
        "[General%20Settings]\nnHistoryItems=99999999999999999999\neFileDateUzed=abc\n"
        "szExternalEditorName=@Variant(garbage)\n",
    };
    for (const QByteArray& contents : garbage) {
        ASSERT_TRUE(MakeStoreFile(contents));
        {
            ProfileStore store(StorePath());
            EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 15)
                << contents.left(80).constData();
            EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("eFileDateUzed"), 0), 0);
            EXPECT_EQ(store.GetProfileString(kSection, QStringLiteral("szExternalEditorName")),
                      QString());
            EXPECT_EQ(store.GetProfileBinary(kSection, QStringLiteral("nHistoryItems")),
                      std::nullopt);
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(StoreBytes(), contents) << contents.left(80).constData();
        EXPECT_FALSE(dir.Exists("Quorvelt Plc/Corvane.ini.damaged"));
    }
}

TEST_F(ProfileStoreTest, NothingReachesTheFileBeforeFlush) {
    // QSettings syncs on its own from the event loop and when destroyed; the
    // store must not let it.
    const QByteArray contents = "[General%20Settings]\nnHistoryItems=20\n";
    ASSERT_TRUE(MakeStoreFile(contents));
    {
        ProfileStore store(StorePath());
        EXPECT_TRUE(store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30));
        EXPECT_TRUE(
            store.WriteProfileString(kSection, QStringLiteral("szNew"), QStringLiteral("v")));
        EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 30);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_EQ(StoreBytes(), contents);

    const QString absent = dir.Path() + QStringLiteral("/new/Corvane.ini");
    {
        ProfileStore store(absent);
        store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30);
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(QFileInfo::exists(absent));
    EXPECT_FALSE(dir.Exists("new"));

    // Flush creates the missing folders.
    ProfileStore store(absent);
    store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30);
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(ProfileStore(absent).GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15),
              30);
}

TEST_F(ProfileStoreTest, FlushKeepsOtherEntriesIncludingThoseOfAnotherInstance) {
    ASSERT_TRUE(
        MakeStoreFile("[General%20Settings]\nnHistoryItems=20\nbAutoReSort=1\n"
                      "[MainFrame%20Settings]\nszWindowRect=\"1,2,3,4\"\n"));
    ASSERT_TRUE(dir.SetMode("Quorvelt Plc/Corvane.ini", 0600));
    ProfileStore first(StorePath());
    EXPECT_FALSE(first.NeedsBackup());
    ProfileStore second(StorePath());
    second.WriteProfileInt(QStringLiteral("Grep Settings"), QStringLiteral("bCase"), 1);
    ASSERT_TRUE(second.Flush());

    first.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 25);
    ASSERT_TRUE(first.Flush());

    ProfileStore reread(StorePath());
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 25);
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("bAutoReSort"), 0), 1);
    EXPECT_EQ(reread.GetProfileString(QStringLiteral("MainFrame Settings"),
                                      QStringLiteral("szWindowRect")),
              QStringLiteral("1,2,3,4"));
    EXPECT_EQ(reread.GetProfileInt(QStringLiteral("Grep Settings"), QStringLiteral("bCase"), 0), 1);
    struct stat st;
    ASSERT_EQ(::stat(StorePath().toUtf8().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_FALSE(dir.Exists("Quorvelt Plc/Corvane.ini.damaged"));
    // No scratch or lock files are left beside the store.
    EXPECT_EQ(QDir(dir.Path() + QStringLiteral("/Quorvelt Plc"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Corvane.ini")});
}

TEST_F(ProfileStoreTest, AFileReplacedWithTheSameSizeAndTimeReadsAsItsNewSelf) {
    // A rewrite within the same millisecond that happens to keep the size
    // looks unchanged by size and time; the new contents must still be read.
    ASSERT_TRUE(MakeStoreFile("[General%20Settings]\nnHistoryItems=20\n"));
    const QFileInfo before(StorePath());
    const QDateTime stamp = before.lastModified();
    {
        ProfileStore first(StorePath());
        ASSERT_EQ(first.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 0), 20);
    }
    ASSERT_TRUE(MakeStoreFile("[General%20Settings]\nnHistoryItems=35\n"));
    QFile file(StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();
    ASSERT_EQ(QFileInfo(StorePath()).size(), before.size());

    ProfileStore second(StorePath());
    EXPECT_EQ(second.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 0), 35);
    // And the store's own flush reads back what it wrote, whatever the clock.
    ASSERT_TRUE(second.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 36));
    ASSERT_TRUE(second.Flush());
    EXPECT_EQ(second.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 0), 36);
}

TEST_F(ProfileStoreTest, AFileQtParsesOnlyOnceWithAnErrorIsStillKeptAside) {
    // Qt reports a format error only to the first reader of a file; the look
    // taken again at flush time must not forget that the file needed a copy.
    const QByteArray odd("[##;\x03;\x03]", 8);
    ASSERT_TRUE(MakeStoreFile(odd));
    ProfileStore store(StorePath());
    ASSERT_TRUE(store.NeedsBackup());
    ASSERT_TRUE(store.WriteProfileString(QStringLiteral("Fuzz Check"), QStringLiteral("value"),
                                         QStringLiteral("x")));
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(dir.Read("Quorvelt Plc/Corvane.ini.damaged"), odd);
}

TEST_F(ProfileStoreTest, FlushingADamagedFileKeepsTheOriginalAside) {
    const QByteArray damaged = "[General%20Settings]\nnHistoryItems=20\n[unterminated\n\xff\xfe";
    ASSERT_TRUE(MakeStoreFile(damaged));
    ProfileStore store(StorePath());
    EXPECT_TRUE(store.IsDamaged());
    EXPECT_EQ(store.DamagedBackupPath(), StorePath() + QStringLiteral(".damaged"));
    store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30);
    ASSERT_TRUE(store.Flush());
    EXPECT_FALSE(store.IsDamaged());
    EXPECT_EQ(dir.Read("Quorvelt Plc/Corvane.ini.damaged"), damaged);
    {
        ProfileStore reread(StorePath());
        EXPECT_FALSE(reread.IsDamaged());
        EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 30);
    }
    // A later flush of the now sound file makes no second copy.
    store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 31);
    ASSERT_TRUE(store.Flush());
    EXPECT_FALSE(dir.Exists("Quorvelt Plc/Corvane.ini.damaged.1"));

    // The file goes bad again: the first backup is never replaced.
    const QByteArray damagedAgain = "[oops\n";
    ASSERT_TRUE(MakeStoreFile(damagedAgain));
    ProfileStore again(StorePath());
    EXPECT_TRUE(again.IsDamaged());
    again.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 40);
    ASSERT_TRUE(again.Flush());
    EXPECT_EQ(again.DamagedBackupPath(), StorePath() + QStringLiteral(".damaged.1"));
    EXPECT_EQ(dir.Read("Quorvelt Plc/Corvane.ini.damaged"), damaged);
    EXPECT_EQ(dir.Read("Quorvelt Plc/Corvane.ini.damaged.1"), damagedAgain);
    EXPECT_EQ(
        ProfileStore(StorePath()).GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 40);
}

TEST_F(ProfileStoreTest, ARewriteThatWouldDropLinesBacksUpFirst) {
    // Readable, so its entries count; but comments and stray lines would not
    // survive a rewrite.
    const QByteArray commented =
        "; my own notes\n[General%20Settings]\nnHistoryItems=20\n"
        "a line a person typed\nnHistoryItems=21\n";
    ASSERT_TRUE(MakeStoreFile(commented));
    ProfileStore store(StorePath());
    EXPECT_FALSE(store.IsDamaged());
    EXPECT_TRUE(store.NeedsBackup());
    EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 21);
    store.WriteProfileInt(kSection, QStringLiteral("eFileDateUzed"), 1);
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(dir.Read("Quorvelt Plc/Corvane.ini.damaged"), commented);
    ProfileStore reread(StorePath());
    EXPECT_FALSE(reread.NeedsBackup());
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 21);
    EXPECT_EQ(reread.GetProfileInt(kSection, QStringLiteral("eFileDateUzed"), 0), 1);
}

TEST_F(ProfileStoreTest, UnreadableFileReadsDefaultsAndIsNeverOverwritten) {
    const QByteArray contents = "[General%20Settings]\nnHistoryItems=20\n";
    ASSERT_TRUE(MakeStoreFile(contents));
    ASSERT_TRUE(dir.SetMode("Quorvelt Plc/Corvane.ini", 0));
    {
        ScopedFileAccessAsUser asUser;
        QFile probe(StorePath());
        ASSERT_FALSE(probe.open(QIODevice::ReadOnly)) << "the test can't make a file unreadable";

        ProfileStore store(StorePath());
        EXPECT_TRUE(store.IsDamaged());
        EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 15);
        store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30);
        EXPECT_FALSE(store.Flush());
        EXPECT_TRUE(store.HasPendingWrites());
        EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 30);
    }
    ASSERT_TRUE(dir.SetMode("Quorvelt Plc/Corvane.ini", 0644));
    EXPECT_EQ(StoreBytes(), contents);
    EXPECT_FALSE(dir.Exists("Quorvelt Plc/Corvane.ini.damaged"));
}

TEST_F(ProfileStoreTest, SomethingElseInThePlaceOfTheFileIsLeftAlone) {
    // A folder and a FIFO: neither is read (a FIFO would block) nor replaced.
    ASSERT_TRUE(dir.MakeFolder("Quorvelt Plc/Corvane.ini/inside"));
    {
        ProfileStore store(StorePath());
        EXPECT_TRUE(store.IsDamaged());
        EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 15);
        store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30);
        EXPECT_FALSE(store.Flush());
    }
    EXPECT_TRUE(dir.Exists("Quorvelt Plc/Corvane.ini/inside"));

    const QString fifo = dir.Path() + QStringLiteral("/fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0644), 0);
    ProfileStore store(fifo);
    EXPECT_TRUE(store.IsDamaged());
    store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30);
    EXPECT_FALSE(store.Flush());
    struct stat st;
    ASSERT_EQ(::lstat(fifo.toUtf8().constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ProfileStoreTest, FlushWritesThroughASymbolicLink) {
    ASSERT_TRUE(dir.MakeFile("dotfiles/corvane.ini", "[General%20Settings]\nnHistoryItems=20\n"));
    ASSERT_TRUE(dir.MakeSymlink("Quorvelt Plc/Corvane.ini", dir.Join("dotfiles/corvane.ini")));
    ProfileStore store(StorePath());
    EXPECT_EQ(store.GetProfileInt(kSection, QStringLiteral("nHistoryItems"), 15), 20);
    store.WriteProfileInt(kSection, QStringLiteral("nHistoryItems"), 30);
    ASSERT_TRUE(store.Flush());
    EXPECT_TRUE(QFileInfo(StorePath()).isSymLink());
    EXPECT_TRUE(dir.Read("dotfiles/corvane.ini").contains("nHistoryItems=30"));
}

TEST_F(ProfileStoreTest, DefaultFilePathFollowsXdgConfigHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    EXPECT_EQ(
        ProfileStore::DefaultFilePath(QStringLiteral("Quorvelt Plc"), QStringLiteral("Corvane")),
        QStringLiteral("/somewhere/config/Quorvelt Plc/Corvane.ini"));
    EXPECT_EQ(ProfileStore::DefaultFilePath(QStringLiteral("Quorvelt Plc"),
                                            QStringLiteral("Corvane../../x")),
              QStringLiteral("/somewhere/config/Quorvelt Plc/Corvane.._.._x.ini"));
    qputenv("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(
        ProfileStore::DefaultFilePath(QStringLiteral("Quorvelt Plc"), QStringLiteral("Corvane2")),
        QDir::homePath() + QStringLiteral("/.config/Quorvelt Plc/Corvane2.ini"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(
        ProfileStore::DefaultFilePath(QStringLiteral("Quorvelt Plc"), QStringLiteral("Corvane")),
        QDir::homePath() + QStringLiteral("/.config/Quorvelt Plc/Corvane.ini"));
    qputenv("XDG_CONFIG_HOME", saved);
}

}  // namespace

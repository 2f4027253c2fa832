#include <gtest/gtest.h>

#include "platform/remote/RemoteUri.h"

namespace {

const QByteArray kBridge = "/run/user/1000/gvfs";
const QByteArray kSftpFolder = kBridge + "/sftp:host=example.org,port=2222,user=ann";

RemoteMap ExampleMap() {
    return RemoteMap(
        {{QStringLiteral("sftp://ann@example.org:2222/"), kSftpFolder,
          QStringLiteral("ann on example.org")},
         {QStringLiteral("smb://files/docs/"), kBridge + "/smb-share:server=files,share=docs",
          QStringLiteral("docs on files")},
         // Mounted without the FUSE bridge: no local path.
         {QStringLiteral("ftp://ftp.example.org/"), QByteArray(), QStringLiteral("ftp")}},
        kBridge);
}

}  // namespace

TEST(RemoteUri, ParsesTheAddressesUsersType) {
    const auto sftp = ParseRemoteUri(QStringLiteral("  SFTP://ann@Example.org:2222/home/ann  "));
    ASSERT_TRUE(sftp);
    EXPECT_EQ(sftp->scheme, QStringLiteral("sftp"));
    EXPECT_EQ(sftp->user, QStringLiteral("ann"));
    EXPECT_EQ(sftp->host.toLower(), QStringLiteral("example.org"));
    EXPECT_EQ(sftp->port, 2222);
    EXPECT_EQ(sftp->path, QByteArray("/home/ann"));

    // No path is the server's root; escapes give the name's bytes, also
    // bytes that are not UTF-8.
    const auto bare = ParseRemoteUri(QStringLiteral("smb://server"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->path, QByteArray("/"));
    EXPECT_EQ(bare->port, 0);
    const auto odd = ParseRemoteUri(QStringLiteral("ftp://h/a%20b/%FF%23x"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->path, QByteArray("/a b/\xff#x"));

    EXPECT_TRUE(IsRemoteUri(QStringLiteral("davs://h/")));
    EXPECT_FALSE(IsRemoteUri(QStringLiteral("sftpx://h/")));
    EXPECT_FALSE(IsRemoteUri(QStringLiteral("/home/ann")));
}

TEST(RemoteUri, RefusesWhatNamesNoServer) {
    for (const char* text : {"file:///etc", "http://example.org/", "sftp://", "sftp:///path",
                             "sftp://h:70000/", "sftp://h/a\tb", "sftp:/h/x", "", "sftp://h/%00"}) {
        EXPECT_FALSE(ParseRemoteUri(QString::fromLatin1(text))) << text;
    }
}

TEST(RemoteUri, WritesAddressesBackWithTheirEscapes) {
    RemoteAddress a;
    a.scheme = QStringLiteral("sftp");
    a.user = QStringLiteral("ann");
    a.host = QStringLiteral("::1");
    a.port = 22;
    a.path = "/with space/100%/q?#\xff";
    const QString uri = a.ToUri();
    EXPECT_EQ(uri, QStringLiteral("sftp://ann@[::1]:22/with%20space/100%25/q%3F%23%FF"));
    // What is written reads back as the same address.
    const auto again = ParseRemoteUri(uri);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->path, a.path);
    EXPECT_EQ(again->host, a.host);
}

TEST(RemoteUri, NamesTheLocationOfEachBridgeFolder) {
    EXPECT_EQ(UriOfFuseFolder("sftp:host=example.org,port=2222,user=ann"),
              QStringLiteral("sftp://ann@example.org:2222/"));
    EXPECT_EQ(UriOfFuseFolder("sftp:host=example.org"), QStringLiteral("sftp://example.org/"));
    EXPECT_EQ(UriOfFuseFolder("smb-share:domain=WORK,server=files,share=my%20docs,user=bob"),
              QStringLiteral("smb://WORK;bob@files/my%20docs/"));
    EXPECT_EQ(UriOfFuseFolder("dav:host=h,port=8443,prefix=%2Fremote.php%2Fdav,ssl=true"),
              QStringLiteral("davs://h:8443/remote.php/dav/"));
    EXPECT_EQ(UriOfFuseFolder("dav:host=h,ssl=false"), QStringLiteral("dav://h/"));
    EXPECT_FALSE(UriOfFuseFolder("trash:"));
    EXPECT_FALSE(UriOfFuseFolder("sftp:user=ann"));
    EXPECT_FALSE(UriOfFuseFolder("no-colon"));
}

TEST(RemoteMap, GivesTheLocalPathOfAMountedLocation) {
    const RemoteMap map = ExampleMap();
    EXPECT_EQ(map.LocalPathOf(QStringLiteral("sftp://ann@example.org:2222/home/ann/a%20b")),
              kSftpFolder + "/home/ann/a b");
    EXPECT_EQ(map.LocalPathOf(QStringLiteral("sftp://ann@example.org:2222/")), kSftpFolder);
    EXPECT_EQ(map.LocalPathOf(QStringLiteral("sftp://ann@EXAMPLE.org:2222/tmp/")),
              kSftpFolder + "/tmp");
    // A share's root is the share, not the server.
    EXPECT_EQ(map.LocalPathOf(QStringLiteral("smb://files/docs/x")),
              kBridge + "/smb-share:server=files,share=docs/x");
    EXPECT_FALSE(map.LocalPathOf(QStringLiteral("smb://files/docsother/x")));
    // Another user, port or host is another mount.
    EXPECT_FALSE(map.LocalPathOf(QStringLiteral("sftp://bob@example.org:2222/home")));
    EXPECT_FALSE(map.LocalPathOf(QStringLiteral("sftp://ann@example.org/home")));
    EXPECT_FALSE(map.LocalPathOf(QStringLiteral("sftp://ann@other.org:2222/home")));
    // Mounted, but GVfs gives no local path.
    EXPECT_FALSE(map.LocalPathOf(QStringLiteral("ftp://ftp.example.org/pub")));
    EXPECT_TRUE(map.RootOfUri(QStringLiteral("ftp://ftp.example.org/pub")));
}

TEST(RemoteMap, TheDefaultPortIsTheSameServer) {
    const RemoteMap map({{QStringLiteral("sftp://h/"), "/b/sftp:host=h", QString()}}, "/b");
    EXPECT_EQ(map.LocalPathOf(QStringLiteral("sftp://h:22/etc")), QByteArray("/b/sftp:host=h/etc"));
    EXPECT_FALSE(map.LocalPathOf(QStringLiteral("sftp://h:2222/etc")));
}

TEST(RemoteMap, ShowsLocalPathsAsTheirUris) {
    const RemoteMap map = ExampleMap();
    EXPECT_EQ(map.UriOf(kSftpFolder + "/home/ann/a b"),
              QStringLiteral("sftp://ann@example.org:2222/home/ann/a%20b"));
    EXPECT_EQ(map.UriOf(kSftpFolder), QStringLiteral("sftp://ann@example.org:2222/"));
    // A bridge folder no mount names yet is read from its name.
    EXPECT_EQ(map.UriOf(kBridge + "/sftp:host=10.0.0.9,user=root/etc"),
              QStringLiteral("sftp://root@10.0.0.9/etc"));
    // A folder whose name only starts like a mount's is not on it: it is
    // another user's.
    EXPECT_EQ(map.UriOf(kSftpFolder + "x/etc"), QStringLiteral("sftp://annx@example.org:2222/etc"));
    EXPECT_EQ(map.UriOf(kBridge), std::nullopt);
    EXPECT_EQ(map.UriOf("/home/ann"), std::nullopt);

    EXPECT_EQ(DisplayLocation(map, QStringLiteral("/home/ann")), QStringLiteral("/home/ann"));
    EXPECT_EQ(DisplayLocation(map, QStringLiteral("::Network")), QStringLiteral("::Network"));
    EXPECT_EQ(DisplayLocation(map, QString::fromUtf8(kSftpFolder + "/srv")),
              QStringLiteral("sftp://ann@example.org:2222/srv"));
}

TEST(RemoteMap, PathsAndUrisRoundTrip) {
    const RemoteMap map = ExampleMap();
    for (const QByteArray& rest :
         {QByteArray("/plain"), QByteArray("/with space/and%percent"), QByteArray("/q?h#f"),
          QByteArray("/\xff\xfe not utf8"), QByteArray("/deep/er/still")}) {
        const QByteArray local = kSftpFolder + rest;
        const std::optional<QString> uri = map.UriOf(local);
        ASSERT_TRUE(uri) << rest.constData();
        EXPECT_EQ(map.LocalPathOf(*uri), local) << uri->toStdString();
    }
}

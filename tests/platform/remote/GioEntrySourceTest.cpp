// A folder's entries read through GIO: the data must be what a stat of each
// path gives, whatever GIO's backend tells or leaves out, and the readers
// that ask an entry source must list exactly what it gives.
#include <fcntl.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QUrl>
#include <map>

#include "platform/fs/EntrySource.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/remote/GioEntrySource.h"
#include "support/TestDir.h"

namespace {

QString UriOf(const QByteArray& path) {
    char* uri = g_filename_to_uri(path.constData(), nullptr, nullptr);
    const QString out = QString::fromUtf8(uri);
    g_free(uri);
    return out;
}

std::map<QByteArray, FileSystemItemData> ReadAll(EntrySource& source, int batch, int* calls) {
    std::map<QByteArray, FileSystemItemData> out;
    std::vector<FileSystemItemData> entries;
    while (source.Next(entries, batch)) {
        ++*calls;
        for (FileSystemItemData& data : entries) out.emplace(data.name, std::move(data));
        entries.clear();
    }
    return out;
}

struct InfoDeleter {
    void operator()(GFileInfo* info) const { g_object_unref(info); }
};
using Info = std::unique_ptr<GFileInfo, InfoDeleter>;

Info NamedInfo(const char* name, GFileType type) {
    Info info(g_file_info_new());
    g_file_info_set_name(info.get(), name);
    g_file_info_set_file_type(info.get(), type);
    return info;
}

}  // namespace

// Every kind of entry a folder holds comes with the type, permissions, size
// and times a stat without following links gives: links stay links (also to
// a folder, also dangling), folders have size 0, names that are not UTF-8
// keep their bytes, times keep their nanoseconds. Small batches lose no
// entry at their seams.
TEST(GioEntrySource, GivesWhatAStatOfEachPathGives) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("plain.txt", "twelve bytes", 1600000000));
    ASSERT_TRUE(dir.MakeFile("bad-\xff\xfe-bytes", "x"));
    ASSERT_TRUE(dir.MakeFile(".hidden", "hidden"));
    ASSERT_TRUE(dir.MakeFile("locked", "secret"));
    ASSERT_TRUE(dir.SetMode("locked", 0600));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(dir.MakeFile("sub/inside", "not listed"));
    ASSERT_TRUE(dir.MakeSymlink("to-folder", "sub"));
    ASSERT_TRUE(dir.MakeSymlink("dangling", "nowhere"));
    ASSERT_EQ(::mkfifo(dir.Join("pipe").constData(), 0640), 0);

    const std::unique_ptr<EntrySource> source = OpenGioEntrySource(UriOf(dir.PathBytes()));
    ASSERT_TRUE(source);
    int calls = 0;
    const auto got = ReadAll(*source, 2, &calls);
    EXPECT_GE(calls, 4) << "nine entries in batches of two";
    EXPECT_EQ(source->Error(), 0);
    std::vector<FileSystemItemData> after;
    EXPECT_FALSE(source->Next(after, 2)) << "the end stays the end";
    EXPECT_TRUE(after.empty());

    const std::optional<std::vector<QByteArray>> names = DirectoryNames(dir.PathBytes());
    ASSERT_TRUE(names);
    ASSERT_EQ(got.size(), names->size());
    const UniqueFd folder(::open(dir.PathBytes().constData(), O_RDONLY | O_DIRECTORY));
    for (const QByteArray& name : *names) {
        SCOPED_TRACE(name.toStdString());
        const auto it = got.find(name);
        ASSERT_NE(it, got.end());
        const std::optional<FileSystemItemData> stat = StatEntryAt(folder.get(), name);
        ASSERT_TRUE(stat);
        EXPECT_EQ(it->second.mode, stat->mode);
        EXPECT_EQ(it->second.size, stat->size);
        EXPECT_EQ(it->second.times[kTimeModified], stat->times[kTimeModified]);
        EXPECT_EQ(it->second.times[kTimeCreated], stat->times[kTimeCreated]);
    }
    EXPECT_TRUE(S_ISLNK(got.at("to-folder").mode));
    EXPECT_TRUE(S_ISFIFO(got.at("pipe").mode));
    EXPECT_EQ(got.at("plain.txt").size, 12u);
}

// A folder that is not there, or a file, gives no source and says why; the
// caller then reads the directory itself.
TEST(GioEntrySource, RefusesWhatIsNoFolder) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("file", "x"));
    int error = 0;
    EXPECT_FALSE(OpenGioEntrySource(UriOf(dir.Join("missing")), &error));
    EXPECT_EQ(error, ENOENT);
    error = 0;
    EXPECT_FALSE(OpenGioEntrySource(UriOf(dir.Join("file")), &error));
    EXPECT_EQ(error, ENOTDIR);
}

// Backends without Unix modes or without some times (FTP, WebDAV) still give
// a type and sensible permissions; a backend's mode tells a special file's
// kind; the link flag wins over the target's type; nameless entries are
// none.
TEST(GioEntrySource, FillsWhatTheBackendLeavesOut) {
    const Info folder = NamedInfo("dir", G_FILE_TYPE_DIRECTORY);
    g_file_info_set_size(folder.get(), 4096);
    const auto dirData = ItemDataOfInfo(folder.get());
    ASSERT_TRUE(dirData);
    EXPECT_EQ(dirData->mode, std::uint32_t(S_IFDIR | 0755));
    EXPECT_EQ(dirData->size, 0u);
    EXPECT_EQ(dirData->times[kTimeModified], 0);
    EXPECT_EQ(dirData->times[kTimeCreated], 0);

    const Info file = NamedInfo("f.txt", G_FILE_TYPE_REGULAR);
    g_file_info_set_size(file.get(), 77);
    g_file_info_set_attribute_uint64(file.get(), G_FILE_ATTRIBUTE_TIME_MODIFIED, 1600000000);
    g_file_info_set_attribute_uint32(file.get(), G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC, 250000);
    const auto fileData = ItemDataOfInfo(file.get());
    ASSERT_TRUE(fileData);
    EXPECT_EQ(fileData->mode, std::uint32_t(S_IFREG | 0644));
    EXPECT_EQ(fileData->size, 77u);
    EXPECT_EQ(fileData->times[kTimeModified], FileTimeFromTimespec(1600000000, 250000000));

    const Info socket = NamedInfo("sock", G_FILE_TYPE_SPECIAL);
    g_file_info_set_attribute_uint32(socket.get(), G_FILE_ATTRIBUTE_UNIX_MODE, S_IFSOCK | 0700);
    EXPECT_EQ(ItemDataOfInfo(socket.get())->mode, std::uint32_t(S_IFSOCK | 0700));

    const Info link = NamedInfo("link", G_FILE_TYPE_DIRECTORY);
    g_file_info_set_is_symlink(link.get(), TRUE);
    g_file_info_set_attribute_uint32(link.get(), G_FILE_ATTRIBUTE_UNIX_MODE, S_IFDIR | 0777);
    EXPECT_EQ(ItemDataOfInfo(link.get())->mode, std::uint32_t(S_IFLNK | 0777));

    const Info nameless(g_file_info_new());
    EXPECT_FALSE(ItemDataOfInfo(nameless.get()));
}

// Only paths inside a location below the bridge's folder are read through
// GIO; the bridge's folder itself (the list of mounts), a sibling whose name
// starts the same and local paths are not.
TEST(GioEntrySource, ServesOnlyPathsInsideBridgeLocations) {
    const QByteArray bridge = "/run/user/1000/gvfs";
    const QByteArray location = bridge + "/sftp:host=example.org,port=2222,user=ann";
    EXPECT_EQ(GioUriOfBridgePath(location + "/home/ann/a b", bridge),
              QStringLiteral("sftp://ann@example.org:2222/home/ann/a%20b"));
    EXPECT_EQ(GioUriOfBridgePath(location, bridge), QStringLiteral("sftp://ann@example.org:2222/"));
    EXPECT_FALSE(GioUriOfBridgePath(bridge, bridge));
    EXPECT_FALSE(GioUriOfBridgePath(bridge + "/", bridge));
    EXPECT_FALSE(GioUriOfBridgePath("/run/user/1000/gvfsX/sftp:host=h/x", bridge));
    EXPECT_FALSE(GioUriOfBridgePath("/home/ann", bridge));
    EXPECT_FALSE(GioUriOfBridgePath(location, QByteArray()));
}

namespace {

// A source of made-up entries for one path, failing after them when asked.
QByteArray g_servedPath;
bool g_failAtEnd = false;

class FakeSource : public EntrySource {
public:
    bool Next(std::vector<FileSystemItemData>& entries, int) override {
        if (m_given == 2) {
            m_error = g_failAtEnd ? EIO : 0;
            return false;
        }
        FileSystemItemData data;
        data.name = "only-in-source-" + QByteArray::number(m_given++);
        data.mode = S_IFREG | 0644;
        data.size = 5;
        entries.push_back(data);
        return true;
    }
    int Error() const override { return m_error; }
    void Cancel() override {}

private:
    int m_given = 0;
    int m_error = 0;
};

std::unique_ptr<EntrySource> FakeFactory(const QByteArray& path) {
    return path == g_servedPath ? std::make_unique<FakeSource>() : nullptr;
}

struct FactoryGuard {
    FactoryGuard() { SetEntrySourceFactory(&FakeFactory); }
    ~FactoryGuard() { SetEntrySourceFactory(nullptr); }
};

std::vector<QByteArray> ReaderNames(const QByteArray& path, DirectoryReader::Result* last) {
    DirectoryReader reader(path);
    std::vector<QByteArray> names;
    FileSystemItemData entry;
    while ((*last = reader.Next(entry)) == DirectoryReader::Result::Entry)
        names.push_back(entry.name);
    return names;
}

}  // namespace

// The directory reader lists what the source of its path gives (nothing of
// the disk), ends with the source's failure when it fails, and reads every
// other folder itself.
TEST(GioEntrySource, DirectoryReaderTakesTheSourceOfItsPath) {
    TestDir served;
    TestDir other;
    ASSERT_TRUE(served.MakeFile("on-disk", "x"));
    ASSERT_TRUE(other.MakeFile("on-disk", "x"));
    const FactoryGuard guard;
    g_servedPath = served.PathBytes();

    g_failAtEnd = false;
    DirectoryReader::Result last{};
    EXPECT_EQ(ReaderNames(served.PathBytes(), &last),
              (std::vector<QByteArray>{"only-in-source-0", "only-in-source-1"}));
    EXPECT_EQ(last, DirectoryReader::Result::End);

    g_failAtEnd = true;
    EXPECT_EQ(ReaderNames(served.PathBytes(), &last).size(), 2u);
    EXPECT_EQ(last, DirectoryReader::Result::Error);
    g_failAtEnd = false;

    EXPECT_EQ(ReaderNames(other.PathBytes(), &last), (std::vector<QByteArray>{"on-disk"}));
    EXPECT_EQ(last, DirectoryReader::Result::End);
}

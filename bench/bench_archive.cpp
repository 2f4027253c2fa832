// Opening an archive of many entries as a pane does (bind, attributes,
// names, enumerate every entry into a FolderItem that reads its
// descriptor, through FolderModel), for a zip and a tar.gz made here with
// libarchive's writer, against `unzip -l` and `tar -tzf` over the same
// files in the same run. Prints the times, the ratios, how often each
// archive was read and the memory used.
//
// Then copying out: 20 entries near the end of a zip of 100,000 entries
// (the second argument), written into a folder the way a copy out of an
// archive pane writes them, one contents stream per entry and by one
// ArchiveExtractor pass (how a copy out does it), against
// `unzip` extracting the same 20 names in the same run.
// Before that, F3 on the first, a middle and the last entry of that zip: the
// contents stream opened and read, against passing every header before the
// entry and `unzip -p` of the entry.
// Usage: bench_archive [count] [copyOutCount]

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "pane/FolderModel.h"
#include "platform/archive/ArchiveExtractor.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/archive/ArchiveStream.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/fs/RemoveTree.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "shell/ShellContext.h"

namespace {

constexpr int kRuns = 5;

// `count` entries in 100 folders ("d042/file_004213.txt", a few bytes
// each), with a folder entry for every other folder so that half of the
// folders are implied.
bool MakeArchive(const QByteArray& path, const char* format, bool gzip, int count) {
    struct archive* a = archive_write_new();
    bool ok = archive_write_set_format_by_name(a, format) == ARCHIVE_OK &&
              (gzip ? archive_write_add_filter_gzip(a) : archive_write_add_filter_none(a)) ==
                  ARCHIVE_OK &&
              archive_write_open_filename(a, path.constData()) == ARCHIVE_OK;
    if (!ok) {
        archive_write_free(a);
        return false;
    }
    char name[64];
    for (int d = 0; d < 100 && ok; d += 2) {
        std::snprintf(name, sizeof name, "d%03d/", d);
        struct archive_entry* e = archive_entry_new();
        archive_entry_copy_pathname(e, name);
        archive_entry_set_filetype(e, AE_IFDIR);
        archive_entry_set_perm(e, 0755);
        archive_entry_set_mtime(e, 1600000000, 0);
        ok = archive_write_header(a, e) == ARCHIVE_OK;
        archive_entry_free(e);
    }
    for (int i = 0; i < count && ok; ++i) {
        std::snprintf(name, sizeof name, "d%03d/file_%06d.txt", i % 100, i);
        const QByteArray contents = QByteArray::number(i) + '\n';
        struct archive_entry* e = archive_entry_new();
        archive_entry_copy_pathname(e, name);
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, contents.size());
        archive_entry_set_mtime(e, 1600000000 + i, 0);
        ok = archive_write_header(a, e) == ARCHIVE_OK &&
             archive_write_data(a, contents.constData(), size_t(contents.size())) ==
                 la_ssize_t(contents.size());
        archive_entry_free(e);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

// Opens the archive and every one of its folders in FolderModels, as
// panes would browse it; gives the number of items made.
int OpenAll(const QString& archive) {
    FolderModel root;
    if (root.Open(ParsePath(archive), true) == FolderModel::kReadFailed)
        return -1;
    int items = root.ItemCount();
    for (FolderItem& item : root.items) {
        if (!(item.attributes & SFGAO_FOLDER))
            continue;
        FolderModel sub;
        if (sub.Open(item.AbsoluteId(false), true) == FolderModel::kReadFailed)
            return -1;
        items += sub.ItemCount();
    }
    return items;
}

double ToolSeconds(const QString& program, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return -1;
    return BestSeconds(kRuns, [&] {
        QProcess tool;
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.start(program, arguments);
        tool.waitForFinished(-1);
    });
}

// The nodes of the last `n` files of the archive's index, and their paths.
std::vector<int> LastFiles(const ArchiveIndex& index, int n, QStringList* paths) {
    std::vector<int> nodes;
    for (int node = index.Count() - 1; node > 0 && int(nodes.size()) < n; --node) {
        if (index.At(node).kind != ArchiveIndex::Kind::File)
            continue;
        nodes.push_back(node);
        paths->append(NameFromBytes(index.PathOf(node)));
    }
    return nodes;
}

// A fresh empty folder for one run's copies.
QByteArray FreshFolder(const QString& base, const char* name) {
    const QByteArray path = NameToBytes(base) + '/' + name;
    RemoveTree(path);
    ::mkdir(path.constData(), 0755);
    return path;
}

// One contents stream per entry, each opened anew: every open passes the
// headers before its entry.
bool CopyOutByStreams(const std::shared_ptr<const ArchiveIndex>& index,
                      const std::vector<int>& nodes, const QByteArray& folder) {
    for (int node : nodes) {
        ArchiveStream stream(index, node);
        if (!stream.open(QIODevice::ReadOnly))
            return false;
        const QByteArray path = folder + '/' + index->NameOf(node);
        UniqueFd fd(::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!fd || !WriteAll(fd.get(), stream.readAll()))
            return false;
    }
    return true;
}

bool CopyOutByExtractor(const std::shared_ptr<const ArchiveIndex>& index,
                        const std::vector<int>& nodes, const QByteArray& folder) {
    ArchiveExtractor extractor(index);
    for (int node : nodes) extractor.Add(node);
    return extractor.Run(folder).size() == nodes.size();
}

// What F3 on an entry costs: its contents stream opened and read, as the
// viewer opens it.
bool ReadEntry(const std::shared_ptr<const ArchiveIndex>& index, int node) {
    ArchiveStream stream(index, node);
    if (!stream.open(QIODevice::ReadOnly))
        return false;
    return stream.readAll().size() == stream.size();
}

// The way every open went before the central directory was used: the
// headers before the entry passed in order.
bool PassHeadersTo(const ArchiveIndex& index, int node) {
    QString error;
    const std::unique_ptr<ArchiveReader> reader =
        ArchiveReader::Open(index.Path(), ArchiveReader::Purpose::Stream, &error);
    archive_entry* entry = nullptr;
    for (int passed = 0; reader && passed <= index.At(node).ordinal; ++passed) {
        if (reader->NextHeader(entry) != ArchiveReader::Next::Entry)
            return false;
    }
    return reader != nullptr;
}

// Opening one entry (first, middle, last) of the big zip: the stream,
// the first time (the central directory read) and again, against passing
// the headers (the old way) and `unzip -p` of the same entry.
void BenchEntryOpen(const std::shared_ptr<const ArchiveIndex>& index, const QString& zip,
                    int count) {
    std::vector<int> files;
    for (int node = 1; node < index->Count(); ++node) {
        if (index->At(node).kind == ArchiveIndex::Kind::File)
            files.push_back(node);
    }
    if (files.empty())
        return;
    std::printf("F3 on an entry of a zip of %d entries (target <= 0.100 s):\n", count);
    bool first = true;
    for (const auto& [label, node] :
         {std::pair{"first", files.front()}, std::pair{"middle", files[files.size() / 2]},
          std::pair{"last", files.back()}}) {
        bool ok = true;
        const ArchiveReadCounts before = ArchiveReadCounters();
        const double once = BestSeconds(1, [&] { ok = ReadEntry(index, node) && ok; });
        const double again = BestSeconds(kRuns, [&] { ok = ReadEntry(index, node) && ok; });
        const int opens = ArchiveReadCounters().streamOpens - before.streamOpens;
        const double passing = BestSeconds(1, [&] { ok = PassHeadersTo(*index, node) && ok; });
        const double tool =
            ToolSeconds(QStringLiteral("unzip"),
                        {QStringLiteral("-p"), zip, NameFromBytes(index->PathOf(node))});
        std::printf("  %-6s %s%.4f s, again %.4f s (%d opens); passing the headers %.4f s", label,
                    first ? "first open (directory read) " : "", once, again, opens, passing);
        if (tool > 0)
            std::printf("; unzip -p %.4f s; ratio %.2f", tool, again / tool);
        std::printf("%s\n", ok ? "" : " (FAILED)");
        first = false;
    }
}

void BenchCopyOut(const QString& dir, int count) {
    const QString zip = dir + QStringLiteral("/copyout.zip");
    if (!MakeArchive(NameToBytes(zip), "zip", false, count)) {
        std::fprintf(stderr, "could not write the copy-out archive\n");
        return;
    }
    ForgetArchiveIndexes();
    QString error;
    const auto index = AcquireArchiveIndex(NameToBytes(zip), &error);
    if (!index) {
        std::fprintf(stderr, "could not index: %s\n", qPrintable(error));
        return;
    }
    BenchEntryOpen(index, zip, count);
    QStringList paths;
    const std::vector<int> nodes = LastFiles(*index, 20, &paths);
    bool ok = true;
    const ArchiveReadCounts before = ArchiveReadCounters();
    // One open per entry (each at its own header in a zip): one run says
    // enough.
    const double streams = BestSeconds(
        1, [&] { ok = CopyOutByStreams(index, nodes, FreshFolder(dir, "streams")) && ok; });
    const ArchiveReadCounts afterStreams = ArchiveReadCounters();
    const double extractor = BestSeconds(
        kRuns, [&] { ok = CopyOutByExtractor(index, nodes, FreshFolder(dir, "extractor")) && ok; });
    const ArchiveReadCounts afterExtractor = ArchiveReadCounters();
    QStringList unzipArguments = {QStringLiteral("-qo"), zip};
    unzipArguments << paths;
    unzipArguments << QStringLiteral("-d") << dir + QStringLiteral("/unzip");
    const double tool = ToolSeconds(QStringLiteral("unzip"), unzipArguments);
    std::printf("copy out 20 entries near the end of a zip of %d entries%s:\n", count,
                ok ? "" : " (FAILED)");
    std::printf("  one stream per entry:          %.3f s, %d archive opens\n", streams,
                afterStreams.streamOpens - before.streamOpens);
    std::printf("  one extractor pass (now):      %.3f s, %d archive opens per run\n", extractor,
                (afterExtractor.streamOpens - afterStreams.streamOpens) / kRuns);
    std::printf("  ratio streams/extractor %.1f", streams / extractor);
    if (tool > 0)
        std::printf("; unzip -qo %.3f s; ratio now/unzip %.2f", tool, extractor / tool);
    std::printf("\n");
}

long MaxRssKiB() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallDesktopNamespace();
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString zip = dir.path() + QStringLiteral("/bench.zip");
    const QString tgz = dir.path() + QStringLiteral("/bench.tar.gz");
    if (!MakeArchive(NameToBytes(zip), "zip", false, count) ||
        !MakeArchive(NameToBytes(tgz), "pax", true, count)) {
        std::fprintf(stderr, "could not write the archives\n");
        return 1;
    }
    EnsureShellContext();
    std::printf("archive of %d entries in 100 folders (50 implied)\n", count);

    struct Case {
        const char* label;
        QString path;
        QString tool;
        QStringList arguments;
    };
    const Case cases[] = {
        {"zip", zip, QStringLiteral("unzip"), {QStringLiteral("-l"), zip}},
        {"tar.gz", tgz, QStringLiteral("tar"), {QStringLiteral("-tzf"), tgz}},
    };
    bool allUnderOneSecond = true;
    for (const Case& c : cases) {
        int items = 0;
        const ArchiveReadCounts before = ArchiveReadCounters();
        // Cold: the index is read anew in every run.
        const double cold = BestSeconds(kRuns, [&] {
            ForgetArchiveIndexes();
            items = OpenAll(c.path);
        });
        const ArchiveReadCounts afterCold = ArchiveReadCounters();
        // Warm: the kept index serves every open after the first.
        const double warm = BestSeconds(kRuns, [&] { items = OpenAll(c.path); });
        const ArchiveReadCounts afterWarm = ArchiveReadCounters();
        const double tool = ToolSeconds(c.tool, c.arguments);
        std::printf("%-7s open root + 100 folders, %d items: cold %.3f s, warm %.3f s", c.label,
                    items, cold, warm);
        if (tool > 0)
            std::printf("; %s %s %.3f s; ratio cold/tool %.2f", qPrintable(c.tool),
                        qPrintable(c.arguments.first()), tool, cold / tool);
        std::printf(
            "\n        index passes: %d in %d cold runs, %d in %d warm runs; "
            "content opens: %d\n",
            afterCold.indexPasses - before.indexPasses, kRuns,
            afterWarm.indexPasses - afterCold.indexPasses, kRuns,
            afterWarm.streamOpens - before.streamOpens);
        if (items != count + 100 || cold >= 1.0)
            allUnderOneSecond = false;
    }
    std::printf("max RSS %ld KiB; target (under one second, every entry listed): %s\n", MaxRssKiB(),
                allUnderOneSecond ? "met" : "NOT met");
    BenchCopyOut(dir.path(), argc > 2 ? std::max(20, std::atoi(argv[2])) : 100000);
    return 0;
}

// Opening an archive of many entries as a pane does (bind, attributes,
// names, enumerate every entry into a FolderItem that reads its
// descriptor, through FolderModel), for a zip and a tar.gz made here with
// libarchive's writer, against `unzip -l` and `tar -tzf` over the same
// files in the same run. Prints the times, the ratios, how often each
// archive was read and the memory used.
// Usage: bench_archive [count]

#include <archive.h>
#include <archive_entry.h>
#include <sys/resource.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "pane/FolderModel.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/desktop/DesktopNamespace.h"
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
    return 0;
}

// Planning a copy of a whole folder, as after "select all" in a pane: the
// sources de-duplicated, each examined, the totals added up. Reports items
// per second at 10,000 and at 100,000 sources and their ratio (the planning
// is linear when the rates are within 20 % of each other), against
// `ls -lU` over the same folder in the same run, and the peak memory.
// Usage: bench_plan [count] (default 100000; the smaller run is a tenth).

#include <dirent.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "platform/fileop/FileOperationPlan.h"

namespace {

constexpr int kRuns = 3;
// The small plan lasts a few tens of milliseconds, where one disturbance
// weighs ten times as much: it is timed ten times as often.
constexpr int kSmallRuns = 10 * kRuns;

// Every name in the folder as a source path, in directory order, as a
// pane's selection hands them over.
std::vector<QByteArray> SelectAll(const QByteArray& folder) {
    std::vector<QByteArray> sources;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return sources;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            sources.push_back(folder + '/' + name);
    }
    ::closedir(dir);
    return sources;
}

struct Measure {
    double seconds = 0;
    std::uint64_t items = 0;
};

Measure PlanCopy(std::vector<QByteArray> sources, const FileOpTarget& target, FileOpIo& io,
                 int runs) {
    FileOpRequest request;
    request.func = FileOpRequest::Copy;
    request.sources = std::move(sources);
    request.targetFolder = target.path;
    Measure measure;
    measure.seconds = BestSeconds(runs, [&] {
        const FileOperationPlan plan = PlanFileOperation(request, &target, io);
        measure.items = plan.totals.Items();
    });
    return measure;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    QTemporaryDir temp;
    QTemporaryDir targetDir;
    const QString folderPath = temp.path();
    std::printf("making %d files in %s ...\n", count, qPrintable(folderPath));
    if (!MakeNumberedFiles(folderPath, count, true, 0)) {
        std::fprintf(stderr, "could not make the files\n");
        return 1;
    }
    const std::vector<QByteArray> all = SelectAll(NameToBytes(folderPath));
    if (int(all.size()) != count) {
        std::fprintf(stderr, "selected %zu of %d files\n", all.size(), count);
        return 1;
    }

    FileOpIo io;
    const QByteArray targetPath = NameToBytes(targetDir.path());
    struct stat targetSt {};
    if (io.Stat(targetPath, &targetSt) != 0)
        return 1;
    const FileOpTarget target = ReadTarget(targetPath, targetSt, io);

    const double lsSeconds = LsSeconds(folderPath, kRuns);
    const std::size_t small = all.size() / 10;
    const Measure few =
        PlanCopy(std::vector<QByteArray>(all.begin(), all.begin() + qsizetype(small)), target, io,
                 kSmallRuns);
    const Measure many = PlanCopy(all, target, io, kRuns);
    if (few.items != small || many.items != all.size()) {
        std::fprintf(stderr, "the plans counted %llu and %llu items\n",
                     static_cast<unsigned long long>(few.items),
                     static_cast<unsigned long long>(many.items));
        return 1;
    }

    const double fewRate = double(small) / few.seconds;
    const double manyRate = double(all.size()) / many.seconds;
    const double lsRate = double(all.size()) / lsSeconds;
    std::printf("best of %d runs (%d for the small plan)\n", kRuns, kSmallRuns);
    std::printf("ls -lU (%zu names):        %.3f s  %10.0f items/s\n", all.size(), lsSeconds,
                lsRate);
    std::printf("plan of %6zu sources:     %.3f s  %10.0f items/s\n", small, few.seconds, fewRate);
    std::printf("plan of %6zu sources:     %.3f s  %10.0f items/s\n", all.size(), many.seconds,
                manyRate);
    std::printf("rate at %zu / rate at %zu: %.2f (linear when within 0.8..1.2)\n", all.size(),
                small, manyRate / fewRate);
    std::printf("plan time / ls -lU time:   %.2f\n", many.seconds / lsSeconds);
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}

#pragma once
// What the benchmarks share: a folder of numbered files, the best of several
// timed runs, and the Linux tool's time over the same folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <algorithm>
#include <cstdio>

#include "platform/namespace/NameCodec.h"

/// Makes `count` empty files "file_NNNNNN.txt" in `folder`; with
/// `shuffled` they are made out of name order (so a sort has work to do),
/// with `nonEmptyEvery` every such file holds one byte.
inline bool MakeNumberedFiles(const QString& folder, int count, bool shuffled,
                              int nonEmptyEvery = 0) {
    const QByteArray base = NameToBytes(folder);
    for (int i = 0; i < count; ++i) {
        char name[64];
        const int number = shuffled ? int((i * 7919LL) % count) : i;
        std::snprintf(name, sizeof name, "/file_%06d.txt", number);
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        const bool fill = nonEmptyEvery > 0 && i % nonEmptyEvery == 0;
        const bool ok = !fill || ::write(fd, "x", 1) == 1;
        ::close(fd);
        if (!ok)
            return false;
    }
    return true;
}

/// The best of `runs` timings of `work`, in seconds: the least disturbed run
/// says most about the work itself.
template <typename F>
double BestSeconds(int runs, F&& work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

/// `ls -lU` over the folder, output discarded: the best of `runs`.
inline double LsSeconds(const QString& folder, int runs) {
    return BestSeconds(runs, [&] {
        QProcess ls;
        ls.setStandardOutputFile(QProcess::nullDevice());
        ls.start(QStringLiteral("ls"), {QStringLiteral("-lU"), folder});
        ls.waitForFinished(-1);
    });
}

/// Makes a tree of `folders` folders below `root` (`top` of them directly
/// in it, the rest spread evenly below those), each holding `filesPerFolder`
/// files "f_NN" whose apparent sizes (set by ftruncate, so the tree is made
/// quickly) vary from 0 to a few kB. Gives the total of those sizes; -1 when
/// something could not be made.
inline long long MakeSizedTree(const QString& root, int folders, int top, int filesPerFolder) {
    const QByteArray base = NameToBytes(root);
    long long total = 0;
    int made = 0;
    auto fill = [&](const QByteArray& folder) {
        if (::mkdir(folder.constData(), 0755) != 0)
            return false;
        for (int i = 0; i < filesPerFolder; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/f_%02d", i);
            const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0)
                return false;
            const long long size = ((made * 31 + i * 977) % 4099);
            const bool ok = ::ftruncate(fd, off_t(size)) == 0;
            ::close(fd);
            if (!ok)
                return false;
            total += size;
        }
        ++made;
        return true;
    };
    const int below = (folders - top) / top;
    for (int t = 0; t < top; ++t) {
        const QByteArray upper = base + "/top_" + QByteArray::number(t);
        if (!fill(upper))
            return -1;
        const int count = below + (t < (folders - top) % top ? 1 : 0);
        for (int s = 0; s < count; ++s) {
            if (!fill(upper + "/sub_" + QByteArray::number(s)))
                return -1;
        }
    }
    return total;
}

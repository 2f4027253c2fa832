// The editor's benchmarks: a 100 MB text opened in view mode (time to the
// first paint of the text, memory), the hex view of a 1 GiB file (time to its
// first screen, memory), and the search for a word near the end of the 100 MB
// text, each against the Linux tool that does the same job in the same run.
//
//   bench_editor [work folder]   (default: the current folder)
//
// The files are made in a temporary folder inside the work folder and
// deleted at the end.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "editor/CEditorFrame.h"
#include "editor/CEditorView.h"
#include "editor/EditorTextControl.h"
#include "editor/HexView.h"

namespace {

constexpr const char* kWord = "quixotically";

// Megabytes resident now (VmRSS).
// Seconds of processor time the process used so far: on a busy machine the
// wall-clock time also holds the time spent waiting for a processor.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

double ResidentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

bool MakeText(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray line =
        "The quick brown fox jumps over the lazy dog while 0123456789 counts on.\n";
    QByteArray block;
    while (block.size() < (1 << 20)) block += line;
    qint64 written = 0;
    while (written + block.size() < size - 4096) written += file.write(block);
    file.write("Near the end a " + QByteArray(kWord) + " placed word.\n");
    while (written < size - 4096) written += file.write(line);
    return file.error() == QFile::NoError;
}

bool MakeBinary(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < block.size(); ++i) block[i] = char(i * 7 + (i >> 8));
    for (qint64 written = 0; written < size; written += block.size())
        if (file.write(block) != block.size())
            return false;
    return true;
}

double ToolSeconds(const QString& program, const QStringList& arguments, int runs) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QProcess tool;
        tool.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        tool.start(program, arguments);
        tool.waitForFinished(-1);
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

// Shows the window and waits for `watched` to be painted; the seconds from
// `timer`'s start.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double OpenUntilPainted(const QString& path, bool hex, CEditorFrame** opened) {
    QElapsedTimer timer;
    timer.start();
    CEditorFrame* frame = OpenEditorWindow(path, true);
    if (!frame)
        return -1;
    QWidget* target = hex ? frame->View()->Hex()->viewport() : frame->View()->Text()->viewport();
    PaintWatch watch;
    target->installEventFilter(&watch);
    while (!watch.painted && timer.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = timer.nsecsElapsed() / 1e9;
    target->removeEventFilter(&watch);
    *opened = frame;
    return seconds;
}

void Report(const char* what, double ours, const char* tool, double theirs) {
    std::printf("%-40s editor %8.3f s   %-22s %8.3f s   ratio %.2f\n", what, ours, tool, theirs,
                theirs > 0 ? ours / theirs : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0)
        std::printf("load average %.2f on %ld processors\n", load[0],
                    sysconf(_SC_NPROCESSORS_ONLN));
    QTemporaryDir dir((argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")) +
                      QStringLiteral("/bench-editor-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "can't make the work folder\n");
        return 1;
    }
    const QString text = dir.path() + QStringLiteral("/big.txt");
    const QString binary = dir.path() + QStringLiteral("/big.bin");
    const qint64 textSize = 100LL * 1000 * 1000;
    const qint64 binarySize = 1LL << 30;
    if (!MakeText(text, textSize) || !MakeBinary(binary, binarySize)) {
        std::fprintf(stderr, "can't make the files\n");
        return 1;
    }
    // Both files come from the page cache for every contender.
    ToolSeconds(QStringLiteral("cat"), {text, binary}, 1);

    // 1. The 100 MB text in view mode.
    const double before = ResidentMb();
    CEditorFrame* frame = nullptr;
    const double cpuBefore = CpuSeconds();
    const double open = OpenUntilPainted(text, false, &frame);
    const double openCpu = CpuSeconds() - cpuBefore;
    const double textMb = ResidentMb() - before;
    if (!frame) {
        std::fprintf(stderr, "the text did not open\n");
        return 1;
    }
    Report("open 100 MB text, first paint", open, "cat >/dev/null", ToolSeconds("cat", {text}, 3));
    std::printf("   processor time for it: %.3f s\n", openCpu);
    std::printf("   memory for the text: %.1f MB (%.2f x the file; target <= 4 x, <= 1 s)\n",
                textMb, textMb * (1 << 20) / double(textSize));

    // 3. Find of a word near its end, from the start.
    double find = 1e9;
    for (int i = 0; i < 3; ++i) {
        frame->View()->SetSelection(0, 0);
        QElapsedTimer timer;
        timer.start();
        const bool hit = frame->View()->FindText(QString::fromLatin1(kWord));
        find = std::min(find, timer.nsecsElapsed() / 1e9);
        if (!hit) {
            std::fprintf(stderr, "the word was not found\n");
            return 1;
        }
    }
    Report("find a word near the end (any case)", find, "grep -c",
           ToolSeconds("grep", {"-c", kWord, text}, 3));
    std::printf("%-40s %8s   %-22s %8.3f s\n", "", "", "grep -ci",
                ToolSeconds("grep", {"-ci", kWord, text}, 3));
    frame->close();
    delete frame;
    QApplication::processEvents();

    // 2. The 1 GiB file's hex view.
    const double beforeHex = ResidentMb();
    CEditorFrame* hexFrame = nullptr;
    const double hexCpuBefore = CpuSeconds();
    const double hex = OpenUntilPainted(binary, true, &hexFrame);
    const double hexCpu = CpuSeconds() - hexCpuBefore;
    const double hexMb = ResidentMb() - beforeHex;
    if (!hexFrame || !hexFrame->View()->IsHexMode()) {
        std::fprintf(stderr, "the hex view did not open\n");
        return 1;
    }
    Report("hex view of 1 GiB, first screen", hex, "od -N 2048",
           ToolSeconds("od", {"-A", "x", "-t", "x1z", "-N", "2048", binary}, 3));
    std::printf("   processor time for it: %.3f s\n", hexCpu);
    std::printf("   memory for the hex view: %.1f MB (target <= 100 MB, <= 0.3 s)\n", hexMb);
    hexFrame->close();
    delete hexFrame;
    return 0;
}

// The editor's benchmarks: a 100 MB text opened in view mode (time to the
// first paint of the text, memory), the hex view of a 1 GiB file (time to its
// first screen, memory), the search for a word near the end of the 100 MB
// text, and a 200 MB log of short, varied lines (first paint, the processor
// time the window goes on using after it, Ctrl+End, find near the end, the
// memory at its peak and after the window closed), each against the Linux
// tool that does the same job in the same run.
//
//   bench_editor [work folder] [--log-only]   (default: the current folder)
//
// The files are made in a temporary folder inside the work folder and
// deleted at the end.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// A figure of /proc/self/status ("VmRSS:", "VmHWM:") in megabytes.
double StatusMb(const QByteArray& key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

double ResidentMb() {
    return StatusMb("VmRSS:");
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

// Peak resident megabytes since the last ResetPeak.
double PeakMb() {
    return StatusMb("VmHWM:");
}

void ResetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// A log as a service writes it: a time stamp, a level, a thread and a
// component, then one of a dozen messages with varied numbers and names, 80
// to 200 bytes a line. The word is on one line near the end. Gives the line
// count, or -1.
qint64 MakeLog(const QString& path, qint64 size, const char* word) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    static const char* const kLevels[] = {"INFO ", "INFO ", "INFO ", "DEBUG",
                                          "DEBUG", "WARN ", "ERROR", "TRACE"};
    static const char* const kComponents[] = {
        "http.RequestHandler", "db.ConnectionPool", "cache.Evictor",     "auth.TokenService",
        "scheduler.JobRunner", "storage.BlobStore", "net.Resolver",      "metrics.Reporter",
        "mail.OutboundQueue",  "search.Indexer",    "billing.Invoicing", "ws.SessionHub"};
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return unsigned(state >> 20);
    };
    static const char* const kPaths[] = {"items", "orders", "users", "carts", "reports"};
    std::time_t when = 1796000000;
    unsigned millis = 0;
    qint64 lines = 0;
    qint64 written = 0;
    bool wordPlaced = false;
    QByteArray block;
    block.reserve(1 << 22);
    char line[512];
    while (written < size) {
        millis += next() % 40;
        when += millis / 1000;
        millis %= 1000;
        std::tm parts{};
        gmtime_r(&when, &parts);
        int at = int(std::strftime(line, 64, "%Y-%m-%d %H:%M:%S", &parts));
        at += std::snprintf(line + at, sizeof line - at, ".%03u %s [worker-%02u] %s: ", millis,
                            kLevels[next() % 8], next() % 48, kComponents[next() % 12]);
        char* rest = line + at;
        const std::size_t room = sizeof line - at;
        const unsigned a = next(), b = next(), c = next(), d = next();
        if (!wordPlaced && written > size - 65536) {
            std::snprintf(rest, room, "note: the %s request came back empty (id %u)", word, a);
            wordPlaced = true;
        } else {
            switch (next() % 12) {
                case 0:
                    std::snprintf(rest, room, "GET /api/v1/%s/%u 200 in %u ms (user=u%u, bytes=%u)",
                                  kPaths[a % 5], b % 100000, c % 900, d % 10000, a % 65536);
                    break;
                case 1:
                    std::snprintf(rest, room,
                                  "POST /api/v1/orders 201 in %u ms order=%08x items=%u", a % 2000,
                                  b, c % 40);
                    break;
                case 2:
                    std::snprintf(rest, room,
                                  "connection %u returned to pool after %u ms, %u idle, %u busy",
                                  a % 64, b % 5000, c % 32, d % 32);
                    break;
                case 3:
                    std::snprintf(rest, room,
                                  "evicted %u entries (%u KiB) from segment %u, hit ratio 0.%02u",
                                  a % 5000, b % 90000, c % 16, d % 100);
                    break;
                case 4:
                    std::snprintf(rest, room,
                                  "token for session %08x%08x refreshed, expires in %u s", a, b,
                                  c % 7200);
                    break;
                case 5:
                    std::snprintf(rest, room,
                                  "job %u (nightly-export-%u) finished: %u rows written, %u "
                                  "skipped, took %u.%03u s",
                                  a % 100000, b % 365, c % 1000000, d % 100, a % 600, b % 1000);
                    break;
                case 6:
                    std::snprintf(rest, room,
                                  "slow query on table events_%u: %u ms, plan=index scan on "
                                  "idx_events_ts, rows=%u",
                                  a % 12, b % 20000, c % 5000000);
                    break;
                case 7:
                    std::snprintf(rest, room,
                                  "resolved host node-%u.cluster.internal to 10.%u.%u.%u in %u us",
                                  a % 500, b % 256, c % 256, d % 256, a % 90000);
                    break;
                case 8:
                    std::snprintf(rest, room,
                                  "retrying upload of blob %08x-%04x (attempt %u of 5): "
                                  "connection reset by peer",
                                  a, b % 65536, c % 5 + 1);
                    break;
                case 9:
                    std::snprintf(rest, room, "flushed %u metrics to collector in %u ms; queue %u",
                                  a % 4000, b % 300, c % 100);
                    break;
                case 10:
                    std::snprintf(rest, room,
                                  "java.io.IOException: Broken pipe at "
                                  "com.example.ws.SessionHub.send(SessionHub.java:%u) for client "
                                  "%u.%u.%u.%u:%u after %u frames",
                                  a % 900, b % 256, c % 256, d % 256, a % 256, b % 65536, c % 1000);
                    break;
                default:
                    std::snprintf(rest, room, "ok");
                    break;
            }
        }
        const std::size_t length = std::strlen(line);
        block.append(line, qsizetype(length));
        block.append('\n');
        written += qint64(length) + 1;
        ++lines;
        if (block.size() > (1 << 22) - 1024) {
            if (file.write(block) != block.size())
                return -1;
            block.clear();
        }
    }
    if (file.write(block) != block.size() || !wordPlaced)
        return -1;
    return lines;
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

// Waits in the event loop, without spinning (the processor time measured is
// the window's), until `watched` is painted or `ms` have passed.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* watched) : m_watched(watched) {
        watched->installEventFilter(this);
    }
    ~PaintWatch() override { m_watched->removeEventFilter(this); }
    bool Wait(int ms) {
        if (!painted) {
            QTimer::singleShot(ms, &m_loop, &QEventLoop::quit);
            m_loop.exec();
        }
        return painted;
    }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
            m_loop.quit();
        }
        return false;
    }

private:
    QWidget* m_watched;
    QEventLoop m_loop;
};

// Opens the window and waits for its text (or hex view) to be painted; the
// seconds it took.
double OpenUntilPainted(const QString& path, bool hex, CEditorFrame** opened) {
    QElapsedTimer timer;
    timer.start();
    CEditorFrame* frame = OpenEditorWindow(path, true);
    if (!frame)
        return -1;
    QWidget* target = hex ? frame->View()->Hex()->viewport() : frame->View()->Text()->viewport();
    PaintWatch watch(target);
    watch.Wait(60000);
    *opened = frame;
    return timer.nsecsElapsed() / 1e9;
}

void Report(const char* what, double ours, const char* tool, double theirs) {
    std::printf("%-40s editor %8.3f s   %-22s %8.3f s   ratio %.2f\n", what, ours, tool, theirs,
                theirs > 0 ? ours / theirs : 0.0);
}

// The best of three finds of the word from the top, each with the paint
// that shows the hit; -1 when the word was not found.
double FindFromTop(CEditorView* view) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        view->SetSelection(0, 0);
        QElapsedTimer timer;
        timer.start();
        const bool hit = view->FindText(QString::fromLatin1(kWord));
        QApplication::processEvents();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        if (!hit)
            return -1;
    }
    return best;
}

// Runs the event loop for `ms` milliseconds; the processor seconds used.
double CpuWhileIdle(int ms) {
    const double before = CpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return CpuSeconds() - before;
}

// Sends `key` to the text and waits for the text to be painted again: the
// seconds it took.
double KeyUntilPainted(QWidget* text, QWidget* viewport, int key, Qt::KeyboardModifiers mods) {
    PaintWatch watch(viewport);
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(text, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(text, &release);
    watch.Wait(600000);
    return timer.nsecsElapsed() / 1e9;
}

// The 200 MB log: what the user of a log viewer waits for.
bool RunLog(const QString& folder) {
    const QString log = folder + QStringLiteral("/service.log");
    // "--log-mb N" makes a smaller log, for profiling.
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype sizeAt = arguments.indexOf(QStringLiteral("--log-mb"));
    const qint64 logMb =
        sizeAt > 0 && sizeAt + 1 < arguments.size() ? arguments[sizeAt + 1].toLongLong() : 200;
    const qint64 logSize = std::max<qint64>(logMb, 1) * 1000 * 1000;
    const qint64 lines = MakeLog(log, logSize, kWord);
    if (lines < 0) {
        std::fprintf(stderr, "can't make the log\n");
        return false;
    }
    ToolSeconds(QStringLiteral("cat"), {log}, 1);
    std::printf("log: %.0f MB, %lld lines of %.0f bytes on average\n", logSize / 1e6,
                static_cast<long long>(lines), double(logSize) / double(lines));
    // A first window on a small file pays for what a run makes once (fonts,
    // caches), so that the figures are the log's own.
    const QString small = folder + QStringLiteral("/small.log");
    if (MakeLog(small, 4096, kWord) < 0)
        return false;
    CEditorFrame* warm = nullptr;
    OpenUntilPainted(small, false, &warm);
    if (!warm)
        return false;
    warm->close();
    delete warm;
    CpuWhileIdle(200);
    const double before = ResidentMb();
    ResetPeak();
    CEditorFrame* frame = nullptr;
    const double cpuBefore = CpuSeconds();
    const double open = OpenUntilPainted(log, false, &frame);
    const double openCpu = CpuSeconds() - cpuBefore;
    if (!frame) {
        std::fprintf(stderr, "the log did not open\n");
        return false;
    }
    const QByteArray what = "open " + QByteArray::number(logMb) + " MB log, first paint";
    Report(what.constData(), open, "cat >/dev/null", ToolSeconds("cat", {log}, 3));
    std::printf("   processor time for it: %.3f s (target: first screen <= 1 s)\n", openCpu);
    const double idle = CpuWhileIdle(3000);
    std::printf("   processor time in the 3 s after it, untouched: %.3f s (target ~0)\n", idle);

    EditorTextControl* text = frame->View()->Text();
    text->setFocus();
    const double endCpuBefore = CpuSeconds();
    const double end = KeyUntilPainted(text, text->viewport(), Qt::Key_End, Qt::ControlModifier);
    const double endCpu = CpuSeconds() - endCpuBefore;
    const int caretLine = text->LineOf(frame->View()->SelectionStart());
    Report("Ctrl+End to the last line, painted", end, "tail -n 1",
           ToolSeconds("tail", {"-n", "1", log}, 3));
    std::printf("   processor time for it: %.3f s\n", endCpu);
    if (caretLine + 1 < frame->View()->LineCount()) {
        std::fprintf(stderr, "Ctrl+End did not reach the last line (%d)\n", caretLine);
        return false;
    }
    const double home = KeyUntilPainted(text, text->viewport(), Qt::Key_Home, Qt::ControlModifier);
    std::printf("%-40s editor %8.3f s\n", "Ctrl+Home back to the top, painted", home);

    const double find = FindFromTop(frame->View());
    if (find < 0 || text->LineOf(frame->View()->SelectionStart()) < lines - 2000) {
        std::fprintf(stderr, "the word near the log's end was not found\n");
        return false;
    }
    Report("find a word near the log's end", find, "grep -c",
           ToolSeconds("grep", {"-c", kWord, log}, 3));
    const double idleAfter = CpuWhileIdle(2000);
    const double peak = PeakMb() - before;
    std::printf("   processor time in the 2 s after the find: %.3f s\n", idleAfter);
    std::printf("   memory at its peak: %.1f MB over the start (%.2f x the file; target <= 4 x)\n",
                peak, peak * (1 << 20) / double(logSize));
    frame->close();
    delete frame;
    CpuWhileIdle(500);
    const double kept = ResidentMb() - before;
    std::printf("   memory kept after the window closed: %.1f MB (target ~0)\n", kept);

    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0)
        std::printf("load average %.2f on %ld processors\n", load[0],
                    sysconf(_SC_NPROCESSORS_ONLN));
    const bool folderGiven = argc > 1 && argv[1][0] != '-';
    QTemporaryDir dir((folderGiven ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")) +
                      QStringLiteral("/bench-editor-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "can't make the work folder\n");
        return 1;
    }
    if (!RunLog(dir.path()))
        return 1;
    if (QCoreApplication::arguments().contains(QStringLiteral("--log-only")))
        return 0;
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
    const double find = FindFromTop(frame->View());
    if (find < 0) {
        std::fprintf(stderr, "the word was not found\n");
        return 1;
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

#include "shell/LongOperation.h"

#include <utility>

namespace {

ProgressSink& Sink() {
    static ProgressSink sink;
    return sink;
}

}  // namespace

ProgressSink SetProgressSink(ProgressSink sink) {
    return std::exchange(Sink(), std::move(sink));
}

void BeginProgress(const QString& caption) {
    if (Sink().begin)
        Sink().begin(caption);
}

void StepProgress() {
    if (Sink().step)
        Sink().step();
}

void EndProgress() {
    if (Sink().end)
        Sink().end();
}

bool PollProgressEscape() {
    return Sink().poll && Sink().poll(false);
}

bool PollProgressEscapeOrQuit() {
    return Sink().poll && Sink().poll(true);
}

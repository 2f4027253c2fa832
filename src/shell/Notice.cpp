#include "shell/Notice.h"

#include <time.h>

#include <utility>

#include "platform/store/ProfileStore.h"
#include "shell/LameTable.h"

namespace {

NoticeSink& Sink() {
    static NoticeSink sink;
    return sink;
}

bool g_lameMessages = false;

}  // namespace

NoticeSink SetNoticeSink(NoticeSink sink) {
    return std::exchange(Sink(), std::move(sink));
}

void DeliverNotice(const std::optional<QString>& text, bool alert) {
    if (Sink())
        Sink()(text, alert);
}

QString LameText(const QString& text) {
    if (!g_lameMessages)
        return text;
    return LameTableText(LameTableIndex(LameRandom()));
}

void Notice(const std::optional<QString>& text, bool alert) {
    if (!text) {
        DeliverNotice(std::nullopt, alert);
        return;
    }
    DeliverNotice(LameText(*text), alert);
}

void Notice(const QString& text, bool alert) {
    Notice(std::optional<QString>(text), alert);
}

void Notice(const char* text, bool alert) {
    if (text == nullptr) {
        Notice(std::nullopt, alert);
        return;
    }
    Notice(std::optional<QString>(QString::fromUtf8(text)), alert);
}

void Notice(std::nullopt_t, bool alert) {
    Notice(std::optional<QString>(), alert);
}

bool LameMessages() {
    return g_lameMessages;
}

void SetLameMessages(bool on) {
    g_lameMessages = on;
}

std::uint32_t TickCount() {
    struct timespec now;
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0 && ::clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return 0;
    const std::uint64_t ms =
        std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u;
    return std::uint32_t(ms);
}

void LoadLameMessages(ProfileStore& store) {
    const bool on = store.GetProfileInt(kLameMessagesSection, kLameMessagesKey, 0) != 0;
    store.WriteProfileInt(kLameMessagesSection, kLameMessagesKey, on ? 1 : 0);
    SetLameMessages(on);
    SetLameSeed(std::int32_t(TickCount()));
}

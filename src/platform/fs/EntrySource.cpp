#include "platform/fs/EntrySource.h"

#include <atomic>

namespace {

std::atomic<EntrySourceFactory> g_factory{nullptr};

}  // namespace

void SetEntrySourceFactory(EntrySourceFactory factory) {
    g_factory.store(factory, std::memory_order_release);
}

std::unique_ptr<EntrySource> OpenEntrySource(const QByteArray& path) {
    const EntrySourceFactory factory = g_factory.load(std::memory_order_acquire);
    return factory ? factory(path) : nullptr;
}

#include "platform/watch/ChangeSource.h"

#include <atomic>

namespace {

std::atomic<ChangeSourceFactory> g_factory{nullptr};

}  // namespace

void SetChangeSourceFactory(ChangeSourceFactory factory) {
    g_factory.store(factory, std::memory_order_release);
}

std::unique_ptr<ChangeSource> OpenChangeSource(const QByteArray& path) {
    const ChangeSourceFactory factory = g_factory.load(std::memory_order_acquire);
    return factory ? factory(path) : nullptr;
}

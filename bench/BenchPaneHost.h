#pragma once
// The host of a lone pane in the benchmarks: a store of its own, no other
// pane, the pane itself active.

#include <QString>

#include "pane/PaneHost.h"
#include "platform/store/ProfileStore.h"

class BenchHost : public PaneHost {
public:
    explicit BenchHost(const QString& storePath) : m_store(storePath) {}
    ProfileStore& Store() override { return m_store; }
    QString CommandLineFolder(const CPanexView&) const override { return {}; }
    bool IsFirstPane(const CPanexView&) const override { return true; }
    CPanexView* OtherPane(const CPanexView&) const override { return nullptr; }
    CPanexView* ActivePane() const override { return pane; }
    CPanexView* pane = nullptr;

private:
    ProfileStore m_store;
};

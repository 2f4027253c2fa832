#pragma once
// What the pane tests share: the pane fixtures (support/PaneFixture.h), a
// recorder of notices, the bounded wait, and a guard that takes the test
// thread's power to read any folder away (tests run as root here).

#include <dirent.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "shell/Notice.h"
#include "shell/ShellContext.h"
#include "shell/ShellFixture.h"  // FakeShellTest, RealShellTest, CwdKeeper
#include "support/NoDacOverride.h"
#include "support/PaneFixture.h"  // TestPaneHost, CountingPane, the fixtures
#include "support/Wait.h"         // WaitFor, SpinFor

// Records every notice while it lives.
class NoticeRecorder {
public:
    struct Entry {
        std::optional<QString> text;
        bool alert = false;
    };
    NoticeRecorder() {
        m_previous = SetNoticeSink([this](const std::optional<QString>& text, bool alert) {
            entries.push_back({text, alert});
        });
    }
    ~NoticeRecorder() { SetNoticeSink(m_previous); }

    // True when a notice with this text (and alert flag) was given.
    bool Has(const QString& text, bool alert) const {
        for (const Entry& e : entries) {
            if (e.text && *e.text == text && e.alert == alert)
                return true;
        }
        return false;
    }
    // The last notice that was a text (not a clearing).
    std::optional<Entry> LastText() const {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            if (it->text)
                return *it;
        }
        return std::nullopt;
    }

    std::vector<Entry> entries;

private:
    NoticeSink m_previous;
};

// The names of a directory in the order readdir gives them ("." and ".."
// left out), as the kernel spells them.
inline std::vector<QString> ReaddirOrder(const QByteArray& path) {
    std::vector<QString> names;
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        names.push_back(NameFromBytes(QByteArray(e->d_name)));
    }
    ::closedir(dir);
    return names;
}

// The item names of a model in its order.
inline std::vector<QString> ItemNames(const FolderModel& model) {
    std::vector<QString> names;
    for (const FolderItem& item : model.items) names.push_back(item.name);
    return names;
}

// The item names of a pane's rows in row order.
inline std::vector<QString> RowNames(const CPanexView& pane) {
    std::vector<QString> names;
    for (int row = 0; row < pane.List()->RowCount(); ++row)
        names.push_back(pane.List()->ItemAt(row)->name);
    return names;
}

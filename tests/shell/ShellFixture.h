#pragma once
// Fixtures of the shell tests: a fake namespace with the process-wide shell
// context forgotten before and after (so no test sees another's Desktop), a
// way to mirror real folders into it, and a guard of the current directory.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <list>
#include <ostream>

#include "platform/desktop/LinuxShell.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"
#include "shell/ShellContext.h"
#include "support/FakeShell.h"

// Lets failure messages show id lists as their bytes.
inline void PrintTo(const IdList& list, std::ostream* os) {
    *os << (list.IsNull() ? QByteArray("null") : list.ToByteArray().toHex(' ')).constData();
}

// Puts the test process's current directory back at the end of a test.
class CwdKeeper {
public:
    CwdKeeper() : m_fd(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
    ~CwdKeeper() {
        if (m_fd >= 0) {
            if (::fchdir(m_fd) != 0) {
            }
            ::close(m_fd);
        }
    }
    CwdKeeper(const CwdKeeper&) = delete;
    CwdKeeper& operator=(const CwdKeeper&) = delete;

private:
    int m_fd;
};

// The device and inode of the current directory, to tell directories apart
// even when they have no name any more.
inline std::pair<dev_t, ino_t> CwdIdentity() {
    struct stat st {};
    ::stat(".", &st);
    return {st.st_dev, st.st_ino};
}

inline std::pair<dev_t, ino_t> PathIdentity(const QByteArray& path) {
    struct stat st {};
    ::stat(path.constData(), &st);
    return {st.st_dev, st.st_ino};
}

inline QByteArray RealPathBytes(const QByteArray& path) {
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return {};
    QByteArray out(resolved);
    std::free(resolved);
    return out;
}

class FakeShellTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kFsFolder =
        FakeNode::kFolderAttributes | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
    static constexpr std::uint32_t kFsFile = FakeNode::kFileAttributes | SFGAO_FILESYSTEM;

    FakeShellTest() { ResetShellContext(); }
    ~FakeShellTest() override { ResetShellContext(); }

    FakeNode& Root() { return shell->Root(); }

    // Fake file-system folders for every component of a real absolute path,
    // with the real path as their parsing names, so that the fake Desktop
    // parses the real paths below it. Gives the last folder's node.
    FakeNode& MirrorFolder(const QByteArray& absolute) {
        FakeNode* node = &Root();
        const QList<QByteArray> parts = absolute.split('/');
        bool first = true;
        for (const QByteArray& part : parts) {
            if (part.isEmpty())
                continue;
            const QString name = NameFromBytes(part);
            FakeNode* child = node->Child(name);
            if (!child) {
                child = &node->AddFolder(name, kFsFolder);
                if (first)
                    child->SetParsingName(QStringLiteral("/") + name);
            }
            first = false;
            node = child;
        }
        return *node;
    }

    ScopedFakeShell shell;
};

// The real namespace, freshly installed for one test.
class RealShellTest : public ::testing::Test {
protected:
    RealShellTest() {
        ResetShellContext();
        m_previous = InstallShellNamespace(std::make_unique<LinuxShellNamespace>());
    }
    ~RealShellTest() override {
        InstallShellNamespace(std::move(m_previous));
        ResetShellContext();
    }

private:
    std::unique_ptr<ShellNamespace> m_previous;
};

/// The item named exactly `name` in a list made by a test; nullptr when none.
inline FolderItem* ByName(std::list<FolderItem>& items, const QString& name) {
    for (FolderItem& item : items) {
        if (item.name == name)
            return &item;
    }
    return nullptr;
}

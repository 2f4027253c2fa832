#include "pane/DescriptorLeftovers.h"

#include <fnmatch.h>
#include <unistd.h>

#include <QList>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/fs/RemoveTree.h"
#include "platform/namespace/NameCodec.h"
#include "shell/PathHelpers.h"

namespace {

// How deep the removal of a leftover tree goes; deeper trees are left alone
// rather than risk running out of descriptors.
constexpr int kMaxLeftoverDepth = 32;

constexpr std::size_t kNameBuffer = 64 * 1024;

bool IsLeftoverName(const char* name) {
    return ::fnmatch("TD_*.dir", name, FNM_PERIOD) == 0 ||
           ::fnmatch("Temporary*.zip", name, FNM_PERIOD) == 0;
}

}  // namespace

int RemoveDescriptorLeftovers() {
    const QByteArray temp = NameToBytes(TempFolder());
    if (temp.isEmpty())
        return 0;
    // The names are read and removed through one descriptor of the
    // temporary folder, so a folder swapped in under its path meanwhile is
    // never touched.
    DirectoryStream dir(temp);
    if (!dir.IsOpen())
        return 0;
    QList<QByteArray> names;
    std::vector<DirectoryStream::Name> read;
    while (dir.ReadNames(read, kNameBuffer)) {
        for (const DirectoryStream::Name& entry : read) {
            if (IsLeftoverName(entry.name.constData()))
                names << entry.name;
        }
        read.clear();
    }
    // Only what this user owns goes, never through a link, and not deeper
    // than a leftover of ours can be.
    int removed = 0;
    const RemoveTreeOptions options{
        .ownerOnly = ::geteuid(), .maxDepth = kMaxLeftoverDepth + 1, .removed = &removed};
    for (const QByteArray& name : names) RemoveTreeAt(dir.Fd(), name, options);
    return removed;
}

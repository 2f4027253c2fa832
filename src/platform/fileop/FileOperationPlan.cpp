#include "platform/fileop/FileOperationPlan.h"

#include <QSet>
#include <algorithm>
#include <cerrno>

#include "platform/fileop/FileOpError.h"
#include "platform/fileop/FileOpPaths.h"

using namespace fileop;

bool FileOpTarget::IsTargetOrAbove(const struct stat& folder) const {
    return std::any_of(chain.begin(), chain.end(), [&](const auto& id) {
        return id.first == folder.st_dev && id.second == folder.st_ino;
    });
}

FileOpTarget ReadTarget(const QByteArray& path, const struct stat& st, FileOpIo& io) {
    FileOpTarget target;
    target.path = path;
    target.st = st;
    // The chain is walked on the resolved path: through a link, ".." would
    // lead up the link's folders rather than the target's.
    char* real = ::realpath(path.constData(), nullptr);
    QByteArray walk = real ? QByteArray(real) : path;
    std::free(real);
    for (;;) {
        struct stat up {};
        if (io.Stat(walk, &up) == 0)
            target.chain.emplace_back(up.st_dev, up.st_ino);
        if (walk == "/")
            break;
        walk = ParentOf(walk);
    }
    return target;
}

std::vector<QByteArray> UniqueSources(const std::vector<QByteArray>& sources) {
    std::vector<QByteArray> unique;
    unique.reserve(sources.size());
    QSet<QByteArray> seen;
    seen.reserve(qsizetype(sources.size()));
    for (const QByteArray& raw : sources) {
        QByteArray source = StripTrailingSlashes(raw);
        if (source.isEmpty() || seen.contains(source))
            continue;
        seen.insert(source);
        unique.push_back(std::move(source));
    }
    return unique;
}

FileOperationPlan ExamineSources(const FileOpRequest& request, const FileOpTarget* target,
                                 FileOpIo& io) {
    FileOperationPlan plan;
    plan.sources = UniqueSources(request.sources);
    plan.tops.resize(plan.sources.size());
    plan.refused.assign(plan.sources.size(), false);
    const bool transfer = request.func != FileOpRequest::Delete;
    for (std::size_t i = 0; i < plan.sources.size(); ++i) {
        FileOpNode& node = plan.tops[i];
        node.name = plan.sources[i];
        if (io.Lstat(plan.sources[i], &node.st) != 0) {
            plan.refused[i] = true;
            plan.refusals.push_back(
                {i, FileOpError::FromErrno(FileOpStep::FindSource, plan.sources[i]).Text()});
            continue;
        }
        if (transfer && target && node.IsDir() && target->IsTargetOrAbove(node.st)) {
            plan.refused[i] = true;
            const FileOpStep step = request.func == FileOpRequest::Copy
                                        ? FileOpStep::CopyIntoItself
                                        : FileOpStep::MoveIntoItself;
            plan.refusals.push_back({i, FileOpError(step, plan.sources[i]).Text()});
        }
    }
    return plan;
}

bool NeedsWalk(const FileOpRequest& request, const FileOpNode& top, const FileOpTarget* target) {
    switch (request.func) {
        case FileOpRequest::Copy:
            return true;
        case FileOpRequest::Move:
            return !target || top.st.st_dev != target->st.st_dev;
        case FileOpRequest::Delete:
            return !request.allowUndo;
    }
    return true;
}

bool CountPlan(FileOperationPlan& plan, const FileOpRequest& request, const FileOpTarget* target,
               FileOpIo& io, const std::function<bool()>& keepGoing) {
    for (std::size_t i = 0; i < plan.sources.size(); ++i) {
        if (plan.refused[i])
            continue;
        FileOpNode& node = plan.tops[i];
        if (NeedsWalk(request, node, target)) {
            if (!WalkNode(node, plan.sources[i], io, keepGoing))
                return false;
            plan.totals.folders += node.folders;
            plan.totals.files += node.items - node.folders;
            plan.totals.bytes += node.bytes;
        } else {
            (node.IsDir() ? plan.totals.folders : plan.totals.files) += 1;
        }
    }
    return true;
}

FileOperationPlan PlanFileOperation(const FileOpRequest& request, const FileOpTarget* target,
                                    FileOpIo& io) {
    FileOperationPlan plan = ExamineSources(request, target, io);
    CountPlan(plan, request, target, io);
    return plan;
}

bool WalkNode(FileOpNode& node, const QByteArray& path, FileOpIo& io,
              const std::function<bool()>& keepGoing) {
    node.walked = true;
    node.bytes = S_ISREG(node.st.st_mode) ? std::uint64_t(node.st.st_size) : 0;
    node.items = 1;
    node.folders = node.IsDir() ? 1 : 0;
    if (!node.IsDir())
        return true;
    std::vector<QByteArray> names;
    node.children.clear();
    if (io.ReadDir(path, &names) != 0) {
        node.readError = errno;
        return true;
    }
    node.readError = 0;
    std::sort(names.begin(), names.end());
    node.children.reserve(names.size());
    for (QByteArray& name : names) {
        FileOpNode child;
        child.name = std::move(name);
        const QByteArray childPath = Join(path, child.name);
        if (io.Lstat(childPath, &child.st) != 0)
            continue;  // gone since the folder was read
        const bool complete = WalkNode(child, childPath, io, keepGoing);
        node.bytes += child.bytes;
        node.items += child.items;
        node.folders += child.folders;
        node.children.push_back(std::move(child));
        if (!complete)
            return false;
    }
    return !keepGoing || keepGoing();
}

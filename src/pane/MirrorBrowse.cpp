#include "pane/MirrorBrowse.h"

#include <QStringList>

#include "shell/PathHelpers.h"

namespace {

bool g_mirrorBrowsing = false;

constexpr QChar kSlash = QLatin1Char('/');

QStringList Components(const QString& text) {
    return text.split(kSlash, Qt::SkipEmptyParts);
}

// The other path without its last `count` components ("/" when none is
// left); the path itself when it has fewer.
QString WithoutTrailingComponents(const QString& path, qsizetype count) {
    QStringList parts = Components(path);
    if (count <= 0 || count > parts.size())
        return path;
    parts.resize(parts.size() - count);
    return kSlash + parts.join(kSlash);
}

}  // namespace

bool MirrorBrowsing() {
    return g_mirrorBrowsing;
}

void SetMirrorBrowsing(bool on) {
    g_mirrorBrowsing = on;
}

ScopedMirrorOff::ScopedMirrorOff() : m_previous(g_mirrorBrowsing) {
    g_mirrorBrowsing = false;
}

ScopedMirrorOff::~ScopedMirrorOff() {
    g_mirrorBrowsing = m_previous;
}

MirrorPlan PlanMirror(const QString& oldPath, const QString& newPath, const QString& otherPath) {
    MirrorPlan plan;
    // Nothing moved, nothing to mirror.
    if (oldPath == newPath)
        return plan;

    // The common part of the old and new paths.
    qsizetype common = 0;
    const qsizetype shorter = std::min(oldPath.size(), newPath.size());
    while (common < shorter && oldPath.at(common) == newPath.at(common)) ++common;
    if (common == 0 || otherPath.isEmpty()) {
        plan.kind = MirrorPlan::kFail;
        return plan;
    }
    qsizetype cut;
    if (common == newPath.size() && common < oldPath.size() && oldPath.at(common) == kSlash)
        cut = common;
    else if (common == oldPath.size() && common < newPath.size() && newPath.at(common) == kSlash)
        cut = common + 1;
    else
        cut = oldPath.lastIndexOf(kSlash, common - 1) + 1;
    if (cut <= 0) {
        plan.kind = MirrorPlan::kFail;
        return plan;
    }

    const QString oldRest = cut < oldPath.size() ? oldPath.mid(cut) : QString();
    const qsizetype oldLevels = Components(oldRest).size();
    if (cut < newPath.size()) {
        // Components rather than characters are taken off: folders
        // of the two trees need not have names of the same length.
        plan.kind = MirrorPlan::kOpen;
        plan.path = PathJoin(WithoutTrailingComponents(otherPath, oldLevels), newPath.mid(cut));
    } else {
        // Up as many levels as the pane went; none cannot be mirrored.
        if (oldLevels == 0) {
            plan.kind = MirrorPlan::kFail;
            return plan;
        }
        plan.kind = MirrorPlan::kUp;
        plan.levels = int(oldLevels);
    }
    return plan;
}

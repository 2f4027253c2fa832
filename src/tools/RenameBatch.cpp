#include "tools/RenameBatch.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

int RenameNoReplace(int folderFd, const QByteArray& from, const QByteArray& to) {
    if (::renameat2(folderFd, from.constData(), folderFd, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

QString RenameOutcome::Report(int total) const {
    QStringList lines;
    if (!error.isEmpty())
        lines << error;
    lines << (done.empty() ? RenameTexts::kStoppedNone
                           : RenameTexts::kStoppedDone.arg(done.size()).arg(total));
    for (const auto& [from, to] : done)
        lines << QStringLiteral("  %1 -> %2").arg(DisplayFromName(from), DisplayFromName(to));
    for (const QString& stray : strays) lines << stray;
    return lines.join(QLatin1Char('\n'));
}

RenameOutcome RunRenameBatch(const QString& folder, const std::vector<RenameRow>& rows,
                             const QSet<QString>& existing, const RenameCall& call) {
    RenameOutcome outcome;
    const RenameCall rename = call ? call : RenameCall(RenameNoReplace);
    const UniqueFd dir(::open(NameToBytes(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) {
        outcome.error = RenameTexts::kFailed.arg(DisplayFromName(folder), DisplayFromName(folder),
                                                 QString::fromLocal8Bit(::strerror(errno)));
        return outcome;
    }
    const std::vector<RenameStep> steps = PlanRenameSteps(rows, existing);
    std::vector<QString> parked(rows.size());  // a row's temporary name while parked
    for (const RenameStep& step : steps) {
        const int err = rename(dir.get(), NameToBytes(step.from), NameToBytes(step.to));
        const RenameRow& row = rows[std::size_t(step.row)];
        if (err != 0) {
            outcome.error =
                RenameTexts::kFailed.arg(DisplayFromName(row.oldName), DisplayFromName(row.newName),
                                         QString::fromLocal8Bit(::strerror(err)));
            break;
        }
        if (step.toTemp) {
            parked[std::size_t(step.row)] = step.to;
            continue;
        }
        parked[std::size_t(step.row)].clear();
        outcome.done.emplace_back(row.oldName, row.newName);
    }
    // A row still parked goes back home; its old name was freed only by the
    // batch, and an item that took it since keeps it.
    for (std::size_t i = 0; i < parked.size(); ++i) {
        if (parked[i].isEmpty())
            continue;
        if (rename(dir.get(), NameToBytes(parked[i]), NameToBytes(rows[i].oldName)) != 0)
            outcome.strays << RenameTexts::kLeftAsTemp.arg(DisplayFromName(rows[i].oldName),
                                                           DisplayFromName(parked[i]));
    }
    return outcome;
}

std::vector<RenameRow> UndoRows(const RenameOutcome& done) {
    std::vector<RenameRow> rows;
    rows.reserve(done.done.size());
    for (const auto& [from, to] : done.done) rows.push_back({to, from, QString()});
    return rows;
}

QSet<QString> FolderNames(const QString& folder) {
    QSet<QString> names;
    const std::optional<std::vector<QByteArray>> read = DirectoryNames(NameToBytes(folder));
    if (!read)
        return names;
    names.reserve(qsizetype(read->size()));
    for (const QByteArray& name : *read) names.insert(NameFromBytes(name));
    return names;
}

#include "find/FindRequest.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QDate>
#include <QTime>

#include "find/FindCriteria.h"
#include "platform/namespace/NameCodec.h"
#include "platform/walk/TreeWalker.h"

QString FindPatternText(const QString& named, bool autoPad) {
    PatternList list;
    list.Parse(named);
    if (list.count() == 1 && list.patterns().first() == QStringLiteral("*"))
        return {};
    if (!autoPad || list.isEmpty() || named.contains(u'?') || named.contains(u'*'))
        return list.ToText();
    QStringList padded;
    for (const QString& pattern : list.patterns())
        padded.append(pattern.startsWith(u'-')
                          ? pattern
                          : QStringLiteral("*") + pattern + QStringLiteral("*"));
    PatternList again;
    again.Parse(padded.join(u','));
    return again.ToText();
}

void SetFindDateWindow(FindRequest& request, const FindCriteria& criteria, const QDateTime& now) {
    if (criteria.dateMethod == kDatePrevious) {
        const std::int64_t until = now.toSecsSinceEpoch();
        const std::int64_t n = criteria.prevCount;
        std::int64_t back = n * 3600;
        if (criteria.prevUnits == kPrevDays)
            back = n * 86400;
        else if (criteria.prevUnits == kPrevMonths)
            back = n * 30 * 86400;
        request.dateUntil = until;
        request.dateFrom = until - back;
        return;
    }
    const QDate from =
        criteria.from && criteria.from->isValid() ? *criteria.from : QDate(1900, 1, 1);
    request.dateFrom = QDateTime(from, QTime(0, 0, 0)).toSecsSinceEpoch();
    const QDate until = criteria.until && criteria.until->isValid() ? *criteria.until : now.date();
    request.dateUntil = QDateTime(until, QTime(23, 59, 59)).toSecsSinceEpoch();
}

void SetFindSizeWindow(FindRequest& request, const FindCriteria& criteria) {
    const std::uint64_t limit = std::uint64_t(std::max(0, criteria.kiloBytes)) * 1024u;
    if (criteria.sizeKind == kSizeAtMost) {
        request.sizeMin = 0;
        request.sizeMax = limit;
    } else {
        request.sizeMin = limit;
        request.sizeMax = UINT64_MAX;
    }
}

FindRequest BuildFindRequest(const FindChecked& checked, const FindCriteria& criteria,
                             const TextScanOptions& textOptions, int dateKind,
                             const QDateTime& now) {
    FindRequest request;
    request.useDates = checked.useDates;
    request.useSize = checked.useSize;
    request.useText = checked.useText;
    request.recursive = criteria.recursive;
    if (request.useText)
        request.text = checked.findWhat.toUtf8();
    request.textOptions = textOptions;
    request.lookIn = checked.lookIn;
    for (const QString& folder : checked.folders) request.folders.append(NameToBytes(folder));
    request.patterns.Parse(FindPatternText(checked.named, criteria.autoPad));
    if (request.useDates)
        SetFindDateWindow(request, criteria, now);
    if (request.useSize)
        SetFindSizeWindow(request, criteria);
    request.dateKind = dateKind < 0 || dateKind > 2 ? 0 : dateKind;
    return request;
}

// -- The search ------------------------------------------------------------------

namespace {

class FindVisitor : public WalkVisitor {
public:
    FindVisitor(const FindRequest& request, const std::atomic<bool>& stop, const FindSink& sink)
        : m_request(request), m_stop(stop), m_sink(sink) {
        m_poll = [this] { return m_stop.load(std::memory_order_relaxed); };
    }

    bool Entry(WalkEntry& entry) override {
        if (Passes(entry))
            m_sink.found(entry.Path());
        return m_request.recursive;
    }

    void EnterFolder(const QByteArray& path, int) override {
        if (m_sink.folder)
            m_sink.folder(path);
    }

private:
    bool Passes(WalkEntry& entry) {
        const std::string_view name = entry.Name();
        if (!m_request.patterns.isEmpty() &&
            !m_request.patterns.Matches(NameFromBytes(name.data(), qsizetype(name.size()))))
            return false;
        if (m_request.useDates && !DatePasses(entry))
            return false;
        if (m_request.useSize || m_request.useText) {
            if (entry.IsFolder())
                return false;
        }
        if (m_request.useSize) {
            const struct stat* st = entry.Stat();
            if (!st)
                return false;
            const std::uint64_t size = std::uint64_t(st->st_size);
            if (size < m_request.sizeMin || size > m_request.sizeMax)
                return false;
        }
        if (m_request.useText) {
            const std::string name(entry.Name());
            if (ScanFileForTextAt(entry.FolderFd(), name.c_str(), m_request.text,
                                  m_request.textOptions, m_poll) != 1)
                return false;
        }
        return true;
    }

    bool DatePasses(WalkEntry& entry) {
        std::int64_t seconds = 0;
        if (m_request.dateKind == 1) {
            // The walker's status has no birth time; statx has it where the
            // file system keeps one. Without it the entry has no date.
            struct statx sx {};
            const std::string name(entry.Name());
            if (::statx(entry.FolderFd(), name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) !=
                    0 ||
                !(sx.stx_mask & STATX_BTIME))
                return false;
            seconds = sx.stx_btime.tv_sec;
        } else {
            const struct stat* st = entry.Stat();
            if (!st)
                return false;
            seconds = m_request.dateKind == 2 ? st->st_atim.tv_sec : st->st_mtim.tv_sec;
        }
        return seconds >= m_request.dateFrom && seconds <= m_request.dateUntil;
    }

    const FindRequest& m_request;
    const std::atomic<bool>& m_stop;
    const FindSink& m_sink;
    std::function<bool()> m_poll;
};

}  // namespace

FindOutcome RunFindSearch(const FindRequest& request, const std::atomic<bool>& stop,
                          const FindSink& sink) {
    FindVisitor visitor(request, stop, sink);
    WalkOptions options;
    if (!request.recursive)
        options.maxDepth = 1;
    for (const QByteArray& folder : request.folders) {
        if (stop.load(std::memory_order_relaxed))
            return FindOutcome::Stopped;
        if (folder.isEmpty())
            continue;
        TreeWalker walker(&stop);
        if (walker.Walk(folder, visitor, options) == WalkResult::Stopped)
            return FindOutcome::Stopped;
    }
    return stop.load(std::memory_order_relaxed) ? FindOutcome::Stopped : FindOutcome::Done;
}

#include "pane/TypeAheadSearch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>

#include "pane/PaneRowModel.h"
#include "platform/ui/Prompter.h"
#include "shell/FolderItem.h"

namespace {

unsigned long SteadyNow() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return (unsigned long)clock.elapsed();
}

}  // namespace

unsigned long TypeAheadSearch::Now(unsigned long timestamp) const {
    // Key events carry the window system's time; a synthetic event without
    // one falls back to the clock.
    if (timestamp != 0)
        return timestamp;
    return m_clock ? m_clock() : SteadyNow();
}

bool TypeAheadSearch::Letters::Add(const QString& typed, unsigned long now,
                                   unsigned long interval) {
    // Unsigned: a time that went backwards counts as a long pause too.
    const bool fresh = !started || now - time > interval;
    if (fresh)
        text.clear();
    started = true;
    time = now;
    text += typed;
    return fresh;
}

int TypeAheadSearch::Contains(QChar letter, unsigned long timestamp, int focused) {
    const int found = FindContaining(letter, timestamp, focused);
    if (found < 0)
        Beep(BeepKind::Exclamation);
    return found;
}

int TypeAheadSearch::ShiftedLetter(const QString& text, QChar letter, unsigned long timestamp,
                                   int focused) {
    const int prefix = Prefix(text, timestamp, focused);
    const int containing = FindContaining(letter, timestamp, focused);
    if (prefix >= 0)
        return prefix;
    if (containing < 0)
        Beep(BeepKind::Exclamation);
    return containing;
}

int TypeAheadSearch::FindContaining(QChar letter, unsigned long timestamp, int focused) {
    m_contains.Add(QString(letter), Now(timestamp), kContainsResetMs);
    const int count = m_model->Count();
    auto matches = [&](int row) {
        return m_model->ItemAt(row)->displayName.toUpper().contains(m_contains.text);
    };
    int found = -1;
    for (int row = focused + 1; row < count && found < 0; ++row) {
        if (matches(row))
            found = row;
    }
    if (found < 0 && focused >= 0) {
        for (int row = 0; row <= focused && found < 0; ++row) {
            if (matches(row))
                found = row;
        }
    }
    return found;
}

int TypeAheadSearch::Prefix(const QString& text, unsigned long timestamp, int focused) {
    // The views' own search would do the same, but its buffer outlives the
    // rows: letters typed just before a folder change would prefix the
    // search in the new folder.
    const bool fresh =
        m_prefix.Add(text, Now(timestamp), (unsigned long)QApplication::keyboardInputInterval());
    const int count = m_model->Count();
    if (count == 0)
        return -1;
    // A new search looks past the focused row; a longer one may stay on it.
    const int first = fresh && focused >= 0 ? focused + 1 : std::max(focused, 0);
    for (int i = 0; i < count; ++i) {
        const int row = (first + i) % count;
        if (m_model->ItemAt(row)->displayName.startsWith(m_prefix.text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

void TypeAheadSearch::Reset() {
    m_contains = {};
    m_prefix = {};
}

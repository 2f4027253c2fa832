#include "pane/NavigationList.h"

namespace {

constexpr QChar kSeparator = QLatin1Char('\n');

}  // namespace

QString NavigationList::PathOf(const QString& entry) {
    const qsizetype cut = entry.indexOf(kSeparator);
    return cut < 0 ? entry : entry.left(cut);
}

QString NavigationList::NameOf(const QString& entry) {
    const qsizetype cut = entry.indexOf(kSeparator);
    return cut < 0 ? QString() : entry.mid(cut + 1);
}

bool NavigationList::HasPath(int index, const QString& path) const {
    return index >= 0 && index < m_entries.size() && PathOf(m_entries.at(index)) == path;
}

void NavigationList::Leave(const QString& focusedName) {
    if (m_current < 0)
        return;
    QString entry = PathOf(m_entries.at(m_current));
    if (!focusedName.isEmpty())
        entry += kSeparator + focusedName;
    m_entries[m_current] = entry;
}

QString NavigationList::Enter(const QString& path) {
    // A move to a neighbour (Back, Forward, or the same folder
    // again) only moves the position.
    for (int index : {m_current, m_current - 1, m_current + 1}) {
        if (m_current >= 0 && HasPath(index, path)) {
            m_current = index;
            return NameOf(m_entries.at(index));
        }
    }

    // A new visit cuts off the forward part of the history.
    while (m_entries.size() > m_current + 1) m_entries.removeLast();
    QString focus;
    for (int index = int(m_entries.size()) - 1; index >= 0; --index) {
        if (HasPath(index, path)) {
            focus = NameOf(m_entries.at(index));
            break;
        }
    }
    m_entries.append(path);
    while (m_entries.size() > kMaxEntries) m_entries.removeFirst();
    m_current = int(m_entries.size()) - 1;
    return focus;
}

std::optional<QString> NavigationList::PreviousPath() const {
    if (m_current <= 0)
        return std::nullopt;
    return PathOf(m_entries.at(m_current - 1));
}

std::optional<QString> NavigationList::NextPath() const {
    if (m_current < 0 || m_current + 1 >= m_entries.size())
        return std::nullopt;
    return PathOf(m_entries.at(m_current + 1));
}

void NavigationList::DropFailed(const QString& text) {
    if (m_current < 0)
        return;
    // The current entry is what the pane still shows; it stays.
    if (HasPath(m_current, text))
        return;
    if (HasPath(m_current - 1, text)) {
        m_entries.removeAt(m_current - 1);
        --m_current;
    } else if (HasPath(m_current + 1, text)) {
        m_entries.removeAt(m_current + 1);
    }
}

#include "shell/HistoryList.h"

#include <QComboBox>
#include <algorithm>

#include "platform/store/ProfileStore.h"

void HistoryList::Add(int maximum, const QString& text) {
    if (text.isEmpty())
        return;
    const qsizetype at = m_entries.indexOf(text);
    if (at >= 0) {
        m_entries.move(at, 0);
        return;
    }
    m_entries.prepend(text);
    if (m_entries.size() > maximum)
        m_entries.removeLast();
}

std::optional<QString> HistoryList::First() const {
    if (m_entries.isEmpty())
        return std::nullopt;
    return m_entries.front();
}

void HistoryList::Load(int maximum, const ProfileStore& store, const QString& section) {
    m_entries.clear();
    for (int i = 0; i < maximum; ++i) {
        const QString text = store.GetProfileString(section, QString::number(i));
        if (text.isEmpty())
            break;
        m_entries.append(text);
    }
    m_entries.removeDuplicates();  // keeps the first of equal entries
}

void HistoryList::Save(int maximum, ProfileStore& store, const QString& section) const {
    const qsizetype n = std::min<qsizetype>(m_entries.size(), std::max(maximum, 0));
    for (qsizetype i = 0; i < n; ++i)
        store.WriteProfileString(section, QString::number(i), m_entries[i]);
}

void HistoryList::FillCombo(int maximum, QComboBox* combo, const QString& text) const {
    if (!combo)
        return;
    const qsizetype n = std::min<qsizetype>(m_entries.size(), std::max(maximum, 0));
    for (qsizetype i = 0; i < n; ++i) combo->addItem(m_entries[i]);
    QString shown = text;
    if (shown.isEmpty() && !m_entries.isEmpty())
        shown = m_entries.front();
    if (combo->isEditable())
        combo->setEditText(shown);
    else
        combo->setCurrentText(shown);
}

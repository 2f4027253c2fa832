#pragma once
// NameRange: the names of the search range of a list: the entries from a
// start position to the end, which are the ones not met yet, when one
// listing of a folder is matched against another by name.
//
// A met entry leaves the range (Take), either because it was the start or
// because the caller moves it in front of the start. Lookups check the
// start first, which is all it takes when both sides list the folder in the
// same order; the first miss builds a hash of the range's names, so a
// different order stays linear overall. Names are compared exactly; a name
// the range holds twice is found at its first place.
//
// `List` is a std::list (or any list whose iterators survive splicing) of
// anything with a QString `name`. The range holds iterators into it: the
// caller may splice entries in front of Start() but must not erase entries
// of the range other than through Take.

#include <QHash>
#include <QSet>
#include <QString>

template <typename List>
class NameRange {
public:
    using Iterator = typename List::iterator;

    NameRange(List& list, Iterator start) : m_list(list), m_start(start) {}

    Iterator Start() const { return m_start; }

    /// The first entry of the range named `name`; end() when none.
    Iterator Find(const QString& name) {
        if (m_start == m_list.end())
            return m_list.end();
        if (m_start->name == name)
            return m_start;
        if (!m_indexed)
            BuildIndex();
        if (m_duplicates.contains(name)) {
            for (auto it = m_start; it != m_list.end(); ++it) {
                if (it->name == name)
                    return it;
            }
            return m_list.end();
        }
        return m_index.value(name, m_list.end());
    }

    /// Takes `it` (found by Find) out of the range.
    void Take(Iterator it) {
        if (it == m_start)
            ++m_start;
        if (m_indexed) {
            auto found = m_index.find(it->name);
            if (found != m_index.end() && found.value() == it)
                m_index.erase(found);
        }
    }

private:
    void BuildIndex() {
        m_indexed = true;
        for (auto it = m_start; it != m_list.end(); ++it) {
            if (m_index.contains(it->name))
                m_duplicates.insert(it->name);
            else
                m_index.insert(it->name, it);
        }
    }

    List& m_list;
    Iterator m_start;
    bool m_indexed = false;
    QHash<QString, Iterator> m_index;
    QSet<QString> m_duplicates;
};

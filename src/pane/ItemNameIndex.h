#pragma once
// ItemNameIndex: the items of a folder's list under their names, for
// look-ups by exact name in O(1) on average.
//
// The index is built on demand (Ensure: one pass over the list) and dropped
// when the list is refilled wholesale (Drop); while it is built, the list's
// owner reports every item it puts into the list (Insert) and every item it
// takes out (Remove). Until it is built, Insert and Remove do nothing, so a
// list that is never searched costs nothing. A name the list holds twice is
// indexed twice.
//
// Holds iterators of a std::list<FolderItem>; owns nothing.

#include <QHash>
#include <QList>
#include <QString>
#include <list>

#include "shell/FolderItem.h"

class ItemNameIndex {
public:
    using ItemList = std::list<FolderItem>;

    /// Builds the index of `items` unless it is built.
    void Ensure(ItemList& items);
    /// Forgets every name; the next Ensure builds afresh.
    void Drop();
    bool IsBuilt() const { return m_built; }

    void Insert(ItemList::iterator it);
    void Remove(ItemList::iterator it);

    /// How many items are named `name` (0 while not built).
    qsizetype CountOf(const QString& name) const { return m_byName.count(name); }
    /// The one item named `name`; for a name indexed once only.
    FolderItem* OnlyOne(const QString& name) const { return &*m_byName.value(name); }
    /// Every item named `name`.
    QList<ItemList::iterator> AllOf(const QString& name) const { return m_byName.values(name); }

private:
    bool m_built = false;
    QMultiHash<QString, ItemList::iterator> m_byName;
};

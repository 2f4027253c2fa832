#include "pane/ItemNameIndex.h"

void ItemNameIndex::Ensure(ItemList& items) {
    if (m_built)
        return;
    m_byName.clear();
    m_byName.reserve(qsizetype(items.size()));
    m_built = true;
    for (auto it = items.begin(); it != items.end(); ++it) Insert(it);
}

void ItemNameIndex::Drop() {
    m_built = false;
    m_byName.clear();
}

void ItemNameIndex::Insert(ItemList::iterator it) {
    if (m_built)
        m_byName.insert(it->name, it);
}

void ItemNameIndex::Remove(ItemList::iterator it) {
    if (m_built)
        m_byName.remove(it->name, it);
}

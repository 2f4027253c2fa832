#pragma once
// Id-list arithmetic: the operations every part of the program uses to name
// places and items of the shell namespace.
//
// All functions take and give IdList values. A function that makes a list
// gives a new, independent value; there is no allocator to free it with.
// A null IdList means "no list" (a failed operation) and is distinct from
// the empty list, which names the Desktop. Every walk goes by the items'
// counts and stops at the terminator; nothing reads past it.
//
// Cost: each call walks the list once (a few hundred bytes at most in
// practice) and, when it gives a list, makes one allocation.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellFolder.h"

/// Bytes of all items, terminator not counted; 0 for the empty and the null
/// list.
std::size_t PidlSize(const IdList& list);

/// Number of items; 0 for the empty and the null list.
int PidlCount(const IdList& list);

/// A new list with the same items; null for null.
IdList PidlCopy(const IdList& list);

/// A new list of `a`'s items followed by `b`'s (size of `a` + size of `b` +
/// the terminator). Null when either is null or the result would not fit.
IdList PidlConcat(const IdList& a, const IdList& b);

/// A new empty list (the Desktop).
IdList PidlEmpty();

/// A new one-item list holding the last item; null for the empty list.
IdList PidlLast(const IdList& list);

/// A new list without the last `n` items; null when the list is empty or
/// has fewer than `n` items. PidlTrim(list, 1) names the parent folder;
/// PidlTrim(list, PidlCount(list)) is the empty list.
IdList PidlTrim(const IdList& list, int n);

/// What PidlBindParent gives: the parent folder of the list's last item and
/// that item as a one-item list. `folder` is null when the parent can't be
/// bound (or the list is empty or null).
struct BoundParent {
    std::unique_ptr<ShellFolder> folder;
    IdList last;
};

/// Binds the parent folder of an absolute list's last item: the Desktop's
/// BindToObject for the list without its last item, or the Desktop itself
/// when that is empty. The given list is not changed.
BoundParent PidlBindParent(const IdList& absolute);

/// -1 when the absolute list names a folder (the empty list is the Desktop,
/// a folder), 1 when it names something else, 0 when its parent can't be
/// bound or does not know the item. Asks the parent's GetAttributesOf for
/// SFGAO_FOLDER.
int PidlIsFolder(const IdList& absolute);

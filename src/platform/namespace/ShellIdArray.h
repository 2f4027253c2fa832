#pragma once
// The "Shell IDList Array" layout (ClipFormats::kShellIdList): a u32 count n,
// n + 1 u32 offsets from the start of the block, then the parent folder's
// absolute id list (offset 0) and the n items' relative id lists. Integers
// are little-endian.

#include <QByteArray>
#include <optional>
#include <span>
#include <vector>

#include "platform/namespace/IdList.h"

struct ShellIdArray {
    IdList parent;              // absolute
    std::vector<IdList> items;  // relative to parent
};

/// Writes the block. Null lists are written as empty lists.
QByteArray EncodeShellIdArray(const IdList& parent, std::span<const IdList> items);

/// Reads a block from untrusted bytes: every offset must lie inside the block
/// and every list be well formed (IdList::FromBytes); else nullopt. Cost:
/// linear in the block's size.
std::optional<ShellIdArray> DecodeShellIdArray(const QByteArray& block);

// Id lists and the "Shell IDList Array" block from bytes of another program
// (or of a damaged store): a list read from bytes is well formed, and every
// block that decodes encodes to one that decodes to the same lists.

#include <span>

#include "FuzzSupport.h"
#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellIdArray.h"

namespace {

void CheckList(const IdList& list, std::size_t available) {
    if (list.IsNull())
        return;
    FUZZ_CHECK(list.ByteSize() >= 2 && list.ByteSize() <= available);
    const int count = list.Count();
    std::size_t sum = 0;
    for (int i = 0; i < count; ++i) sum += list.ItemPayload(i).size() + 2;
    FUZZ_CHECK(sum == list.Size());
    // A list copied out of its own bytes is the same list.
    const IdList again = IdList::FromBytes(std::span(list.Data(), list.ByteSize()));
    FUZZ_CHECK(again == list);
    FUZZ_CHECK(list.Prefix(count / 2).Concat(list.Suffix(count / 2)) == list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckList(IdList::FromBytes(std::span(data, size)), size);

    const QByteArray block(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto array = DecodeShellIdArray(block);
    if (!array)
        return 0;
    CheckList(array->parent, size);
    for (const IdList& item : array->items) CheckList(item, size);
    const auto again = DecodeShellIdArray(EncodeShellIdArray(array->parent, array->items));
    FUZZ_CHECK(again);
    FUZZ_CHECK(again->items.size() == array->items.size());
    FUZZ_CHECK(again->parent == array->parent);
    for (std::size_t i = 0; i < array->items.size(); ++i)
        FUZZ_CHECK(again->items[i] == array->items[i]);
    return 0;
}

#include "shell/Pidl.h"

#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"
#include "shell/ShellContext.h"

std::size_t PidlSize(const IdList& list) {
    return list.Size();
}

int PidlCount(const IdList& list) {
    return list.Count();
}

IdList PidlCopy(const IdList& list) {
    return list;
}

IdList PidlConcat(const IdList& a, const IdList& b) {
    return a.Concat(b);
}

IdList PidlEmpty() {
    return IdList::Empty();
}

IdList PidlLast(const IdList& list) {
    return list.Last();
}

IdList PidlTrim(const IdList& list, int n) {
    return list.Trim(n);
}

BoundParent PidlBindParent(const IdList& absolute) {
    BoundParent result;
    if (absolute.IsNull() || absolute.IsEmpty())
        return result;
    result.last = absolute.Last();
    const IdList parent = absolute.Trim(1);
    if (parent.IsEmpty()) {
        result.folder = SHGetDesktopFolder();
    } else if (ShellFolder* desktop = ContextDesktop()) {
        result.folder = desktop->BindToObject(parent);
    } else if (auto fresh = SHGetDesktopFolder()) {
        result.folder = fresh->BindToObject(parent);
    }
    return result;
}

int PidlIsFolder(const IdList& absolute) {
    if (absolute.IsNull())
        return 0;
    if (absolute.IsEmpty())
        return -1;
    BoundParent bound = PidlBindParent(absolute);
    if (!bound.folder)
        return 0;
    std::uint32_t attributes = SFGAO_FOLDER;
    if (!bound.folder->GetAttributesOf({&bound.last, 1}, attributes))
        return 0;
    return (attributes & SFGAO_FOLDER) ? -1 : 1;
}

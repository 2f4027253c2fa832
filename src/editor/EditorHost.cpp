#include "editor/EditorHost.h"

namespace {

EditorHost& Host() {
    static EditorHost host;
    return host;
}

}  // namespace

void SetEditorHost(EditorHost host) {
    Host() = std::move(host);
}

const EditorHost& GetEditorHost() {
    return Host();
}

ProfileStore* EditorStore() {
    return Host().store ? Host().store() : nullptr;
}

#include "platform/ui/CommandTarget.h"

#include <utility>

CommandTarget::~CommandTarget() = default;

bool CommandTarget::OnCommand(int id) {
    const CommandEntry* entry = FindCommand(id);
    if (entry == nullptr)
        return false;
    // A copy: the handler may change this target's map (or destroy it).
    const std::function<void(int)> handler = entry->handler;
    handler(id);
    return true;
}

bool CommandTarget::OnUpdateCommand(int id, CommandState& state) {
    if (const UpdateEntry* entry = FindUpdate(id)) {
        const std::function<void(int, CommandState&)> handler = entry->handler;
        handler(id, state);
        return true;
    }
    return FindCommand(id) != nullptr;
}

void CommandTarget::MapCommand(int id, std::function<void()> handler) {
    m_commands.push_back({id, id, [handler = std::move(handler)](int) { handler(); }});
}

void CommandTarget::MapCommandRange(int first, int last, std::function<void(int)> handler) {
    m_commands.push_back({first, last, std::move(handler)});
}

void CommandTarget::MapUpdate(int id, std::function<void(CommandState&)> handler) {
    m_updates.push_back(
        {id, id, [handler = std::move(handler)](int, CommandState& state) { handler(state); }});
}

void CommandTarget::MapUpdateRange(int first, int last,
                                   std::function<void(int, CommandState&)> handler) {
    m_updates.push_back({first, last, std::move(handler)});
}

const CommandTarget::CommandEntry* CommandTarget::FindCommand(int id) const {
    for (const CommandEntry& entry : m_commands) {
        if (InRange(id, entry.first, entry.last))
            return &entry;
    }
    return nullptr;
}

const CommandTarget::UpdateEntry* CommandTarget::FindUpdate(int id) const {
    for (const UpdateEntry& entry : m_updates) {
        if (InRange(id, entry.first, entry.last))
            return &entry;
    }
    return nullptr;
}

#include "platform/shellui/VerbContextMenu.h"

namespace {

struct VerbText {
    const char* verb;
    const char* text;
    const char* help;
};

// The texts of the standard verbs, kept once here.
constexpr VerbText kVerbTexts[] = {
    {"open", "&Open", "Opens the selected item"},
    {"openwith", "Open &with", "Opens the selected item with another application"},
    {"cut", "Cu&t", "Cuts the selected item to the clipboard, to move it elsewhere"},
    {"copy", "&Copy", "Copies the selected item to the clipboard"},
    {"paste", "&Paste", "Pastes the clipboard's items into this folder"},
    {"link", "Create &link", "Makes a symbolic link to the selected item in its folder"},
    {"delete", "&Delete", "Deletes the selected item"},
    {"rename", "Rena&me", "Renames the selected item"},
    {"properties", "P&roperties", "Shows the properties of the selected item"},
    // "R" is taken by "P&roperties" in the same menu.
    {"restore", "R&estore", "Puts the selected item back where it was deleted from"},
};

// The menu entry of a verb under the command id `id`.
ContextMenuEntry EntryOf(const MenuVerb& v, int id) {
    ContextMenuEntry entry;
    entry.id = id;
    entry.verb = v.verb;
    entry.text = v.text;
    entry.helpText = v.helpText;
    entry.icon = v.icon;
    entry.isDefault = v.isDefault;
    entry.enabled = v.enabled;
    return entry;
}

}  // namespace

MenuVerb StandardVerb(const QString& verb, std::function<bool(const InvokeContext&)> run) {
    MenuVerb out;
    out.verb = verb;
    out.text = verb;
    for (const VerbText& t : kVerbTexts) {
        if (verb == QLatin1String(t.verb)) {
            out.text = QString::fromUtf8(t.text);
            out.helpText = QString::fromUtf8(t.help);
        }
    }
    out.isDefault = verb == QLatin1String("open");
    if (verb == QLatin1String("rename"))
        out.requiredFlags = CMF_CANRENAME;
    out.run = std::move(run);
    return out;
}

VerbContextMenu::VerbContextMenu(std::vector<MenuVerb> verbs) : m_verbs(std::move(verbs)) {
    std::function<void(const std::vector<MenuVerb>&)> collect = [&](const auto& list) {
        for (const MenuVerb& v : list) {
            if (v.IsSubmenu())
                collect(v.children);
            else if (!v.IsSeparator())
                m_commands.push_back(&v);
        }
    };
    collect(m_verbs);
}

void VerbContextMenu::AppendEntries(const std::vector<MenuVerb>& verbs,
                                    std::vector<ContextMenuEntry>& out, int& next, int firstId,
                                    int lastId, std::uint32_t flags) const {
    for (const MenuVerb& v : verbs) {
        const bool shown = (flags & v.requiredFlags) == v.requiredFlags;
        if (v.IsSeparator()) {
            if (!out.empty() &&
                !(out.back().id == 0 && out.back().text.isEmpty() && out.back().children.empty())) {
                out.push_back(ContextMenuEntry{});
            }
            continue;
        }
        if (v.IsSubmenu()) {
            ContextMenuEntry entry;
            entry.verb = v.verb;
            entry.text = v.text;
            entry.helpText = v.helpText;
            entry.icon = v.icon;
            entry.enabled = v.enabled;
            AppendEntries(v.children, entry.children, next, firstId, lastId, flags);
            if (shown && !entry.children.empty())
                out.push_back(std::move(entry));
            continue;
        }
        const int id = firstId + next++;
        if (!shown || id > lastId)
            continue;
        out.push_back(EntryOf(v, id));
    }
    // A separator never ends a menu.
    while (!out.empty() && out.back().id == 0 && out.back().text.isEmpty() &&
           out.back().children.empty()) {
        out.pop_back();
    }
}

bool VerbContextMenu::QueryContextMenu(std::vector<ContextMenuEntry>& out, int firstId, int lastId,
                                       std::uint32_t flags) {
    if (flags & CMF_DEFAULTONLY) {
        for (std::size_t i = 0; i < m_commands.size(); ++i) {
            const MenuVerb& v = *m_commands[i];
            const int id = firstId + int(i);
            if (v.isDefault && id <= lastId) {
                out.push_back(EntryOf(v, id));
                return true;
            }
        }
        return false;
    }
    std::vector<ContextMenuEntry> entries;
    int next = 0;
    AppendEntries(m_verbs, entries, next, firstId, lastId, flags);
    if (entries.empty())
        return false;
    for (auto& e : entries) out.push_back(std::move(e));
    return true;
}

std::optional<QString> VerbContextMenu::GetCommandString(int offset) {
    if (offset < 0 || std::size_t(offset) >= m_commands.size())
        return std::nullopt;
    return m_commands[offset]->verb;
}

bool VerbContextMenu::InvokeCommand(int offset, const InvokeContext& context) {
    if (offset < 0 || std::size_t(offset) >= m_commands.size())
        return false;
    const MenuVerb& v = *m_commands[offset];
    if (!v.enabled || !v.run)
        return false;
    return v.run(context);
}

int VerbContextMenu::OffsetOf(const QString& verb) const {
    for (std::size_t i = 0; i < m_commands.size(); ++i) {
        if (m_commands[i]->verb.compare(verb, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool VerbContextMenu::InvokeVerb(const QString& verb, const InvokeContext& context) {
    const int offset = OffsetOf(verb);
    return offset >= 0 && InvokeCommand(offset, context);
}

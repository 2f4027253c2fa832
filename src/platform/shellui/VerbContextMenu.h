#pragma once
// VerbContextMenu is a ShellContextMenu made of a fixed tree of verbs, each
// carried out by a function; the folders of the namespace assemble theirs
// from the standard verbs below. Verbs without a function ("cut", "copy",
// "delete", "rename", "paste") name commands the program carries out itself:
// the menu lists them and reports their verb, and InvokeCommand on them is
// false.
//
// Command offsets are fixed when the menu is made: the n-th command of the
// tree (depth first, submenus' children in place) has offset n, whatever
// QueryContextMenu leaves out (entries that need a flag not given, ids past
// the range). So GetCommandString and InvokeCommand may be asked without a
// QueryContextMenu first, as a verb lookup does.

#include <QIcon>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/namespace/ShellFolder.h"

/// One entry of a VerbContextMenu: a command, a separator (no verb, no text,
/// no children) or a submenu (with children; its own verb is only a name).
struct MenuVerb {
    QString verb;
    QString text;  // with its "&" mnemonic
    QString helpText;
    QIcon icon;
    bool isDefault = false;
    bool enabled = true;
    /// CMF_ bits that must all be given to QueryContextMenu for the entry to
    /// be shown (CMF_CANRENAME for "rename").
    std::uint32_t requiredFlags = 0;
    /// Carries the command out; empty for the program's own commands.
    std::function<bool(const InvokeContext&)> run;
    std::vector<MenuVerb> children;

    static MenuVerb Separator() { return {}; }
    bool IsSeparator() const { return verb.isEmpty() && text.isEmpty() && children.empty(); }
    bool IsSubmenu() const { return !children.empty(); }
};

/// A standard verb with its text and help text: "open" (default), "openwith",
/// "cut", "copy", "paste", "link", "delete", "rename" (needs CMF_CANRENAME),
/// "properties", "restore". Unknown verbs get their own name as text.
MenuVerb StandardVerb(const QString& verb, std::function<bool(const InvokeContext&)> run = {});

class VerbContextMenu : public ShellContextMenu {
public:
    explicit VerbContextMenu(std::vector<MenuVerb> verbs);
    VerbContextMenu(const VerbContextMenu&) = delete;  // holds pointers into its verbs
    VerbContextMenu& operator=(const VerbContextMenu&) = delete;

    /// With CMF_DEFAULTONLY only the default command is given. Separators at
    /// either end or next to each other (after entries were left out) are
    /// dropped. False when nothing at all could be listed.
    bool QueryContextMenu(std::vector<ContextMenuEntry>& out, int firstId, int lastId,
                          std::uint32_t flags) override;
    std::optional<QString> GetCommandString(int offset) override;
    /// False for commands the program carries out itself, disabled ones and
    /// unknown offsets.
    bool InvokeCommand(int offset, const InvokeContext& context) override;
    /// The first command with that verb (case-blind), submenus included.
    bool InvokeVerb(const QString& verb, const InvokeContext& context) override;

    const std::vector<MenuVerb>& Verbs() const { return m_verbs; }
    /// The offset of the first command with that verb, or -1.
    int OffsetOf(const QString& verb) const;

private:
    void AppendEntries(const std::vector<MenuVerb>& verbs, std::vector<ContextMenuEntry>& out,
                       int& next, int firstId, int lastId, std::uint32_t flags) const;

    std::vector<MenuVerb> m_verbs;
    std::vector<const MenuVerb*> m_commands;  // by offset
};

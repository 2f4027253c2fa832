#pragma once
// Command targets: what stands in for message maps. Every command keeps its
// numeric id; a CommandManager (CommandManager.h) routes an id along a chain
// of CommandTargets (focused tree, drive bar, active pane, document, frame,
// application). The first target that handles it wins.
//
// A target either overrides OnCommand() / OnUpdateCommand(), or fills its
// command map with MapCommand() and friends and keeps the default overrides,
// which give the framework's rules: a mapped command handler without an
// update handler claims its command as enabled; an update handler decides
// the state alone.

#include <QString>
#include <functional>
#include <optional>
#include <vector>

/// The state of a command's menu item and toolbar button, as an update
/// handler sets it. Starts enabled, unchecked and not checkable.
struct CommandState {
    enum class Check { None, Checkable, Radio };

    bool enabled = true;
    bool checked = false;
    Check check = Check::None;
    std::optional<QString> text;  // a new menu text (with its & mnemonic), when set
    /// Why the command is disabled, for the user: the greyed item's status
    /// text, and the notice its key gives (CommandManager::CommandRefused).
    std::optional<QString> whyDisabled;

    void Enable(bool on = true) { enabled = on; }
    /// Enables the command when `on`; otherwise disables it and says why.
    void EnableOrSay(bool on, const QString& why) {
        enabled = on;
        if (!on)
            whyDisabled = why;
    }
    /// Makes the item a check item (if it is not a radio item) and sets it.
    void SetCheck(bool on = true) {
        if (check == Check::None)
            check = Check::Checkable;
        checked = on;
    }
    /// Makes the item a radio item and sets it.
    void SetRadio(bool on = true) {
        check = Check::Radio;
        checked = on;
    }
    void SetText(const QString& newText) { text = newText; }
};

class CommandTarget {
public:
    virtual ~CommandTarget();

    /// Runs command `id` if this target handles it. True = handled: routing
    /// stops here. The default runs the first mapped handler for `id`.
    virtual bool OnCommand(int id);
    /// Sets `state` if this target decides command `id`'s state. True =
    /// claimed: routing stops here. The default calls the first mapped
    /// update handler for `id`; failing that, a mapped command handler for
    /// `id` claims it with `state` left enabled.
    virtual bool OnUpdateCommand(int id, CommandState& state);

    // The command map. Entries are searched in the order they were added.
    void MapCommand(int id, std::function<void()> handler);
    /// One handler for the ids first..last (inclusive); it gets the id.
    void MapCommandRange(int first, int last, std::function<void(int id)> handler);
    void MapUpdate(int id, std::function<void(CommandState&)> handler);
    void MapUpdateRange(int first, int last, std::function<void(int id, CommandState&)> handler);

    /// True when first <= id <= last.
    static constexpr bool InRange(int id, int first, int last) { return id >= first && id <= last; }

private:
    struct CommandEntry {
        int first;
        int last;
        std::function<void(int)> handler;
    };
    struct UpdateEntry {
        int first;
        int last;
        std::function<void(int, CommandState&)> handler;
    };

    const CommandEntry* FindCommand(int id) const;
    const UpdateEntry* FindUpdate(int id) const;

    std::vector<CommandEntry> m_commands;
    std::vector<UpdateEntry> m_updates;
};

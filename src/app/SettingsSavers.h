#pragma once
// Who writes settings at exit, and in which order.
//
// A subsystem loads its settings the first time it is used in a run and
// registers its saver then, for its fixed slot; so only the subsystems used
// in the run write anything, and they always write in the slots' order,
// whatever order they were first used in. The application runs the savers
// after "General Settings" when "bSaveSettings" is on.
//
// The main window's own savers (the panes, the visual filter history, ...)
// are a second list, FrameSavers, run in registration order when the main
// window closes with "bSaveSettings" on.
//
// Depends on nothing of the application object.

#include <array>
#include <functional>
#include <vector>

class ProfileStore;

/// Writes one subsystem's settings to the store.
using SettingsSaver = std::function<void(ProfileStore&)>;

/// The slots, in the order in which their savers run.
enum class SaverSlot {
    SelectionPatternHistory,  // "Selection Pattern History"
    SelectDriveDialog,        // "Select Drive Dialog"
    TargetFolderHistory,      // "Target Folder History"
    Grep,                     // "Grep Find History", "Grep File Types History", "Grep Settings"
    BatchTemplateHistory,     // "Batch Template History"
    FolderDataSettings,       // "Folder Data Settings"
    FindFileFolderSettings,   // "Find File/Folder Settings"
    Editor,                   // the editor's settings, then "Replace Text History"
    Synchronize,              // "Synchronize Settings"
    Pack,                     // "Pack Settings"
    ConnectServerHistory,     // "Connect Server History"
    Count
};

class SubsystemSavers {
public:
    /// Sets the saver of a slot; a second registration replaces the first.
    void Register(SaverSlot slot, SettingsSaver saver);
    bool IsRegistered(SaverSlot slot) const;
    /// Runs the registered savers in slot order.
    void RunAll(ProfileStore& store) const;
    void Clear();

private:
    std::array<SettingsSaver, std::size_t(SaverSlot::Count)> m_savers;
};

class FrameSavers {
public:
    /// Appends a saver; savers run in the order they were added.
    void Add(SettingsSaver saver);
    void RunAll(ProfileStore& store) const;
    void Clear() { m_savers.clear(); }
    std::size_t Count() const { return m_savers.size(); }

private:
    std::vector<SettingsSaver> m_savers;
};

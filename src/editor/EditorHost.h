#pragma once
// What the editor needs from the application, given to it once at start-up
// (the editor may not include the application's headers): the run's
// settings store, a way to have its settings written at exit, the main
// window's place, the window-rectangle record, and the help files.
//
// Main thread only. Every member may be empty: the editor then does without
// (no store: defaults are used and nothing is written; no main window: the
// window system places the editor).

#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class ProfileStore;

struct EditorHost {
    /// Four numbers "left,top,right,bottom" as the window-rectangle record
    /// keeps them.
    using FourInts = std::array<int, 4>;

    std::function<ProfileStore*()> store;
    /// Registers the editor's saver, run at exit when settings are saved.
    std::function<void(std::function<void(ProfileStore&)>)> registerSaver;
    /// The main window's normal rectangle; an empty rectangle when none.
    std::function<QRect()> mainWindowRect;
    /// The record "szWindowRect" of `section`; nullopt when missing or not
    /// four numbers.
    std::function<std::optional<FourInts>(const QString& section)> readRect;
    std::function<void(const QString& section, const FourInts&)> writeRect;
    /// The path of the help file for a Help command id; empty when none.
    std::function<QString(int id)> helpFilePath;
    /// Opens a file as the panes do (the external editor's rules included).
    std::function<void(const QString& path, bool viewOnly)> openInEditor;
};

/// Installs the host (replacing the previous one).
void SetEditorHost(EditorHost host);
const EditorHost& GetEditorHost();
/// The host's store, or null.
ProfileStore* EditorStore();

#pragma once
// The application's handle on one open editor or viewer window, and the hook
// that opens one.
//
// Each editor is a top-level window of its own on the main thread; the
// application keeps the open ones in a list, asks them to close when the
// main window closes, and drops the closed ones when idle.

#include <QString>
#include <functional>
#include <memory>

class RunningEditor {
public:
    virtual ~RunningEditor() = default;
    /// False once the editor's window has closed for good.
    virtual bool IsRunning() const = 0;
    /// Asks the editor's window to close, as its close button would (it may
    /// ask about unsaved changes).
    virtual void RequestClose() = 0;
};

/// Opens the internal editor on `path` (view-only or for editing); null when
/// the editor could not be started.
using EditorLauncher =
    std::function<std::unique_ptr<RunningEditor>(const QString& path, bool viewOnly)>;

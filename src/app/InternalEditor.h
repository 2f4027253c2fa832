#pragma once
// The internal editor as the application sees it: InstallInternalEditor()
// gives the editor what it needs from the application (the store, the exit
// saver, the main window's place, the window-rectangle record, the help
// files) and installs the launcher that OpenInEditor uses.

class CPanexApp;

void InstallInternalEditor(CPanexApp& app);

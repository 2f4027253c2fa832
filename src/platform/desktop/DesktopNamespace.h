#pragma once
// Start-up's first step: installs the real namespace of the Linux desktop
// (LinuxShell.h) and what the file-system folders reach through
// FileSystemExtensions (archives as folders, the file menus). The
// application object calls it once before its first window; the test main
// calls it for the suites that run on the real namespace. Main thread, before
// any worker starts.

/// Installs the namespace and the file-system extensions.
void InstallDesktopNamespace();

#!/bin/sh
# Installs what Corvane needs to build, run and test on Debian 12.
# Packages already present are left alone, so a second run is quick. With
# --e2e it also installs what the end-to-end test needs (a virtual display, a
# window manager, XTEST input, a clipboard client and screenshots).
set -eu
PKGS="cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libqt6test6 qt6-qpa-plugins
libarchive-dev libblkid-dev libglib2.0-dev libgtest-dev libgmock-dev adwaita-icon-theme
libqscintilla2-qt6-dev python3 clang-format poppler-utils libarchive-tools"
if [ "${1:-}" = "--e2e" ]; then
    # openssh-server, dbus and GVfs: the remote-folder test runs its own
    # server, session bus, GVfs daemon and FUSE bridge.
    PKGS="$PKGS xvfb openbox xdotool xclip imagemagick x11-utils dbus openssh-server gvfs-daemons
    gvfs-backends gvfs-fuse fuse3"
fi
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing

#!/bin/sh
# End-to-end folders on another machine without GVfs's FUSE bridge: the
# location GIO mounts has no local path, so the program browses and changes
# it through GIO itself. A private D-Bus session, GVfs's daemon (its bridge
# never started, whether or not FUSE is there) and an OpenSSH server on
# 127.0.0.1 with a test user of its own (lib_remote.sh).
#
#   tests/e2e/remote_gio.sh <corvane executable> [output folder]
#
# Connect to Server (the Network folder's first item) takes the address;
# the password is typed into the program's own question. The remote home
# is listed and titled by its URI; a local file is copied there and a
# remote one back (both cmp-equal, no temporary left on either side), F8
# makes a folder there and its rename editor names it, F2 renames a file,
# F3 views a remote file and F4 edits one (the save goes back to the
# server), Delete removes the folder (asked as a permanent delete: no trash on the
# server), Enter opens a sub-folder and Backspace comes back to it, and
# the location is unmounted from the Network folder's menu. Screenshot:
# e2e-remote-gio-pane.png.
set -eu

. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib_remote.sh"
need_private_bus "$@"

start_gvfs no-fuse
[ "$GVFS_FUSE" = 0 ] || fail "the FUSE bridge runs: this script is about the route without it"
start_sftp_server

make_remote_fixture
echo "rename me" | remote_file "old name.txt"
mkdir "$REMOTE_HOME/sub folder"
echo deep | remote_file "sub folder/deep.txt"
chown "$REMOTE_USER" "$REMOTE_HOME/sub folder"
URI=$(sftp_uri)

start_display
start_corvane "$LEFT" "$LOCAL"
focus_window

# The program's visible windows: a menu popped up adds one.
windows_shown() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
more_windows_than() { [ "$(windows_shown)" -gt "$1" ]; }
TITLE="Connect to Server"
no_part_files() { ! ls -A "$1" | grep -q '^\.cvpart-'; }
# focused <L|R> <name>: that pane's focused row.
focused() { has_line "$DUMP" "F$1	$2"; }
# find_row <L|R> <name> [<typed>]: type-ahead to the row (by its name, or
# by the letters given: a space would mark the row instead), bounded by the
# dump's focus and selection lines of that pane.
find_row() {
    xdotool type --delay 50 "${3:-$2}"
    wait_for 10 focused "$1" "$2" || fail "typing did not reach '$2' ($(grep '^F[LR]' "$DUMP"))"
    wait_for 10 has_line "$DUMP" "S$1	$2" || fail "typing did not select '$2'"
}
# copy_with_f5 <L|R> <name> <source folder> <target folder>: F5 on the row
# of that pane into the other pane's folder (the dialog's first offer); the
# copy arrives whole and no temporary stays beside it.
copy_with_f5() {
    find_row "$1" "$2"
    key F5
    wait_for 10 other_window_active || fail "F5 showed no target folder dialog"
    key Return
    wait_for 30 test -f "$4/$2" || fail "F5 did not copy $2 into $4"
    wait_for 30 cmp -s "$3/$2" "$4/$2" || fail "the copy of $2 differs"
    wait_for 10 no_part_files "$4" || fail "a temporary stayed in $4: $(ls -A "$4")"
    wait_for 10 is_active || fail "the main window did not get the keyboard back after the copy"
}

# Connect to Server, from the Network folder's first item.
key ctrl+n
wait_for 10 has_line "$DUMP" "L	Connect to Server" ||
    fail "the Network folder has no 'Connect to Server' (title '$(window_title)')"
key Home
key Return
wait_for 10 dialog_up "$TITLE" "" || fail "'Connect to Server' did not open"
CONNECT_DIALOG=$DIALOG
xdotool type --delay 10 "$URI"
key Return
wait_for 20 dialog_up "$TITLE" "$CONNECT_DIALOG" || fail "no password question (active: '$(active_title)')"
PASSWORD_DIALOG=$DIALOG
xdotool type --delay 10 "$REMOTE_PASS"
key Return
# "Remember the password?" when the desktop can keep one: Return forgets.
if wait_for 3 dialog_up "$TITLE" "$PASSWORD_DIALOG"; then
    key Return
fi
wait_for 20 accepted_at_least 1 || fail "the server saw no accepted login"
wait_for 20 mounted || fail "GIO did not mount the location"
[ ! -e "$XDG_RUNTIME_DIR/gvfs/sftp:host=127.0.0.1,port=$SSH_PORT,user=$REMOTE_USER" ] ||
    fail "the location has a FUSE path after all"

# Listed through GIO, titled by its URI.
wait_for 20 title_is "$URI" || fail "the pane does not show the remote home by its URI (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	remote-note.txt" || fail "the remote home is not listed"
has_line "$DUMP" "L	fetch-me.bin" || fail "the remote home's file 'fetch-me.bin' is not listed"
grep -q "^N.*is mounted, but" "$DUMP" && fail "a notice says the location can't be opened"
screenshot "$OUT/e2e-remote-gio-pane.png"

# A local file there: F5 from the local pane into the remote one.
key Tab
wait_for 10 title_is "$LOCAL" || fail "Tab did not activate the local pane"
copy_with_f5 R payload.bin "$LOCAL" "$REMOTE_HOME"

# A remote file back: the local pane goes elsewhere by its address bar,
# then F5 from the remote pane.
local_pane_to_back
copy_with_f5 L fetch-me.bin "$REMOTE_HOME" "$BACK"

# F8: a folder on the server, named in its rename editor.
key F8
wait_for 10 test -d "$REMOTE_HOME/New Folder" || fail "F8 did not make a folder on the server"
wait_for 10 has_line "$DUMP" "K	LE" || fail "F8 opened no rename editor ($(grep '^K' "$DUMP"))"
key ctrl+a
xdotool type --delay 10 made-remotely
key Return
wait_for 10 test -d "$REMOTE_HOME/made-remotely" || fail "the new folder's name did not reach the server"
[ ! -e "$REMOTE_HOME/New Folder" ] || fail "the default name is still on the server after the rename"
wait_for 10 has_line "$DUMP" "L	made-remotely" || fail "the pane does not list the named folder"

# F2 renames a file on the server.
wait_for 10 has_line "$DUMP" "K	L" || fail "the rename editor did not close ($(grep '^K' "$DUMP"))"
find_row L "old name.txt" old
key F2
wait_for 10 has_line "$DUMP" "K	LE" || fail "F2 opened no editor ($(grep '^K' "$DUMP"))"
key ctrl+a
xdotool type --delay 10 "new name.txt"
key Return
wait_for 10 test -f "$REMOTE_HOME/new name.txt" || fail "F2 did not rename the file on the server"
[ ! -e "$REMOTE_HOME/old name.txt" ] || fail "the old name is still on the server"
[ "$(cat "$REMOTE_HOME/new name.txt")" = "rename me" ] || fail "the renamed file lost its contents"
wait_for 10 has_line "$DUMP" "L	new name.txt" || fail "the pane does not list the renamed file"

# F3 views a remote file through a local copy; F4 edits one, and the
# save goes back to the server.
editor_on() { window_id --name "^$1 @ " | grep .; }
no_editor_on() { ! editor_on "$1"; }
find_row L remote-note.txt remote-note
key F3
wait_for 20 editor_on remote-note.txt || fail "F3 did not open the remote file"
focus_window "$(editor_on remote-note.txt)"
key Escape
wait_for 10 no_editor_on remote-note.txt || fail "Esc did not close the viewer"
focus_window
find_row L "new name.txt" new
key F4
wait_for 20 editor_on "new name.txt" || fail "F4 did not open the remote file in the editor"
focus_window "$(editor_on "new name.txt")"
xdotool type --delay 50 "EDITED "
key ctrl+s
wait_for 20 grep -q "^EDITED rename me" "$REMOTE_HOME/new name.txt" ||
    fail "the saved copy did not reach the server: $(cat "$REMOTE_HOME/new name.txt")"
wait_for 10 no_part_files "$REMOTE_HOME" || fail "a temporary stayed on the server: $(ls -A "$REMOTE_HOME")"
key Escape
wait_for 10 no_editor_on "new name.txt" || fail "Esc did not close the editor"
focus_window

# Delete: the server has no trash, so it asks for a permanent delete.
wait_for 10 has_line "$DUMP" "K	L" || fail "the rename editor did not close ($(grep '^K' "$DUMP"))"
find_row L made-remotely
key Delete
wait_for 10 dialog_up "Deleting" "" || fail "deleting on the server did not ask (active: '$(active_title)')"
key alt+d
wait_for 10 test ! -e "$REMOTE_HOME/made-remotely" || fail "the folder on the server was not deleted"
[ -e "$REMOTE_HOME/payload.bin" ] || fail "deleting the folder removed something else"
wait_for 10 not_listed "L	made-remotely" || fail "the pane still lists the deleted folder"

# In and up: Enter opens a sub-folder (its URI), Backspace goes back up
# and lands on it.
wait_for 10 is_active || fail "the main window did not get the keyboard back after the delete"
find_row L "sub folder" sub
key Return
wait_for 10 title_is "$URI/sub%20folder" || fail "Enter did not open the sub-folder (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	deep.txt" || fail "the sub-folder is not listed"
key BackSpace
wait_for 10 title_is "$URI" || fail "Backspace did not go back up (title '$(window_title)')"
wait_for 10 focused L "sub folder" || fail "going up did not land on the folder left ($(grep '^FL' "$DUMP"))"
wait_for 10 has_line "$DUMP" "L	new name.txt" || fail "the remote home is not listed again"

# Unmount from the Network folder's menu.
key ctrl+n
wait_for 10 title_is "Network" || fail "Ctrl+N did not open the Network folder"
wait_for 10 has_line "$DUMP" "L	$REMOTE_USER on 127.0.0.1" ||
    fail "the Network folder does not list the mount ($(grep '^L' "$DUMP" | tr '\n' ' '))"
find_row L "$REMOTE_USER on 127.0.0.1" "$REMOTE_USER"
SHOWN=$(windows_shown)
key shift+F10
wait_for 10 more_windows_than "$SHOWN" || fail "shift+F10 showed no menu"
key u
wait_for 20 sh -c "! gio mount -l 2>/dev/null | grep -qF 'sftp://$REMOTE_USER@127.0.0.1:$SSH_PORT/'" ||
    fail "Unmount left the location mounted"
wait_for 10 not_listed "L	$REMOTE_USER on 127.0.0.1" ||
    fail "the Network folder still lists the unmounted location"

quit_corvane
echo "e2e: remote over GIO ok"

#!/bin/sh
# End-to-end folders on another machine: a private D-Bus session, GVfs's
# daemon and FUSE bridge, and an OpenSSH server on 127.0.0.1 with a test
# user of its own (lib_remote.sh); the real program connects to it through
# its own dialogs, typed into with real keys.
#
#   tests/e2e/remote.sh <corvane executable> [output folder]
#
# The Network folder's first item opens Connect to Server (Escape leaves
# the pane where it was), and so does the Files menu; the address is typed; a wrong password is refused by the server (its log says so) and
# asked again; the right one opens the remote home, which the pane lists
# and names by its URI. A local file is copied there and a remote one back
# (both cmp-equal), a folder is made and deleted there (no trash on the
# server: the delete asks for a permanent one), and the location is
# unmounted from the Network folder's menu. Then the address bar takes a
# URI into a large folder (mounting it first), and the server is killed
# while the folder is being listed again: the pane leaves the dead mount
# for the Network folder with a notice and the window keeps answering keys.
# Without FUSE the script says so and runs the GIO route instead
# (remote_gio.sh: the same location browsed and changed through GIO with no
# local path); it then ends as not run (77), since the checks of the FUSE
# route did not run, or fails when the GIO route failed.
# Screenshots: e2e-remote-connect.png, e2e-remote-password.png,
# e2e-remote-pane.png.
set -eu

. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib_remote.sh"
need_private_bus "$@"

start_gvfs
if [ "$GVFS_FUSE" != 1 ]; then
    echo "e2e: FUSE is not available here (/dev/fuse, gvfsd-fuse): the FUSE route can't run;" >&2
    echo "e2e: running the GIO route (remote_gio.sh) instead" >&2
    # Its own daemons on this bus: ours go first.
    remote_cleanup
    CLEANUP_FIRST=""
    GIO_STATUS=0
    sh "$(dirname "$0")/remote_gio.sh" "$BIN" "$OUT" || GIO_STATUS=$?
    [ "$GIO_STATUS" = 0 ] || [ "$GIO_STATUS" = "$NOT_RUN" ] || fail "the GIO route failed ($GIO_STATUS)"
    echo "e2e: NOT RUN: the checks of the FUSE route (the GIO route: $([ "$GIO_STATUS" = 0 ] && echo passed || echo not run))" >&2
    exit $NOT_RUN
fi
start_sftp_server

make_remote_fixture
mkdir "$REMOTE_HOME/many"
(cd "$REMOTE_HOME/many" && seq 1 4000 | sed 's/^/entry-/' | xargs touch)
chown -R "$REMOTE_USER" "$REMOTE_HOME/many"
URI=$(sftp_uri)

start_display
start_corvane "$LEFT" "$LOCAL"
focus_window

TITLE="Connect to Server"
failed_logins() { grep -c "Failed password for $REMOTE_USER" "$WORK/sshd/log" || true; }
failed_at_least() { [ "$(failed_logins)" -ge "$1" ]; }
# The program's visible windows: a menu popped up adds one.
windows_shown() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
more_windows_than() { [ "$(windows_shown)" -gt "$1" ]; }
# menu_key <key> <what>: the key opens a menu, which is waited for.
menu_key() {
    shown=$(windows_shown)
    key "$1"
    wait_for 10 more_windows_than "$shown" || fail "$1 opened no menu ($2)"
}

# answer_password <password> <id to skip>: the password question, then
# "Remember the password?" when the desktop can keep one (Return: forget).
answer_password() {
    wait_for 20 dialog_up "$TITLE" "$2" || fail "no password question (active: '$(xdotool getactivewindow getwindowname 2>/dev/null)')"
    PASSWORD_DIALOG=$DIALOG
    xdotool type --delay 10 "$1"
    [ -z "${3:-}" ] || screenshot "$3"
    key Return
    if wait_for 3 dialog_up "$TITLE" "$PASSWORD_DIALOG"; then
        key Return
    fi
}

# The Network folder's first item.
key ctrl+n
wait_for 10 has_line "$DUMP" "L	Connect to Server" ||
    fail "the Network folder has no 'Connect to Server' (title '$(window_title)', $(grep '^L' "$DUMP" | tr '\n' ' '))"
key Home
key Return
wait_for 10 dialog_up "$TITLE" "" || fail "'Connect to Server' did not open"
# Cancel leaves the pane where it was.
key Escape
wait_for 10 is_active || fail "Escape did not close 'Connect to Server'"
title_is "Network" || fail "Cancel left the Network folder (title '$(window_title)')"
# Files > Connect to Server: the dialog has the keyboard once the menu closed.
menu_key alt+f Files
key s
wait_for 10 dialog_up "$TITLE" "" || fail "Files > Connect to Server did not open the dialog"
xdotool type --delay 10 "$URI"
screenshot "$OUT/e2e-remote-connect.png"
key Return

# A wrong password: the server refuses it and the question comes again.
answer_password "not-the-password" "" "$OUT/e2e-remote-password.png"
wait_for 15 failed_at_least 1 || fail "the server saw no failed login"
answer_password "$REMOTE_PASS" "$PASSWORD_DIALOG"
wait_for 20 accepted_at_least 1 || fail "the server saw no accepted login"
[ "$(failed_logins)" -eq 1 ] || fail "the server saw $(failed_logins) failed logins, not one"

wait_for 20 title_is "$URI" || fail "the pane does not show the remote home by its URI (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	remote-note.txt" || fail "the remote home is not listed"
has_line "$DUMP" "L	fetch-me.bin" || fail "the remote home's file 'fetch-me.bin' is not listed"
screenshot "$OUT/e2e-remote-pane.png"

# A local file there: the right pane is local, F5 into the remote pane.
key Tab
wait_for 10 title_is "$LOCAL" || fail "Tab did not activate the local pane"
xdotool type --delay 50 payload
wait_for 10 has_line "$DUMP" "SR	payload.bin" || fail "typing did not select payload.bin"
key F5
wait_for 10 other_window_active || fail "F5 showed no target folder dialog"
key Return
wait_for 20 test -f "$REMOTE_HOME/payload.bin" || fail "F5 did not copy payload.bin to the server"
wait_for 10 cmp -s "$LOCAL/payload.bin" "$REMOTE_HOME/payload.bin" || fail "the copy on the server differs"

# A remote file back: the local pane goes to another folder through the
# address bar, then F5 from the remote pane.
local_pane_to_back
xdotool type --delay 50 fetch
wait_for 10 has_line "$DUMP" "SL	fetch-me.bin" || fail "typing did not select fetch-me.bin"
key F5
wait_for 10 other_window_active || fail "F5 showed no target folder dialog"
key Return
wait_for 20 test -f "$BACK/fetch-me.bin" || fail "F5 did not copy fetch-me.bin from the server"
wait_for 10 cmp -s "$REMOTE_HOME/fetch-me.bin" "$BACK/fetch-me.bin" || fail "the copy from the server differs"

# A new folder on the server, then deleted: the server has no trash, so the
# delete offers a permanent one ("Delete permanently", Alt+D).
wait_for 10 is_active || fail "the main window did not get the keyboard back after the copy"
key F8
wait_for 10 test -d "$REMOTE_HOME/New Folder" || fail "F8 did not make a folder on the server"
wait_for 10 has_line "$DUMP" "K	LE" || fail "F8 opened no rename editor ($(grep '^K' "$DUMP"))"
key Escape
wait_for 10 has_line "$DUMP" "L	New Folder" || fail "the pane does not list the new folder"
# The rename in place (F2) on the server: the new name reaches it, and
# Return only ends the edit (the pane stays where it is).
xdotool type --delay 50 "New"
wait_for 10 has_line "$DUMP" "FL	New Folder" || fail "typing did not find the new folder ($(grep '^FL' "$DUMP"))"
key F2
wait_for 10 has_line "$DUMP" "K	LE" || fail "F2 opened no editor ($(grep '^K' "$DUMP"))"
key ctrl+a
xdotool type --delay 10 made-remotely
key Return
wait_for 10 test -d "$REMOTE_HOME/made-remotely" || fail "F2 did not rename the folder on the server"
[ ! -e "$REMOTE_HOME/New Folder" ] || fail "the old name is still on the server after the rename"
wait_for 10 has_line "$DUMP" "L	made-remotely" || fail "the pane does not list the renamed folder"
title_is "$URI" || fail "Return in the rename editor left the folder (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "K	L" || fail "the rename editor did not close ($(grep '^K' "$DUMP"))"
xdotool type --delay 50 made-rem
wait_for 10 has_line "$DUMP" "SL	made-remotely" || fail "typing did not select made-remotely"
key Delete
wait_for 10 other_window_active || fail "Delete asked nothing"
CONFIRM=$(active_id)
key Return
wait_for 10 dialog_up "Moving to the trash" "$CONFIRM" || fail "deleting on the server did not offer a permanent delete"
key alt+d
wait_for 10 test ! -e "$REMOTE_HOME/made-remotely" || fail "the folder on the server was not deleted"
[ -e "$REMOTE_HOME/payload.bin" ] || fail "deleting the folder removed something else"

# Unmount from the Network folder's menu.
key ctrl+n
wait_for 10 title_is "Network" || fail "Ctrl+N did not open the Network folder"
wait_for 10 has_line "$DUMP" "L	$REMOTE_USER on 127.0.0.1" ||
    fail "the Network folder does not list the mount ($(grep '^L' "$DUMP" | tr '\n' ' '))"
xdotool type --delay 50 "$REMOTE_USER"
wait_for 10 has_line "$DUMP" "FL	$REMOTE_USER on 127.0.0.1" || fail "typing did not reach the mount"
menu_key shift+F10 "the mount's context menu"
key u
wait_for 20 sh -c "! gio mount -l 2>/dev/null | grep -qF 'sftp://$REMOTE_USER@127.0.0.1:$SSH_PORT/'" ||
    fail "Unmount left the location mounted"
wait_for 10 sh -c "! grep -qxF 'L	$REMOTE_USER on 127.0.0.1' '$DUMP'" ||
    fail "the Network folder still lists the unmounted location"

# Again through the address bar, typed straight into the large folder (the
# location is mounted first), then the server dies while the pane lists its
# 4000 entries again.
key shift+Tab
wait_for 10 has_line "$DUMP" "K	-" || fail "Shift+Tab did not reach the address bar ($(grep '^K' "$DUMP"))"
xdotool type --delay 10 "$URI/many"
key Return
answer_password "$REMOTE_PASS" ""
wait_for 20 title_is "$URI/many" || fail "the typed address did not open the large remote folder (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	entry-4000" || fail "the large remote folder is not listed"
# The sessions hang first, so the listing Ctrl+R begins cannot be over
# before the server dies (a listing that ended first would leave nothing to
# find the dead connection).
freeze_sftp_sessions
key ctrl+r
kill_sftp_server
wait_for 30 title_is "Network" || fail "the pane stayed on the dead mount (title '$(window_title)')"
kill -0 "$APP_PID" || fail "the program ended when its server died"
wait_for 10 grep -q "^NA	sftp://$REMOTE_USER@127.0.0.1:$SSH_PORT/.* is no longer connected.$" "$DUMP" ||
    fail "no notice said the connection was lost ($(grep '^N' "$DUMP" | tr '\n' ' '))"
# The window still answers keys.
key Tab
wait_for 10 title_is "$BACK" || fail "the window does not answer after the server died"

quit_corvane
grep -q "$URI" "$SETTINGS" || fail "the address is not in the settings' history at exit"
echo "e2e: remote ok"

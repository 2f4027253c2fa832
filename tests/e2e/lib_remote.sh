# A machine of our own to connect to, for the remote-folder scripts (source
# it after lib.sh, inside a private D-Bus session, see need_private_bus):
# GVfs's daemon and its FUSE bridge for this run only, and an OpenSSH server
# on 127.0.0.1 on a free port with its own host key, configuration and test
# user. Nothing here reaches any other address. Everything started is
# stopped by its id, the bridge is unmounted and the test user removed on
# exit, whatever happened.
#
#   need_private_bus "$@"    re-runs the script under dbus-run-session
#   start_gvfs [no-fuse]     sets GVFS_FUSE=1 when the FUSE bridge runs; with
#                            "no-fuse" (or CORVANE_E2E_NO_FUSE=1) the bridge
#                            is not started, so locations have no local path
#   start_sftp_server        sets SSH_PORT, REMOTE_USER, REMOTE_PASS, REMOTE_HOME
#   freeze_sftp_sessions     the sessions stop answering (SIGSTOP), the listener stays
#   kill_sftp_server         the server and every session of it go, at once
#   make_remote_fixture      LEFT, LOCAL and BACK, and two files on the server
#   local_pane_to_back       the local pane to BACK, then back to the remote one

# A user of this run's own: remote scripts may run side by side (ctest -j),
# and one run's usermod or userdel must never reach another's sessions.
REMOTE_USER="corvane-e2e-$$"
REMOTE_PASS=""
REMOTE_HOME=""
SSH_PORT=""
SSHD_PID=""
GVFSD_PID=""
FUSE_PID=""
GVFS_FUSE=0
MADE_USER=0

# Exit status of a script that cannot run here (ctest reports it skipped).
NOT_RUN=77

need_private_bus() {
    if [ -z "${CORVANE_E2E_PRIVATE_BUS:-}" ]; then
        command -v dbus-run-session >/dev/null 2>&1 || {
            echo "e2e: NOT RUN: dbus-run-session is missing (package dbus)" >&2
            exit $NOT_RUN
        }
        CORVANE_E2E_PRIVATE_BUS=1 exec dbus-run-session -- sh "$0" "$@"
    fi
}

# The processes below a process, deepest first.
descendants() {
    for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
        descendants "$child"
        echo "$child"
    done
}

# A server that hangs: whatever is asked of it from now on waits, so a read
# begun after this is still under way when the server is killed.
freeze_sftp_sessions() {
    [ -n "$SSHD_PID" ] || return 0
    for pid in $(descendants "$SSHD_PID"); do
        kill -STOP "$pid" 2>/dev/null || true
    done
}

kill_sftp_server() {
    [ -n "$SSHD_PID" ] || return 0
    # The listener and the per-connection processes it forked: a dead
    # server drops its sessions too.
    for pid in $(descendants "$SSHD_PID") $SSHD_PID; do
        kill -9 "$pid" 2>/dev/null || true
    done
    wait "$SSHD_PID" 2>/dev/null || true
    SSHD_PID=""
}

remote_cleanup() {
    kill_sftp_server
    # The program may still use the bridge: it goes first.
    [ -z "$APP_PID" ] || kill "$APP_PID" 2>/dev/null || true
    [ -z "$APP_PID" ] || wait "$APP_PID" 2>/dev/null || true
    APP_PID=""
    if [ "$GVFS_FUSE" = 1 ] || [ -n "$FUSE_PID" ]; then
        fusermount3 -u -z "$XDG_RUNTIME_DIR/gvfs" 2>/dev/null ||
            umount -l "$XDG_RUNTIME_DIR/gvfs" 2>/dev/null || true
    fi
    for pid in $FUSE_PID $GVFSD_PID; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ "$MADE_USER" = 1 ]; then
        userdel "$REMOTE_USER" 2>/dev/null || true
    fi
}
CLEANUP_FIRST=remote_cleanup

start_gvfs() {
    [ -x /usr/libexec/gvfsd ] || {
        echo "e2e: NOT RUN: GVfs is not installed (gvfs-daemons, gvfs-backends)" >&2
        exit $NOT_RUN
    }
    # The machine's own disks and phones are not what this test is about.
    export GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1
    /usr/libexec/gvfsd --no-fuse >"$WORK/gvfsd.log" 2>&1 &
    GVFSD_PID=$!
    # Asked of the bus, not of the daemon: a call to the daemon's name would
    # have the bus start another one.
    gvfsd_up() {
        gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
            --method org.freedesktop.DBus.NameHasOwner org.gtk.vfs.Daemon | grep -q true
    }
    wait_for 10 gvfsd_up || fail "gvfsd did not start"
    mkdir -p "$XDG_RUNTIME_DIR/gvfs"
    if [ "${1:-}" = no-fuse ] || [ "${CORVANE_E2E_NO_FUSE:-0}" = 1 ]; then
        return 0
    fi
    if [ -e /dev/fuse ] && [ -x /usr/libexec/gvfsd-fuse ]; then
        /usr/libexec/gvfsd-fuse "$XDG_RUNTIME_DIR/gvfs" -f >"$WORK/gvfsd-fuse.log" 2>&1 &
        FUSE_PID=$!
        if wait_for 10 mountpoint -q "$XDG_RUNTIME_DIR/gvfs"; then
            GVFS_FUSE=1
        else
            echo "e2e: the FUSE bridge did not mount: $(cat "$WORK/gvfsd-fuse.log")" >&2
            kill "$FUSE_PID" 2>/dev/null || true
            wait "$FUSE_PID" 2>/dev/null || true
            FUSE_PID=""
        fi
    fi
}

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start_sftp_server() {
    [ -x /usr/sbin/sshd ] || {
        echo "e2e: NOT RUN: the OpenSSH server is not installed (openssh-server)" >&2
        exit $NOT_RUN
    }
    # A user of its own that logs in with a password needs the system's
    # password database, and sshd needs root to check one.
    [ "$(id -u)" -eq 0 ] || {
        echo "e2e: NOT RUN: a test user and an sshd of its own need root here" >&2
        exit $NOT_RUN
    }
    REMOTE_HOME="$WORK/remote-home"
    # The test user must reach its home below $WORK.
    chmod 711 "$WORK"
    mkdir -p "$REMOTE_HOME"
    # A user left by a run that was killed keeps its name only if the
    # process id comes round again; it is taken over then.
    if ! id "$REMOTE_USER" >/dev/null 2>&1; then
        useradd -M -d "$REMOTE_HOME" -s /bin/sh "$REMOTE_USER" || fail "useradd failed"
    else
        usermod -d "$REMOTE_HOME" "$REMOTE_USER" || fail "usermod failed"
    fi
    MADE_USER=1
    chown "$REMOTE_USER" "$REMOTE_HOME"
    REMOTE_PASS="pw-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
    echo "$REMOTE_USER:$REMOTE_PASS" | chpasswd || fail "chpasswd failed"

    mkdir -p "$WORK/sshd" /run/sshd
    ssh-keygen -q -t ed25519 -N '' -f "$WORK/sshd/host_key" || fail "ssh-keygen failed"
    SSH_PORT=$(free_port)
    cat >"$WORK/sshd/config" <<EOF
Port $SSH_PORT
ListenAddress 127.0.0.1
HostKey $WORK/sshd/host_key
PidFile none
AuthorizedKeysFile $WORK/sshd/authorized_keys
PasswordAuthentication yes
KbdInteractiveAuthentication no
UsePAM yes
PermitRootLogin no
AllowUsers $REMOTE_USER
Subsystem sftp internal-sftp
StrictModes no
LogLevel INFO
EOF
    /usr/sbin/sshd -D -f "$WORK/sshd/config" -E "$WORK/sshd/log" &
    SSHD_PID=$!
    wait_for 10 grep -q "Server listening" "$WORK/sshd/log" || fail "sshd did not start: $(cat "$WORK/sshd/log")"
}

# Makes a file on the server's side, owned by the test user.
remote_file() {
    cat >"$REMOTE_HOME/$1"
    chown "$REMOTE_USER" "$REMOTE_HOME/$1"
}

# The folders and files both remote scripts start from: LEFT (the pane that
# goes remote), LOCAL with payload.bin to copy there, BACK to copy into, and
# two files on the server.
make_remote_fixture() {
    LEFT="$WORK/left"
    LOCAL="$WORK/local"
    BACK="$WORK/back"
    mkdir -p "$LEFT" "$LOCAL" "$BACK"
    head -c 3000000 /dev/urandom >"$LOCAL/payload.bin"
    echo "on the server" | remote_file remote-note.txt
    head -c 2000000 /dev/urandom | remote_file fetch-me.bin
}

# The local (right) pane goes to BACK through the address bar, then Tab
# returns to the remote pane at URI, which lists the payload.bin copied there.
local_pane_to_back() {
    key shift+Tab
    wait_for 10 has_line "$DUMP" "K	-" || fail "Shift+Tab did not reach the address bar ($(grep '^K' "$DUMP"))"
    xdotool type --delay 10 "$BACK"
    key Return
    wait_for 10 title_is "$BACK" || fail "the local pane did not open $BACK"
    key Tab
    wait_for 10 title_is "$URI" || fail "Tab did not go back to the remote pane"
    wait_for 10 has_line "$DUMP" "L	payload.bin" || fail "the remote pane does not show the file copied there"
}

sftp_uri() { echo "sftp://$REMOTE_USER@127.0.0.1:$SSH_PORT$REMOTE_HOME"; }

# The server's logins, and whether GIO holds the location mounted.
accepted_logins() { grep -c "Accepted password for $REMOTE_USER" "$WORK/sshd/log" || true; }
accepted_at_least() { [ "$(accepted_logins)" -ge "$1" ]; }
mounted() { gio mount -l 2>/dev/null | grep -qF "sftp://$REMOTE_USER@127.0.0.1:$SSH_PORT/"; }

active_id() { xdotool getactivewindow 2>/dev/null; }
# dialog_up <title> <id to skip>: a window of that title other than the main
# window and the one given is active; its id goes to DIALOG.
dialog_up() {
    DIALOG=$(active_id) || return 1
    [ "$DIALOG" != "$WID" ] && [ "$DIALOG" != "$2" ] &&
        [ "$(xdotool getwindowname "$DIALOG")" = "$1" ]
}

# A failure also shows what the server and GVfs said.
fail() {
    echo "e2e: FAIL: $*" >&2
    [ -z "${DISPLAY:-}" ] || screenshot "$OUT/e2e-remote-failed.png"
    for log in "$WORK/sshd/log" "$WORK/gvfsd.log" "$WORK/gvfsd-fuse.log" "$WORK/corvane.log"; do
        [ -s "$log" ] || continue
        echo "--- $(basename "$log") ---" >&2
        tail -n 60 "$log" >&2
    done
    [ ! -s "$DUMP" ] || { echo "--- notices ---" >&2; grep '^N' "$DUMP" >&2 || true; grep '^S\?[LR]	' "$DUMP" | head -20 >&2 || true; }
    exit 1
}

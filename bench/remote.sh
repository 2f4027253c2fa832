#!/bin/sh
# The remote-folder figures on a loopback SFTP server of this run's own
# (tests/e2e/lib_remote.sh): a private D-Bus session, GVfs with its FUSE
# bridge, an sshd on 127.0.0.1 and a test user; the location is mounted
# with `gio mount`, then bench_remote compares the pane's listing of 10,000
# files with `gio list` and `sftp -b`, and the engine's copy of a 200 MB
# file with `gio copy`. Needs root (the test user) and FUSE.
#
#   bench/remote.sh <build folder>/bench/bench_remote [file count] [size in MB]
#
# BENCH_WRAP, when set, goes before the bench's command (strace -f -o ...,
# say, to see what the listing and the copy ask of the bridge).
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../tests/e2e/lib.sh"
. "$HERE/../tests/e2e/lib_remote.sh"
need_private_bus "$@"
COUNT=${2:-10000}
MB=${3:-200}

start_gvfs
[ "$GVFS_FUSE" = 1 ] || { echo "bench: FUSE is not available here" >&2; exit $NOT_RUN; }
start_sftp_server

# Key login for sftp -b (which cannot type a password).
ssh-keygen -q -t ed25519 -N '' -f "$WORK/sshd/client_key"
cp "$WORK/sshd/client_key.pub" "$WORK/sshd/authorized_keys"

mkdir "$REMOTE_HOME/list" "$REMOTE_HOME/into"
(cd "$REMOTE_HOME/list" && seq -f 'file_%06g.txt' 1 "$COUNT" | xargs touch)
chown -R "$REMOTE_USER" "$REMOTE_HOME/list" "$REMOTE_HOME/into"
head -c "$((MB * 1000000))" /dev/urandom >"$WORK/big.bin"

URI=$(sftp_uri)
printf '%s\n' "$REMOTE_PASS" | gio mount "$URI" >/dev/null 2>&1 || fail "gio mount failed"

QT_QPA_PLATFORM=offscreen ${BENCH_WRAP:-} "$BIN" "$URI/list" "$WORK/big.bin" "$URI/into" \
    -P "$SSH_PORT" -i "$WORK/sshd/client_key" -o StrictHostKeyChecking=no \
    -o UserKnownHostsFile=/dev/null "$REMOTE_USER@127.0.0.1"
gio mount -u "$URI" >/dev/null 2>&1 || true

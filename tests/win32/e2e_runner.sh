# The Wine runner itself: exit codes pass through (also from a virtual
# desktop), a program that outlives the time-out is killed with every Wine
# process it started and the runner says 124, and screenshots are PNG files.
source "$KV_LIB"
run=$KV_WINE_RUN

rc=0; "$run" --timeout 30 "$KV_DRIVER" no-such-command 2>/dev/null || rc=$?
[ $rc = 2 ] || fail "exit code $rc passed through, expected 2"
rc=0; "$run" --timeout 30 --desktop 640x480 "$KV_DRIVER" wait-window --title "no such window" --timeout 0 || rc=$?
[ $rc = 1 ] || fail "exit code $rc passed through the virtual desktop, expected 1"
note "exit codes pass through"

# A program that would run for a minute, and a process it starts itself (on
# the desktop, through the driver): both must be gone after the time-out.
start=$SECONDS
rc=0
KV_DESKTOP=640x480 KV_DESKTOP_NAME=kvrunner "$run" --timeout 3 --screenshot-at 1 --screenshot shot.png \
  "$KV_DRIVER" hold-mutex kv-runner-test 60 > hold.out || rc=$?
[ $rc = 124 ] || fail "exit code $rc after the time-out, expected 124"
[ $((SECONDS - start)) -lt 20 ] || fail "the time-out took $((SECONDS - start)) s"
grep -q '^held' hold.out || fail "the program did not run"
"$run" --timeout 30 "$KV_DRIVER" hold-mutex kv-runner-test 0 > again.out ||
  fail "the mutex is still held: the killed program lives on"
note "time-out: killed, 124"

[ "$(head -c 8 shot.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "no PNG screenshot"
note "screenshot written"

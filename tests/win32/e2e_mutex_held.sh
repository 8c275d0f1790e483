# With the start-up mutex "kavren1" held by another process the engine exits
# at once with code 0 and never opens a window; once it is released the same
# executable starts normally.
source "$KV_LIB"
use_engine
prepare_project
hold_mutex kavren1
note "kavren1 held"

watch_no_window
KV_ENGINE_TIMEOUT=30 run_engine
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC with kavren1 held, expected 0"
watch_result
[ "$WATCH_RESULT" = none ] || fail "a main window appeared although kavren1 was held"
drv wait-exit --exe "$ENGINE" --timeout 5000 || fail "the engine still runs"
note "turned away: exit code 0, no window"

release_mutex
# Control: released, the same executable opens its window.
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --timeout 30000) || fail "no main window once kavren1 was released"
drv close "$hwnd"
wait_engine 15 || fail "the engine did not end after WM_CLOSE"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after WM_CLOSE"
note "released: the engine started and closed"

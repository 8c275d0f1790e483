# "/INFO" (upper case; any case is accepted) ends the run before the main
# window exists: the licence box comes up with no main window behind it, and
# once it is dismissed the engine exits with code 0. (The box's content has
# its own test.)
source "$KV_LIB"
use_engine
watch_no_window
start_engine /INFO
box=$(drv wait-dialog --exe "$ENGINE" --timeout 30000) || fail "no box appeared for /INFO"
drv texts "$box" | head -3
[ "$(drv count --class "$ENGINE_CLASS")" = 0 ] || fail "the main window exists while the /INFO box is open"
drv dismiss "$box" || fail "cannot dismiss the box"
wait_engine 15 || fail "the engine still runs 15 s after the box was dismissed"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC for /INFO, expected 0"
watch_result
[ "$WATCH_RESULT" = none ] || fail "a main window appeared for /INFO"
note "/INFO: box shown, no window, exit code 0"

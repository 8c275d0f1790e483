# A close request (WM_CLOSE to the main window, found by its class, the
# lower-cased executable path with '\' as ':') ends the engine: the process
# exits with code 0 within a time-out, nothing of it left running.
source "$KV_LIB"
use_engine
prepare_project
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --timeout 30000) || fail "no main window of class $ENGINE_CLASS"
note "main window $hwnd"
drv info "$hwnd"
# Let a few frames run before the close request.
sleep 1
drv close "$hwnd" || fail "cannot post WM_CLOSE"
wait_engine 15 || fail "the engine was still running 15 s after WM_CLOSE"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after a close request, expected 0"
drv wait-exit --exe "$ENGINE" --timeout 5000 || fail "a process of $ENGINE outlived the engine"
note "closed, exit code 0"

# A second start of the same executable restores the first one's window when
# it is minimised, brings it to the front and exits with code 0 without a
# window of its own. Runs in a virtual desktop, where activation is Wine's.
source "$KV_LIB"
use_desktop "${KV_DESKTOP:-1024x768}" kve2e
use_engine
prepare_project
start_engine
# Minimised only once shown (the first frame shows it), as a user would.
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
note "first instance: window $hwnd"
drv minimize "$hwnd" || fail "cannot minimise the window"
drv is-iconic "$hwnd" >/dev/null || fail "the window is not minimised"

KV_ENGINE_TIMEOUT=30 run_engine
[ "$ENGINE_RC" = 0 ] || fail "the second start exited with $ENGINE_RC, expected 0"
note "second start ended with 0"

ok=''
for _ in $(seq 30); do
  if ! drv is-iconic "$hwnd" >/dev/null && [ "$(drv foreground)" = "$hwnd" ]; then ok=1; break; fi
  sleep 0.1
done
drv info "$hwnd"
[ -n "$ok" ] || fail "the first window was not restored and brought to the front"
[ "$(drv count --class "$ENGINE_CLASS")" = 1 ] || fail "more than one main window"

drv close "$hwnd"
wait_engine 15 || fail "the first instance did not end after WM_CLOSE"
[ "$ENGINE_RC" = 0 ] || fail "the first instance exited with $ENGINE_RC"
note "first window restored and in front; both instances ended with 0"

# Damaged image files in a layer tree. A .kcg file with a wrong magic shows
# the box "File Check Error." and is decoded all the same: once the box is
# closed the engine runs on and shows the whole scene. A top-down BMP, a GIF
# cut off inside its image data and a GIF without its trailer are each
# reported by their error code (100092 with the project's text naming the
# file; 100215) in "KAVREN Debug Info."; its exit button ends the engine
# cleanly. A truncated PNG either gets a report or is shown as far as it
# goes, but never ends the engine unannounced.
source "$KV_LIB"
source "$KV_SRC/tests/win32/errors_lib.sh"
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine

# bad_project NAME KIND DAMAGE: the layer project with one more damaged image on top.
bad_project() {
  layers_description 320 240 "image img/$1 $2 64 48 alpha damage=$3" \
    "    layer_setup path=\"bad\" order=20 image=\"img/$1\" x=128 y=96" > "$1.kvp"
}

note ".kcg with a wrong magic: a box, then the engine runs on"
bad_project magic kcg magic
layers_reference magic.kvp
layers_pack magic.kvp
start_engine
box=$(drv wait-dialog --exe "$ENGINE" --timeout 30000) || fail "no box for the wrong magic"
drv texts "$box" > magic.txt || fail "cannot read the box"
cat magic.txt
grep -qF "File Check Error." magic.txt || fail "the box does not say \"File Check Error.\""
drv dismiss "$box" >/dev/null || fail "cannot close the box"
hwnd=$(main_window) || fail "the engine's window did not appear"
window_shows "$hwnd" magic reference.bgra "$REF_W" "$REF_H" 0 ||
  fail "after the box the window does not show the scene"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"

# Reported files: name, kind, damage, error code, whether its text names the file.
for row in "topdown bmp topdown 100092 1" "gifcut gif cut 100215 0" "giftail gif trailer 100215 0"; do
  read -r name kind dmg code named <<< "$row"
  note "$name ($kind $dmg): error $code, the engine ends"
  bad_project "$name" "$kind" "$dmg"
  layers_pack "$name.kvp"
  start_until_dialog "KAVREN Debug Info." || fail "no \"KAVREN Debug Info.\" dialog for $name"
  drv texts "$BOX" --ids > "$name.txt" || fail "cannot read the dialog"
  cat "$name.txt"
  grep -qF "($code)" "$name.txt" || fail "the dialog does not show the text of error $code"
  [ "$named" = 0 ] || grep -qiF "$name.$kind" "$name.txt" || fail "the dialog does not name the file"
  drv press "$BOX" 1034 >/dev/null || fail "cannot press the exit button"
  wait_engine 20 || fail "the engine still runs 20 s after the dialog was closed"
  drv wait-exit --exe "$ENGINE" --timeout 10000 || fail "a process of the engine outlived it"
  note "ended, exit code $ENGINE_RC"
done

note "truncated PNG: reported or shown, never a silent end"
bad_project cut png truncate
layers_pack cut.kvp
start_engine
end=$((SECONDS + 30)) outcome=''
while [ $SECONDS -lt $end ] && [ -z "$outcome" ]; do
  if box=$(drv wait-dialog --exe "$ENGINE" --timeout 1000 2>/dev/null); then
    outcome=report
  elif [ -s "$ENGINE_RC_FILE" ]; then
    fail "the engine ended without a report (exit code $(cat "$ENGINE_RC_FILE"))"
  elif hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 0 2>/dev/null); then
    sleep 3
    box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && outcome=report || outcome=running
  fi
done
case $outcome in
  report)
    drv texts "$box" --ids | tee cut.txt
    drv dismiss "$box" >/dev/null || fail "cannot close the report"
    ;;
  running)
    note "no report: the engine runs on"
    drv close "$hwnd" >/dev/null || fail "cannot send the close request"
    ;;
  *) fail "neither a report nor the window within 30 s" ;;
esac
wait_engine 20 || { hwnd=$(drv wait-window --class "$ENGINE_CLASS" --timeout 0) && drv close "$hwnd" >/dev/null;
                    wait_engine 20 || fail "the engine does not end"; }
drv wait-exit --exe "$ENGINE" --timeout 10000 || fail "a process of the engine outlived it"
note "truncated PNG: $outcome; ended, exit code $ENGINE_RC"

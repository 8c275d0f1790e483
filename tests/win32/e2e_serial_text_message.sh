# The message window on screen: a generated project binds a grey layer 120 pixels
# tall at y = 60 as the message window and types two blocks, each ending in
# a click wait and a new line. The window first shows ink only in the first
# line (y 60..80); after the driver clicks inside it, the second block is
# typed into the second line (y 80..100), and nothing lies below either.
# An engine without the layer command yet ends the test as skipped (77).
source "$KV_LIB"
export KV_DESKTOP=${KV_DESKTOP:-1024x768} KV_DESKTOP_NAME=kvtext
use_engine

cat > text.kvp <<'KVP'
project width=320 height=240 title="text" show=1 debug=0 sound=0
error 900050 "undefined command (900050)"
image img/blank png 320 120 solid fill=0x404040
script 0 "text.kvs"
label SYSTEM_START
    layer_setup path="msg" order=1 image="img/blank" y=60
    message_window_setup layer="msg" delay=0 17=1 18=0 19=1
    text_append text="あいうえお"
    text_end
    text_append text="かきくけこ"
    text_end
label IDLE
    wait frames=1
    goto IDLE
KVP
pack_project text.kvp

# ink_rows SHOT W H: the first and last row of the client area holding a
# bright pixel, "none" when there is none.
ink_rows() {
  python3 - "$@" <<'PY'
import sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
rows = [y for y in range(h)
        if any(data[(y * w + x) * 4 + 1] > 96 for x in range(min(w, 320)))]
print("%d %d" % (rows[0], rows[-1]) if rows else "none")
PY
}
# wait_ink HWND FIRST LAST: until the ink lies within rows FIRST..LAST and
# reaches into row LAST - 10 (20 s at most).
wait_ink() {
  local start=$SECONDS size rows
  while :; do
    size=$(drv capture "$1" "$PWD/shot.bgra") || fail "cannot read the client area"
    rows=$(ink_rows shot.bgra $size)
    if [ "$rows" != none ]; then
      read -r top bottom <<< "$rows"
      [ "$top" -ge "$2" ] && [ "$bottom" -le "$3" ] && [ "$bottom" -ge $(($3 - 10)) ] &&
        { note "ink in rows $top..$bottom"; return 0; }
    fi
    [ $SECONDS -lt $((start + 20)) ] || { note "ink rows: $rows"; return 1; }
    sleep 0.5
  done
}

start_engine
if ! hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000); then
  if box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && drv texts "$box" | grep -q 900050; then
    echo "SKIPPED: this engine has no layer command yet"
    drv dismiss "$box" >/dev/null 2>&1
    wait_engine 20
    exit 77
  fi
  fail "no main window"
fi
drv activate "$hwnd" || fail "cannot activate the engine's window"
wait_ink "$hwnd" 60 79 || fail "the first block is not shown in the first line"
read -r l t r b < <(drv info "$hwnd" | awk -F'\t' '$1 == "rect" { print $2 }')
sleep 0.3
drv click $(((l + r) / 2)) $(((t + b) / 2)) left || fail "cannot click"
wait_ink "$hwnd" 60 99 || fail "after the click the second block is not in the second line"
drv close "$hwnd" >/dev/null
wait_engine 20 || fail "the engine still runs 20 s after the close request"

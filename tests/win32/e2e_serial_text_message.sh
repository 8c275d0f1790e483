# The message window on screen: a generated project binds a grey layer 120 pixels
# tall at y = 60 as the message window and types two blocks, each ending in
# a click wait and a new line. The window first shows ink only in the first
# line (y 60..80); after the driver clicks inside it, the second block is
# typed into the second line (y 80..100), and nothing lies below either.
# Before that the image-operation command draws a line of Japanese text in
# yellow (font slot 1) at (10, 10) of a black layer at y = 200: yellow ink
# shows within x 10..109, y 210..229 and nowhere else.
# An engine without the layer command yet ends the test as skipped (77).
source "$KV_LIB"
use_desktop "${KV_DESKTOP:-1024x768}" kvtext
use_engine

cat > text.kvp <<'KVP'
project width=320 height=240 title="text" show=1 debug=0 sound=0
error 900050 "undefined command (900050)"
image img/blank png 320 120 solid fill=0x404040
image img/black png 320 40 solid fill=0x000000
script 0 "text.kvs"
label SYSTEM_START
    layer_setup path="caption" order=2 image="img/black" y=200
    set_text_style slot=1 size=20 height=20 colour=0xFFFF00 gradient=0 blend_over=1
    layer_image_op a="caption" text="日本語の行" 56=1 57=1 8=10 9=10
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

# ink_rows SHOT W H: the first and last row of the message window's area
# (above the caption) holding a bright pixel, "none" when there is none.
ink_rows() {
  python3 - "$@" <<'PY'
import sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
rows = [y for y in range(min(h, 200))
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

# caption_ink SHOT W H: the box around the yellow pixels (red and green
# bright, blue dark) and their count, "none" when there are none.
caption_ink() {
  python3 - "$@" <<'PY'
import sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
d = open(path, "rb").read()
ink = [(x, y) for y in range(h) for x in range(w)
       if d[(y * w + x) * 4 + 2] > 96 and d[(y * w + x) * 4 + 1] > 96 and d[(y * w + x) * 4] < 64]
if not ink:
    print("none")
else:
    xs, ys = [p[0] for p in ink], [p[1] for p in ink]
    print(min(xs), min(ys), max(xs), max(ys), len(ink))
PY
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
size=$(drv capture "$hwnd" "$PWD/caption.bgra") || fail "cannot read the client area"
ink=$(caption_ink caption.bgra $size)
note "caption ink (left top right bottom count): $ink"
[ "$ink" != none ] || fail "the text line of the image operation shows no ink"
read -r l t r b n <<< "$ink"
[ "$l" -ge 10 ] && [ "$t" -ge 210 ] && [ "$r" -le 109 ] && [ "$b" -le 229 ] ||
  fail "text line ink outside x 10..109, y 210..229"
[ "$r" -ge 70 ] && [ "$n" -ge 100 ] || fail "the text line shows too little ink for five characters"
read -r l t r b < <(drv info "$hwnd" | awk -F'\t' '$1 == "rect" { print $2 }')
sleep 0.3
drv click $(((l + r) / 2)) $(((t + b) / 2)) left || fail "cannot click"
wait_ink "$hwnd" 60 99 || fail "after the click the second block is not in the second line"
drv close "$hwnd" >/dev/null
wait_engine 20 || fail "the engine still runs 20 s after the close request"

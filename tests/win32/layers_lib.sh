# Helpers of the layer end-to-end tests (sourced after lib.sh).
#
#   layers_description W H [EXTRA-IMAGE-LINE EXTRA-LAYER-LINE] > FILE.kvp
#        a W x H project whose script builds a layer tree from images of
#        every format (background, alpha sprite, a group of two with its own
#        opacity, opacity, blend modes, a mask layer, a rule mask), sets
#        $1000 to 1 and then waits one frame at a time for ever
#   layers_pack FILE.kvp        its data.kpf beside the engine
#   layers_reference FILE.kvp   the same project run natively (layer_reference)
#        until its $1000 is non-zero:
#        reference.bgra, REF_W, REF_H; a test that meets an engine without the
#        layer command ends as skipped (exit 77)
#   window_shows HWND NAME REF W H TOL   waits until the window's client area
#        shows REF (read back with kvdriver capture)
#   window_shows_fitted HWND    waits until the maximised window's client area
#        shows the reference fitted to it between black bands
#   pixels ARGS...              tests/win32/pixels.py
#   main_window                 the engine's main window once it is shown
KV_NATIVE_BUILD=${KV_NATIVE_BUILD:-$KV_SRC/build}
LAYER_REFERENCE=$KV_NATIVE_BUILD/tests/layer_reference

pixels() { python3 "$KV_SRC/tests/win32/pixels.py" "$@"; }

# Positions are given for 320 x 240 and scaled to the game size.
layers_description() {
  local w=$1 h=$2
  sx() { echo $(($1 * w / 320)); }
  sy() { echo $(($1 * h / 240)); }
  cat <<KVP
project width=$w height=$h title="layers" show=1 debug=0 sound=0
error 100070 "[%s] BMP ではありません。(100070)"
error 100080 "[%s] BMP のデータ位置が不正です。(100080)"
error 100090 "[%s] 圧縮された BMP です。(100090)"
error 100091 "[%s] 画像が大きすぎます。(100091)"
error 100092 "[%s] 上下逆の BMP です。(100092)"
error 100200 "PNG を読めません。(100200)"
error 100210 "JPEG を読めません。(100210)"
error 100215 "GIF を読めません。(100215)"
var 1000 int global = 0
image img/bg png $w $h gradient colour=rgb
image img/sprite png 96 96 alpha
image img/check bmp 120 90 checker
image img/ghost gif 80 60 alpha transparent=1 interlace=1 frames=3
image img/orb kcg 64 64 alpha
image img/bars jpeg 128 64 bars progressive=1
image img/pal png 64 48 shapes colour=palette interlace=1
image img/idx bmp 48 48 gradient bits=8
image img/b32 bmp 48 48 alpha bits=32
image img/rule png 100 80 rule colour=grey
image img/wipe png 100 80 shapes colour=rgb
image img/photo jpeg 100 80 shapes
${3:-}
script 0 "layers.kvs"
label SYSTEM_START
    layer_setup path="bg" order=1 image="img/bg"
    layer_setup path="sprite" order=2 image="img/sprite" x=$(sx 20) y=$(sy 20)
    layer_setup path="grp/" order=3 width=180 height=130 x=$(sx 120) y=$(sy 60) opacity=200
    layer_setup path="grp/a" order=1 image="img/check"
    layer_setup path="grp/b" order=2 image="img/ghost" x=70 y=50 blend=1
    layer_setup path="orb" order=4 image="img/orb" x=$(sx 230) y=$(sy 10) opacity=128
    layer_setup path="bars" order=5 image="img/bars" x=$(sx 10) y=$(sy 150) blend=3
    layer_setup path="pal" order=6 image="img/pal" x=$(sx 150) y=$(sy 175) blend=5
    layer_setup path="idx" order=7 image="img/idx" x=$(sx 262) y=$(sy 96) blend=8
    layer_setup path="b32" order=8 image="img/b32" x=$(sx 205) y=$(sy 185)
    layer_setup path="rule" order=9 image="img/rule" visible=0
    layer_setup path="wipe" order=10 image="img/wipe" x=$(sx 212) y=$(sy 128) rule_mask="rule" rule=128 softness=64
    layer_setup path="masked" order=11 image="img/photo" x=$(sx 4) y=$(sy 4) mask="rule" opacity=224
${4:-}
    assign target:1:0=\$1000 value=1
label IDLE
    wait frames=1
    goto IDLE
KVP
}

layers_pack() {
  rm -f data.kpf
  python3 "$KV_GEN" project "$1" "$PWD/project" --pack "$PWD/data.kpf" >/dev/null || fail "generator: $1"
  rm -rf "$PWD/project"
  [ -f data.kpf ] || fail "the generator wrote no project"
}

layers_reference() {
  [ -x "$LAYER_REFERENCE" ] ||
    fail "no $LAYER_REFERENCE (build the native configuration's target layer_reference, or set KV_NATIVE_BUILD)"
  rm -rf ref && mkdir ref || fail "cannot make ref/"
  python3 "$KV_GEN" project "$1" "$PWD/ref/project" --pack "$PWD/ref/data.kpf" >/dev/null || fail "generator: $1"
  rm -rf ref/project
  local out rc=0
  out=$(timeout 120 "$LAYER_REFERENCE" "$PWD/ref" "$PWD/reference.bgra" 2> ref.log) || rc=$?
  if [ $rc = 77 ]; then
    echo "SKIPPED: this engine has no layer command yet"
    tail -n 3 ref.log
    exit 77
  fi
  [ $rc = 0 ] || { tail -n 20 ref.log; fail "the native reference run failed ($rc)"; }
  read -r REF_W REF_H <<< "$out"
  note "native reference: $REF_W x $REF_H"
}

# window_shows HWND NAME REF.bgra RW RH TOL: reads the client area (NAME.bgra,
# SHOT_W, SHOT_H) until its top-left RW x RH shows REF, every colour byte
# within TOL, 20 s at most (the first frames may still be black); on a
# time-out prints the last comparison, with NAME-diff.png, and returns 1.
# GDI reads what the screen shows there: after 5 s the window is brought to
# the front, in case another program's window covers it (noted in the log).
window_shows() {
  local hwnd=$1 name=$2 ref=$3 rw=$4 rh=$5 tol=$6 start=$SECONDS size raised=''
  while :; do
    size=$(drv capture "$hwnd" "$PWD/$name.bgra") || fail "cannot read the window's client area"
    read -r SHOT_W SHOT_H <<< "$size"
    if pixels compare "$name.bgra" "$SHOT_W" "$SHOT_H" "$ref" "$rw" "$rh" "$tol" > "$name.cmp"; then
      cat "$name.cmp"
      [ -z "$raised" ] || note "(shown once the window was brought to the front)"
      return 0
    fi
    [ $SECONDS -lt $((start + 20)) ] || break
    if [ -z "$raised" ] && [ $SECONDS -ge $((start + 5)) ]; then
      drv activate "$hwnd" >/dev/null 2>&1
      raised=1
    fi
    sleep 0.5
  done
  note "the window shows $SHOT_W x $SHOT_H"
  pixels compare "$name.bgra" "$SHOT_W" "$SHOT_H" "$ref" "$rw" "$rh" "$tol" "$PWD/$name-diff.png"
  return 1
}

# window_shows_fitted HWND: waits (30 s at most) until the client area, wider
# than 800 pixels (a maximised window), shows reference.bgra fitted to it with
# the game's aspect and centred between black bands, within 2 per colour byte
# (horizontal fractions sharpened, as the scaler does); the size is taken from
# each read. Sets SHOT_W, SHOT_H and FIT (the game's size and place in it); on
# a time-out writes diff.png and returns 1.
window_shows_fitted() {
  local hwnd=$1 end=$((SECONDS + 30)) want='' size shown_w shown_h x y
  while :; do
    size=$(drv capture "$hwnd" "$PWD/shot.bgra") || fail "cannot read the window's client area"
    read -r SHOT_W SHOT_H <<< "$size"
    # Fit: the full width when the client is relatively taller than the game,
    # else the full height; odd differences truncate.
    if [ $((SHOT_H * REF_W)) -gt $((REF_H * SHOT_W)) ]; then
      shown_w=$SHOT_W shown_h=$((REF_H * SHOT_W / REF_W))
    else
      shown_w=$((REF_W * SHOT_H / REF_H)) shown_h=$SHOT_H
    fi
    x=$(((SHOT_W - shown_w) / 2)) y=$(((SHOT_H - shown_h) / 2))
    FIT="$shown_w x $shown_h at $x $y"
    if [ "$want" != "$SHOT_W $SHOT_H" ]; then
      want="$SHOT_W $SHOT_H"
      pixels scale reference.bgra "$REF_W" "$REF_H" scaled.bgra "$shown_w" "$shown_h" &&
        pixels place scaled.bgra "$shown_w" "$shown_h" expected.bgra "$SHOT_W" "$SHOT_H" "$x" "$y" ||
        fail "cannot scale the reference"
    fi
    if [ "$SHOT_W" -gt 800 ] &&
       pixels compare shot.bgra "$SHOT_W" "$SHOT_H" expected.bgra "$SHOT_W" "$SHOT_H" 2 > shot.cmp; then
      return 0
    fi
    [ $SECONDS -lt $end ] || break
    sleep 0.5
  done
  note "client area $SHOT_W x $SHOT_H, the game expected at $FIT"
  pixels compare shot.bgra "$SHOT_W" "$SHOT_H" expected.bgra "$SHOT_W" "$SHOT_H" 2 "$PWD/diff.png"
  return 1
}

# The engine's main window once it is shown.
main_window() {
  drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000
}

#!/bin/bash
# demo.sh - builds the engine and runs the demo project in a window:
#   1. installs what is missing (scripts/setup-deps.sh; quick when done),
#   2. builds kavren.exe and the test driver (Windows configuration, build-win/),
#   3. writes the demo project (tools/demo/demo.kvp) into a pack with the
#      project generator, beside a copy of kavren.exe in out/demo/,
#   4. runs it under Wine for a few seconds, on $DISPLAY when set, else in
#      a private Xvfb, and saves a screenshot of its window to out/demo.png,
#   5. closes the engine as a user would (WM_CLOSE) and reports its exit code.
# Environment: KV_DEMO_SECONDS (default 4) how long the demo runs before the
# screenshot: the title fades in, then the wipe uncovers the scene from about
# 2 s on and the message window types its first lines over it, so the default
# shows the scene and the text; KV_DEMO_BUILD the build folder (default
# build-win); KV_DEMO_FULLSCREEN=1 the demo in full screen through Direct3D:
# the project is generated with --define FULLSCREEN, so that its script
# enters full screen at once (window command, id 13 = 1), and kvcfg.dat
# beside the engine chooses Direct3D 9 bicubic (word 8 = 0).
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
cd "$top"
seconds=${KV_DEMO_SECONDS:-4}
build=${KV_DEMO_BUILD:-build-win}
fullscreen=${KV_DEMO_FULLSCREEN:-0}
out=$top/out
demo=$out/demo
die() { echo "demo.sh: $*" >&2; exit 1; }
mkdir -p "$out" || die "cannot make $out"

echo "== set-up (log: out/setup.log)"
bash scripts/setup-deps.sh > "$out/setup.log" 2>&1 || { cat "$out/setup.log"; die "set-up failed"; }

echo "== build ($build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" > "$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; die "configure failed"; }
cmake --build "$build" --target kavren kvdriver || die "build failed"
export KV_DRIVER=$top/$build/tests/win32/kvdriver.exe
run=$top/scripts/wine-run.sh

echo "== demo project"
rm -rf "$demo" && mkdir -p "$demo" || die "cannot make $demo"
cp "$build/kavren.exe" "$demo/kavren.exe" || die "no kavren.exe"
defines=()
if [ "$fullscreen" = 1 ]; then
  defines=(--define FULLSCREEN)
  # The settings program's defaults but word 8 = 0: Direct3D 9 bicubic.
  python3 -c 'import struct, sys; sys.stdout.buffer.write(struct.pack("<32I", *([1] * 5 + [0] * 27)))' \
    > "$demo/kvcfg.dat" || die "cannot write $demo/kvcfg.dat"
  echo "   full screen through Direct3D ($demo/kvcfg.dat)"
fi
if python3 tools/kvgen.py project -h >/dev/null 2>&1; then
  python3 tools/kvgen.py project tools/demo/demo.kvp "$demo/project" --pack "$demo/data.kpf" \
    "${defines[@]}" >/dev/null || die "the generator failed on tools/demo/demo.kvp"
  rm -rf "$demo/project"
  echo "   $demo/data.kpf from tools/demo/demo.kvp${defines:+ (${defines[*]})}"
else
  echo "   (the generator cannot write projects yet: the engine runs without one)"
fi

echo "== run"
# A virtual desktop (the Wine tests open many) leaves its size as the work
# area of the prefix's wineserver, which lingers after the tests: the demo's
# window would be shrunk to fit it and placed off the screen.
"$run" --fresh
display=$("$run" --display) || die "no X display"
[ -n "${DISPLAY:-}" ] && echo "   on your display $display" || echo "   in Xvfb on $display"
"$run" --timeout $((seconds + 60)) "$demo/kavren.exe" &
engine=$!
trap 'kill -TERM $engine 2>/dev/null' EXIT
# The main window's class is the lower-cased path of the executable, '\' as ':'.
class=$(printf 'Z:%s' "$demo/kavren.exe" | tr / '\\' | LC_ALL=C tr 'A-Z\\' 'a-z:')
hwnd=$("$run" --timeout 60 "$KV_DRIVER" wait-window --class "$class" --visible --timeout 30000) || {
  box=$("$run" --timeout 30 "$KV_DRIVER" wait-dialog --exe "$demo/kavren.exe" --timeout 0) &&
    { echo "   the engine shows a box:"; "$run" --timeout 30 "$KV_DRIVER" texts "$box" | sed 's/^/   | /'; }
  die "the engine's window did not appear"
}
sleep "$seconds"

shot=$out/demo.png
rect=$("$run" --timeout 30 "$KV_DRIVER" info "$hwnd" | sed -n 's/^rect\t//p')
read -r left top_ right bottom <<< "${rect:-0 0 0 0}"
geometry=''
if [ $((right - left)) -gt 0 ] && [ $((bottom - top_)) -gt 0 ] && [ "$left" -ge 0 ] && [ "$top_" -ge 0 ]; then
  geometry="$((right - left))x$((bottom - top_))+$left+$top_"
fi
if DISPLAY=$display import -window root ${geometry:+-crop "$geometry"} +repage "$shot"; then
  echo "   screenshot: $shot"
else
  echo "   screenshot failed" >&2
fi

echo "== close"
"$run" --timeout 30 "$KV_DRIVER" close "$hwnd" || die "cannot send the close request"
for _ in $(seq 150); do kill -0 $engine 2>/dev/null || break; sleep 0.1; done
if kill -0 $engine 2>/dev/null; then
  die "the engine did not end within 15 s of the close request"
fi
trap - EXIT
rc=0; wait $engine || rc=$?
echo "   the engine ended with exit code $rc"
echo
echo "Screenshot of the demo: $shot"
[ $rc -eq 0 ]

# Helpers of the compiler-link end-to-end tests (sourced after lib.sh).
#
#   compiler CFG-LINE...    the stand-in compiler as system\RODaz\RODaz.exe,
#                           told what to do by rodaz.cfg (tools/kvcomp)
#   gen_project DIR [END]   a loose project in DIR that ends by itself
#   expect_run / expect_stop   one engine run: the window appeared and the
#                           project ended with 0 / no window, exit 0
#   expect_no_box           the engine shows no box
[ -n "${KV_KVCOMP:-}" ] && [ -f "$KV_KVCOMP" ] || fail "no compiler stand-in (build the target kvcomp)"

compiler() {
  mkdir -p system/RODaz
  cp "$KV_KVCOMP" system/RODaz/RODaz.exe || fail "cannot copy the compiler stand-in"
  printf '%s\n' "$@" > system/RODaz/rodaz.cfg
  rm -f system/RODaz/rodaz_args.txt system/RODaz/rodaz_seen.txt
}

gen_project() {
  cat > "$PWD/ends.kvp" <<'KVP'
project width=320 height=240 title="link" show=1 debug=0 sound=0
script 0 "main.kvs"
label SYSTEM_START
    wait frames=3
    end restart=0
KVP
  python3 "$KV_GEN" project "$PWD/ends.kvp" "$1" >/dev/null || fail "generator"
}

win_path() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

expect_no_box() {
  local box
  box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && { drv texts "$box"; fail "$1: the engine shows a box"; }
  return 0
}

# expect_run LABEL: the project ran (its window came) and ended with code 0.
expect_run() {
  watch_no_window
  KV_ENGINE_TIMEOUT=60 run_engine
  watch_result
  [ "$ENGINE_RC" = 0 ] || fail "$1: exit code $ENGINE_RC"
  [ "$WATCH_RESULT" = seen ] || fail "$1: the project did not run (no window)"
  note "$1: the project ran and ended"
}

# expect_stop LABEL: start-up ended silently, before any window.
expect_stop() {
  watch_no_window
  KV_ENGINE_TIMEOUT=60 run_engine
  watch_result
  [ "$ENGINE_RC" = 0 ] || fail "$1: exit code $ENGINE_RC"
  [ "$WATCH_RESULT" = none ] || fail "$1: a window appeared"
  note "$1: stopped silently"
}

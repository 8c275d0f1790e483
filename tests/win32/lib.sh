# Helpers for the end-to-end tests (sourced by tests/win32/e2e_*.sh).
# Every Wine process goes through the runner with a time-out, and the EXIT
# trap ends whatever a test left running, so no test can hang or leak.
#
#   drv CMD ARGS...          the test driver (kvdriver.exe; no arguments: help)
#   use_engine [NAME]        own copy of kavren.exe: ENGINE, ENGINE_WIN, ENGINE_CLASS
#   prepare_project [DESC]   data.kpf beside it (default tools/demo/minimal.kvp)
#   start_engine ARGS...     in the background;  wait_engine SECONDS -> ENGINE_RC
#   keep RC-FILE CMD...      any command in the background, its exit code kept
#   run_engine ARGS...       in the foreground -> ENGINE_RC
#   hold_mutex NAME / release_mutex      another process holds a named mutex
#   watch_no_window / watch_result       did the main window ever appear?
#   wait_for_file FILE SECONDS [REGEX]   note TEXT / fail TEXT
#   pack_project DESC [OPT...]   data.kpf from DESC (the generator must be
#                            there), with the generator's options OPT
#   expect_script_end SECONDS   the engine, ended by its script: code 0, no box
#   expect_clean_end SECONDS [WHAT]   the same for an engine already started
#   check_result LINE CMD VALUE / ex TOKEN...   script lines for a description
#   run_generated_cases FILTER SECONDS   test_script.exe's generated projects
#   use_desktop WxH NAME     everything after it in a Wine virtual desktop
#                            (tests named e2e_serial_*)
set -u
for v in KV_EXE KV_DRIVER KV_WINE_RUN KV_KVCFG; do
  [ -n "${!v:-}" ] || { echo "FAIL: $v is not set (run the test through ctest)" >&2; exit 1; }
done
[ -f "$KV_DRIVER" ] || { echo "FAIL: no test driver at $KV_DRIVER (build the target kvdriver)" >&2; exit 1; }

# The driver: each call bounded by its own --timeout and by the runner's.
# Wine on a loaded machine now and then ends a process as it starts, with
# exit code 0 or 1 and no output, which a command could give too; the driver
# makes the file KV_DRIVER_DONE once its command has run to its end, and a
# call without it is made once more.
drv() {
  local rc done attempt
  done=$(mktemp -u "${TMPDIR:-/tmp}/kv-drv.XXXXXX")
  for attempt in 1 2; do
    rm -f "$done"
    KV_DRIVER_DONE=$(win_path "$done") "$KV_WINE_RUN" --timeout 60 "$KV_DRIVER" "$@"
    rc=$?
    if [ -f "$done" ] || [ "$1" = run ]; then break; fi
    echo "(driver $1 did not run to its end under Wine, exit code $rc; attempt $attempt)" >&2
  done
  rm -f "$done"
  return $rc
}

note() { echo "--- $*"; }
fail() {
  echo "FAIL: $*" >&2
  if [ -n "${ENGINE_RC_FILE:-}" ] && [ -s "$ENGINE_RC_FILE" ]; then
    echo "(the engine had ended, exit code $(cat "$ENGINE_RC_FILE"))" >&2
  fi
  [ -n "${ENGINE:-}" ] && show_engine_boxes
  exit 1
}

# Texts of any box the engine has open, for the log of a failure.
show_engine_boxes() {
  local h
  h=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) || return 0
  echo "the engine shows a box:" >&2
  drv texts "$h" --ids >&2
}

# use_engine [NAME]: copies kavren.exe into the scratch folder (its own path,
# so its own instance mutex and window class). Sets ENGINE (Linux path),
# ENGINE_WIN (the path Wine reports) and ENGINE_CLASS (the main window's
# class: the lower-cased path with every '\' as ':').
use_engine() {
  local name=${1:-kavren.exe}
  [ -f "$KV_EXE" ] || fail "no engine at $KV_EXE (build the target kavren)"
  cp "$KV_EXE" "$PWD/$name" || fail "cannot copy the engine"
  ENGINE=$PWD/$name
  ENGINE_WIN=$(win_path "$ENGINE")
  ENGINE_CLASS=$(printf '%s' "$ENGINE_WIN" | LC_ALL=C tr 'A-Z\\' 'a-z:')
}

# Background processes are started as plain commands (never through a shell
# function), so that the pid kept is the runner's own: a TERM to it ends the
# Wine processes of that run.

# keep RC-FILE COMMAND...: runs COMMAND in the background through a small
# keeper that writes its exit code into RC-FILE when it ends (so that the
# code can be read from $(...) too); a TERM to the keeper (KEEPER_PID) is
# passed on to COMMAND, which for the runner ends its Wine processes.
keep() {
  local rc_file=$1; shift
  rm -f "$rc_file"
  (
    trap 'kill -TERM $r 2>/dev/null; wait $r; exit 143' TERM
    "$@" &
    r=$!
    rc=0; wait $r || rc=$?
    echo $rc > "$rc_file.tmp" && mv "$rc_file.tmp" "$rc_file"
  ) &
  KEEPER_PID=$!
}

# start_engine ARGS...: the engine in the background (ENGINE_PID is its
# keeper); the runner kills it after KV_ENGINE_TIMEOUT seconds.
ENGINE_RUNS=0
start_engine() {
  ENGINE_RUNS=$((ENGINE_RUNS + 1))
  ENGINE_RC_FILE=$PWD/engine-run-$ENGINE_RUNS.rc
  keep "$ENGINE_RC_FILE" "$KV_WINE_RUN" --timeout "${KV_ENGINE_TIMEOUT:-90}" "$ENGINE" "$@"
  ENGINE_PID=$KEEPER_PID
}

# wait_engine SECONDS: waits that long at most for the background engine to
# end; sets ENGINE_RC to its exit code (and prints it when called in $(...)).
# Returns 1 when the engine still runs.
wait_engine() {
  local end=$((SECONDS + $1))
  until [ -s "$ENGINE_RC_FILE" ]; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
  ENGINE_RC=$(cat "$ENGINE_RC_FILE")
  [ "$BASH_SUBSHELL" = 0 ] || echo "$ENGINE_RC"
}

# run_engine ARGS...: the engine in the foreground, bounded; sets ENGINE_RC
# (and prints it when called in $(...)).
run_engine() {
  ENGINE_RC=0
  "$KV_WINE_RUN" --timeout "${KV_ENGINE_TIMEOUT:-60}" "$ENGINE" "$@" || ENGINE_RC=$?
  [ "$BASH_SUBSHELL" = 0 ] || echo "$ENGINE_RC"
}

# wait_for_file FILE SECONDS [PATTERN]: until FILE exists (and holds a line
# matching PATTERN).
wait_for_file() {
  local end=$((SECONDS + $2))
  while :; do
    if [ -f "$1" ] && { [ $# -lt 3 ] || grep -qE "$3" "$1"; }; then return 0; fi
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# hold_mutex NAME: another process takes the named mutex and keeps it until
# release_mutex (or 120 s).
hold_mutex() {
  "$KV_WINE_RUN" --timeout 120 "$KV_DRIVER" hold-mutex "$1" 110 > hold.out &
  HOLD_PID=$!
  wait_for_file hold.out 30 '^held' || fail "could not take the mutex $1"
}
release_mutex() {
  kill -TERM "$HOLD_PID" 2>/dev/null
  wait "$HOLD_PID" 2>/dev/null
  HOLD_PID=''
}

# use_desktop WxH NAME: every later Wine process of the test runs in the
# virtual desktop NAME of that size. Wine closes a desktop a second after its
# last process has left it, and a program started while it closes fails
# ("cannot start (error 1359)") or loses its desktop; so a keeper process
# stays on the desktop until the test ends, or until the test moves to
# another desktop (two desktops alive at once do not keep their display
# modes apart). A start that meets the closing desktop of an earlier run is
# made again.
# When it moves, the old desktop is waited for until its owner (Wine's
# explorer.exe) has ended: on its way out it puts back the display mode, which
# would undo a mode set on the new desktop meanwhile.
DESKTOP_KEEPER='' DESKTOP_OWNER=''
use_desktop() {
  local out=desktop-$2.out attempt pid end
  if [ -n "$DESKTOP_KEEPER" ]; then
    kill -TERM "$DESKTOP_KEEPER" 2>/dev/null
    wait "$DESKTOP_KEEPER" 2>/dev/null
    [ -z "$DESKTOP_OWNER" ] || KV_DESKTOP='' drv wait-exit "$DESKTOP_OWNER" --timeout 20000 ||
      note "the desktop $KV_DESKTOP_NAME did not close within 20 s"
    DESKTOP_KEEPER='' DESKTOP_OWNER=''
  fi
  export KV_DESKTOP=$1 KV_DESKTOP_NAME=$2
  for attempt in 1 2 3 4 5; do
    rm -f "$out"
    "$KV_WINE_RUN" --timeout 200 "$KV_DRIVER" hold-mutex "kvdesk-$2-$$" 190 > "$out" 2>&1 &
    pid=$!
    end=$((SECONDS + 30))
    while [ $SECONDS -lt $end ] && kill -0 "$pid" 2>/dev/null; do
      grep -qs '^held' "$out" && break
      sleep 0.1
    done
    if grep -qs '^held' "$out"; then
      DESKTOP_KEEPER=$pid
      DESKTOP_OWNER=$(awk '/^held [1-9]/ { print $2 }' "$out")
      return 0
    fi
    kill -0 "$pid" 2>/dev/null && break
    note "the desktop $2 could not be joined ($(tr '\n' ' ' < "$out" 2>/dev/null)); again"
    sleep 1
  done
  fail "no process could be kept on the desktop $2"
}

# watch_no_window: starts a watcher that looks for the engine's main window
# (for at most WATCH_MS ms, default 60000); watch_result, called once the
# engine has ended, stops it and sets WATCH_RESULT to "none" or "seen".
watch_no_window() {
  rm -f watch.out
  "$KV_WINE_RUN" --timeout 90 "$KV_DRIVER" wait-window --class "$ENGINE_CLASS" \
    --timeout "${WATCH_MS:-60000}" --announce > watch.out &
  WATCH_PID=$!
  wait_for_file watch.out 30 '^waiting' || fail "the window watcher did not start"
}
watch_result() {
  sleep 0.3   # a window made just before the end is seen by the next poll
  kill -TERM "$WATCH_PID" 2>/dev/null
  wait "$WATCH_PID" 2>/dev/null
  WATCH_PID=''
  WATCH_RESULT=none
  if grep -q '^0x' watch.out; then WATCH_RESULT=seen; fi
}

cleanup() {
  local j
  for j in $(jobs -p); do kill -TERM "$j" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT

# prepare_project [DESCRIPTION]: writes the compiled project into the pack
# data.kpf beside the engine (a pack holding kvbin\kvcfg.kbn makes a packed
# project: no compiler is needed), from tools/demo/minimal.kvp by default.
# Without the generator's project subcommand the engine runs with no project.
prepare_project() {
  local desc=${1:-${KV_SRC:-}/tools/demo/minimal.kvp}
  [ -n "${KV_GEN:-}" ] && [ -f "$KV_GEN" ] || return 0
  python3 "$KV_GEN" project -h >/dev/null 2>&1 || return 0
  pack_project "$desc"
}

# pack_project DESCRIPTION [OPTION...]: the compiled project in data.kpf
# beside the engine; the options go to the generator (--define NAME).
pack_project() {
  rm -f data.kpf
  python3 "$KV_GEN" project "$1" "$PWD/project" --pack "$PWD/data.kpf" "${@:2}" >/dev/null ||
    fail "the generator could not write $1"
  rm -rf "$PWD/project"
  [ -f data.kpf ] || fail "the generator wrote no project from $1"
}

# expect_script_end SECONDS: starts the engine, which must end by its script's
# end command within SECONDS with exit code 0 and no report shown.
expect_script_end() {
  start_engine
  expect_clean_end "$1"
}

# expect_clean_end SECONDS [WHAT]: the same for the engine started before;
# WHAT names, for the failure, what was waited for.
expect_clean_end() {
  local box
  if ! wait_engine "$1"; then
    box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && drv texts "$box"
    fail "${2:-the engine did not end by its script} within $1 s"
  fi
  box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && { drv texts "$box"; fail "a report was shown"; }
  [ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after the end command, expected 0"
}

# expect_report FILE LINE TEXT: the engine started before shows the error
# dialog with the report of TEXT located at FILE, LINE; its exit button
# ends the engine.
expect_report() {
  local box want
  box=$(drv wait-dialog --exe "$ENGINE" --title "KAVREN Debug Info." --timeout 40000) ||
    fail "no \"KAVREN Debug Info.\" dialog (expected the report at $1, line $2)"
  drv texts "$box" --ids > texts.txt || fail "cannot read the dialog"
  cat texts.txt
  want="1032	Edit	[対象ファイル]\\n$1\\n\\n[場所]\\n$2 行目\\n\\n[内容]\\n\\n$3"
  grep -qxF "$want" texts.txt || fail "the dialog does not hold the report at $1, line $2: $3"
  drv press "$box" 1034 || fail "cannot press the exit button"
  wait_engine 20 || fail "the engine still runs 20 s after the report was closed"
}

# check_result LINE COMMAND VALUE: script lines that run COMMAND with result
# $1000 and jump to a missing label (a report naming LINE) unless $1000
# equals VALUE.
check_result() {
  echo "    $2 result=\$1000"
  echo "    if {@1000 $3 = 0 =}"
  echo "    @$1 goto FAILED"
  echo "    endif"
}

# ex TOKEN...: expression code in the generator's hex form, from postfix tokens
# (numbers, $ID, $ID[ ... ] for an element, and the evaluator's operators).
ex() {
  python3 - "$@" <<'PY'
import struct, sys
out = b""
def op(c, operand=b""):
    return bytes([ord(c)]) + struct.pack("<H", len(operand)) + operand
for t in sys.argv[1:]:
    if t.startswith("$"):
        out += op("V" if t.endswith("[") else "H", b"`" + struct.pack("<H", int(t[1:].rstrip("["))))
    elif t == "]":
        out += op(")")
    elif t.lstrip("-").isdigit():
        out += op("L", struct.pack("<q", int(t)))
    else:
        out += op(t)
print("hex:" + out.hex())
PY
}

# run_generated_cases FILTER SECONDS: the cases of test_script.exe that run
# generated projects, under Wine: a first run only writes each case's project
# description (named by its hash), the generator builds them, and a second
# run, bounded by SECONDS, must pass them all.
run_generated_cases() {
  local exe=$KV_BUILD/tests/test_script.exe d n=0 out rc=0
  [ -f "$exe" ] || fail "no $exe (build the target test_script)"
  mkdir -p dump fixtures
  KV_RUN_DUMP=$(win_path "$PWD/dump") "$KV_WINE_RUN" --timeout 120 "$exe" \
    --gtest_filter="$1" > dump.log 2>&1
  for d in dump/*.txt; do
    [ -f "$d" ] || fail "no project descriptions were written (see dump.log)"
    python3 "$KV_GEN" project "$d" "fixtures/$(basename "$d" .txt)" >/dev/null || fail "generator: $d"
    n=$((n + 1))
  done
  note "$n projects"
  out=$(KV_RUN_FIXTURES=$(win_path "$PWD/fixtures") "$KV_WINE_RUN" --timeout "$2" "$exe" \
        --gtest_filter="$1" 2>&1) || rc=$?
  echo "$out" | tail -n 4
  [ "$rc" = 0 ] || { echo "$out" | grep -a -B2 -A8 'Failure' | head -60; fail "test_script.exe exited with $rc"; }
  if echo "$out" | grep -q 'SKIPPED'; then echo "$out" | grep SKIPPED; fail "cases were skipped"; fi
}

# win_path PATH: the path as Wine shows it.
win_path() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

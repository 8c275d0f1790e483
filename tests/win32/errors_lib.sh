# Helpers of the error-dialog end-to-end tests (sourced after lib.sh).

# start_until_dialog TITLE ARGS...: starts the engine with ARGS and waits for
# its dialog captioned TITLE; sets BOX to the dialog's handle. Returns 1 when
# no such dialog came.
#
# The start-up mutex "kavren1" is shared by every Wine process of the prefix,
# also by the engines of other test runs: an engine that finds it held exits
# 0 at once and shows nothing (that is the engine's rule). So the start is
# made under a file lock that other runs may take too, and a start that was
# turned away all the same is made again, a few times.
KV_START_LOCK=${KV_START_LOCK:-/tmp/kv-engine-start-$(id -u).lock}
start_until_dialog() {
  local title=$1 attempt end
  shift
  BOX=''
  for attempt in 1 2 3 4 5 6; do
    exec 7>"$KV_START_LOCK"
    flock -w 90 7 || note "the start-up lock stayed taken; starting anyway"
    start_engine "$@" 7>&-
    end=$((SECONDS + 40))
    while [ $SECONDS -lt $end ]; do
      if BOX=$(drv wait-dialog --exe "$ENGINE" --title "$title" --timeout 3000 7>&-); then
        exec 7>&-
        return 0
      fi
      [ -s "$ENGINE_RC_FILE" ] && break
    done
    exec 7>&-
    BOX=''
    # Still running without its dialog, or ended with a failure: a real fault.
    [ -s "$ENGINE_RC_FILE" ] && [ "$(cat "$ENGINE_RC_FILE")" = 0 ] || return 1
    note "the engine ended at once without a dialog (start-up mutex held elsewhere); again"
    sleep $((attempt < 3 ? attempt : 3))
  done
  return 1
}

# What Wine mixes, captured: each run sends Wine's ALSA output into a raw
# file (ALSA's file plugin over a null device, through ALSA_CONFIG_PATH; the
# samples are Wine's 32-bit float mix) and checks it: volume 128 plays at a
# quarter of the amplitude, pan 0 and 512 silence one channel, a start of
# -500 ms plays half a second of silence first, a loop-back with an end and
# a play count loops the right stretch, and an IMA ADPCM WAVE plays.
source "$KV_LIB"

use_engine
python3 "$KV_GEN" tone tone.wav --rate 44100 --channels 2 --seconds 1 --freq 441 --amplitude 0.8 ||
  fail "tone tone.wav"
python3 "$KV_GEN" tone gap.wav --rate 22050 --channels 1 --seconds 0.7 --silence-ms 300 \
  --freq 441 --amplitude 0.8 || fail "tone gap.wav"
python3 "$KV_GEN" tone adpcm.wav --rate 22050 --channels 1 --seconds 1 --freq 441 \
  --amplitude 0.8 --adpcm || fail "tone adpcm.wav"

# capture NAME SCRIPT-LINES: runs a project with those lines, then a wait and
# the end command, with Wine's output going to NAME.raw.
capture() {
  local name=$1 lines=$2
  printf 'project width=320 height=240 title="capture" show=1 debug=0 sound=1\nscript 0 "main.kvs"\nlabel SYSTEM_START\n%s\n    wait ms=2500\n    end restart=0\n' \
    "$lines" > "$name.kvp"
  rm -f "$name.raw"
  pack_project "$name.kvp"
  printf 'pcm.!default {\n  type file\n  slave.pcm { type null }\n  file "%s"\n  format "raw"\n}\n' \
    "$PWD/$name.raw" > "$name.asound"
  ALSA_CONFIG_PATH=$PWD/$name.asound start_engine
  wait_engine 40 || fail "$name: the engine did not end within 40 s"
  [ "$ENGINE_RC" = 0 ] || fail "$name: exit code $ENGINE_RC"
  [ -s "$name.raw" ] || fail "$name: nothing was captured"
}

# check NAME PYTHON-CONDITION: the condition over the measures of NAME.raw
# (peak_l, peak_r, on_l, on_r, off_l, off_r in ms, gap_l: longest silence
# between on_l and off_l in ms).
check() {
  python3 - "$1.raw" "$2" <<'PY' || fail "$1: $2"
import struct, sys
raw, cond = sys.argv[1], sys.argv[2]
data = open(raw, "rb").read()
n = len(data) // 8
s = struct.unpack("<%df" % (2 * n), data[:n * 8])
rate = 48000.0
def measure(c):
    x = s[c::2]
    on = next((i for i, v in enumerate(x) if abs(v) > 0.01), None)
    if on is None:
        return 0.0, None, None, 0.0
    off = max(i for i, v in enumerate(x) if abs(v) > 0.01)
    peak = max(abs(v) for v in x)
    gap = run = 0
    for v in x[on:off]:
        run = run + 1 if abs(v) <= 0.01 else 0
        gap = max(gap, run)
    ms = lambda i: i * 1000.0 / rate
    return peak, ms(on), ms(off), ms(gap)
peak_l, on_l, off_l, gap_l = measure(0)
peak_r, on_r, off_r, gap_r = measure(1)
print("  peak %.3f/%.3f on %s/%s off %s/%s gap %.1f ms" % (peak_l, peak_r, on_l, on_r, off_l, off_r, gap_l))
sys.exit(0 if eval(cond) else 1)
PY
}

note "volume 128 is -1204, a quarter of the amplitude"
capture volume '    sound_control path="t" file="tone.wav" volume=128 count=1 play=1'
check volume 'abs(peak_l - 0.2) < 0.02 and abs(peak_r - 0.2) < 0.02'

note "pan 0 silences the right channel, pan 512 the left one"
capture pan_left '    sound_control path="t" file="tone.wav" pan=0 count=1 play=1'
check pan_left 'peak_l > 0.7 and peak_r < 0.001'
capture pan_right '    sound_control path="t" file="tone.wav" pan=512 count=1 play=1'
check pan_right 'peak_r > 0.7 and peak_l < 0.001'

note "a start of -500 ms: half a second of silence before the tone"
# Both sounds are loaded first; the second then starts a tick after the first
# (on a loaded machine a few ticks: the upper bound allows for that).
capture silence '    sound_control path="a" file="tone.wav" pan=0 count=1
    sound_control path="b" file="tone.wav" pan=512 start=-500 count=1
    sound_control path="a" play=1
    sound_control path="b" play=1'
check silence '-15 < (on_r - on_l) - 500 < 150'

note "loop-back 500 and end 800 with play count 3: 300 ms silence, then 0.5 + 0.3 + 0.3 s of tone"
capture loop '    sound_control path="g" file="gap.wav" loop=500 end=800 count=3 play=1'
check loop 'gap_l < 30 and abs((off_l - on_l) - 1100) < 120'

note "an IMA ADPCM WAVE plays after its conversion"
capture adpcm '    sound_control path="s" file="adpcm.wav" count=1 play=1'
check adpcm 'abs(peak_l - 0.8) < 0.1 and abs(peak_r - 0.8) < 0.1 and off_l - on_l > 800'
note "all captures as expected"

# Sound under Wine with DirectSound on ALSA's null device: a generated
# project with sound on loads an Ogg tone and an IMA ADPCM WAVE (made here),
# plays, pauses, resumes, queries and deletes them, checks every answer
# itself and ends by its end command with exit code 0 and no report.
source "$KV_LIB"

use_engine
note "test sounds beside the engine"
python3 "$KV_GEN" tone bgm.ogg --rate 44100 --channels 2 --seconds 3 || fail "tone bgm.ogg"
python3 "$KV_GEN" tone se.wav --rate 22050 --channels 1 --seconds 1 --adpcm || fail "tone se.wav"

# check LINE PATH QUERY VALUE: stores sound_info QUERY of PATH in $1000 and jumps
# to a missing label (a report naming LINE) unless it equals VALUE.
check() { check_result "$1" "sound_info path=\"$2\" $3=1" "$4"; }

{
  cat <<KVP
project width=320 height=240 title="sound" show=1 debug=0 sound=1
error 108180 "check failed"
var 1000 int global = 0
script 0 "main.kvs"
label SYSTEM_START
    sound_control path="bgm" file="bgm" volume=128 pan=300 count=0 loop=500 play=1 ramp=200
KVP
  check 901 bgm loaded 1
  check 902 bgm playing 1
  check 903 bgm format 1
  check 904 bgm rate 44100
  check 905 bgm channels 2
  check 906 bgm decoder 1
  echo "    wait ms=400"
  check 907 bgm volume 128
  echo "    sound_control path=\"bgm\" pause=1"
  check 908 bgm paused 1
  echo "    wait ms=200"
  echo "    sound_control path=\"bgm\" pause=0"
  check 909 bgm playing 1
  echo "    sound_control path=\"fx/\" volume=200"
  echo "    sound_control path=\"fx/se\" file=\"se\" play=1"
  check 910 fx/se decoder 2
  check 911 fx/se bits 16
  check 912 fx/se rate 22050
  check 913 fx/se playing 1
  echo "    wait ms=300"
  echo "    sound_control path=\"bgm\" play=0 ramp=100"
  echo "    wait ms=400"
  check 914 bgm playing 0
  echo "    sound_delete path=\"fx/\""
  check 915 fx/ loaded 0   # the group is gone (a path through it would be an error)
  echo "    sound_delete path=\"bgm\""
  check 916 bgm loaded 0
  echo "    end restart=0"
} > sound.kvp
pack_project sound.kvp
expect_script_end 60
note "loaded, played, paused, resumed, queried and deleted Ogg and ADPCM sounds; exit code 0"

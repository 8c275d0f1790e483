# Save files in each of the four save-folder locations, under Wine. For each
# location (kvsfs.dat word 21 beside the engine) a generated project saves an
# integer, a float, a string, an integer array and a layer into slots of one
# save file, changes them, rewrites one slot, loads everything back and checks
# it in the script (a failed check jumps to a missing label: the report names
# its line; success ends by the end command with exit code 0). The file must
# then be in that location's folder, every missing level created, and in none
# of the other three. Folders the test made are removed again.
source "$KV_LIB"

use_engine
prefix=${WINEPREFIX:-$HOME/.cache/kv-wine}
user_dir=$prefix/drive_c/users/$(id -un)
[ -d "$user_dir" ] || fail "no profile folder $user_dir in the Wine prefix"
# The prefix may link its documents folder to the home folder: follow it.
appdata=$(readlink -f "$user_dir/AppData/Roaming") || fail "no AppData\\Roaming in the prefix"
docs=$(readlink -f "$user_dir/Documents") || fail "no Documents in the prefix"
sub=MySoftware_SaveData/MyGame/save
folders=("$PWD/save" "$appdata/$sub" "$docs/$sub" "$docs/My Games/$sub")
# What each location creates, down from a folder that always exists.
tops=("$PWD/save" "$appdata/MySoftware_SaveData" "$docs/MySoftware_SaveData" "$docs/My Games")

# Another prefix may share the linked documents folder: each run saves under
# its own file name and removes only its own files and the folders left empty.
tag=kvloc-$$
tidy() {
  local i
  for i in 0 1 2 3; do
    rm -f "${folders[$i]}/$tag"-*.sd "${folders[$i]}/$tag"-*.sd.tmp
    find "${folders[$i]}" -maxdepth 1 -name 'kvloc-*.sd*' -mmin +30 -delete 2>/dev/null
    [ -d "${tops[$i]}" ] && find "${tops[$i]}" -depth -type d -empty -delete 2>/dev/null
  done
  return 0
}
trap 'cleanup; tidy' EXIT
tidy

check() {   # check LINE POSTFIX-EXPR : fails when the expression is 0
  printf '    if {%s 0 ==}\n    @%s goto FAILED\n    endif\n' "$2" "$1"
}

# project FILE-NAME: the description of the saving and loading script.
project() {
  cat <<KVP
project width=320 height=240 title="save locations" show=1 debug=0 sound=0
error 108180 "check failed"
var 1000 int global = 0
var 1001 float global = 0
var 1002 string global
var 1003 int global dims=4 = 0
var 1010 int global dims=6 = 0
image pic png 24 16 gradient colour=rgb
image other png 8 8 checker
script 0 "main.kvs"
label SYSTEM_START
    layer_setup path="pic" order=1 image="pic"
    assign target:1:0=\$1000 value=123456789012
    assign target:1:0=\$1001 value=-2.75
    assign target:1:0=\$1002 value="セーブsave"
    assign target:1:0={[1003 0 ]} value=7
    assign target:1:0={[1003 3 ]} value=-9
    get_object_property path="pic" width=1 result={[1010 0 ]}
    get_object_property path="pic" height=1 result={[1010 1 ]}
    get_object_property path="pic" colour_at=1 x=17 y=11 result={[1010 2 ]}
    save_slot slot=1 variable=\$1000
    save_slot slot=2 variable=\$1001
    save_slot slot=3 variable=\$1002
    save_slot slot=4 variable={&1003}
    save_slot file="$1" slot=9 layer="pic"
    assign target:1:0=\$1000 value=0
    assign target:1:0=\$1001 value=0
    assign target:1:0=\$1002 value=""
    assign target:1:0={[1003 0 ]} value=0
    assign target:1:0={[1003 3 ]} value=0
    layer_setup path="pic" image="other"
    load_slot file="$1" slot=1 variable=\$1000
    load_slot file="$1" slot=2 variable=\$1001
    load_slot file="$1" slot=3 variable=\$1002
    load_slot file="$1" slot=4 variable={&1003}
    load_slot file="$1" slot=9 layer="pic"
    get_object_property path="pic" width=1 result={[1010 3 ]}
    get_object_property path="pic" height=1 result={[1010 4 ]}
    get_object_property path="pic" colour_at=1 x=17 y=11 result={[1010 5 ]}
KVP
  check 901 '@1000 123456789012 =='
  check 902 '@1001 -2.75 =='
  check 903 '@1002 "セーブsave" =='
  check 904 '[1003 0 ] 7 == [1003 3 ] -9 == && [1003 1 ] 0 == &&'
  check 905 '[1010 0 ] 24 == [1010 3 ] 24 == && [1010 4 ] 16 == &&'
  check 906 '[1010 2 ] [1010 5 ] == [1010 2 ] 0 > &&'
  cat <<KVP
    assign target:1:0=\$1002 value="again"
    save_slot file="$1" slot=3 variable=\$1002
    assign target:1:0=\$1002 value=""
    load_slot file="$1" slot=3 variable=\$1002
    load_slot file="$1" slot=1 variable=\$1000
KVP
  check 907 '@1002 "again" == @1000 123456789012 == &&'
  echo "    end restart=0"
}

for loc in 0 1 2 3; do
  name=$tag-$loc
  python3 -c 'import struct, sys; w = [0] * 32; w[21] = int(sys.argv[1]); open("kvsfs.dat", "wb").write(struct.pack("<32I", *w))' "$loc"
  project "Kv${name#kv}" > loc.kvp   # capitals: the engine lower-cases the name
  rm -f data.kpf
  python3 "$KV_GEN" project loc.kvp "$PWD/project" --pack "$PWD/data.kpf" >/dev/null || fail "generator: loc.kvp"
  rm -rf project
  fresh=absent; [ -e "${tops[$loc]}" ] && fresh=present
  start_engine
  wait_engine 20 || fail "location $loc: the engine did not end by its script within 20 s"
  [ "$ENGINE_RC" = 0 ] || fail "location $loc: exit code $ENGINE_RC after the end command, expected 0"
  for i in 0 1 2 3; do
    f=${folders[$i]}/$name.sd
    if [ "$i" = "$loc" ]; then
      [ -f "$f" ] || { ls -R "${tops[$i]}" 2>&1 | head; fail "location $loc: no save file $f"; }
      [ "$(head -c 4 "$f")" = KVSD ] || fail "location $loc: $f is not a save file"
      ls "${folders[$i]}" | grep -q "^$name.sd.tmp$" && fail "location $loc: a temporary file was left"
    else
      [ -e "$f" ] && fail "location $loc: the save file is also in location $i ($f)"
    fi
  done
  note "location $loc: saved and loaded back in ${folders[$loc]} (the folder was $fresh before)"
done
note "all four save locations hold their save files"

# A menu tree more than 127 menus deep gives the main window no menu bar,
# and the engine runs on (the script renames its window afterwards).
source "$KV_LIB"
use_engine
{
  echo 'project width=640 height=480 title="KAVREN" show=1 debug=0 sound=0'
  echo 'script 0 "main.kvs"'
  echo 'label SYSTEM_START'
  path="deep/"
  echo "    menu_set path=\"$path\" text=\"d\" order=1"
  for i in $(seq 130); do
    path="${path}f/"
    echo "    menu_set path=\"$path\" text=\"f\" order=1"
  done
  echo "    menu_set path=\"${path}leaf\" text=\"leaf\" order=1 command=9"
  echo '    window_setup window=0 menu="deep/"'
  echo '    window_setup window=0 title="built"'
  echo 'label LOOP'
  echo '    wait frames=1'
  echo '    goto LOOP'
} > deep.kvp
prepare_project "$PWD/deep.kvp"
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --title built --timeout 30000) || fail "the script did not run on"
drv menu "$hwnd" >/dev/null && fail "a menu bar although the tree is more than 127 menus deep"
drv close "$hwnd" >/dev/null 2>&1
wait_engine 20

#!/bin/bash
# wine-fonts.sh - font replacements of the Wine prefix ($WINEPREFIX, else
# ~/.cache/kv-wine): the Japanese faces the engine prefers are drawn with the
# IPA fonts of Debian. Idempotent (stamp .kv-fonts in the prefix).
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/kv-wine}
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
[ -f "$WINEPREFIX/.kv-fonts" ] && exit 0
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
key='HKCU\Software\Wine\Fonts\Replacements'
while read -r face ipa; do
  "$WINE" reg add "$key" /v "${face//_/ }" /t REG_SZ /d "$ipa" /f >/dev/null 2>&1
done <<'LIST'
ＭＳ_ゴシック IPAGothic
ＭＳ_Ｐゴシック IPAPGothic
ＭＳ_明朝 IPAMincho
ＭＳ_Ｐ明朝 IPAPMincho
LIST
timeout -k 5 60 "$WINESERVER" -w || true   # the registry is written when the server exits
touch "$WINEPREFIX/.kv-fonts"

#!/bin/bash
# setup-deps.sh [PREFIX] - make a Debian 12 machine (as root) ready to build the
# engine natively and for Win32, and to run the .exe files under Wine + Xvfb.
# Idempotent: a second run only checks (0.1 s); a step whose stamp exists is skipped.
#   PREFIX: where the mingw static libraries go; default $KV_MINGW_PREFIX,
#   else ~/.cache/kv-mingw-deps (the toolchain file looks in the same places).
#   Wine prefix: $WINEPREFIX, else ~/.cache/kv-wine (as in wine-run.sh).
# Time of each step, measured on this kind of machine, 8 cores [2 cores]:
#   1. apt packages, new machine .. ~30 s (20 s mingw+wine+Xvfb+fonts, 7 s the rest)
#   2. ja_JP.UTF-8 locale ......... ~1 s
#   3. static libs for mingw ...... 13 s [22 s]: ogg 2, vorbis 2, png 4, jpeg 5
#                                   (apt-get source < 1 s each)
#   4. GoogleTest for mingw ....... 10 s [12 s]; 21 s once while the machine was busy
#   5. Wine prefix (wineboot) ..... 12-14 s, ~700 MB on disk
#      with its font replacements . ~3 s more
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PREFIX=${1:-${KV_MINGW_PREFIX:-$HOME/.cache/kv-mingw-deps}}
step() { echo "== $* (at ${SECONDS} s)"; }
trap 'echo "setup-deps.sh: failed at line $LINENO; see $PREFIX/build-*.log" >&2' ERR

step "1. apt packages"
PKGS="g++ cmake ninja-build pkg-config dpkg-dev python3
  libpng-dev libjpeg62-turbo-dev libvorbis-dev libogg-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev nasm
  wine wine64 fonts-wine xvfb xauth fonts-ipafont-gothic fonts-ipafont-mincho locales
  libjpeg-turbo-progs vorbis-tools
  libbenchmark-dev ccache clang libclang-rt-14-dev libpixman-1-dev lua5.4
  imagemagick x11-apps procps psmisc
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav"
APT="apt-get -q -y -o DPkg::Lock::Timeout=600"
# shellcheck disable=SC2086
if [ "$(dpkg-query -W -f='${Status}\n' $PKGS 2>/dev/null | grep -c 'ok installed')" \
     -ne "$(echo $PKGS | wc -w)" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $APT update
  $APT install --no-install-recommends --no-upgrade $PKGS
fi
# apt-get source needs deb-src entries: derive them from the deb entries.
if ! apt-cache showsrc libogg 2>/dev/null | grep -q '^Package:'; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/kv-deb-src.sources
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/kv-deb-src.list
  fi
  $APT update
fi

step "2. locale and ALSA"
if ! locale -a | grep -qx 'ja_JP.utf8'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen
fi
# No sound card here: without a null ALSA device DirectSoundCreate8 fails.
grep -qs 'pcm.!default' "$HOME/.asoundrc" || echo 'pcm.!default { type null }' >> "$HOME/.asoundrc"

cross_cmake() {  # name source-dir cmake-options...  (static, Release, into PREFIX)
  local name=$1 src=$2; shift 2
  cmake -S "$src" -B "$PREFIX/build/$name" -G Ninja -Wno-dev --no-warn-unused-cli \
    -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64-x86_64.cmake" -DKV_MINGW_PREFIX="$PREFIX" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@" >> "$PREFIX/build-$name.log"
  cmake --build "$PREFIX/build/$name" >> "$PREFIX/build-$name.log"
  cmake --install "$PREFIX/build/$name" >> "$PREFIX/build-$name.log"
  touch "$PREFIX/.done-$name"
}
cross_build() {  # debian-source-package cmake-options...
  local pkg=$1 t=$SECONDS; shift
  [ -f "$PREFIX/.done-$pkg" ] && return
  rm -rf "${PREFIX:?}/src/$pkg" "$PREFIX/build/$pkg" && mkdir -p "$PREFIX/src/$pkg"
  # A security update's source can be listed before the mirror serves it: fall
  # back to the other listed versions, newest first.
  local v ok=''
  for v in '' $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -r -V); do
    rm -rf "${PREFIX:?}/src/$pkg" && mkdir -p "$PREFIX/src/$pkg"
    if (cd "$PREFIX/src/$pkg" && apt-get source -q "$pkg${v:+=$v}") >> "$PREFIX/build-$pkg.log" 2>&1
    then ok=1; break; fi
  done
  [ -n "$ok" ] || { echo "apt-get source $pkg failed" >&2; return 1; }
  cross_cmake "$pkg" "$(find "$PREFIX/src/$pkg" -mindepth 1 -maxdepth 1 -type d)" "$@"
  echo "   $pkg: $((SECONDS - t)) s"
}

step "3. static libraries for mingw in $PREFIX"
cross_build libogg -DINSTALL_DOCS=OFF
cross_build libvorbis
cross_build libpng1.6 -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
cross_build libjpeg-turbo -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON

step "4. GoogleTest for mingw"
[ -f "$PREFIX/.done-googletest" ] || cross_cmake googletest /usr/src/googletest

step "5. Wine prefix ${WINEPREFIX:-$HOME/.cache/kv-wine}"
# wine-run.sh makes it, links Wine's own fonts (fonts-wine) into it and maps
# the Japanese faces the engine prefers ("ＭＳ ゴシック" and its kin) to the
# IPA fonts (scripts/wine-fonts.sh).
"$here/wine-run.sh" --init

step "done"

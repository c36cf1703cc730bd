# Shared by the scripts: package installation and the build.
# shellcheck shell=bash

PACKAGES=(
  cmake g++ ninja-build pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxi-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libtiff-dev libjpeg-dev libtiff-tools libjpeg-turbo-progs imagemagick ghostscript
  xvfb xauth xfonts-base x11-utils
  xfonts-75dpi xfonts-100dpi hershey-fonts-data
  gnuplot-nox
  xdotool xclip libxtst-dev libxfixes-dev
  xbitmaps netpbm
  iproute2 x11-xserver-utils
  mesa-utils
)

# The Windows stage (scripts/test-windows): the cross compiler with posix
# threads, wine64, Mesa's off-screen library for wine's bitmap pixel
# formats, dpkg-source for the library sources of scripts/win-deps,
# x11proto-dev, whose keysymdef.h gives the layer its keysym names,
# xdotool and xclip, the X clients of the end-to-end tests, and x11-utils
# and imagemagick, which find and compare the demo's windows.
WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix wine64 libosmesa6 xdotool xclip dpkg-dev
  python3 x11-common x11proto-dev xfonts-base xbitmaps netpbm
  x11-utils imagemagick
)

# The environment of wine64 for build-win's programs, and its prefix (the
# absolute path $1, by default build-win/wine), made once, aside, and put in
# place only when whole. Without a window manager wine would wait 2 s at each
# window's destruction for one. QOB_WINESERVER names the wineserver.
prepare_wine() {
  export WINEPREFIX=${1:-$PWD/build-win/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local wineserver=/usr/lib/wine/wineserver
  command -v wineserver >/dev/null 2>&1 && wineserver=$(command -v wineserver)
  export QOB_WINESERVER=$wineserver
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "Making the wine prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX.new"
  WINEPREFIX=$WINEPREFIX.new QOB_WINE=$(dirname "${BASH_SOURCE[0]}")/wine xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$QOB_WINE" wineboot -i >/dev/null 2>&1
    "$QOB_WINE" reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    "$QOB_WINESERVER" -w'
  mv "$WINEPREFIX.new" "$WINEPREFIX"
}

# Installs the Debian packages that are not installed yet.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# Configures and builds into $1 with further CMake arguments. The tree keeps
# the arguments of its configuration in qob-cmake-args; other arguments start
# from a fresh cache, so no setting of an earlier configuration stays behind.
build_tree() {
  local dir=$1
  shift
  local wanted fresh=()
  wanted=$(printf '%s\n' "$@")
  if [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$dir/qob-cmake-args" 2>/dev/null)" != "$wanted" ]; then
    fresh=(--fresh)
  fi
  cmake "${fresh[@]}" -S . -B "$dir" -G Ninja "$@"
  printf '%s\n' "$wanted" >"$dir/qob-cmake-args"
  cmake --build "$dir" -j"$(nproc)"
}

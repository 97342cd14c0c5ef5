#!/usr/bin/env bash
# The Windows program on the emulated platform, headless: builds the windows preset
# (mingw-w64), runs tbt-fwupdate.exe under Wine on Xvfb with a compact-size and a
# full-size screen, lets it press Update by itself, and keeps the window as the program
# composed it (its own image, written as PNG, not an X screenshot) at ready, running
# and finished.
#   scripts/demo-windows.sh           run the demo and say where the pictures are
#   scripts/demo-windows.sh --check   the same, failing unless every finished window
#                                     shows the success text
# TBT_DEMO_BUILD_DIR builds elsewhere than the windows preset's folder.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *)
    echo "usage: $0 [--check]" >&2
    exit 2
    ;;
esac

bash scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine wine64 xvfb
jobs="$(nproc 2>/dev/null || echo 2)"
build="${TBT_DEMO_BUILD_DIR:-build/windows}"

# A Wine prefix of this build's own, so that no user's Wine setup is touched. The build
# itself runs Wine once, to write the demo image beside the program.
mkdir -p "$build"
export WINEPREFIX="${WINEPREFIX:-$PWD/$build/wineprefix}" WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  xvfb-run -a wineboot --init >/dev/null 2>&1 || true
fi
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --parallel "$jobs" --target tbt-fwupdate
program="$build/win32/tbt-fwupdate.exe"
for needed in "$program" "$build/win32/data/Update.ini" "$build/win32/data/demo.bin"; do
  if [ ! -f "$needed" ]; then
    echo "$0: $needed was not built" >&2
    exit 1
  fi
done

# A Wine started without a display (the build's own run) must not serve the window.
wineserver -k 2>/dev/null || true

export TBT_PLATFORM=emulated
status=0
shots_root="$PWD/$build/demo-windows"
for size in compact:1920x1080 full:2560x1440; do
  name="${size%%:*}"
  screen="${size#*:}"
  shots="$shots_root/$name"
  rm -rf "$shots"
  mkdir -p "$shots"
  echo "== $name layout on a ${screen} screen (Wine on Xvfb)"
  # Wine's drive Z: is the root of this file system. (winepath would start Wine's
  # desktop process without a display, and the window could not be created.)
  if TBT_DEMO_AUTOPRESS=1 TBT_DEMO_SCREENSHOT_DIR="Z:${shots//\//\\}" \
    xvfb-run -a -s "-screen 0 ${screen}x24" wine "$program"; then
    echo "   the finished window shows the success text"
  else
    echo "   the finished window does NOT show the success text" >&2
    status=1
  fi
  # Wine's processes end with the run, not with the next run's display.
  wineserver -k 2>/dev/null || true
  for picture in ready running finished; do
    if [ ! -s "$shots/$picture.png" ]; then
      echo "   $shots/$picture.png was not written" >&2
      status=1
    fi
  done
done
echo "pictures: $shots_root/{compact,full}/{ready,running,finished}.png"

if [ "$check" = 1 ]; then
  exit "$status"
fi

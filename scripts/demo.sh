#!/usr/bin/env bash
# The tool's main job on the emulated platform: builds the program, prepares a folder
# with the program, data/Update.ini and a firmware image made for the built-in
# emulated controller, and starts the window. Nothing touches real hardware.
#
# With a display the window opens for you to press Update. Without one ($DISPLAY
# empty), or with --check, it runs the window under Xvfb at a compact (1920x1080) and
# a full (2560x1440) screen size, presses Update itself, saves pictures of the ready,
# running and finished window, and prints where they are; a third run presses Enter
# instead, as a keyboard user would. --check (what CI runs) fails unless every finished
# window shows the IDS_SUCCESS text.
#
# Environment for trying the other states by hand (see README): TBT_EMULATED_POWER=
# battery|fail, TBT_EMULATED_DEVICE=absent, TBT_EMULATED_CONTROLLER=<image or NVM file>,
# TBT_EMULATED_WAIT_SCALE=<fraction of the 10 s waits, default 0.1>.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=window
case "${1:-}" in
  --check) mode=check ;;
  "") ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
if [ -z "${DISPLAY:-}" ]; then
  [ "$mode" = check ] || mode=headless
fi

bash scripts/install-deps.sh
jobs="$(nproc 2>/dev/null || echo 2)"
# TBT_DEMO_BUILD_DIR builds elsewhere than the default preset's folder.
if [ -n "${TBT_DEMO_BUILD_DIR:-}" ]; then
  build="$TBT_DEMO_BUILD_DIR"
  cmake -S . -B "$build" -G Ninja -DTBT_WERROR=ON >/dev/null
  cmake --build "$build" --parallel "$jobs" --target tbt-fwupdate tbt-nvm
else
  build=build/default
  cmake --preset default >/dev/null
  cmake --build --preset default --parallel "$jobs" --target tbt-fwupdate tbt-nvm
fi

# The demo folder sits beside the build folder, never in the repository's data/. A
# folder of that name is only ever replaced when it carries this script's mark, so a
# folder someone else made there is never removed.
demo_dir="$(cd "$build/.." && pwd)/demo"
demo_mark=".made-by-tbt-demo"
if [ -e "$demo_dir" ]; then
  if [ ! -f "$demo_dir/$demo_mark" ]; then
    echo "$0: $demo_dir exists and was not made by this script; move it away first" >&2
    exit 2
  fi
  rm -rf "$demo_dir"
fi
mkdir -p "$demo_dir/data"
touch "$demo_dir/$demo_mark"
cp "$build/app/tbt-fwupdate" "$demo_dir/"
cp data/Update.ini "$demo_dir/data/"
"$build/cli/tbt-nvm" demo-image "$demo_dir/data/demo.bin" >/dev/null
echo "demo folder: $demo_dir (program, data/Update.ini, data/demo.bin)"

export TBT_PLATFORM=emulated

if [ "$mode" = window ]; then
  exec "$demo_dir/tbt-fwupdate" "$@"
fi

status=0
for size in compact:1920x1080 full:2560x1440; do
  name="${size%%:*}"
  screen="${size#*:}"
  shots="$demo_dir/screenshots/$name"
  mkdir -p "$shots"
  echo "== $name layout on a ${screen} screen (Xvfb)"
  if TBT_DEMO_AUTOPRESS=1 TBT_DEMO_SCREENSHOT_DIR="$shots" \
    xvfb-run -a -s "-screen 0 ${screen}x24" "$demo_dir/tbt-fwupdate"; then
    echo "   the finished window shows the success text"
  else
    echo "   the finished window does NOT show the success text" >&2
    status=1
  fi
done
# A keyboard user: Enter presses the focused button, which must be Update, and the
# finished window must show the success text. On a 2560x1080 screen the full window
# would not fit, so this also runs the compact layout on a wide, short screen.
shots="$demo_dir/screenshots/keyboard"
mkdir -p "$shots"
echo "== keyboard run on a 2560x1080 screen (Xvfb): Enter starts the update"
if TBT_DEMO_AUTOPRESS=enter TBT_DEMO_SCREENSHOT_DIR="$shots" \
  xvfb-run -a -s "-screen 0 2560x1080x24" "$demo_dir/tbt-fwupdate"; then
  echo "   Enter started the update and the finished window shows the success text"
else
  echo "   the keyboard run did NOT end with the success text" >&2
  status=1
fi
echo "screenshots: $demo_dir/screenshots/{compact,full,keyboard}/{ready,running,finished}.png"

if [ "$mode" = check ]; then
  exit "$status"
fi

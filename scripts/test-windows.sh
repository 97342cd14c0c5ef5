#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 (the windows preset) and runs their tests
# under Wine, headless: the engine's and the command-line tool's own tests, the Windows
# backend's tests against Wine's WMI providers and service manager, and tbt-nvm.exe
# updating a demo image on the emulated platform.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine wine64
jobs="$(nproc 2>/dev/null || echo 2)"

# A Wine prefix of this build's own, so that no user's Wine setup is touched; made on
# first use. No display: the tests are console programs.
mkdir -p build/windows
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1 || true
fi

cmake --preset windows >/dev/null
cmake --build --preset windows --parallel "$jobs"
ctest --preset windows --parallel "$jobs"

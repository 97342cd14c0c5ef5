#!/usr/bin/env bash
# Builds and runs the whole test suite. With "asan" as argument it uses the
# AddressSanitizer and UndefinedBehaviorSanitizer build instead.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

bash scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2

#!/usr/bin/env bash
# Builds and runs the whole test suite. With "asan" as argument it uses the
# AddressSanitizer and UndefinedBehaviorSanitizer build instead.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

bash scripts/install-deps.sh
jobs="$(nproc 2>/dev/null || echo 2)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --parallel "$jobs"
ctest --preset "$preset" --parallel "$jobs"

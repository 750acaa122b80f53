#!/usr/bin/env bash
# Installs what the build needs, builds everything with warnings as errors,
# and runs every test; then builds again under ThreadSanitizer and runs the
# tests that start threads; then cross-compiles the Windows program and runs
# its tests under Wine. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh

jobs=$(nproc)

# Without any font Qt draws empty boxes and says nothing: fail loudly instead.
if [ -z "$(fc-list :lang=en family)" ]; then
    echo "no font installed: the window would draw empty boxes" >&2
    exit 1
fi

echo "== build (warnings as errors) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELM9D_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
echo "== all tests =="
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== ThreadSanitizer: threaded tests =="
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELM9D_WERROR=ON \
      -DKELM9D_SANITIZE=thread >/dev/null
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threaded --no-tests=ignore

echo "== the Windows build, cross-compiled and tested under Wine =="
bash scripts/test-windows.sh

#!/usr/bin/env bash
# Installs what the build needs, builds everything with warnings as errors,
# and runs every test; then runs every test again under AddressSanitizer and
# UndefinedBehaviorSanitizer and the threaded ones under ThreadSanitizer;
# runs each fuzz target for 30 s; then cross-compiles the Windows program and
# runs its tests under Wine. Exits non-zero when anything fails.
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

echo "== sanitizers: ASan+UBSan every test, TSan the threaded ones =="
bash scripts/test-sanitizers.sh

echo "== fuzzing: 30 s per target =="
bash scripts/fuzz.sh 30

echo "== the Windows build, cross-compiled and tested under Wine =="
bash scripts/test-windows.sh

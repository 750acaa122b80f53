#!/usr/bin/env bash
# Regenerates docs/main-window.png, the README's picture of the connected
# window, from the window test that takes it (offscreen, no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target qt_window_tests
(cd build/tests/qt && QT_QPA_PLATFORM=offscreen ./qt_window_tests --gtest_filter='*Factory*')
mkdir -p docs
cp build/tests/qt/main-window-connected.png docs/main-window.png
echo "docs/main-window.png updated"

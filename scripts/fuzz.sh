#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 into build-fuzz and runs each one
# for a fixed time from a copy of its seed corpus (fuzz/corpus/<target>), so
# that the repository's seeds stay as they are. Prints the executions of each
# target and every crash with its input; exits non-zero when one crashed.
#
#   bash scripts/fuzz.sh [SECONDS]     (default 30 per target, or $FUZZ_SECONDS)
#
# The runs use libFuzzer's random seed $FUZZ_SEED, 1 unless set, so that CI
# explores the same inputs on every run and a red build points at a change,
# not at luck. FUZZ_SEED=0 picks a fresh seed each run: use it to search
# further, and add what it finds to the seeds as a regress-* file.
#
# A crash's input stays in build-fuzz/run/<target>/artifacts; replay it with
#   build-fuzz/fuzz/<target> build-fuzz/run/<target>/artifacts/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-30}}
seed=${FUZZ_SEED:-1}
targets=(frame_receiver_fuzz profile_fuzz text_conversions_fuzz batch_command_line_fuzz)

# clang and its runtime libraries (libFuzzer, the sanitizers); only what is missing.
bash scripts/install-packages.sh clang-14 libclang-rt-14-dev cmake ninja-build

started=$(date +%s)
echo "== fuzz targets (clang-14, address and undefined behaviour sanitizers) =="
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++-14 -DKELM9D_FUZZ=ON -DKELM9D_BUILD_TESTS=OFF \
      -DKELM9D_WERROR=ON -DKELM9D_SKIP="qt" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target kelm9d_fuzz
built=$(date +%s)

failed=0
summary=()
for t in "${targets[@]}"; do
    work=build-fuzz/run/$t
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp fuzz/corpus/"$t"/* "$work/corpus/"
    seeds=$(find "$work/corpus" -type f | wc -l)
    echo "== $t: ${seconds} s from $seeds seeds, random seed $seed =="
    rc=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "build-fuzz/fuzz/$t" -max_total_time="$seconds" -seed="$seed" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" "$work/corpus" \
        >"$work/log" 2>&1 || rc=$?
    execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$work/log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]*' "$work/log" | tail -n 1 | awk '{print $2}')
    corpus=$(find "$work/corpus" -type f | wc -l)
    crashes=$(find "$work/artifacts" -type f | wc -l)
    if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
        failed=1
        echo "$t FAILED (exit $rc):"
        grep -E '_fuzz: |ERROR: |SUMMARY: |runtime error' "$work/log" | head -n 20 || true
        for a in "$work"/artifacts/*; do
            [ -e "$a" ] || continue
            echo "input $a:"
            od -An -tx1 -v "$a" | head -n 8
        done
    fi
    summary+=("$(printf '%-26s %12s executions  %5s edges  %5s corpus entries  %s crashes' \
        "$t" "${execs:-?}" "${coverage:-?}" "$corpus" "$crashes")")
done
finished=$(date +%s)

echo "== fuzzing summary: ${seconds} s per target =="
printf '%s\n' "${summary[@]}"
echo "wall time: build $((built - started)) s, runs $((finished - built)) s, total $((finished - started)) s"
if [ "$failed" -ne 0 ]; then
    echo "fuzzing found a crash" >&2
    exit 1
fi

#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for a while from its seeds; fails when any
# target finds a crash, a leak or a hang. Installs what it needs on Debian 12.
# Usage: scripts/fuzz.sh [build-dir] [seconds per target]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-fuzz}"
seconds="${2:-20}"

# clang's sanitizer and fuzzer runtimes and llvm-symbolizer are only recommended by clang, so they
# are named here; the rest is what the fuzzed libraries build against.
"$here/scripts/deps.sh" clang libclang-rt-14-dev llvm-14 cmake ninja-build pkg-config python3 \
    libssl-dev libicu-dev googletest libgtest-dev libgmock-dev qt6-base-dev libpng-dev libgif-dev

targets=()
for source in "$here"/fuzz/*.cpp; do
    targets+=("$(basename "$source" .cpp)")
done
# -O1 as libFuzzer recommends: fast enough to explore, still faithful to what the sanitizers see.
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DSNIPSTACK_FUZZ=ON "-DCMAKE_CXX_FLAGS=-O1 -g"
cmake --build "$build" --target "${targets[@]}"

export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
artifacts="$build/fuzz-artifacts"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts"
failed=()
for target in "${targets[@]}"; do
    # New inputs go to a scratch corpus, so the seeds in the tree stay as they are.
    mkdir -p "$work/$target"
    [ -d "$here/fuzz/seeds/$target" ] && cp "$here/fuzz/seeds/$target"/* "$work/$target/"
    if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target-" "$work/$target" >"$work/$target.log" 2>&1; then
        echo "$target: $(grep -m1 -o 'Done [0-9]* runs in [0-9]* second(s)' "$work/$target.log")"
    else
        echo "$target FAILED:"
        grep -v -E '^#[0-9]+|^INFO:' "$work/$target.log" | tail -n 60
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found problems in: ${failed[*]}; the inputs are in $artifacts"
    exit 1
fi

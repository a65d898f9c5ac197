#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
# An input that takes longer than this (seconds) is reported as a hang.
timeout=${FUZZ_TIMEOUT:-10}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, fuzz smoke skipped"
  exit 0
fi

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKYP_FUZZ=ON -DKYP_TESTS=OFF -DKYP_BENCH=OFF -DKYP_GUI=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"

status=0
ran=0
for src in fuzz/*.cpp; do
  [ -e "$src" ] || continue
  name=$(basename "$src" .cpp)
  work=$(mktemp -d)
  # Seeds: the committed corpus, plus whatever the seed script of the target writes.
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
  if [ -x build-fuzz/make-sample-orf ] && [ -f "fuzz/seeds/$name.sh" ]; then
    bash "fuzz/seeds/$name.sh" build-fuzz "$work" >/dev/null 2>&1 || true
  fi
  echo "fuzz: $name for ${seconds}s"
  if ! UBSAN_OPTIONS=halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
       "./build-fuzz/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout="$timeout" \
       -max_len=65536 -print_final_stats=0 "$work" >"$work.log" 2>&1; then
    echo "fuzz: $name FAILED"; tail -n 60 "$work.log"; status=1
  else
    ran=$((ran + 1)); tail -n 1 "$work.log"
  fi
  rm -rf "$work" "$work.log"
done
echo "fuzz: $ran targets ran clean"
exit $status

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time
# on a corpus seeded from the fixture builders. Fails on any finding.
#   scripts/run-fuzzers.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

seeds=build/tests/velumira-fuzz-seeds
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target velumira-fuzz-seeds
corpus=build-fuzz/corpus
rm -rf "$corpus"
"$seeds" "$corpus"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELUMIRA_SANITIZE=ON -DVELUMIRA_FUZZ=ON -DVELUMIRA_TESTS=OFF >/dev/null
targets=$(cmake --build build-fuzz --target help | sed -n 's/^\(fuzz_[a-z0-9_]*\):.*/\1/p' | grep -v autogen | sort -u)
cmake --build build-fuzz -j "$(nproc)" --target $targets

status=0
for t in $targets; do
  name=${t#fuzz_}
  mkdir -p "$corpus/$name"
  # The raw, HEIC, TIFF and WebP plug-ins' libraries are not instrumented, so coverage guides
  # less there: half the time each keeps the whole run short.
  case $t in
    fuzz_raw_spi|fuzz_heif_spi|fuzz_tiff_spi|fuzz_webp_spi) run=$(( (seconds + 1) / 2 )) ;;
    *) run=$seconds ;;
  esac
  echo "== $t: ${run}s"
  if ! ASAN_OPTIONS=detect_leaks=1 "build-fuzz/fuzz/$t" -max_total_time="$run" -rss_limit_mb=4096 \
       -timeout=20 -print_final_stats=1 -artifact_prefix="build-fuzz/$t-" "$corpus/$name" 2>&1 | tail -n 12; then
    status=1
  fi
done
[ $status -eq 0 ] && echo "fuzzers ran clean"
exit $status

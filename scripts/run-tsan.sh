#!/usr/bin/env bash
# The chooser's reader-thread tests and the runner's contract in a ThreadSanitizer build.
# The dialog tests stay out: Qt's folder model runs threads of its own that are not built
# for the sanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELUMIRA_TSAN=ON >/dev/null
cmake --build build-tsan -j "$(nproc)" --target chooser_tests runner_tests
cd build-tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -R '^(ReaderProtocol|ReaderThread|ReadJob|ChooserListing|FinishEntryCrop|Runner)\.'

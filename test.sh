#!/usr/bin/env bash
# Builds Velumira and runs every test through CTest.
#   ./test.sh             normal build (build/)
#   ./test.sh --sanitize  also the AddressSanitizer + UBSan build (build-sanitize/)
set -euo pipefail
cd "$(dirname "$0")"

sanitize=0
for a in "$@"; do
  case "$a" in
    --sanitize) sanitize=1 ;;
    *) echo "unknown option: $a" >&2; exit 2 ;;
  esac
done

./scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300)
}

if [ "$sanitize" -eq 1 ]; then
  echo "== sanitizer build =="
  run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVELUMIRA_SANITIZE=ON
fi
echo "== normal build =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

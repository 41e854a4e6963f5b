#!/usr/bin/env bash
# Builds Velumira (Release) and starts it with the given pictures, or with the sample set.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# Pictures named relative to the caller's folder stay valid after the cd below.
args=()
for a in "$@"; do args+=("$(realpath -m -- "$a")"); done
cd "$here"
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELUMIRA_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
if [ ${#args[@]} -eq 0 ]; then
  args=("$here"/build-release/samples/*.JPG)
fi
exec "$here/build-release/velumira" "${args[@]}"

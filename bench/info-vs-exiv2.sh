#!/usr/bin/env bash
# velumira-info against `exiv2 -pa` over 1000 camera-like JPEGs (hard links to the
# generated sample set, so the files are real 3008 x 2008 shots with PENTAX Exif).
# Prints both times and the ratio; the aim is velumira-info under 0.2 x exiv2.
#   bench/info-vs-exiv2.sh [BUILD_DIR]   (default build-release; built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
./scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELUMIRA_TESTS=OFF >/dev/null
cmake --build "$build" --target velumira-info velumira-sample-set >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
samples=("$build"/samples/IMGP000*.JPG)
for i in $(seq 1 1000); do
  ln "${samples[$((i % 4))]}" "$work/IMGP$(printf %04d "$i").JPG"
done

hyperfine --warmup 2 --runs 10 --export-json "$work/times.json" \
  -n velumira-info "$build/velumira-info $work/*.JPG" \
  -n "exiv2 -pa" "exiv2 -pa $work/*.JPG"
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
a, b = r["velumira-info"], r["exiv2 -pa"]
print(f"velumira-info {a*1000:.1f} ms, exiv2 -pa {b*1000:.1f} ms, ratio {a/b:.3f}")
PY

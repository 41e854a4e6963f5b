#!/usr/bin/env bash
# velumira-info against `exiv2 -pa` over 1000 camera-like JPEGs (hard links to the
# generated sample set, so the files are real 3008 x 2008 shots with PENTAX Exif).
# Prints both times and the ratio for each set; the aim is velumira-info under 0.2 x exiv2.
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
# A second set: the same shots with 40 KB of APP2 data behind the Exif block, as cameras
# that store large makernotes or colour profiles write them (the tables lie past 40 KB).
mkdir -p "$work/plain" "$work/big" "$work/src"
python3 - "$work/src" "${samples[@]}" <<'PY'
import struct, sys
for k, name in enumerate(sys.argv[2:]):
    d = open(name, "rb").read()
    end = 4 + struct.unpack(">H", d[4:6])[0]
    pad = b"\xff\xe2" + struct.pack(">H", 40002) + b"p" * 40000
    open(f"{sys.argv[1]}/big{k}.JPG", "wb").write(d[:end] + pad + d[end:])
PY
for i in $(seq 1 1000); do
  ln "${samples[$((i % 4))]}" "$work/plain/IMGP$(printf %04d "$i").JPG"
  ln "$work/src/big$((i % 4)).JPG" "$work/big/IMGP$(printf %04d "$i").JPG"
done

for set in plain big; do
  echo "== $set: 1000 files"
  hyperfine --warmup 2 --runs 10 --export-json "$work/$set.json" \
    -n velumira-info "$build/velumira-info $work/$set/*.JPG" \
    -n "exiv2 -pa" "exiv2 -pa $work/$set/*.JPG"
  python3 - "$work/$set.json" "$set" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
a, b = r["velumira-info"], r["exiv2 -pa"]
print(f"{sys.argv[2]}: velumira-info {a*1000:.1f} ms, exiv2 -pa {b*1000:.1f} ms, ratio {a/b:.3f}")
PY
done

#!/usr/bin/env bash
# Makes the README screenshots from the sample set, under a private X server (Xvfb):
#   docs/screenshots/four-panels.png  the four samples side by side after the fit
#   docs/screenshots/chooser.png      the thumbnail chooser on the sample folder
#   docs/screenshots/pef.png          a generated PEF file with its shooting summary
#   docs/screenshots/focus-aids.png   the four samples with peaking and sharpness figures
#   docs/screenshots/af-points.png    the four samples with their AF areas outlined
# Builds Release in build-screenshots first (JOBS=n limits the build's parallel jobs;
# BUILD_DIR=dir builds and uses an existing build folder instead; KEEP_DEMO=1 keeps the
# demo home for a look afterwards).
# The programs run with a demo home folder that holds the sample set in Pictures, so the
# windows show the demo's folders only, never those of the machine the pictures are made on.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
./scripts/install-deps.sh

build="${BUILD_DIR:-build-screenshots}"
jobs="${JOBS:-$(nproc)}"
# Tests on: the PEF maker uses the test fixture builders.
if [ -z "${BUILD_DIR:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELUMIRA_TESTS=ON >/dev/null
fi
cmake --build "$build" -j "$jobs" --target velumira velumira-sample-set velumira_png_spi velumira-pef-sample

out="$here/docs/screenshots"
mkdir -p "$out"
# The demo home: a fixed folder outside the checkout, so the paths the windows show
# (destination label, chooser's places box and folder tree) are the same on every run;
# under /home where it can be made, as a user's home would lie. Made afresh and removed at
# the end; one run at a time.
exec 9>"${TMPDIR:-/tmp}/velumira-screenshots.lock"
flock -n 9 || { echo "another screenshots run is going on" >&2; exit 1; }
work=/home/velumira-demo
{ mkdir -p "$work" && [ -w "$work" ]; } 2>/dev/null || work=/tmp/velumira-demo
rm -rf "$work"
mkdir -p "$work/Pictures/keep"
cp "$build"/samples/IMGP000[1-4].JPG "$work/Pictures/"
# Generated, never a camera file: sample 1 as the preview of a PEF-like file.
"$build/tests/e2e/velumira-pef-sample" "$work/Pictures/IMGP0001.JPG" "$work/Pictures/IMGP0005.PEF"
# Fixed file times: the chooser shows them, and the images stay the same from run to run.
touch -d "2026-12-07 10:20:00" "$work"/Pictures/*

xvfb_pid=""
viewer_pid=""
cleanup() {
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "${channel:-}" ] && rm -rf "$channel"
  [ -n "${KEEP_DEMO:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# -displayfd: Xvfb takes a free display and writes its number once it accepts clients;
# -noreset: the server stays up between the viewer's runs.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
# The hand-off channel stays out of the pictures' folder tree.
channel=$(mktemp -d)
export VELUMIRA_HANDOFF_DIR="$channel/channel"
export VELUMIRA_SETTINGS="$work/velumira.INI"
# The demo home and nothing of the user's: home folder, its Pictures, configuration, caches.
export HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_DATA_HOME="$work/.local/share"
export XDG_CACHE_HOME="$work/.cache" XDG_RUNTIME_DIR="$channel"
unset WAYLAND_DISPLAY XAUTHORITY XDG_PICTURES_DIR XDG_CONFIG_DIRS XDG_DATA_DIRS

write_settings() {  # width height
  cat >"$VELUMIRA_SETTINGS" <<EOF
[WINDOW]
LEFT=0
TOP=0
WIDTH=$1
HEIGHT=$2
[PIC_SELECT]
Left=20
Top=20
Width=1100
Height=720
SplitHpos=300
SplitVpos=153
Directory=$work/Pictures
[OTHER]
DISTPATH=$work/Pictures/keep
EOF
}

# Ids of the mapped windows of a process, one a line.
windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; }

# Starts the viewer with the given pictures and sets $viewer_pid and $main_window.
start_viewer() {
  "$build/velumira" "$@" 2>>"$work/velumira.log" &
  viewer_pid=$!
  main_window=""
  for _ in $(seq 200); do
    main_window=$(xdotool search --all --onlyvisible --pid "$viewer_pid" --name '^Velumira\(' 2>/dev/null | head -n1 || true)
    [ -n "$main_window" ] && break
    sleep 0.05
  done
  [ -n "$main_window" ] || { echo "the main window did not appear" >&2; cat "$work/velumira.log" >&2; exit 1; }
  sleep 1.5  # first drawing of the panels
}

stop_viewer() {
  kill "$viewer_pid" 2>/dev/null || true
  wait "$viewer_pid" 2>/dev/null || true
  viewer_pid=""
}

shot() {  # window file
  import -window "$1" "$2"
  # Documentation images stay small: a palette of 256 colours when the full colour is large.
  # No time stamps inside, so an unchanged picture gives an unchanged file.
  local small=()
  [ "$(stat -c %s "$2")" -gt 300000 ] && small=(-dither None -colors 256)
  convert "$2" "${small[@]}" -strip -define png:exclude-chunks=date,time "$2"
  echo "wrote $2 ($(stat -c %s "$2") bytes)"
}

# 1. The four samples after the fit.
write_settings 1024 720
start_viewer "$work"/Pictures/IMGP000[1-4].JPG
shot "$main_window" "$out/four-panels.png"

# 2. The chooser, through the file menu's "ｻﾑﾈｲﾙを見て開く(&O)".
before=$(windows_of "$viewer_pid" | sort)
xdotool windowfocus --sync "$main_window"
xdotool key alt+f
sleep 0.5
xdotool key o
chooser=""
for _ in $(seq 100); do
  # The newest mapped window of the process that is large (not a menu or a tooltip).
  for w in $(comm -13 <(echo "$before") <(windows_of "$viewer_pid" | sort)); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ "$WIDTH" -ge 300 ] && [ "$HEIGHT" -ge 200 ]; then chooser=$w; fi
  done
  [ -n "$chooser" ] && break
  sleep 0.1
done
if [ -n "$chooser" ]; then
  sleep 3  # thumbnails are read in the background
  # Select the first thumbnail, so the histogram and the file information show.
  xdotool mousemove --window "$chooser" 360 200 click 1
  sleep 1.5
  shot "$chooser" "$out/chooser.png"
else
  echo "warning: no chooser window opened; $out/chooser.png left as it was" >&2
fi
stop_viewer

# 3. A PEF file with its summary line.
write_settings 1024 720
start_viewer "$work/Pictures/IMGP0005.PEF"
shot "$main_window" "$out/pef.png"
stop_viewer

# 4. The focus aids on the four samples: peaking and each panel's sharpness figure, turned
# on with F as a user would.
write_settings 1024 720
start_viewer "$work"/Pictures/IMGP000[1-4].JPG
xdotool windowfocus --sync "$main_window"
xdotool key f
sleep 3  # maps and figures are made in the background
shot "$main_window" "$out/focus-aids.png"
stop_viewer

# 5. Where each camera focused: the four samples with the AF areas their makernotes record,
# turned on with A.
write_settings 1024 720
start_viewer "$work"/Pictures/IMGP000[1-4].JPG
xdotool windowfocus --sync "$main_window"
xdotool key a
sleep 1
shot "$main_window" "$out/af-points.png"
stop_viewer

#!/usr/bin/env bash
# The main job: builds everything, then hosts the built plug-in library with the command-line
# host (tools/qzhost) on a short stereo test signal that the build generates, with a state in
# which both stages are audible (equaliser: bass and treble raised, middle cut; limiter: fast,
# threshold -12 dBFS), once through each host interface, and shows what it did. At the end it
# writes a picture of the editor with that state: read from the X server when $DISPLAY is set,
# drawn off-screen otherwise.
#   bash tools/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
qz_install_deps
build=${QZ_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

out=$build/main-job
mkdir -p "$out"
host=$build/tools/qzhost
lib=$build/quillmere.so
echo
echo "== Making the inputs (tools/qz_demo)"
"$build/tools/qz_demo" signal "$out/input.wav" 4
"$build/tools/qz_demo" state "$out/state.bin"
echo "test signal: $out/input.wav (4 s, 48000 Hz, stereo: chord, sweep, hits at loud hits)"
echo "state:       $out/state.bin ($(stat -c %s "$out/state.bin") bytes)"

echo
echo "== VST 2.x interface: $lib"
"$host" --plugin "$lib" --interface vst --load-state "$out/state.bin" --save-state "$out/state-vst.bin" \
  "$out/input.wav" "$out/output-vst.wav"

echo
echo "== Direct-call interface: $lib"
"$host" --plugin "$lib" --interface direct --block 4096 --load-state "$out/state-vst.bin" \
  --save-state "$out/state-direct.bin" "$out/input.wav" "$out/output-direct.wav"

echo
echo "== Without a state (the effect's defaults)"
"$host" --plugin "$lib" --quiet "$out/input.wav" "$out/output-default.wav"

echo
cmp -s "$out/state.bin" "$out/state-vst.bin" && cmp -s "$out/state.bin" "$out/state-direct.bin" \
  && echo "The state came back unchanged through both interfaces." \
  || { echo "The state changed on its way through the plug-in." >&2; exit 1; }
echo "Outputs: $out/output-vst.wav, $out/output-direct.wav, $out/output-default.wav"

echo
echo "== The editor"
"$host" --plugin "$lib" --quiet --load-state "$out/state.bin" --screenshot "$out/editor.png"
echo "Open $out/editor.png to see the editor."

#!/usr/bin/env bash
# Measures our effect chain against the comparison chain in one run of the benchmark program:
# ours (BM_EffectChain: the engine, and the built library through its VST 2.x and direct-call
# entries) and LSP's parametric equaliser followed by LSP's limiter (BM_LspChain, Debian's
# lsp-plugins-vst hosted through its VST 2.x entry), 48000 Hz stereo, 512- and 64-frame blocks.
# Then prints how many times as many frames per CPU-second our library chain processes.
#   bash tools/bench.sh [extra Google Benchmark arguments]
#
# With "editor": what one open editor costs a host's GUI thread, ours, LSP's stereo limiter and
# DPF's 3BandEQ (Debian's dpf-plugins-vst) in one run, each embedded through VST 2.x in an X11
# window on a private Xvfb and idled at 60 Hz and 1 kHz while an audio thread plays in real time
# (bench/QzEditorHostBench.cpp).
# With --delay MS the plug-ins reach the X server through a proxy that delays each direction by
# MS (bench/QzDelayProxy.cpp), and the wall time inside the host's calls shows what waiting costs.
#   bash tools/bench.sh editor [--seconds S] [--no-peers] [--delay MS]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
qz_install_deps

mode=chain
if [ "${1:-}" = editor ]; then
  mode=editor
  shift
fi

# The comparison plug-ins, installed here rather than with the build's packages.
peers=(lsp-plugins-vst)
[ "$mode" = editor ] && peers+=(dpf-plugins-vst xvfb)
missing=()
for p in "${peers[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing ${missing[*]} (the comparison plug-ins)"
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build=${QZ_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_BUILD_BENCH=ON >/dev/null
if [ "$mode" = editor ]; then
  cmake --build "$build" --target qzeditorbench
  exec "$build/bench/qzeditorbench" "$@"
fi
cmake --build "$build" --target qzbench

out=$build/bench/chains.json
# Repetitions interleaved at random, so that a change in the machine's load falls on both sides.
"$build/bench/qzbench" --benchmark_filter='EffectChain|LspChain' \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true \
  --benchmark_out="$out" --benchmark_out_format=json "$@"

# The medians of the frames counter (frames per CPU-second), by case name.
awk '
  /"name":/   { name = $2; gsub(/[",]/, "", name) }
  /"frames":/ { v = $2; gsub(/,/, "", v); if (name ~ /_median$/) { sub(/_median$/, "", name); f[name] = v } }
  END {
    printf "\nFrames per CPU-second, median of 3 (real-time factor = frames / 48000):\n"
    printf "  %-6s %16s %16s %16s %8s\n", "block", "ours (engine)", "ours (VST entry)", "LSP chain", "ratio"
    bad = 0
    for (i = 1; i <= 2; ++i) {
      b = i == 1 ? 512 : 64
      eng = f["BM_EffectChain/engine/" b]; vst = f["BM_EffectChain/library_vst/" b]; lsp = f["BM_LspChain/" b]
      if (vst == "" || lsp == "") { printf "  %-6s a case did not run (see its error above)\n", b; bad = 1; continue }
      printf "  %-6s %15.1fM %15.1fM %15.1fM %7.2fx\n", b, eng / 1e6, vst / 1e6, lsp / 1e6, vst / lsp
    }
    printf "ratio = ours through the VST 2.x entry / LSP through its VST 2.x entry (target: 1.5x)\n"
    exit bad
  }' "$out"

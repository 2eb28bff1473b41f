#!/usr/bin/env bash
# Checks the built plug-in library in a real host (Debian's ardour package):
#  1. ardour-vst-scanner loads it and reports the product name, the maker, 2 inputs, 2 outputs,
#     can-replace and has-editor;
#  2. Ardour's headless Lua session tool (ardour7-lua, "None (Dummy)" audio backend) runs it on a
#     track fed with full-scale noise and exports audio: with the default state the limiter holds
#     the peak at its -6 dBFS threshold (the same track without the plug-in peaks near 0 dBFS); a
#     session whose stored chunk is the demo state (limiter threshold -12 dBFS) exports audio held
#     at -12 dBFS, which also proves that the host's saved chunk reaches the plug-in.
#
#   tools/host-check.sh [BUILD_DIR]      (default: build)
# Installs ardour with apt-get when it is missing.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
LIB="$BUILD/quillmere.so"
DEMO="$BUILD/tools/qz_demo"
ARDOUR_LIB=/usr/lib/ardour7
PRODUCT="Quillmere Curve &amp; Cap"   # as the scanner's XML writes it
MAKER="Brambleton Audio"

fail() { echo "host-check: FAILED: $*" >&2; exit 1; }
[ -f "$LIB" ] || fail "no plug-in library at $LIB (build first)"
[ -x "$DEMO" ] || fail "no $DEMO (build first)"

if ! command -v ardour7-lua >/dev/null || [ ! -x "$ARDOUR_LIB/ardour-vst-scanner" ]; then
  echo "host-check: installing ardour"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq ardour python3 >/dev/null
fi
command -v python3 >/dev/null || fail "python3 is needed to measure the exported audio"

# A fixed folder: Ardour keys its plug-in cache (in the user's cache folder, where the session tool
# looks whatever HOME or XDG_CACHE_HOME say) by the library's path, so one path keeps one entry.
WORK="$BUILD/host-check"
rm -rf "$WORK"
mkdir -p "$WORK/vst" "$WORK/out"
cp "$LIB" "$WORK/vst/"
# Ardour takes a cache entry only when it is newer than the library, to the second.
touch -d "@$(( $(date +%s) - 60 ))" "$WORK/vst/quillmere.so"
export LXVST_PATH="$WORK/vst"

echo "== ardour-vst-scanner"
CACHE=$(LD_LIBRARY_PATH=$ARDOUR_LIB timeout 120 "$ARDOUR_LIB/ardour-vst-scanner" -f "$WORK/vst/quillmere.so" 2>&1 \
        | sed -n 's/.*Saved VST2 plugin cache to //p')
[ -n "$CACHE" ] && [ -f "$CACHE" ] || fail "the scanner wrote no cache entry"
INFO=$(grep '<VST2Info' "$CACHE")
echo "$INFO"
for want in "name=\"$PRODUCT\"" "creator=\"$MAKER\"" 'n_inputs="2"' 'n_outputs="2"' \
            'can_process_replace="1"' 'has_editor="1"'; do
  grep -qF "$want" <<<"$INFO" || fail "the scanner does not report $want"
done
echo "scanner: product, maker, 2 in, 2 out, can-replace and has-editor reported"

# Session scripts. The dummy backend runs at its own rate; 3 s at 48 kHz is long enough at any.
WAV_PRESET=75969a1c-3133-4694-864b-a1fa50e43348   # "WAV @ session-rate", no normalisation
cat >"$WORK/create.lua" <<EOF
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
Session = create_session("$WORK/session", "check", 48000)
assert(Session, "no session")
local track = Session:new_audio_track(2, 2, nil, 1, "Q", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
local noise = ARDOUR.LuaAPI.new_plugin(Session, "ACE Noise", ARDOUR.PluginType.Lua, "")
assert(not noise:isnil(), "no ACE Noise")
assert(track:add_processor_by_index(noise, 0, nil, true) == 0)
ARDOUR.LuaAPI.set_processor_param(noise, 0, 0)   -- noise level 0 dBFS
local q = ARDOUR.LuaAPI.new_plugin(Session, "Quillmere Curve & Cap", ARDOUR.PluginType.LXVST, "")
assert(not q:isnil(), "Ardour did not find the plug-in")
assert(track:add_processor_by_index(q, 1, nil, true) == 0)
function export(name)
  local e = Session:simple_export()
  assert(e:set_preset("$WAV_PRESET"))
  e:set_folder("$WORK/out")
  e:set_name(name)
  e:set_range(0, 144000)
  assert(e:run_export(), "export failed")
end
export("default")
q:deactivate()
export("without")
q:activate()
Session:save_state("", false, false, false, false, false)
close_session()
print("session: created, exported")
EOF
cat >"$WORK/reload.lua" <<EOF
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
Session = load_session("$WORK/session", "check")
assert(Session, "the session did not load")
local e = Session:simple_export()
assert(e:set_preset("$WAV_PRESET"))
e:set_folder("$WORK/out")
e:set_name("state")
e:set_range(0, 144000)
assert(e:run_export(), "export failed")
close_session()
print("session: reloaded, exported")
EOF

# ardour7-lua itself dies now and then with a corrupted heap while it sets up a session (also
# with no plug-in of ours on the track, about one run in four here). A run killed by a signal is
# therefore tried again, a few times; a run that fails any other way fails the check at once.
run_lua() {  # SCRIPT LOG [WHAT A TRY LEAVES BEHIND ...]
  local script=$1 log=$2 try rc
  shift 2
  for try in 1 2 3 4 5 6 7 8; do
    rm -rf "$@"
    rc=0
    timeout 300 ardour7-lua "$script" >"$log" 2>&1 || rc=$?
    [ "$rc" -eq 0 ] && return 0
    if [ "$rc" -lt 128 ] || [ "$rc" -eq 124 ]; then
      tail -n 30 "$log"
      fail "the Lua session failed (exit code $rc)"
    fi
    echo "ardour7-lua died (exit code $rc: $(tail -n 1 "$log")); trying again"
  done
  tail -n 30 "$log"
  fail "ardour7-lua died on every try"
}

echo "== ardour7-lua: plug-in on a track, exports"
run_lua "$WORK/create.lua" "$WORK/create.log" "$WORK/session" "$WORK"/out/default* "$WORK"/out/without*
grep '^session:' "$WORK/create.log"
# Put the demo state into the saved session as the plug-in's chunk, then reload and export.
"$DEMO" state "$WORK/state.bin"
B64=$(base64 -w0 "$WORK/state.bin")
grep -q '<chunk program="0">' "$WORK/session/check.ardour" || fail "the saved session holds no chunk of the plug-in"
sed -i "s|<chunk program=\"0\">[^<]*</chunk>|<chunk program=\"0\">$B64</chunk>|" "$WORK/session/check.ardour"
run_lua "$WORK/reload.lua" "$WORK/reload.log" "$WORK"/out/state*
grep '^session:' "$WORK/reload.log"

python3 - "$WORK/out" <<'EOF'
import math, os, struct, sys, wave
def peak(name):
    path = os.path.join(sys.argv[1], name + ".wav")
    with wave.open(path) as w:
        assert w.getsampwidth() == 2, "expected 16-bit export"
        n = w.getnframes() * w.getnchannels()
        data = struct.unpack("<%dh" % n, w.readframes(w.getnframes()))
    p = max(abs(v) for v in data) / 32768.0
    return p, n
def db(v): return 20 * math.log10(v) if v > 0 else -math.inf
ok = True
for name, low, high, what in [("without", 0.9, 1.0, "the track without the plug-in"),
                              ("default", 0.45, 0.5 * 1.02, "default state: held at -6.02 dBFS"),
                              ("state", 0.2, 0.2512 * 1.02, "demo state: held at -12.00 dBFS")]:
    p, n = peak(name)
    good = n > 0 and low <= p <= high
    ok = ok and good
    print("%-8s peak %.4f (%6.2f dBFS) over %d samples: %s %s" % (name, p, db(p), n, what, "ok" if good else "WRONG"))
sys.exit(0 if ok else 1)
EOF
echo "host-check: passed"

#!/usr/bin/env bash
# Checks the built plug-in library in a real host (Debian's ardour package):
#  1. ardour-vst-scanner loads it and reports the product name, the maker, 2 inputs, 2 outputs,
#     can-replace and has-editor;
#  2. Ardour's headless Lua session tool (ardour7-lua, "None (Dummy)" audio backend) runs it on a
#     track fed with full-scale noise and exports audio: with the default state the limiter (mode 2
#     with look-ahead) holds the peak at its threshold, -3 dB on its factor-10 scale, -6 dBFS
#     (the same track without the plug-in peaks near 0 dBFS); a session whose
#     stored chunk is the demo state with the limiter's output lowered by 12 dB exports audio held
#     near -24 dBFS, which also proves that the host's saved chunk reaches the plug-in.
#
#   tools/host-check.sh [BUILD_DIR]      (default: build)
# Installs ardour with apt-get when it is missing.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
LIB="$BUILD/quillmere.so"
DEMO="$BUILD/tools/qz_demo"
PRODUCT="Quillmere Curve &amp; Cap"   # as the scanner's XML writes it
MAKER="Brambleton Audio"

fail() { echo "host-check: FAILED: $*" >&2; exit 1; }
source "$ROOT/tools/ardour-common.sh"
[ -f "$LIB" ] || fail "no plug-in library at $LIB (build first)"
[ -x "$DEMO" ] || fail "no $DEMO (build first)"

qz_ardour_install python3
command -v python3 >/dev/null || fail "python3 is needed to measure the exported audio"

# A fixed folder: Ardour keys its plug-in cache (in the user's cache folder, where the session tool
# looks whatever HOME or XDG_CACHE_HOME say) by the library's path, so one path keeps one entry.
WORK="$BUILD/host-check"
rm -rf "$WORK"
mkdir -p "$WORK/out"
export LXVST_PATH="$WORK/vst"

echo "== ardour-vst-scanner"
CACHE=$(qz_ardour_scan "$LIB" "$LXVST_PATH")
INFO=$(grep '<VST2Info' "$CACHE")
echo "$INFO"
for want in "name=\"$PRODUCT\"" "creator=\"$MAKER\"" 'n_inputs="2"' 'n_outputs="2"' \
            'can_process_replace="1"' 'has_editor="1"'; do
  grep -qF "$want" <<<"$INFO" || fail "the scanner does not report $want"
done
echo "scanner: product, maker, 2 in, 2 out, can-replace and has-editor reported"

# Session scripts. The dummy backend runs at its own rate; 3 s at 48 kHz is long enough at any.
WAV_PRESET=75969a1c-3133-4694-864b-a1fa50e43348   # "WAV @ session-rate", no normalisation
{ qz_ardour_lua_new_session "$WORK/session" check "Q"; cat <<EOF
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
} >"$WORK/create.lua"
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

echo "== ardour7-lua: plug-in on a track, exports"
qz_ardour_run_lua "$WORK/create.lua" "$WORK/create.log" "$WORK/session" "$WORK"/out/default* "$WORK"/out/without*
grep '^session:' "$WORK/create.log"
# Put the demo state, its limiter's output gain at -6 dB (factor-10 scale: 12 dB of level), into
# the saved session as the plug-in's chunk, then reload and export.
"$DEMO" state "$WORK/state.bin"
python3 - "$WORK/state.bin" <<'EOF'
import struct, sys
blob = bytearray(open(sys.argv[1], "rb").read())
struct.pack_into("<f", blob, 100 + 32 + 5 * 4, -6.0)   # "VXLM" at 100, float slot 5
open(sys.argv[1], "wb").write(blob)
EOF
B64=$(base64 -w0 "$WORK/state.bin")
grep -q '<chunk program="0">' "$WORK/session/check.ardour" || fail "the saved session holds no chunk of the plug-in"
sed -i "s|<chunk program=\"0\">[^<]*</chunk>|<chunk program=\"0\">$B64</chunk>|" "$WORK/session/check.ardour"
qz_ardour_run_lua "$WORK/reload.lua" "$WORK/reload.log" "$WORK"/out/state*
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
                              ("default", 0.4, 0.502, "default state: held at its -6 dBFS threshold"),
                              ("state", 0.05, 0.0631 * 1.02, "demo state, output -12 dB: held near -24 dBFS")]:
    p, n = peak(name)
    good = n > 0 and low <= p <= high
    ok = ok and good
    print("%-8s peak %.4f (%6.2f dBFS) over %d samples: %s %s" % (name, p, db(p), n, what, "ok" if good else "WRONG"))
sys.exit(0 if ok else 1)
EOF
echo "host-check: passed"

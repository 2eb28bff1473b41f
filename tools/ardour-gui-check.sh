#!/usr/bin/env bash
# Checks a VST 2.x plug-in's editor in a real host's GUI: Debian's Ardour, on its "None (Dummy)"
# audio backend, under a private Xvfb server.
#  1. ardour-vst-scanner scans the library and ardour7-lua makes a session with the plug-in on a
#     track (the set-up of tools/host-check.sh);
#  2. Ardour's GUI loads that session, which asks it to open the plug-in's editor;
#  3. the editor is found, photographed (editor-before.png, editor-after.png in the work folder)
#     and dragged on with synthetic input (XTest, through xdotool);
#  4. Ctrl+S saves the session, whose stored plug-in state (chunk, parameter values) must differ
#     from the state before the drag;
#  5. Ctrl+Q quits Ardour, which must exit with status 0 and leave no process behind.
#
#   tools/ardour-gui-check.sh BUILD_DIR
#       our library (BUILD_DIR/quillmere.so): a drag on the limiter's threshold knob; its editor
#       is the window whose class hint is ("quillmere" "Quillmere")
#   tools/ardour-gui-check.sh --third-party [WORK_DIR]
#       Debian's lsp-plugins-vst "Limiter Stereo", its threshold knob; proves the harness itself
#   tools/ardour-gui-check.sh --lib SO --name NAME --drag X,Y,DX,DY [--class REGEX] [--work DIR]
#       any plug-in: press at X,Y inside its editor, move by DX,DY, release; REGEX must match the
#       editor window's class hint ("res_name" "res_class"; default: any class hint). With
#       --drag '#RRGGBB,DX,DY' the press is at the centre of the first patch of that colour in
#       the editor's picture (reading order), for controls that move with the layout.
#
# What trips Ardour up here, and why each step below is as it is:
#  - A new user's first start runs a set-up wizard and warns about locked memory, both modal:
#    a private HOME holds an empty .config/ardour7/.a7 (not a first start) and an instant.xml
#    with <no-memory-warning/>. Without a window manager a modal window swallows all input, and
#    an unmapped one would go unseen: every wait below looks for dialogs and fails on one.
#  - The engine dialog would ask for a backend: the config holds an active EngineStates entry
#    for the dummy backend (which only shows with hide-dummy-backend 0) and
#    ARDOUR_TRY_AUTOSTART_ENGINE=1 lets Ardour start it without asking.
#  - Ardour takes the scanner's cache entry only when it is strictly newer than the library
#    (see ardour-common.sh); the scan runs before anything loads the plug-in.
#  - ardour7-lua dies now and then with a corrupted heap while it sets up a session; such runs
#    are tried again (ardour-common.sh). The session it writes records its own name for the
#    dummy device, which the GUI would greet with a modal "device has changed" warning: the
#    record is removed. Ardour opens a plug-in's editor on load when the session's Extra/UI
#    node lists its window as visible (ardour_gui.py prepare).
#  - Plug-ins may open modal dialogs of their own: LSP greets each user's first use of a new
#    version; its per-user settings in the private HOME say it has greeted.
#  - The host's window titled "<track>: <plug-in> ... [VST]" shows Ardour's generic controls
#    when the plug-in has no editor of its own (effEditOpen answers 0): only a child window with
#    a class hint inside it is the plug-in's editor, so its absence is the "no editor window"
#    failure.
#  - The main window's title starts with "*" while the session is unsaved: it is found by its
#    class. Keys go to the window with the input focus and there is no window manager to give
#    it: the script gives the focus to the main window before each key.
#  - Ardour under Xvfb starts slowly and differently fast from run to run: every wait polls with
#    a hard limit, so that CI never hangs; whatever is left running is ended on exit.
# Past installing missing Debian packages, nothing here uses the network (Ardour's announcements
# are off).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
HELPER="$ROOT/tools/ardour_gui.py"
TRACK=Q

fail() { echo "ardour-gui-check: FAILED: $*" >&2; exit 1; }
source "$ROOT/tools/ardour-common.sh"
usage() { sed -n '/^#   tools/,/^# What/p' "$0" | sed '$d; s/^#//' >&2; exit 2; }

LIB="" NAME="" DRAG="" CLASS="" WORK="" THIRD_PARTY=0
case "${1:-}" in
  --third-party)
    THIRD_PARTY=1
    LIB=/usr/lib/vst/lsp-plugins/limiter-stereo.so NAME="Limiter Stereo" CLASS=lsp-plugins
    DRAG=334,457,0,60   # the threshold knob, down: from 0 dB towards -12 dB
    WORK="${2:-${TMPDIR:-/tmp}/ardour-gui-check-lsp}" ;;
  --lib)
    while [ $# -gt 0 ]; do
      [ $# -ge 2 ] || usage
      case "$1" in
        --lib) LIB=$2 ;; --name) NAME=$2 ;; --drag) DRAG=$2 ;; --class) CLASS=$2 ;; --work) WORK=$2 ;;
        *) usage ;;
      esac
      shift 2
    done
    WORK="${WORK:-${TMPDIR:-/tmp}/ardour-gui-check}" ;;
  ""|-*) usage ;;
  *)
    BUILD=$(cd "$1" && pwd)
    LIB="$BUILD/quillmere.so" NAME="Quillmere Curve & Cap" CLASS='"quillmere" "Quillmere"'
    # The threshold knob (120 x 130 at 780,344 in the group box, which sits at 5,40; its disc
    # is centred near 845,453): up, from its default -6 dB towards 0 dB.
    DRAG=845,440,0,-40
    WORK="$BUILD/ardour-gui-check" ;;
esac
[ -n "$LIB" ] && [ -n "$NAME" ] && [ -n "$DRAG" ] || usage
DRAG_X="" DRAG_Y="" DRAG_COLOUR=""
if [[ "$DRAG" =~ ^([0-9]+),([0-9]+),(-?[0-9]+),(-?[0-9]+)$ ]]; then
  DRAG_X=${BASH_REMATCH[1]} DRAG_Y=${BASH_REMATCH[2]} DRAG_DX=${BASH_REMATCH[3]} DRAG_DY=${BASH_REMATCH[4]}
elif [[ "$DRAG" =~ ^#([0-9a-fA-F]{6}),(-?[0-9]+),(-?[0-9]+)$ ]]; then
  DRAG_COLOUR=${BASH_REMATCH[1]} DRAG_DX=${BASH_REMATCH[2]} DRAG_DY=${BASH_REMATCH[3]}
else
  fail "--drag wants X,Y,DX,DY or #RRGGBB,DX,DY, not $DRAG"
fi
[ "$THIRD_PARTY" -eq 1 ] || [ -f "$LIB" ] || fail "no plug-in library at $LIB"

extra_packages=(xvfb x11-utils xdotool imagemagick python3)
[ "$THIRD_PARTY" -eq 1 ] && extra_packages+=(lsp-plugins-vst)
qz_ardour_install "${extra_packages[@]}"
[ -f "$LIB" ] || fail "no plug-in library at $LIB"

# The work folder is emptied first: only one that a run of this script made (a folder given by
# mistake, a home folder say, is left alone).
MARK=.ardour-gui-check
if [ -e "$WORK" ]; then
  [ -f "$WORK/$MARK" ] || [ -z "$(ls -A "$WORK")" ] || fail "$WORK holds files of something else"
  rm -rf "$WORK"
fi
mkdir -p "$WORK"
: >"$WORK/$MARK"
WORK=$(cd "$WORK" && pwd)

# ---- the private user: every file Ardour (and the plug-in) reads or writes stays in $WORK/home --
export HOME="$WORK/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
unset XDG_RUNTIME_DIR SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
mkdir -p "$XDG_CONFIG_HOME/ardour7" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
: >"$XDG_CONFIG_HOME/ardour7/.a7"
cat >"$XDG_CONFIG_HOME/ardour7/instant.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<instant>
  <no-memory-warning/>
</instant>
EOF
cat >"$XDG_CONFIG_HOME/ardour7/config" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="2 in, 2 out, Silence" input-device="" output-device="" sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" input-channels="0" output-channels="0" active="1" use-buffered-io="0" midi-option="" lm-input="" lm-output="" lru="$(date +%s)">
          <MIDIDevices/>
        </State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
EOF
LSP_DIR=/usr/lib/vst/lsp-plugins
if [[ "$(readlink -f "$LIB")" == "$LSP_DIR"/* ]]; then
  # LSP greets each user's first use of a new version with a modal dialog of its own.
  version=$(basename "$LSP_DIR"/lsp-plugins-vst2-*.so .so)
  mkdir -p "$XDG_CONFIG_HOME/lsp-plugins"
  echo "lsp_plugins_version = \"${version#lsp-plugins-vst2-}\"" >"$XDG_CONFIG_HOME/lsp-plugins/lsp-plugins.cfg"
fi

# ---- the X server and the clean-up of everything this script starts -------------------------
XVFB_PID="" ARDOUR_PID=""
cleanup() {
  if [ -n "$ARDOUR_PID" ] && kill -0 "$ARDOUR_PID" 2>/dev/null; then
    kill -KILL -- "-$ARDOUR_PID" 2>/dev/null || true
  fi
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
display=""
for ((t = 0; t < 60; ++t)); do   # 30 seconds
  display=$(cat "$WORK/display")
  [ -n "$display" ] || ! kill -0 "$XVFB_PID" 2>/dev/null && break
  sleep 0.5
done
[ -n "$display" ] || fail "Xvfb did not start (see $WORK/xvfb.log)"
export DISPLAY=":$display"
x() { timeout 20 "$@"; }   # one X client call, bounded

# ---- scan, session ---------------------------------------------------------------------------
export LXVST_PATH="$WORK/vst"
echo "== ardour-vst-scanner: $LIB"
CACHE=$(qz_ardour_scan "$LIB" "$LXVST_PATH")
grep '<VST2Info' "$CACHE" | grep -q 'has_editor="1"' || echo "the scanner reports no editor for the plug-in"

NAME_LUA=${NAME//\\/\\\\}
NAME_LUA=${NAME_LUA//\"/\\\"}
{ qz_ardour_lua_new_session "$WORK/session" gui "$TRACK"; cat <<EOF
local p = ARDOUR.LuaAPI.new_plugin(Session, "$NAME_LUA", ARDOUR.PluginType.LXVST, "")
assert(not p:isnil(), "Ardour did not find the plug-in")
assert(track:add_processor_by_index(p, 0, nil, true) == 0)
Session:save_state("", false, false, false, false, false)
close_session()
print("session: created")
EOF
} >"$WORK/create.lua"
echo "== ardour7-lua: a session with the plug-in on track $TRACK"
qz_ardour_run_lua "$WORK/create.lua" "$WORK/create.log" "$WORK/session"
SESSION="$WORK/session/gui.ardour"
PROC=$(python3 "$HELPER" prepare "$SESSION" "$TRACK" "$NAME") || fail "could not prepare $SESSION"
cp "$SESSION" "$WORK/before.ardour"

# ---- Ardour's GUI ----------------------------------------------------------------------------
shot() { x import -window "$1" "$2" 2>/dev/null || echo "(no screenshot $2)"; }
give_up() {  # MESSAGE: what the screen shows and what Ardour said, then fail
  shot root "$WORK/screen.png"
  echo "screen: $WORK/screen.png; Ardour's log: $WORK/ardour.log (last lines below)"
  tail -n 15 "$WORK/ardour.log" >&2 || true
  fail "$1"
}
no_dialog() {  # WHEN
  local found rc=0
  found=$(x python3 "$HELPER" modals) || rc=$?
  [ "$rc" -eq 1 ] && give_up "a dialog is open $1, which would take all input: $found"
  [ "$rc" -eq 0 ] || give_up "could not list the windows $1"
}
alive() { kill -0 "$ARDOUR_PID" 2>/dev/null || give_up "Ardour ended $1"; }

echo "== ardour: loading the session"
ARDOUR_TRY_AUTOSTART_ENGINE=1 setsid ardour --no-announcements --no-splash "$SESSION" \
  >"$WORK/ardour.log" 2>&1 </dev/null &
ARDOUR_PID=$!
# Its own session and process group (setsid runs it in place: this shell does no job control, so
# the child is no group leader), so that nothing it starts outlives the check.
sleep 0.5
alive "at once"
[ "$(ps -o sid= -p "$ARDOUR_PID" | tr -d ' ')" = "$ARDOUR_PID" ] || give_up "Ardour runs in no session of its own"

# The editor: the host's window comes first, the plug-in's own window in it a moment later.
host="" editor="" size="" since=""
for ((t = 0; t < 240; ++t)); do   # 2 minutes
  alive "before the plug-in's window opened"
  rc=0
  out=$(x python3 "$HELPER" editor "$TRACK: $NAME" "$CLASS") || rc=$?
  if [ "$rc" -eq 0 ]; then
    read -r host editor size_w size_h <<<"$out"
    size="${size_w}x${size_h}"
    break
  fi
  if [ "$rc" -eq 4 ]; then
    since=${since:-$t}
    if [ $((t - since)) -ge 30 ]; then   # 15 seconds
      give_up "no editor window: Ardour's window for $NAME holds no window with a class hint${CLASS:+ matching $CLASS} (the plug-in opened no editor of its own)"
    fi
  elif [ "$rc" -ne 3 ]; then
    give_up "could not read the window tree"
  fi
  no_dialog "while Ardour loads the session"
  sleep 0.5
done
[ -n "$editor" ] || give_up "no window of Ardour's for $NAME (titled \"$TRACK: $NAME ... [VST]\") within 2 minutes"
echo "editor: window $editor (${size}) in Ardour's window $host"

# Drawn once its picture holds still.
picture() { x import -window "$editor" rgb:- 2>/dev/null | md5sum; }
last="" steady=0
for ((t = 0; t < 40 && steady < 2; ++t)); do   # 20 seconds
  now=$(picture)
  if [ "$now" = "$last" ]; then steady=$((steady + 1)); else steady=0; fi
  last=$now
  sleep 0.5
done
[ "$steady" -ge 2 ] || echo "the editor's picture did not settle within 20 s; going on"
no_dialog "over the editor"
shot "$editor" "$WORK/editor-before.png"

if [ -n "$DRAG_COLOUR" ]; then
  at=$(x python3 "$HELPER" find-colour "$WORK/editor-before.png" "$DRAG_COLOUR") \
    || give_up "no pixel of colour #$DRAG_COLOUR in the editor (see $WORK/editor-before.png)"
  read -r DRAG_X DRAG_Y <<<"$at"
fi
echo "== drag from $DRAG_X,$DRAG_Y by $DRAG_DX,$DRAG_DY in the editor"
x xdotool mousemove --window "$editor" "$DRAG_X" "$DRAG_Y"
sleep 0.2
x xdotool mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
  sleep 0.05
  x xdotool mousemove --window "$editor" $((DRAG_X + DRAG_DX * step / 10)) $((DRAG_Y + DRAG_DY * step / 10))
done
sleep 0.2
x xdotool mouseup 1
sleep 0.5
alive "during the drag"
shot "$editor" "$WORK/editor-after.png"
[ "$(picture)" != "$last" ] || echo "the editor's picture did not change with the drag"

keys() {  # KEYS: to Ardour's main window
  local w
  w=$(x xdotool search --classname '^ardour_ardour$' | head -n 1)
  [ -n "$w" ] || give_up "Ardour's main window is gone"
  x xdotool windowfocus "$w"
  sleep 0.2
  x xdotool key --clearmodifiers "$1"
}

echo "== save (Ctrl+S)"
no_dialog "before saving"
stamp=$(stat -c '%y %s' "$SESSION" 2>/dev/null || echo none)
keys ctrl+s
for ((t = 0; t < 60; ++t)); do   # 30 seconds
  # Ardour writes the new file beside the old and renames it: a changed date means a whole file.
  [ "$(stat -c '%y %s' "$SESSION" 2>/dev/null || echo none)" != "$stamp" ] && break
  alive "while saving"
  sleep 0.5
done
[ "$(stat -c '%y %s' "$SESSION" 2>/dev/null || echo none)" != "$stamp" ] || give_up "Ctrl+S saved nothing within 30 s"
sleep 0.5
echo "saved state of the plug-in:"
python3 "$HELPER" changed "$WORK/before.ardour" "$SESSION" "$PROC" \
  || give_up "the saved session holds the plug-in's state from before the drag"

echo "== quit (Ctrl+Q)"
no_dialog "before quitting"
keys ctrl+q
for ((t = 0; t < 120; ++t)); do   # 60 seconds
  kill -0 "$ARDOUR_PID" 2>/dev/null || break
  sleep 0.5
done
if kill -0 "$ARDOUR_PID" 2>/dev/null; then
  no_dialog "after Ctrl+Q"
  give_up "Ardour did not quit within 60 s of Ctrl+Q"
fi
rc=0
wait "$ARDOUR_PID" || rc=$?
[ "$rc" -eq 0 ] || give_up "Ardour exited with status $rc"
left=$(ps -o pid=,args= -s "$ARDOUR_PID" || true)
[ -z "$left" ] || fail "processes left behind by Ardour: $left"
ARDOUR_PID=""
echo "pictures: $WORK/editor-before.png, $WORK/editor-after.png"
echo "ardour-gui-check: passed"

# Set-up shared by the scripts that run the plug-in in Ardour (tools/host-check.sh,
# tools/ardour-gui-check.sh); sourced, not run. The caller defines fail() (prints and exits).

QZ_ARDOUR_LIB=/usr/lib/ardour7

# Installs Debian's ardour (and any further packages named) when something is missing.
qz_ardour_install() {  # [PACKAGE ...]
  local missing=() pkg
  command -v ardour7-lua >/dev/null && [ -x "$QZ_ARDOUR_LIB/ardour-vst-scanner" ] || missing+=(ardour)
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Copies a plug-in library into FOLDER (the folder LXVST_PATH names) and runs Ardour's VST
# scanner on the copy; prints the scanner's cache entry. Ardour keys the entry by the library's
# path and takes it only when it is newer than the library, to the second: the copy is dated a
# minute back so that a scan in the same second as the copy still counts. The scanner writes to
# the cache folder below $HOME, where Ardour and ardour7-lua look for it.
qz_ardour_scan() {  # LIBRARY FOLDER
  local copy
  copy="$2/$(basename "$1")"
  mkdir -p "$2"
  cp "$1" "$copy"
  touch -d "@$(( $(date +%s) - 60 ))" "$copy"
  local cache
  cache=$(LD_LIBRARY_PATH=$QZ_ARDOUR_LIB timeout 120 "$QZ_ARDOUR_LIB/ardour-vst-scanner" -f "$copy" 2>&1 \
          | sed -n 's/.*Saved VST2 plugin cache to //p')
  [ -n "$cache" ] && [ -f "$cache" ] || fail "the scanner wrote no cache entry for $copy"
  echo "$cache"
}

# ardour7-lua itself dies now and then with a corrupted heap while it sets up a session or
# exports (also with no plug-in on the track at all: 10 runs in 45 here, and as often with a
# third-party VST plug-in in place of ours), and once in a long while such a run hangs instead of
# dying. A run killed by a signal, or still running after QZ_LUA_TRY_SECONDS (a whole run takes
# about 3 s), is therefore tried again, a few times; a hung run's threads are written beside its
# log first (with gdb, where installed). A run that fails any other way fails the check at once,
# and so does a plug-in that hangs or crashes every try.
QZ_LUA_TRY_SECONDS=${QZ_LUA_TRY_SECONDS:-120}
qz_ardour_run_lua() {  # SCRIPT LOG [WHAT A TRY LEAVES BEHIND ...]
  local script=$1 log=$2 try rc pid t
  shift 2
  for try in 1 2 3 4 5 6 7 8; do
    rm -rf "$@"
    ardour7-lua "$script" >"$log" 2>&1 &
    pid=$!
    for ((t = 0; t < QZ_LUA_TRY_SECONDS * 4; ++t)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.25
    done
    if kill -0 "$pid" 2>/dev/null; then
      if command -v gdb >/dev/null; then
        timeout 60 gdb -p "$pid" -batch -ex "thread apply all bt" >"$log.hung-$try" 2>&1 || true
      fi
      kill -KILL "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      echo "ardour7-lua hung (still running after ${QZ_LUA_TRY_SECONDS} s; its threads: $log.hung-$try); trying again"
      continue
    fi
    rc=0
    wait "$pid" || rc=$?
    [ "$rc" -eq 0 ] && return 0
    if [ "$rc" -lt 128 ]; then
      tail -n 30 "$log"
      fail "the Lua session failed (exit code $rc)"
    fi
    echo "ardour7-lua died (exit code $rc: $(tail -n 1 "$log")); trying again"
  done
  tail -n 30 "$log"
  fail "ardour7-lua died or hung on every try"
}

# The opening of a session script for ardour7-lua: the dummy backend, a new session
# FOLDER/NAME.ardour at 48 kHz and on it a stereo audio track named TRACK, the Lua local `track`.
qz_ardour_lua_new_session() {  # FOLDER NAME TRACK
  cat <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
Session = create_session("$1", "$2", 48000)
assert(Session, "no session")
local track = Session:new_audio_track(2, 2, nil, 1, "$3", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
LUA
}

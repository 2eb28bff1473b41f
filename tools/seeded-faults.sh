#!/usr/bin/env bash
# Seeded faults: checks that the test suite still catches a sample of deliberate bugs.
#   bash tools/seeded-faults.sh [LIST...]     (default: every tools/seeded-faults/*.txt)
# Each list line is   path @@ text to find @@ replacement @@ test-binary [gtest filter]
# ('#' starts a comment). The first occurrence of the text in the file is replaced, the named
# test binary is rebuilt in build-faults/ and run; a fault is caught when the run fails. The
# file is restored after every fault. A line whose text is not found, or whose change does not
# compile, is reported as such and counts as neither caught nor missed.
set -uo pipefail
cd "$(dirname "$0")/.."
build=build-faults
lists=("$@")
[ ${#lists[@]} -eq 0 ] && lists=(tools/seeded-faults/*.txt)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_BUILD_BENCH=OFF >/dev/null || exit 2
export QZ_TEST_DATA="$PWD/tests/data"

caught=0 missed=0 invalid=0
missed_lines=()
for list in "${lists[@]}"; do
  while IFS= read -r line; do
    case "$line" in ''|'#'*) continue ;; esac
    path=${line%% @@ *}; rest=${line#* @@ }
    find=${rest%% @@ *}; rest=${rest#* @@ }
    replace=${rest%% @@ *}; target=${rest#* @@ }
    binary=${target%% *}; filter=""
    [ "$binary" != "$target" ] && filter="--gtest_filter=${target#* }"
    backup=$(mktemp)
    cp "$path" "$backup"
    if ! python3 - "$path" "$find" "$replace" <<'PY'
import sys
path, find, replace = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if find not in text:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(find, replace, 1))
PY
    then
      echo "NOT FOUND  $line"; invalid=$((invalid + 1)); rm -f "$backup"; continue
    fi
    if ! cmake --build "$build" --target "$binary" >/dev/null 2>&1; then
      echo "NO BUILD   $line"; invalid=$((invalid + 1))
    elif timeout 300 "$build/tests/$binary" $filter >/dev/null 2>&1; then
      echo "MISSED     $line"; missed=$((missed + 1)); missed_lines+=("$line")
    else
      echo "caught     $line"; caught=$((caught + 1))
    fi
    cp "$backup" "$path"; rm -f "$backup"
    touch "$path"
  done <"$list"
done
# Leave the build matching the sources again.
cmake --build "$build" >/dev/null 2>&1
echo
echo "seeded faults: $caught caught, $missed missed, $invalid not applicable"
[ "$missed" -eq 0 ]

#!/usr/bin/env bash
# Resident memory and start-up time of the main window before and after the
# update page is first requested, with the browser left for the first request
# (as the program does) and made at start-up (--eager), RUNS times each.
# Uses $DISPLAY when set, else the offscreen platform.
#
#   bench/measure_update_page.sh [RUNS]    (after cmake --build build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
program=build/bench/measure_update_page
[[ -x $program ]] || { echo "build $program first" >&2; exit 1; }
[[ -n ${DISPLAY:-} ]] || export QT_QPA_PLATFORM=offscreen
echo "platform: ${QT_QPA_PLATFORM:-xcb on $DISPLAY}, user $(id -un)"
for mode in "" --eager; do
    for ((i = 1; i <= runs; i++)); do
        echo "--- run $i ${mode:-(browser on first request)}"
        "$program" $mode 2>/dev/null
    done
done

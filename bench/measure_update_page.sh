#!/usr/bin/env bash
# Resident memory and start-up time of the main window before and after the
# update page is first requested, with the browser left for the first request
# (as the program does), made at start-up (--eager), and left for the first
# request in a program that links the web engine (measure_update_page_linked),
# RUNS times each.
# Uses $DISPLAY when set, else the offscreen platform.
#
#   bench/measure_update_page.sh [RUNS]    (after cmake --build build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
program=build/bench/measure_update_page
for p in $program ${program}_linked; do
    [[ -x $p ]] || { echo "build $p first" >&2; exit 1; }
done
[[ -n ${DISPLAY:-} ]] || export QT_QPA_PLATFORM=offscreen
# The page's library is in the build folder, not beside the benchmark; and the
# web engine's sandbox refuses root, as the program's start-up knows.
export VORNEL_BUILT_FILES=$PWD/build
if [[ $(id -u) == 0 ]]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
    export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-background-networking --no-zygote"
fi
echo "platform: ${QT_QPA_PLATFORM:-xcb on $DISPLAY}, user $(id -un)"
run() {
    local label=$1
    shift
    for ((i = 1; i <= runs; i++)); do
        echo "--- run $i: $label"
        "$@" 2>/dev/null
    done
}
run "browser on first request" "$program"
run "browser made at start-up" "$program" --eager
run "web engine linked in, browser on first request" "${program}_linked"

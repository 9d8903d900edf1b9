#!/usr/bin/env bash
# What a resident vornel.exe adds to the CPU under Wine: the X server, the
# window manager, the Wine server, every Wine process (40 pop-ups, 20 of them
# browser windows, nothing changing) and vornel.exe itself, from /proc.
# Measured without Vornel, then with it, SECONDS each (20 by default), on a
# private Xvfb + openbox and a private Wine prefix. Wine's own cost is in the
# figure: real Windows answers the same calls in the kernel.
# Run by hand after scripts/build-windows:
#   bench/measure_wine_cpu.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
work=$(mktemp -d)
session=$work/wine
cleanup() {
    tests/windows/wine_session stop "$session" || true
    rm -rf "$work"
}
trap cleanup EXIT

tests/windows/wine_session start "$session"
export WINEPREFIX=$session/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=$(cat "$session/x11/display")
program=$work/program
cp -r build-windows/dist "$program"
# The pop-up needs the mingw-w64 runtime DLLs that sit beside vornel.exe.
cp build-windows/tests/windows/test_popup.exe "$program/"
printf '[Vornel]\r\nAfficher=0\r\nDemarre=0\r\nMaj=0\r\nFenetre1= - Navigateur\r\n[Windows]\r\n1=Y,jamais vu,N,0,0\r\n' \
    >"$program/vornel.ini"

# One after the other: forty Wine processes started at once crawl.
for i in $(seq 0 39); do
    if ((i % 2)); then title="Page $i - Navigateur"; else title="Document $i"; fi
    wine "$program/test_popup.exe" "$title" 2>/dev/null &
    until xdotool search --name "$title" >/dev/null 2>&1; do sleep 0.2; done
done
sleep 3 # the window manager settles

# Every process of the desktop and of this Wine prefix, found afresh: Wine
# starts helpers of its own.
desktop_pids() {
    cat "$session/x11/pids"
    pgrep -x wineserver || true
    for pid in $(pgrep -f '\.exe' || true); do
        grep -qz "^WINEPREFIX=$WINEPREFIX$" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
    done
}
source bench/cpu_ticks.sh
measure() { # ticks spent by the desktop over the measuring time
    local pids before after
    mapfile -t pids < <(desktop_pids)
    before=$(ticks "${pids[@]}")
    sleep "$seconds"
    after=$(ticks "${pids[@]}")
    echo $((after - before))
}

base=$(measure)
report "X + openbox + Wine + 40 pop-ups, no Vornel" "$base"
(cd "$program" && wine ./vornel.exe) 2>/dev/null &
until xdotool search --classname vornel.exe >/dev/null 2>&1 || pgrep -f 'vornel\.exe' >/dev/null; do
    sleep 0.5
done
sleep 8 # start-up is not the resident cost
total=$(measure)
report "the same with vornel.exe" "$total"
report "  what vornel.exe adds" $((total - base))

#!/usr/bin/env bash
# What a resident Vornel adds to the CPU of the whole desktop: the X server,
# the window manager and Vornel itself, from /proc, on a private Xvfb +
# openbox holding 100 windows of which 50 are browser windows, with nothing
# changing. Measured without Vornel, then with each program given, SECONDS
# each (20 by default), in the same run on the same display.
# Run by hand after a build:
#   bench/measure_desktop_cpu.sh [SECONDS] vornel-binary [other-vornel-binary...]
# e.g. bench/measure_desktop_cpu.sh 20 /tmp/before/build/vornel build/vornel
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
binaries=("$@")
[ ${#binaries[@]} -gt 0 ] || binaries=(build/vornel)
source bench/private_x11.sh
mapfile -t desktop < "$session/pids" # Xvfb, openbox

for i in $(seq 0 99); do
    if ((i % 2)); then title="Page $i - Navigateur"; else title="Terminal $i"; fi
    xlogo -title "$title" -geometry 60x40+$((i % 20 * 60))+$((i / 20 * 70)) &
    pids+=("$!")
done
until [ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -ge 100 ]; do sleep 0.2; done
sleep 3 # the window manager settles

source bench/cpu_ticks.sh
measure() { # pids...: ticks spent over the measuring time
    local before after
    before=$(ticks "$@")
    sleep "$seconds"
    after=$(ticks "$@")
    echo $((after - before))
}

for binary in "${binaries[@]}"; do
    base=$(measure "${desktop[@]}")
    report "X server + openbox, no Vornel" "$base"
    dir=$(mktemp -d -p "$work")
    cp "$binary" "$dir/vornel"
    printf '[Vornel]\r\nAfficher=0\r\nDemarre=0\r\nMaj=0\r\nFenetre1= - Navigateur\r\n[Windows]\r\n1=Y,jamais vu,N,0,0\r\n' \
        >"$dir/vornel.ini"
    "$dir/vornel" 2>/dev/null &
    vornel=$!
    pids+=("$vornel")
    sleep 5 # start-up is not the resident cost
    total=$(measure "${desktop[@]}" "$vornel")
    report "X server + openbox + Vornel" "$total"
    report "  what Vornel adds ($binary)" $((total - base))
    kill -TERM "$vornel"
    wait "$vornel" || true
done

#!/usr/bin/env bash
# How often a resident Vornel wakes when nothing changes, and how soon it
# still closes a pop-up: on a private Xvfb + openbox holding 100 windows, of
# which 50 are browser windows, with 22 rules.
#
# Wakeups: the context switches of all the program's threads over SECONDS
# (20 by default), from /proc, after five seconds to settle. devilspie2, an
# event-fed window tool, is measured beside it when it is installed.
# Then, from rest, the time until a browser window retitled to a rule's text
# has gone, and the same for one resized to a rule's size.
# Run by hand after a build:
#   bench/measure_wakeups.sh [SECONDS] [vornel-binary...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
binaries=("$@")
[ ${#binaries[@]} -gt 0 ] || binaries=(build/vornel)
source bench/private_x11.sh

declare -A logo # title -> pid
for i in $(seq 0 99); do
    if ((i % 2)); then title="Page $i - Navigateur"; else title="Terminal $i"; fi
    xlogo -title "$title" -geometry 60x40+$((i % 20 * 60))+$((i / 20 * 70)) 2>/dev/null &
    pids+=("$!")
    logo[$title]=$!
done
until [ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -ge 100 ]; do sleep 0.2; done
sleep 3 # the window manager settles

# The outer size of a 200 x 150 client under this window manager's frame.
probe=$(xdotool search --name '^Page 1 - Navigateur$' | head -1)
read -r left right top bottom < <(xprop -id "$probe" _NET_FRAME_EXTENTS |
    sed 's/.*= //; s/,//g')
outer_w=$((200 + left + right)) outer_h=$((150 + top + bottom))

ini() {
    printf '[Vornel]\r\nAfficher=0\r\nDemarre=0\r\nMaj=0\r\nFenetre1= - Navigateur\r\n[Windows]\r\n'
    for n in $(seq 1 20); do printf '%d=Y,jamais vu %d,N,0,0\r\n' "$n" "$n"; done
    printf '21=Y,Publicité,N,0,0\r\n22=N,,Y,%d,%d\r\n' "$outer_w" "$outer_h"
}

# Voluntary and involuntary context switches of every thread of the process.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/ctxt_switches/ { n += $2 } END { print n + 0 }'
}

measure_switches() { # label pid
    local before after
    before=$(switches "$2")
    sleep "$seconds"
    after=$(switches "$2")
    printf '%-44s %5d wakeups in %d s\n' "$1" $((after - before)) "$seconds"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Milliseconds from the command until the xlogo of that title has gone.
time_to_close() { # title command...
    local pid=${logo[$1]} start
    shift
    start=$(now_ms)
    "$@"
    while kill -0 "$pid" 2>/dev/null && [ "$(($(now_ms) - start))" -lt 10000 ]; do
        sleep 0.005
    done
    kill -0 "$pid" 2>/dev/null && echo "not closed" || echo "$(($(now_ms) - start)) ms"
}

round=0
for binary in "${binaries[@]}"; do
    dir=$(mktemp -d -p "$work")
    cp "$binary" "$dir/vornel"
    ini >"$dir/vornel.ini"
    "$dir/vornel" 2>/dev/null &
    vornel=$!
    pids+=("$vornel")
    sleep 5 # start-up is not the resident cost
    measure_switches "Vornel at rest ($binary)" "$vornel"

    # From rest: one window retitled, another resized, each to a rule's own.
    retitled="Page $((4 * round + 1)) - Navigateur" resized="Page $((4 * round + 3)) - Navigateur"
    w=$(xdotool search --name "^$retitled\$" | head -1)
    echo "  retitled to a rule's text, closed after  $(time_to_close "$retitled" \
        xdotool set_window --name "Publicité $round - Navigateur" "$w")"
    sleep 3
    w=$(xdotool search --name "^$resized\$" | head -1)
    echo "  resized to a rule's size, closed after   $(time_to_close "$resized" \
        xdotool windowsize "$w" 200 150)"
    kill -TERM "$vornel"
    wait "$vornel" || true
    round=$((round + 1))
done

if command -v devilspie2 >/dev/null; then
    mkdir -p "$work/devilspie2"
    echo 'if string.find(get_window_name(), "Publicité") then close_window() end' \
        >"$work/devilspie2/rules.lua"
    devilspie2 -f "$work/devilspie2" 2>/dev/null &
    peer=$!
    pids+=("$peer")
    sleep 5
    measure_switches "devilspie2 at rest" "$peer"
else
    echo "devilspie2 is not installed: no figure beside Vornel's"
fi

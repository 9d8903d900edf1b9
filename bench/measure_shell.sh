#!/usr/bin/env bash
# Figures of the application shell, measured on a private Xvfb + openbox:
#   1. time from start to the first tick (a pop-up already on screen is closed
#      by the first tick; the figure includes the window manager's close round
#      trip, so it is an upper bound), five runs;
#   2. resident memory after 60 s with the window hidden, and whether the web
#      page's process exists;
#   3. CPU over 60 s with 50 browser windows on the display.
# Run by hand after a build: bench/measure_shell.sh [build-dir]. Takes about 2.5 min.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source bench/private_x11.sh
cp "$build/vornel" "$work/vornel"

settings() {
    printf '[Vornel]\r\nAfficher=0\r\nDemarre=0\r\nMaj=0\r\nFenetre1=Mozilla\r\n[Windows]\r\n1=Y,Pub test,N,0,0\r\n' \
        >"$work/vornel.ini"
    rm -f "$work/vornel.log"
}
now_ms() { date +%s%3N; }

echo "== start to first tick (ms)"
for run in 1 2 3 4 5; do
    settings
    xlogo -title "Pub test - Mozilla" &
    pub=$!
    until xdotool search --onlyvisible --name "Pub test" >/dev/null 2>&1; do sleep 0.05; done
    start=$(now_ms)
    "$work/vornel" 2>/dev/null &
    vornel=$!
    pids+=("$vornel")
    wait "$pub" || true
    echo "run $run: $(($(now_ms) - start))"
    kill -TERM "$vornel"
    wait "$vornel" || true
done

echo "== resident memory after 60 s, window hidden"
settings
"$work/vornel" 2>/dev/null &
vornel=$!
pids+=("$vornel")
sleep 60
grep -E 'VmRSS|VmHWM' "/proc/$vornel/status"
echo "child processes (a web engine would show here): $(ps --ppid "$vornel" -o comm= | tr '\n' ' ')"

echo "== CPU over 60 s with 50 browser windows"
for i in $(seq 1 50); do
    xlogo -title "Page $i - Mozilla" -geometry 100x100+$((i * 20))+$((i * 15)) &
    pids+=("$!")
done
sleep 5
ticks() { awk '{print $14 + $15}' "/proc/$vornel/stat"; }
before=$(ticks)
sleep 60
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v d=$((after - before)) -v hz="$hz" 'BEGIN { printf "CPU: %.2f %% of a core (%d ticks of 1/%d s in 60 s)\n", d / hz / 60 * 100, d, hz }'
grep VmRSS "/proc/$vornel/status"
kill -TERM "$vornel"
wait "$vornel" || true

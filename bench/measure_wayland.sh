#!/usr/bin/env bash
# What Vornel adds to an idle Wayland desktop's CPU: the compositor, what it
# started (sway's tray host, waybar), 50 windows (25 of them titled as browser
# windows) and, in the second half, Vornel itself (on KWin with its script),
# each summed from /proc over 20 s.
# Run by hand after a build: bench/measure_wayland.sh sway|kwin [build-dir].
# About 1 min. VORNEL_DESKTOP=wlroots with sway measures the foreign-toplevel
# desktop instead.
set -euo pipefail
cd "$(dirname "$0")/.."
compositor_name=${1:?usage: bench/measure_wayland.sh sway|kwin [build-dir]}
build=$(cd "${2:-build}" && pwd)
session_script=$PWD/tests/support/wayland_session
work=$(mktemp -d)
session=$work/$compositor_name
seconds=20
clients=()
cleanup() {
    for pid in "${clients[@]}"; do kill "$pid" 2>/dev/null || true; done
    "$session_script" stop "$session" || true
    rm -rf "$work"
}
trap cleanup EXIT

"$session_script" start "$session" "$compositor_name"
in_session() { "$session_script" run "$session" "$@"; }
compositor=$(head -n 1 "$session/pids")

for i in $(seq 1 50); do
    title="Fenêtre $i"
    ((i % 2 == 0)) && title="Page $i - Mozilla"
    case $compositor_name in
    sway) in_session foot --app-id foot --title "$title" sleep infinity </dev/null >/dev/null 2>&1 & ;;
    # foot does not run in a headless KWin; Qt Wayland clients do.
    kwin) QT_QPA_PLATFORM=wayland in_session "$build/tests/vornel_test_window" "$title" 320x240 \
        </dev/null >"$work/window-$i" 2>/dev/null & ;;
    *) echo "unknown compositor $compositor_name" >&2; exit 2 ;;
    esac
    clients+=($!)
done
case $compositor_name in
sway) name=sway; shown() { [ "$(in_session swaymsg -t get_tree | grep -c '"app_id": "foot"')" -ge 50 ]; } ;;
kwin) name=KWin; shown() { [ "$(cat "$work"/window-* | grep -c '^shown$')" -ge 50 ]; } ;;
esac
for _ in $(seq 1 600); do shown && break; sleep 0.1; done
shown || { echo "the 50 windows did not show" >&2; exit 1; }

# The program runs as the session's user, from a folder of that user.
folder=$work/vornel
mkdir -p "$folder/config"
cp "$build/vornel" "$folder/"
printf '[Vornel]\r\nAfficher=0\r\nDemarre=0\r\nMaj=0\r\nFenetre1= - Mozilla\r\n[Windows]\r\n1=Y,Pub test,N,0,0\r\n' \
    >"$folder/vornel.ini"
chown -R "$("$session_script" user "$session"):" "$work"

# The processes of the desktop: the compositor, everything it started (the
# tray host), and the windows.
desktop_pids() {
    echo "$compositor"
    pgrep -P "$compositor" || true
    for p in $(pgrep -P "$compositor" || true); do pgrep -P "$p" || true; done
    for p in "${clients[@]}"; do
        echo "$p"
        pgrep -P "$p" || true
    done
}
source bench/cpu_ticks.sh
percent_of_core() { # ticks over the measured time
    awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}
measure() {
    local pids before after
    pids=$(desktop_pids | sort -u)
    before=$(ticks $pids)
    sleep "$seconds"
    after=$(ticks $pids)
    percent_of_core $((after - before))
}

sleep 3
without=$(measure)
(cd "$folder" && XDG_CONFIG_HOME=$folder/config QT_QPA_PLATFORM=wayland \
    exec "$session_script" run "$session" ./vornel >/dev/null 2>&1) &
vornel=$!
clients+=("$vornel")
sleep 5 # start-up settles
own_before=$(ticks "$vornel")
with=$(measure)
own=$(($(ticks "$vornel") - own_before))
echo "== idle $name, 50 windows (25 browser windows), ${seconds} s, % of one core"
echo "without Vornel: $without"
echo "with Vornel:    $with"
awk -v a="$with" -v b="$without" 'BEGIN { printf "added:          %.2f\n", a - b }'
echo "Vornel itself:  $(percent_of_core "$own")"

#!/usr/bin/env bash
# The longest stall of the program's event loop while its tray watcher's peer
# never answers, in a headless sway on a session bus of its own (the
# session's panel would otherwise hold the watcher's name).
# Then the same for the GNOME desktop against a GNOME Shell that never
# answers, on a bus of its own too, and for closes asked of an XWayland that
# never answers.
# Run by hand after a build: bench/measure_bus_stall.sh [build-dir] [seconds].
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
session_script=$PWD/tests/support/wayland_session
work=$(mktemp -d)
chmod 755 "$work"
trap '"$session_script" stop "$work/sway" || true; rm -rf "$work"' EXIT
"$session_script" start "$work/sway" sway
QT_QPA_PLATFORM=wayland "$session_script" run "$work/sway" -- \
    dbus-run-session -- "$build/bench/measure_bus_stall" "${2:-10}"
# No gsettings of the person running it is read or written.
GSETTINGS_BACKEND=memory QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$work/data" \
    dbus-run-session -- "$build/bench/measure_bus_stall" "${2:-10}" gnome
QT_QPA_PLATFORM=offscreen "$build/bench/measure_bus_stall" "${2:-10}" xwayland

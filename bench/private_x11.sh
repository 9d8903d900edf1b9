# Sourced by the X11 benchmarks: a private Xvfb + openbox in a temporary
# folder $work, with settings and runtime folders of its own and no session
# bus. What a benchmark starts there goes into pids; all of it is ended, and
# the folder removed, when the benchmark exits.
work=$(mktemp -d)
session=$work/x11
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    tests/support/x11_session stop "$session" || true
    rm -rf "$work"
}
trap cleanup EXIT

tests/support/x11_session start "$session"
export DISPLAY=$(cat "$session/display")
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
unset DBUS_SESSION_BUS_ADDRESS VORNEL_CONFIG_DIR
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

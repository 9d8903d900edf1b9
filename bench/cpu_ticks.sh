# Sourced by the CPU benchmarks; they set $seconds, the measuring time.

# User + system clock ticks of the given processes; a process that has gone
# counts nothing. The fields are read after the command name, which may hold
# blanks.
ticks() {
    local total=0 pid fields
    for pid in "$@"; do
        fields=$(cut -d')' -f2- "/proc/$pid/stat" 2>/dev/null) || continue
        set -- $fields
        total=$((total + ${12} + ${13}))
    done
    echo "$total"
}

report() { # label, ticks over $seconds
    awk -v label="$1" -v d="$2" -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        'BEGIN { printf "%-44s %6.2f %% of a core (%d ticks of 1/%d s in %d s)\n", label, d / hz / s * 100, d, hz, s }'
}

#!/bin/sh
# Fails when a Bluetooth helper started from this build tree (the real one or
# the tests' stand-in) is still running after the tests that start them. Run
# last by CTest; a helper whose parent just ended gets a few seconds to go.
# Those still there are listed and ended, so the next run starts clean.
set -u
leftovers() {
    for exe in /proc/[0-9]*/exe; do
        target=$(readlink "$exe" 2>/dev/null) || continue
        target=${target% (deleted)}
        for helper in "$@"; do
            [ "$target" = "$helper" ] || continue
            pid=${exe#/proc/}
            pid=${pid%/exe}
            # A zombie is gone already; only its parent has not reaped it.
            state=$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$pid/status" 2>/dev/null)
            [ "$state" = Z ] || echo "$pid"
        done
    done
}
tries=0
while :; do
    pids=$(leftovers "$@")
    [ -z "$pids" ] && exit 0
    tries=$((tries + 1))
    [ "$tries" -ge 50 ] && break
    sleep 0.1
done
echo "helpers left running after the tests:"
for pid in $pids; do
    echo "  $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) (parent $(sed -n 's/^PPid:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null))"
    kill "$pid" 2>/dev/null
done
exit 1

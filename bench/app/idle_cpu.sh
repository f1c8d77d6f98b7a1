#!/usr/bin/env bash
# Idle CPU of the real program: start pelora-companion, let its card hide
# itself (45 s), then read its CPU time over the next N seconds (default 60).
# Run it with a display, e.g.: scripts/run-test --wm -- bench/app/idle_cpu.sh build/<dir>/src/app/pelora-companion
set -euo pipefail
program=$1 seconds=${2:-60}
"$program" >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
sleep 50
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks); sleep "$seconds"; after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle CPU of pelora-companion over %d s, card hidden: %d ticks = %.3f %% of one core\n", s, t, 100 * t / hz / s }'

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Start-up time and idle memory of the main window against a bare window of the same size and caption,
# on one virtual X server.
#
#   bench/startup.sh [runs]      (default 7 runs of each)
#
# Prints the median time from the launch until the window is on the screen, the median resident memory
# after a second of idling, and the ratios game/bare. QX_BUILD_DIR chooses the build folder (default: build);
# QX_BENCH_PROGRAM names a bench_startup built already. Exits with 77 when no virtual X server can be started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}

if [ "${QX_BENCH_INNER:-}" != 1 ]; then
    if [ -n "${QX_BENCH_PROGRAM:-}" ]; then
        program=$QX_BENCH_PROGRAM # built already, as for the benchmarks' smoke test
    else
        build=${QX_BUILD_DIR:-$root/build}
        case $build in /*) ;; *) build=$root/$build ;; esac
        "$root/tools/deps.sh"
        if [ ! -f "$build/CMakeCache.txt" ]; then
            cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
        fi
        cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target bench_startup >/dev/null
        program=$build/bin/bench_startup
    fi
    if ! command -v xvfb-run >/dev/null || ! xvfb-run -a -s "-screen 0 1024x768x24" true >/dev/null 2>&1; then
        echo "startup.sh: no virtual X server (xvfb-run) can be started here; skipped" >&2
        exit 77
    fi
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    chmod 700 "$XDG_RUNTIME_DIR"
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
    unset QT_QPA_PLATFORM
    QX_BENCH_INNER=1 QX_BENCH_PROGRAM="$program" \
        xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$runs"
    exit
fi

program=$QX_BENCH_PROGRAM
results=$(mktemp)
trap 'rm -f "$results"' EXIT

launch() { # mode
    QX_LAUNCH_NS=$(date +%s%N) exec "$program" "--$1"
}

# One run of each first, to warm the caches; then the modes take turns.
(launch bare && launch game) >/dev/null 2>&1 || true
for ((i = 0; i < runs; ++i)); do
    for mode in bare game; do
        line=$( (launch "$mode") 2>/dev/null | grep '^mode=') || {
            echo "run $i of $mode failed" >&2
            exit 1
        }
        echo "$line" | tee -a "$results"
    done
done

median() { # mode field
    grep "^mode=$1 " "$results" | sed -E "s/.* $2=([0-9.]+).*/\1/" | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
bare_ms=$(median bare mapped_ms)
game_ms=$(median game mapped_ms)
bare_kb=$(median bare rss_kb)
game_kb=$(median game rss_kb)
awk -v bm="$bare_ms" -v gm="$game_ms" -v bk="$bare_kb" -v gk="$game_kb" -v n="$runs" 'BEGIN {
    printf "\nmedians of %d runs        bare      game     game/bare\n", n
    printf "mapped after launch   %7.1f ms %7.1f ms   %5.2f   (target <= 1.50)\n", bm, gm, gm / bm
    printf "idle resident memory  %7.1f MB %7.1f MB   %5.2f   (target game < 45 MB)\n", bk / 1024, gk / 1024, gk / bk
}'

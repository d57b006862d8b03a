#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the fuzz targets (fuzz/, Clang with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs one or all of them, each for a time or a number of inputs, starting from its committed
# corpus and dictionary. New inputs go to a scratch folder; --keep merges them into the corpus,
# minimised. A crash, a time-out (an input over a second) or memory over 256 MB fails the run, and
# the input that did it lands in build-fuzz/artifacts/.
#
#   tools/fuzz.sh --smoke                 every target over its corpus for about 20 s (CI)
#   tools/fuzz.sh --time 900 receiver     one target for 15 minutes
#   tools/fuzz.sh --runs 10000000 --time 1200 --keep rtf
#   tools/fuzz.sh --build                 build only
#
# Each run ends with one line: executions, executions per second, coverage (cov: edges, ft: features)
# and peak memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
all=(receiver rtf settings netmodem modememu cp1251)

time=60
runs=-1
keep=0
build_only=0
targets=()
while [ $# -gt 0 ]; do
    case $1 in
    --smoke) time=20 ;;
    --time) time=$2; shift ;;
    --runs) runs=$2; shift ;;
    --keep) keep=1 ;;
    --build) build_only=1 ;;
    -h | --help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1") ;;
    esac
    shift
done
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

"$root/tools/deps.sh"
build=$root/build-fuzz
clang=$(command -v clang++-14 || command -v clang++)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$clang" \
    -DQX_FUZZ=ON -DQX_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/#/fuzz_}"
[ $build_only -eq 1 ] && exit 0

export QT_QPA_PLATFORM=offscreen
# The sanitizer's own bookkeeping must not count against the 256 MB a target is allowed: it keeps
# freed memory aside to catch late uses (256 MB by default; here 16), returns free pages to the
# system only when told, and keeps the call stack of every allocation for ever (here only its two
# innermost calls: a long run with the full stacks grew past 256 MB with some 26 MB of the target's
# own memory in use). Replay a saved input with the defaults for the whole stacks.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:quarantine_size_mb=16:malloc_context_size=2:allocator_release_to_os_interval_ms=500"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/artifacts"

# The targets that fill caches (fonts, the settings store's files) are checked for leaks once, at the
# end, rather than after every input that allocated more than it freed: that scan would take most
# of their time.
leaks() {
    case $1 in
    rtf | settings) echo 0 ;;
    *) echo 1 ;;
    esac
}

# The longest input of each target: what a reader meets in one go.
max_len() {
    case $1 in
    rtf) echo 65537 ;;      # one byte more than the reader takes
    receiver) echo 8192 ;;  # reads of up to 256 bytes each
    *) echo 4096 ;;
    esac
}

status=0
for t in "${targets[@]}"; do
    corpus=$root/fuzz/corpus/$t
    new=$scratch/$t
    mkdir -p "$new" "$corpus"
    echo "== fuzz_$t: at most ${time}s$([ "$runs" -ge 0 ] && echo " and $runs inputs") =="
    log=$scratch/$t.log
    if ! "$build/fuzz/fuzz_$t" "$new" "$corpus" -dict="$root/fuzz/dict/$t.dict" -max_len="$(max_len "$t")" \
        -detect_leaks="$(leaks "$t")" -timeout=1 -rss_limit_mb=256 -max_total_time="$time" -runs="$runs" -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/${t}-" 2>"$log"; then
        tail -n 60 "$log"
        echo "fuzz_$t FAILED (the input is in $build/artifacts/)"
        status=1
        continue
    fi
    stats=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -n 1)
    echo "fuzz_$t: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions," \
        "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")/s," \
        "$(grep -o 'cov: [0-9]* ft: [0-9]*' <<<"$stats")," \
        "peak $(sed -n 's/^stat::peak_rss_mb: *//p' "$log") MB"
    if [ $keep -eq 1 ]; then
        "$build/fuzz/fuzz_$t" -merge=1 -max_len="$(max_len "$t")" -timeout=1 -rss_limit_mb=256 \
            "$corpus" "$new" 2>>"$log" >/dev/null
        echo "fuzz_$t: corpus now $(ls "$corpus" | wc -l) inputs"
    fi
done
exit $status

#!/bin/sh
# run_fuzzers.sh -- runs every fuzz target for a while from its seeds and kept crash inputs, two at a time.
#
#   tests/fuzz/run_fuzzers.sh <fuzz build dir> <seconds per target> [output dir] [target...]
#
# New inputs go to a scratch corpus in the output folder, never into the committed
# seeds. Prints one line per target (executions, corpus size, findings) and exits
# with status 1 when any target found a crash, a leak, a timeout or ran out of
# memory; the input is then in the output folder, named after the target.
set -eu

here=$(cd "$(dirname "$0")" && pwd)

# One target: the script calls itself this way for each, two at a time.
if [ "${1:-}" = --one ]; then
    t=$2
    mkdir -p "$QM_FUZZ_OUT/corpus-$t"
    regressions=
    [ -d "$here/regressions/$t" ] && regressions="$here/regressions/$t"
    # The GL targets check for leaks at the end of the run only: checking after
    # every input that allocates would also scan the GL driver's caches each time.
    leaks=1
    case $t in materials | scene | globals) leaks=0 ;; esac
    status=0
    "$QM_FUZZ_BUILD/tests/fuzz/fuzz-$t" -max_total_time="$QM_FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 \
        -detect_leaks=$leaks -print_final_stats=1 -artifact_prefix="$QM_FUZZ_OUT/$t-" \
        "$QM_FUZZ_OUT/corpus-$t" "$here/corpus/$t" $regressions > "$QM_FUZZ_OUT/$t.log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$QM_FUZZ_OUT/$t.log" | tail -n 1)
    found=$(find "$QM_FUZZ_OUT" -maxdepth 1 -name "$t-*" | wc -l)
    printf '%-10s %10s executions  %6s inputs in corpus  %s findings  status %s\n' \
        "$t" "${runs:-?}" "$(ls "$QM_FUZZ_OUT/corpus-$t" | wc -l)" "$found" "$status"
    [ "$status" -eq 0 ] && [ "$found" -eq 0 ]
    exit
fi

if [ $# -lt 2 ]; then
    echo "usage: $0 <fuzz build dir> <seconds per target> [output dir] [target...]" >&2
    exit 2
fi
QM_FUZZ_BUILD=$(cd "$1" && pwd)
QM_FUZZ_SECONDS=$2
QM_FUZZ_OUT=${3:-$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-fuzz-run-XXXXXX")}
shift 2
[ $# -gt 0 ] && shift
targets=${*:-"bmp tga png md3 curve tokens module materials scene globals"}
mkdir -p "$QM_FUZZ_OUT"
QM_FUZZ_OUT=$(cd "$QM_FUZZ_OUT" && pwd)
export QM_FUZZ_BUILD QM_FUZZ_SECONDS QM_FUZZ_OUT
export LSAN_OPTIONS="suppressions=$here/../sanitizers/lsan.supp:print_suppressions=0"
export SDL_AUDIODRIVER=dummy

status=0
# Two at a time: a machine of two cores stays busy without being oversubscribed.
for t in $targets; do echo "$t"; done | xargs -P 2 -I{} "$0" --one {} || status=1
echo "fuzz logs, corpora and any findings: $QM_FUZZ_OUT"
exit $status

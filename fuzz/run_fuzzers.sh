#!/usr/bin/env bash
# Runs each fuzzer for FUZZ_SECONDS on its growing corpus, starting from the
# seeds and the regression inputs:  run_fuzzers.sh BUILD_DIR SECONDS FUZZER...
# A fuzzer keeps going after a finding (one child process at a time), so one
# fault does not hide the others; every failing input lands in
# BUILD_DIR/fuzz/artifacts/<fuzzer>/. Exits 1 when this run added any.
set -uo pipefail
build=$1 seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
failed=
for f in "$@"; do
    dir=$build/fuzz
    mkdir -p "$dir/corpus/$f" "$dir/artifacts/$f"
    before=$(ls "$dir/artifacts/$f" | wc -l)
    corpora=("$dir/corpus/$f" "$dir/seeds/$f")
    [ -d "$here/regressions/$f" ] && corpora+=("$here/regressions/$f")
    echo "== fuzzing $f for $seconds s (log: $dir/$f.log)"
    "$dir/qdx_fuzz_$f" -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$dir/artifacts/$f/" "${corpora[@]}" >"$dir/$f.log" 2>&1
    grep -E '^#[0-9]+: cov' "$dir/$f.log" | tail -1
    after=$(ls "$dir/artifacts/$f" | wc -l)
    if [ "$after" -gt "$before" ]; then
        failed="$failed $f"
        echo "   $((after - before)) failing input(s) in $dir/artifacts/$f:"
        ls -t "$dir/artifacts/$f" | head -n $((after - before)) | sed 's/^/     /'
    fi
done
if [ -n "$failed" ]; then
    echo "fuzzers that found a fault:$failed"
    exit 1
fi

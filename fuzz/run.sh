#!/usr/bin/env bash
# fuzz/run.sh [SECONDS]: builds every libFuzzer target with clang and runs each
# for SECONDS (default 60) on its seed corpus. Findings land in fuzz/findings/.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
seconds="${1:-60}"

ensure_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-dev
build="$ROOT/build-fuzz"
build_tree "$build" -DCMAKE_CXX_COMPILER=clang++ -DRM740_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo

mkdir -p "$ROOT/fuzz/findings"
status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name="$(basename "$target")"
    corpus="$(mktemp -d)"
    cp -r "$ROOT/fuzz/corpus/$name/." "$corpus/" 2>/dev/null || true
    echo "== $name, ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$ROOT/fuzz/findings/$name-" "$corpus" 2>&1 \
            | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY|Done)'; then
        :
    fi
    if ls "$ROOT/fuzz/findings/$name-"* >/dev/null 2>&1; then
        echo "!! $name: findings in fuzz/findings/"
        status=1
    fi
    rm -rf "$corpus"
done
exit $status

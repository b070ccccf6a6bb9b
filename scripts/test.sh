#!/usr/bin/env bash
# The whole check, as CI runs it: Debian packages, a release build with the
# unit tests, a sanitizer build (ASan + UBSan) with the unit tests again, the
# end-to-end tests on a private X server with openbox, and one short run of
# the benchmarks. Exits non-zero when any stage fails.
#
# QUILLANT_BUILD_DIR / QUILLANT_ASAN_BUILD_DIR choose the build folders
# (build/, build-asan/), QUILLANT_JOBS the parallel jobs (2),
# QUILLANT_X_DISPLAYS a range of display numbers such as 90-94.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUILLANT_BUILD_DIR:-build}
asan_build=${QUILLANT_ASAN_BUILD_DIR:-build-asan}
jobs=${QUILLANT_JOBS:-2}
cd "$repo"

# shellcheck source=lib-x.sh
source scripts/lib-x.sh
trap x_stop EXIT

failed=()
summary=()

# stage NAME COMMAND...: runs one step, times it and notes a failure.
stage() {
    local name=$1 start=$SECONDS
    shift
    echo
    echo "==== $name"
    if "$@"; then
        summary+=("$(printf '%-22s ok      %4d s' "$name" $((SECONDS - start)))")
        return 0
    fi
    summary+=("$(printf '%-22s FAILED  %4d s' "$name" $((SECONDS - start)))")
    failed+=("$name")
    return 1
}

finish() {
    echo
    echo "==== summary"
    printf '  %s\n' "${summary[@]}"
    echo "  total                         $SECONDS s"
    if ((${#failed[@]})); then
        echo "FAILED: ${failed[*]}"
        exit 1
    fi
    echo "all stages passed"
    exit 0
}

# configure_and_build DIR TARGET CMAKE-OPTIONS...
configure_and_build() {
    local dir=$1 target=$2
    shift 2
    cmake -S . -B "$dir" "$@" >"$dir/configure.log" 2>&1 || {
        cat "$dir/configure.log"
        return 1
    }
    cmake --build "$dir" -j"$jobs" --target "$target"
}

# run_unit DIR: the unit tests of one build, headless. The test binary lists
# its tests first, so a build without any unit tests yet is reported as such
# instead of letting ctest fail on an empty label.
run_unit() {
    local dir=$1 listing
    listing=$(QT_QPA_PLATFORM=offscreen "$dir/tests/quillant_tests" --gtest_list_tests) || {
        echo "$listing"
        echo "the unit test binary cannot list its tests"
        return 1
    }
    if ! grep -q '^  ' <<<"$listing"; then
        echo "no unit tests in $dir yet"
        return 0
    fi
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" -L unit --output-on-failure \
        --no-tests=error -j"$jobs"
}

# The X server stays up for the benchmarks after the tests; the EXIT trap
# takes it down.
run_e2e() {
    x_start || return 1
    ctest --test-dir "$build" -L e2e --output-on-failure --no-tests=error
}

# Every benchmark once, briefly: on the X server where there is one, so the
# ones that need a real display run too. A benchmark that reports an error
# fails the stage.
run_bench() {
    local platform=offscreen output status=0
    [[ -n ${DISPLAY:-} ]] && platform=xcb
    output=$(QT_QPA_PLATFORM=$platform "$build/bench/quillant_bench" \
        --benchmark_min_time=0.01 2>&1) || status=$?
    echo "$output"
    ((status == 0)) && ! grep -q 'ERROR OCCURRED' <<<"$output"
}

mkdir -p "$build" "$asan_build"
stage setup bash scripts/setup.sh || finish
# Optimised without debug information, which costs more compile time than
# optimising does; the same flags as scripts/run.sh, so both share build/.
stage build configure_and_build "$build" all -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" || finish
stage "unit tests" run_unit "$build"

# Every finding, leaks included, stops the test at once.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Line tables are all a sanitizer report needs for file and line.
if stage "sanitizer build" configure_and_build "$asan_build" quillant_tests \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQUILLANT_SANITIZE=ON \
    -DQUILLANT_BENCH=OFF; then
    stage "sanitizer unit tests" run_unit "$asan_build"
fi
unset ASAN_OPTIONS UBSAN_OPTIONS

stage "end-to-end tests" run_e2e
stage "benchmark smoke run" run_bench
x_stop
finish

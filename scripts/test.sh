#!/usr/bin/env bash
# The whole check, as CI runs it: Debian packages, a release build with the
# unit tests, a sanitizer build (ASan + UBSan) with the unit tests again, a
# minute of fuzzing (clang, libFuzzer), the
# end-to-end tests on a private X server with openbox, one short run of
# the benchmarks, the end-to-end tests of two monitors on an Xorg server, and
# the Debian package built, installed, checked and removed. Exits non-zero
# when any stage fails.
#
# QUILLANT_BUILD_DIR / QUILLANT_ASAN_BUILD_DIR / QUILLANT_FUZZ_BUILD_DIR choose the build folders
# (build/, build-asan/, build-fuzz/), QUILLANT_JOBS the parallel jobs (2),
# QUILLANT_X_DISPLAYS a range of display numbers such as 90-94.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUILLANT_BUILD_DIR:-build}
asan_build=${QUILLANT_ASAN_BUILD_DIR:-build-asan}
fuzz_build=${QUILLANT_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${QUILLANT_JOBS:-2}
cd "$repo"

# shellcheck source=lib-user.sh
source scripts/lib-user.sh
rerun_as_sudo_user "$repo/scripts/${BASH_SOURCE[0]##*/}" "$@"

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

# The tests that need two monitors, on their own Xorg server with the dummy
# driver (x_start_screens); the single-screen server is down by then.
run_e2e_screens() {
    local status=0
    if [[ $EUID -ne 0 ]]; then
        echo "skipped: Xorg with the dummy driver starts only as root (as in CI)"
        return 0
    fi
    x_start_screens || {
        x_stop
        return 1
    }
    ctest --test-dir "$build" -L screens --output-on-failure --no-tests=error || status=$?
    x_stop
    return "$status"
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
    ((status == 0)) && ! grep -q 'ERROR OCCURRED' <<<"$output" || return 1
    # The whole program in each state, 2 s each, on an X server of its own.
    (unset DISPLAY && bash bench/process_bench.sh 2)
}

# The libFuzzer targets of tests/fuzz, 20 s each (60 s in all), on their
# checked-in starting inputs; new inputs go to $fuzz_build/corpus, findings (the input
# that failed) to $fuzz_build/findings.
run_fuzz() {
    local target status=0
    for target in color_text_fuzz settings_file_fuzz load_settings_fuzz; do
        [[ -x $fuzz_build/tests/fuzz/$target ]] || {
            echo "no $target: the compiler cannot build libFuzzer targets"
            continue
        }
        mkdir -p "$fuzz_build/corpus/$target" "$fuzz_build/findings"
        echo "-- $target"
        QT_QPA_PLATFORM=offscreen "$fuzz_build/tests/fuzz/$target" -max_total_time=20 \
            -timeout=30 -print_final_stats=1 -artifact_prefix="$fuzz_build/findings/$target-" \
            "$fuzz_build/corpus/$target" "tests/fuzz/corpus/$target" 2>&1 |
            grep -v -e '^#[0-9]' -e 'does not support raise' || status=1
    done
    return $status
}

# The Debian package as a user gets it: built, installed (as root, where
# nothing installed it before; otherwise only unpacked), its files checked
# with Debian's tools, the installed program started once on its own X
# server, and removed again.
run_package() {
    local deb version prefix=/ tmp lock status=0
    (cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
        cat "$build/cpack.log"
        return 1
    }
    deb=$(ls -t "$build"/quillant_*.deb | head -n 1)
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    tmp=$(mktemp -d)
    # One test run at a time installs the package on this machine.
    exec {lock}>"${TMPDIR:-/tmp}/quillant-package-test.lock"
    flock "$lock"
    if ((EUID == 0)) && ! dpkg-query -W quillant >/dev/null 2>&1; then
        dpkg -i "$deb" || {
            exec {lock}>&-
            return 1
        }
    else
        echo "not installing (not root, or quillant is installed already): unpacked in $tmp"
        dpkg-deb -x "$deb" "$tmp"
        prefix=$tmp/
    fi
    check() {
        echo "-- $*"
        "$@" || {
            echo "FAILED: $*"
            status=1
        }
    }
    check desktop-file-validate "${prefix}usr/share/applications/de.kalmoro.Quillant.desktop"
    check appstreamcli validate --no-net "${prefix}usr/share/metainfo/de.kalmoro.Quillant.metainfo.xml"
    check lintian --fail-on error "$deb"
    check bash -c 'man -l "$1" >/dev/null' man "${prefix}usr/share/man/man1/quillant.1.gz"
    check test "$("${prefix}usr/bin/quillant" --version)" = "quillant $version"
    check test "$(dpkg-deb -f "$deb" Version)" = "$version"
    check _installed_program_e2e "${prefix}usr/bin/quillant"
    if [[ $prefix == / ]]; then
        check dpkg -r quillant
    fi
    rm -rf "$tmp"
    exec {lock}>&-
    return $status
}

# Starts, shows the ruler; Alt+F4 hides it with a notification area running;
# a second start shows it again and ends with 0, the first one running on.
_installed_program_e2e() {
    local binary=$1 ruler bus_pid status=0
    x_start && x_start_tray || return 1
    # A private session bus, so the instance is found by its bus name.
    DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 \
        3>"$QX_TMP/bus.pid") || return 1
    export DBUS_SESSION_BUS_ADDRESS
    bus_pid=$(cat "$QX_TMP/bus.pid")
    {
        quillant_start "$binary" &&
            ruler=$(quillant_window) &&
            xdotool windowactivate --sync "$ruler" key alt+F4 &&
            wait_until 10 _qx_not_viewable "$ruler" &&
            timeout 20 "$binary" &&
            wait_until 10 _qx_viewable "$ruler" &&
            kill -0 "$QX_APP_PID"
    } || status=1
    quillant_stop || status=1
    kill "$bus_pid" 2>/dev/null
    unset DBUS_SESSION_BUS_ADDRESS
    x_stop
    return $status
}
_qx_viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
_qx_not_viewable() { ! _qx_viewable "$1"; }

mkdir -p "$build" "$asan_build" "$fuzz_build"
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
# clang with coverage, ASan and UBSan: every library of ours and the targets.
if command -v clang++ >/dev/null &&
    stage "fuzz build" configure_and_build "$fuzz_build" quillant_fuzz \
        -DCMAKE_CXX_COMPILER=clang++ -DQUILLANT_FUZZ=ON -DQUILLANT_TESTS=OFF \
        -DQUILLANT_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1"; then
    stage fuzzing run_fuzz
fi

stage "end-to-end tests" run_e2e
stage "benchmark smoke run" run_bench
x_stop
stage "two-screen tests" run_e2e_screens
stage package run_package
finish

#!/usr/bin/env bash
# The machine checks of the engine's promises that run after the test suite (`make check-extra`;
# CI runs them after `make test`). Each stage has its own build folder, compiled with clang and
# holding only the targets it needs (no editor tests; the rtsan and tsan stages build the bundle):
#
#   rtsan  build-rtsan  processor tests under RealtimeSanitizer: processBlock and every engine's
#                       per-block function are marked nonblocking (engine/RealtimeAnnotations.h),
#                       so any allocation, lock, wait or system call beneath them fails the run.
#                       Then the instrumented bundle in the test host, whose audio thread makes
#                       each whole VST3 process call a real-time context (HostRealtimeTest.cpp),
#                       once with the plug-in's editor open on a private X display, its timer
#                       and repaints running while the host automates "monitorRef".
#   tsan   build-tsan   unit and processor tests under ThreadSanitizer (the concurrency test
#                       races the audio thread against the editor's and the host's calls, and
#                       against the real editor window, off screen, its timer ticking), then
#                       the host tests with the plug-in's bundle built under it too: the bundle in
#                       JUCE's VST3 host, its own message thread running, while the host's thread
#                       restores and saves states and a test thread processes blocks.
#   asan   build-asan   unit, processor and gui tests under AddressSanitizer and
#                       UndefinedBehaviorSanitizer (the gui tests on a private X display), with
#                       JUCE's assertions and leak detector compiled in: a failed assertion
#                       fails its test, an object left at exit the run; the same tree holds the
#                       fuzz targets.
#   fuzz   build-asan   each libFuzzer target of tests/fuzz for a bounded time, starting from the
#                       committed seeds in tests/fuzz/corpus/<target>; a crash, a hang (10 s for
#                       one input) or more than 2 GiB of memory fails it. The targets run under
#                       scripts/with-display.sh: the editor's one builds its window.
#
# Usage: scripts/ci-extra-stages.sh [rtsan] [tsan] [asan] [fuzz]    (no argument: all four)
# Every stage runs even when an earlier one failed; the exit status is 1 when any failed.
# Environment: JOBS (parallel compile jobs, default: the number of processors),
#              FUZZ_SECONDS (time per fuzz target, default 60), CLANG (default clang-22).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$(pwd)"

JOBS="${JOBS:-$(nproc)}"
FUZZ_SECONDS="${FUZZ_SECONDS:-60}"
CLANG="${CLANG:-clang-22}"
CLANGXX="${CLANG/clang/clang++}"

stages=("$@")
if [ "${#stages[@]}" -eq 0 ]; then stages=(rtsan tsan asan fuzz); fi

# Sanitizer reports name functions and lines through a symbolizer: LLVM's when installed,
# otherwise binutils' addr2line, which every build machine has.
symbolizer="$(command -v "llvm-symbolizer-${CLANG#clang-}" || command -v llvm-symbolizer || command -v addr2line)"

#------------------------------------------------------------------------------------------------
# Suppressions. Each entry names one finding in code this project does not own, and why it is
# accepted; everything else fails the stage.
#
# UndefinedBehaviorSanitizer:
#   shift-base:juce::FlacReader::useSamples
#       JUCE's FLAC reader scales every decoded sample with `sample << (32 - bits)`, a left shift
#       of a negative value (undefined before C++20, done as intended by every compiler). Every
#       FLAC file triggers it.
#   bounds:juce::MP3Decoder::Layer3SideInfo::Info::doIStereo
#       JUCE's MP3 decoder, on an intensity-stereo frame whose band table runs one band past the
#       first channel's 576 values, indexes past that row. The stray accesses stay inside the
#       decoder's own scratch arrays (AddressSanitizer sees nothing), so the harm is garbage audio
#       from a garbage file; FuzzRegressionTest checks that such a file plays finite or is refused.
#
# RealtimeSanitizer:
#   function-name-matches:pthread_mutex_unlock
#       The audio thread only ever tries a mutex (the processor's callback lock, a parameter's
#       listener locks: patches/juce/0004 and 0005); RealtimeSanitizer does not check a try, but
#       reports the release that follows a successful one. Every blocking acquisition is still
#       reported, by pthread_mutex_lock.
#
# ThreadSanitizer, AddressSanitizer: none.
#
# Tests left out of a stage, and why:
#   tsan: NonblockingAudioPath (the real-time grid) is single-threaded, so ThreadSanitizer has
#       nothing to check in it; it runs in full under RealtimeSanitizer.
#   asan: NonblockingAudioPath runs only its 48 kHz row (7 block sizes) to keep CI short; the
#       44.1 and 96 kHz rows run under RealtimeSanitizer and in the normal build.
#   asan: EditorWindow.filesDraggedFromAnotherProgramAreDroppedThroughTheWindowSystem waits a
#       fixed time for a second program, itself instrumented, to drag through the X server;
#       under the sanitizer the drop does not arrive within that wait. It runs in the normal build.
#------------------------------------------------------------------------------------------------

write_suppressions()
{
    local dir="$1"
    mkdir -p "$dir"
    printf '%s\n' \
        'shift-base:juce::FlacReader::useSamples' \
        'bounds:juce::MP3Decoder::Layer3SideInfo::Info::doIStereo' > "$dir/ubsan.supp"
}

export RTSAN_OPTIONS="halt_on_error=1:external_symbolizer_path=$symbolizer"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:external_symbolizer_path=$symbolizer"
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:external_symbolizer_path=$symbolizer"
ubsan_options()
{
    echo "halt_on_error=1:print_stacktrace=1:suppressions=$1/ubsan.supp:external_symbolizer_path=$symbolizer"
}

timings=()
now() { date +%s; }

section() { printf '\n=== %s ===\n' "$*"; }

# configure <build dir> <sanitizer>
configure()
{
    cmake -S "$root" -B "$root/$1" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER="$CLANG" -DCMAKE_CXX_COMPILER="$CLANGXX" \
        -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
        -DKALVORIN_SANITIZER="$2" \
        -DKALVORIN_BUILD_TESTS=ON -DKALVORIN_BUILD_BENCH=OFF > "$root/$1.configure.log" \
        || { cat "$root/$1.configure.log"; return 1; }
}

# build <build dir> <target>...
build()
{
    local dir="$1"; shift
    cmake --build "$root/$dir" --target "$@" -j "$JOBS"
}

# run_tests <build dir> <executable> [gtest filter]
# With RUN_UNDER set, the executable runs through that command (e.g. scripts/with-display.sh).
run_tests()
{
    local dir="$1" exe="$2" filter="${3:-*}"
    local log="$root/$dir/$exe.log"
    echo "-- $exe (filter: $filter)"

    if ! ${RUN_UNDER:+"$RUN_UNDER"} "$root/$dir/tests/$exe" --gtest_filter="$filter" \
            --gtest_output="xml:$root/$dir/tests/$exe.xml" > "$log" 2>&1; then
        tail -n 300 "$log"
        echo "FAILED: $exe in $dir (full log: $log)"
        return 1
    fi

    grep -E '^\[  PASSED  \]' "$log" || true
}

stage_rtsan()
{
    section "RealtimeSanitizer: processor tests, and the bundle's process call in the test host"
    configure build-rtsan realtime || return 1
    printf '%s\n' 'function-name-matches:pthread_mutex_unlock' > "$root/build-rtsan/rtsan.supp"
    build build-rtsan kalvorin_processor_tests kalvorin_host_tests || return 1
    RTSAN_OPTIONS="$RTSAN_OPTIONS:suppressions=$root/build-rtsan/rtsan.supp" \
        run_tests build-rtsan kalvorin_processor_tests || return 1
    RTSAN_OPTIONS="$RTSAN_OPTIONS:suppressions=$root/build-rtsan/rtsan.supp" RUN_UNDER="$root/scripts/with-display.sh" \
        run_tests build-rtsan kalvorin_host_tests '*HostRealtime*:*HostBadInput*'
}

stage_tsan()
{
    section "ThreadSanitizer: unit, processor and host tests"
    configure build-tsan thread || return 1
    build build-tsan kalvorin_unit_tests kalvorin_processor_tests || return 1
    run_tests build-tsan kalvorin_unit_tests || return 1
    run_tests build-tsan kalvorin_processor_tests '-*NonblockingAudioPath*' || return 1
    build build-tsan kalvorin_host_tests || return 1
    # The bundle's VST3 layer connects to the display from its own message thread.
    RUN_UNDER="$root/scripts/with-display.sh" run_tests build-tsan kalvorin_host_tests
}

build_asan_tree()
{
    configure build-asan address || return 1
    write_suppressions "$root/build-asan" || return 1
    build build-asan kalvorin_unit_tests kalvorin_processor_tests \
        kalvorin_fuzz_state kalvorin_fuzz_settings kalvorin_fuzz_reference kalvorin_fuzz_editor_state
}

stage_asan()
{
    section "AddressSanitizer + UndefinedBehaviorSanitizer: unit, processor and gui tests"
    build_asan_tree || return 1
    UBSAN_OPTIONS="$(ubsan_options "$root/build-asan")" run_tests build-asan kalvorin_unit_tests || return 1
    UBSAN_OPTIONS="$(ubsan_options "$root/build-asan")" run_tests build-asan kalvorin_processor_tests \
        '-*NonblockingAudioPath*/44100Hz_*:*NonblockingAudioPath*/96000Hz_*' || return 1
    # The editor's lifetime against the host's and the audio thread's (EditorLifetimeTest).
    build build-asan kalvorin_gui_tests || return 1
    UBSAN_OPTIONS="$(ubsan_options "$root/build-asan")" RUN_UNDER="$root/scripts/with-display.sh" \
        run_tests build-asan kalvorin_gui_tests '-EditorWindow.filesDraggedFromAnotherProgramAreDroppedThroughTheWindowSystem'
}

stage_fuzz()
{
    section "libFuzzer: ${FUZZ_SECONDS} s per target"
    build_asan_tree || return 1
    local failed=0

    for target in kalvorin_fuzz_state kalvorin_fuzz_settings kalvorin_fuzz_reference kalvorin_fuzz_editor_state; do
        local work="$root/build-asan/fuzz/$target"
        rm -rf "$work"
        mkdir -p "$work/corpus"
        echo "-- $target"

        # New inputs go to the scratch corpus (first folder); the committed seeds are only read.
        if ! UBSAN_OPTIONS="$(ubsan_options "$root/build-asan")" \
             "$root/scripts/with-display.sh" "$root/build-asan/tests/fuzz/$target" "$work/corpus" "$root/tests/fuzz/corpus/$target" \
                -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=10 -max_len=16384 \
                -artifact_prefix="$work/" -print_final_stats=1 > "$work/fuzz.log" 2>&1; then
            tail -n 200 "$work/fuzz.log"
            echo "FAILED: $target found an input that crashes, hangs or takes too much memory:"
            ls "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-* 2>/dev/null || true
            echo "Reproduce with: $root/build-asan/tests/fuzz/$target <input>;" \
                 "then keep the input as a test in tests/processor/FuzzRegressionTest.cpp."
            failed=1
        else
            grep -E 'stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/fuzz.log" || true
        fi
    done

    return "$failed"
}

status=0
for stage in "${stages[@]}"; do
    case "$stage" in
        rtsan|tsan|asan|fuzz) ;;
        *) echo "unknown stage '$stage' (rtsan, tsan, asan, fuzz)"; exit 2 ;;
    esac

    start=$(now)
    if "stage_$stage"; then result=passed; else result=FAILED; status=1; fi
    timings+=("$stage: $result in $(( $(now) - start )) s")
done

section "Summary"
printf '%s\n' "${timings[@]}"
exit "$status"

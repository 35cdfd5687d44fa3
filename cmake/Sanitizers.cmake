# Instrumented builds of the whole tree, for the checks that run after the normal test suite
# (scripts/ci-extra-stages.sh).
#
# KALVORIN_SANITIZER picks one instrumentation for every target configured after this file,
# JUCE's modules included, so the tools see every access and every call:
#
#   realtime  RealtimeSanitizer (clang 20 or newer). Defines KALVORIN_RTSAN=1, which turns
#             KALVORIN_NONBLOCKING (engine/RealtimeAnnotations.h) into clang's nonblocking
#             attribute: whatever such a function calls, however deep, is checked at run time.
#   thread    ThreadSanitizer.
#   address   AddressSanitizer and UndefinedBehaviorSanitizer.
#             With KALVORIN_BUILD_FUZZERS (on by default here) the code also carries libFuzzer's
#             coverage hooks, and the fuzz targets of tests/fuzz are built in the same tree.
#
# Empty (the default) changes nothing. Every choice needs clang; the build type's flags set the
# optimisation, and line tables are added so that reports name files and lines.

set(KALVORIN_SANITIZER "" CACHE STRING "Instrument the build: realtime, thread, address, or empty for none")
set_property(CACHE KALVORIN_SANITIZER PROPERTY STRINGS "" realtime thread address)

if(KALVORIN_SANITIZER STREQUAL "address")
    set(kalvorin_fuzzers_default ON)
else()
    set(kalvorin_fuzzers_default OFF)
endif()
option(KALVORIN_BUILD_FUZZERS "Build the libFuzzer targets of tests/fuzz (needs KALVORIN_SANITIZER=address)"
       ${kalvorin_fuzzers_default})

if(NOT KALVORIN_SANITIZER)
    if(KALVORIN_BUILD_FUZZERS)
        message(FATAL_ERROR "KALVORIN_BUILD_FUZZERS needs KALVORIN_SANITIZER=address")
    endif()
    return()
endif()

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KALVORIN_SANITIZER needs clang (e.g. -DCMAKE_CXX_COMPILER=clang++-22 "
                        "-DCMAKE_C_COMPILER=clang-22); the compiler is ${CMAKE_CXX_COMPILER_ID}")
endif()

if(KALVORIN_SANITIZER STREQUAL "realtime")
    if(CMAKE_CXX_COMPILER_VERSION VERSION_LESS 20)
        message(FATAL_ERROR "RealtimeSanitizer needs clang 20 or newer; this is ${CMAKE_CXX_COMPILER_VERSION}")
    endif()
    set(kalvorin_sanitize_flags -fsanitize=realtime)
    add_compile_definitions(KALVORIN_RTSAN=1)
elseif(KALVORIN_SANITIZER STREQUAL "thread")
    set(kalvorin_sanitize_flags -fsanitize=thread)
elseif(KALVORIN_SANITIZER STREQUAL "address")
    # AddressSanitizer stops at its first report. UndefinedBehaviorSanitizer's checks stay
    # recoverable so that its run-time suppressions work (a fatal check dies even when
    # suppressed); UBSAN_OPTIONS=halt_on_error=1 then makes every report that is not suppressed
    # fatal, as scripts/ci-extra-stages.sh sets it.
    set(kalvorin_sanitize_flags -fsanitize=address,undefined)
    # This tree only runs tests, so JUCE's own checks come in too, though its build type leaves
    # them out: every failed assertion is logged (the test main makes each one a failure of
    # the test that hit it), and every JUCE class's leak detector counts its objects, so that
    # one still alive when the run ends fails it. Both go into every target alike: the leak
    # detector is a member of the classes it counts.
    add_compile_definitions(JUCE_LOG_ASSERTIONS=1 JUCE_CHECK_MEMORY_LEAKS=1)
else()
    message(FATAL_ERROR "Unknown KALVORIN_SANITIZER '${KALVORIN_SANITIZER}' (realtime, thread or address)")
endif()

if(KALVORIN_BUILD_FUZZERS AND NOT KALVORIN_SANITIZER STREQUAL "address")
    message(FATAL_ERROR "KALVORIN_BUILD_FUZZERS needs KALVORIN_SANITIZER=address")
endif()

add_compile_options(${kalvorin_sanitize_flags} -fno-omit-frame-pointer -gline-tables-only)
add_link_options(${kalvorin_sanitize_flags})

if(KALVORIN_BUILD_FUZZERS)
    # Coverage hooks for every object; only the fuzz targets link libFuzzer's driver
    # (-fsanitize=fuzzer, in tests/fuzz), the test executables keep their own main.
    #
    # The signal-processing code gets no coverage hooks (it stays under AddressSanitizer and
    # UndefinedBehaviorSanitizer): its loops compare sample counters, not input bytes, so the
    # hooks would tell the fuzzer nothing and cost most of its speed. Nor does JUCE's graphics
    # code (image decoding and painting, which the editor's fuzz target runs on every input for
    # the window it builds): its loops walk pixels. The parsers (JUCE's audio
    # formats, streams and value trees, the state and settings readers), the Reference list and
    # the resampler keep them. The tests' own code is never what a fuzzer explores.
    set(kalvorin_coverage_ignorelist "${CMAKE_BINARY_DIR}/fuzz-coverage-ignorelist.txt")
    file(WRITE "${kalvorin_coverage_ignorelist}"
        "src:*/juce_dsp/juce_dsp.cpp\n"
        "src:*/juce_graphics/juce_graphics.cpp\n"
        "src:*/engine/BandListen.cpp\n"
        "src:*/engine/BandStereoAnalyser.cpp\n"
        "src:*/engine/GoniometerCapture.cpp\n"
        "src:*/engine/LoudnessMeter.cpp\n"
        "src:*/engine/RmsMeter.cpp\n"
        "src:*/engine/SpectrumAnalyser.cpp\n"
        "src:*/engine/SpectrumSnapshot.cpp\n"
        "src:*/engine/StereoFft.cpp\n"
        "src:*/engine/TruePeakMeter.cpp\n"
        "src:*/tests/gui/*\n"
        "src:*/tests/host/*\n"
        "src:*/tests/processor/*\n"
        "src:*/tests/support/*\n"
        "src:*/tests/unit/*\n")
    add_compile_options(-fsanitize=fuzzer-no-link -fsanitize-coverage-ignorelist=${kalvorin_coverage_ignorelist})
endif()

message(STATUS "Sanitizer build: ${KALVORIN_SANITIZER} (fuzz targets: ${KALVORIN_BUILD_FUZZERS})")

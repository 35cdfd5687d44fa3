# System libraries that Debian's JUCE expects the project to link, and small helpers shared by
# the plug-in and the test targets.

# Debian strips JUCE's bundled codecs and image libraries; the system ones take their place.
pkg_check_modules(KALVORIN_CODECS REQUIRED IMPORTED_TARGET
    flac vorbis vorbisenc vorbisfile ogg zlib libpng libjpeg)

add_library(kalvorin_system_codecs INTERFACE)
target_link_libraries(kalvorin_system_codecs INTERFACE PkgConfig::KALVORIN_CODECS)

# JUCE settings every target that compiles JUCE modules shares.
function(kalvorin_add_juce_config target)
    target_compile_definitions(${target} PUBLIC
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_USE_MP3AUDIOFORMAT=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_STRICT_REFCOUNTEDPOINTER=1)
endfunction()

# The module must only export the three VST3 entry points, and a missing symbol must fail the
# link rather than the host's dlopen (JUCE already adds --no-undefined for Linux modules). An
# instrumented module is the exception: it calls into the sanitizer's run-time, which only the
# executable that loads it carries.
function(kalvorin_restrict_vst3_exports target)
    set(map "${CMAKE_CURRENT_BINARY_DIR}/vst3_exports.map")
    file(WRITE "${map}" "{\n  global:\n    GetPluginFactory;\n    ModuleEntry;\n    ModuleExit;\n  local:\n    *;\n};\n")
    target_link_options(${target} PRIVATE "-Wl,--version-script=${map}" "-Wl,--no-undefined")

    if(KALVORIN_SANITIZER)
        # Comes after --no-undefined, so it wins.
        target_link_options(${target} PRIVATE "-Wl,-z,undefs")
    endif()

    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${map}")

    # An instrumented module takes the sanitizer's run-time from the instrumented host that
    # loads it (cmake/Sanitizers.cmake), so its calls into that run-time stay open at link time.
    if(KALVORIN_SANITIZER)
        target_link_options(${target} PRIVATE "-Wl,-z,undefs")
    endif()
endfunction()

# Lets a target link a JUCE static library without compiling the JUCE modules a second time:
# it takes the library's include paths and definitions, as JUCE's own plug-in wrappers do.
# kalvorin_use_juce_library(<target> <library> [PRECOMPILED_BY <other target>]): the JUCE headers
# precompiled for the target, or taken from another target built with the same options (for
# small targets, where a header of their own costs more than it saves).
function(kalvorin_use_juce_library target library)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "PRECOMPILED_BY" "")
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${library},INCLUDE_DIRECTORIES>)
    target_compile_definitions(${target} PRIVATE $<TARGET_PROPERTY:${library},COMPILE_DEFINITIONS>)
    target_link_libraries(${target} PRIVATE ${library})

    if(arg_PRECOMPILED_BY)
        target_precompile_headers(${target} REUSE_FROM ${arg_PRECOMPILED_BY})
    else()
        kalvorin_precompile_juce(${target} ${KALVORIN_PLUGIN_JUCE_HEADERS})
    endif()
endfunction()

# FFTW (single precision) for the spectrum analysers, linked into the module from Debian's
# position-independent static archives: the plug-in then runs on FFTW on any machine, with or
# without FFTW installed, and its copy stays private to the module (only the VST3 entry points
# are exported), so another plug-in's FFTW in the same host can neither replace nor disturb it.
# The threads archive holds fftwf_make_planner_thread_safe.
find_path(KALVORIN_FFTW_INCLUDE_DIR fftw3.h REQUIRED)
find_library(KALVORIN_FFTW3F_STATIC NAMES libfftw3f.a REQUIRED)
find_library(KALVORIN_FFTW3F_THREADS_STATIC NAMES libfftw3f_threads.a REQUIRED)
find_package(Threads REQUIRED)

add_library(kalvorin_fftw INTERFACE)
target_include_directories(kalvorin_fftw INTERFACE ${KALVORIN_FFTW_INCLUDE_DIR})
target_link_libraries(kalvorin_fftw INTERFACE
    ${KALVORIN_FFTW3F_THREADS_STATIC} ${KALVORIN_FFTW3F_STATIC} Threads::Threads m)

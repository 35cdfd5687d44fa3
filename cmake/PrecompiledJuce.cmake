# Precompiled JUCE headers for the targets that compile our own code.
#
# The JUCE module headers are most of the cost of compiling any file of ours (about 8 of the
# 10 s a typical test file takes), and every file includes them. Each such target parses them
# once, into a precompiled header of its own (so its own compile definitions hold), instead of
# once per file. JUCE's module sources are left out: they set options before including their
# own headers, which a header included ahead of them would defeat.
#
# Needs cmake/PatchedJuce.cmake first (the folder every JUCE target compiles from).

file(GLOB KALVORIN_JUCE_MODULE_SOURCES "${KALVORIN_PATCHED_JUCE_DIR}/*/*.cpp")

# kalvorin_precompile_juce(<target> <header>...): the given headers (as include names, e.g.
# <juce_gui_extra/juce_gui_extra.h>) precompiled for the target's C++ files.
function(kalvorin_precompile_juce target)
    foreach(header IN LISTS ARGN)
        target_precompile_headers(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${header}>")
    endforeach()

    set_source_files_properties(${KALVORIN_JUCE_MODULE_SOURCES}
        TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)

    # clang (the sanitizer trees) compiles JUCE's large module sources a third faster when it
    # reads a template's body only where the template is used. Only there: that mode cannot
    # read a precompiled header made without it, and ours are.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        set_source_files_properties(${KALVORIN_JUCE_MODULE_SOURCES}
            TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS -fdelayed-template-parsing)
    endif()
endfunction()

# The modules the plug-in's library uses, which every target built on it includes.
set(KALVORIN_PLUGIN_JUCE_HEADERS
    <juce_audio_utils/juce_audio_utils.h>
    <juce_dsp/juce_dsp.h>
    <juce_gui_extra/juce_gui_extra.h>)

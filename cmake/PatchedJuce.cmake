# Debian's JUCE 7.0.5 with the fixes its VST3 audio path needs, applied when configuring.
#
# Debian's package stays the dependency; nothing is forked. The modules the patches touch are
# copied from Debian's module folder into the build folder, and every patch in patches/juce/ is
# applied to the copies, in name order; the other modules are reached through links to Debian's
# own folders. Then every JUCE module target is pointed at this folder instead of Debian's, so
# every target that compiles JUCE (the plug-in library, its VST3 wrapper, the test host and the
# sanitizer builds, which configure their own build folders) compiles the patched code, and no
# translation unit sees both copies of a header.
#
# A patch that no longer applies (a newer Debian JUCE, or an edited patch) stops the configure
# step with patch's own report. Each patch file says what it mends and which upstream JUCE
# version carries the same fix, if any; when Debian ships that version, the patch goes.
#
# The folder is made again only when a patch or a patched original file changes, so an
# ordinary configure does not touch it and does not cause a rebuild.
#
# Needs find_package(JUCE) first. Sets JUCE_MODULES_DIR (in this scope) to the patched folder.

get_filename_component(KALVORIN_JUCE_PATCH_DIR "${CMAKE_CURRENT_LIST_DIR}/../patches/juce" ABSOLUTE)
set(KALVORIN_PATCHED_JUCE_DIR "${CMAKE_BINARY_DIR}/juce-patched/modules")

find_program(KALVORIN_PATCH_PROGRAM patch)
if(NOT KALVORIN_PATCH_PROGRAM)
    message(FATAL_ERROR "The 'patch' program is needed to patch JUCE; run scripts/setup.sh.")
endif()

set(kalvorin_debian_modules "${JUCE_MODULES_DIR}")
file(GLOB kalvorin_juce_patches "${KALVORIN_JUCE_PATCH_DIR}/*.patch")
list(SORT kalvorin_juce_patches)

# The modules and files the patches touch, read from their "+++ b/<module>/<path>" lines.
set(kalvorin_patched_modules "")
set(kalvorin_stamp_text "JUCE ${JUCE_VERSION} from ${kalvorin_debian_modules}\n")

foreach(patch_file IN LISTS kalvorin_juce_patches)
    file(SHA256 "${patch_file}" patch_hash)
    string(APPEND kalvorin_stamp_text "${patch_file} ${patch_hash}\n")
    file(STRINGS "${patch_file}" targets REGEX "^\\+\\+\\+ b/")

    foreach(target_line IN LISTS targets)
        string(REGEX REPLACE "^\\+\\+\\+ b/([^\t ]+).*$" "\\1" relative "${target_line}")
        string(REGEX REPLACE "/.*$" "" module "${relative}")
        list(APPEND kalvorin_patched_modules "${module}")

        if(NOT EXISTS "${kalvorin_debian_modules}/${relative}")
            message(FATAL_ERROR "${patch_file} patches ${relative}, which Debian's JUCE does not have.")
        endif()

        file(SHA256 "${kalvorin_debian_modules}/${relative}" original_hash)
        string(APPEND kalvorin_stamp_text "${relative} ${original_hash}\n")
    endforeach()

    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${patch_file}")
endforeach()

list(REMOVE_DUPLICATES kalvorin_patched_modules)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${KALVORIN_JUCE_PATCH_DIR}")

set(kalvorin_stamp_file "${CMAKE_BINARY_DIR}/juce-patched/stamp.txt")
set(kalvorin_old_stamp "")
if(EXISTS "${kalvorin_stamp_file}")
    file(READ "${kalvorin_stamp_file}" kalvorin_old_stamp)
endif()

if(NOT kalvorin_old_stamp STREQUAL kalvorin_stamp_text OR NOT EXISTS "${KALVORIN_PATCHED_JUCE_DIR}")
    message(STATUS "Patching JUCE into ${KALVORIN_PATCHED_JUCE_DIR}")
    file(REMOVE_RECURSE "${CMAKE_BINARY_DIR}/juce-patched")
    file(MAKE_DIRECTORY "${KALVORIN_PATCHED_JUCE_DIR}")

    file(GLOB kalvorin_all_modules LIST_DIRECTORIES true RELATIVE "${kalvorin_debian_modules}" "${kalvorin_debian_modules}/*")

    foreach(module IN LISTS kalvorin_all_modules)
        if(module IN_LIST kalvorin_patched_modules)
            file(COPY "${kalvorin_debian_modules}/${module}" DESTINATION "${KALVORIN_PATCHED_JUCE_DIR}")
        else()
            file(CREATE_LINK "${kalvorin_debian_modules}/${module}" "${KALVORIN_PATCHED_JUCE_DIR}/${module}" SYMBOLIC)
        endif()
    endforeach()

    foreach(patch_file IN LISTS kalvorin_juce_patches)
        execute_process(
            COMMAND "${KALVORIN_PATCH_PROGRAM}" --batch --forward --strip=1 --no-backup-if-mismatch
                    --reject-file=- --directory "${KALVORIN_PATCHED_JUCE_DIR}" --input "${patch_file}"
            RESULT_VARIABLE patch_result
            OUTPUT_VARIABLE patch_output
            ERROR_VARIABLE patch_output)

        if(NOT patch_result EQUAL 0)
            file(REMOVE_RECURSE "${CMAKE_BINARY_DIR}/juce-patched")
            message(FATAL_ERROR
                "${patch_file} no longer applies to Debian's JUCE ${JUCE_VERSION} "
                "(${kalvorin_debian_modules}):\n${patch_output}\n"
                "If this JUCE already carries the fix, delete the patch; otherwise bring it up to date.")
        endif()
    endforeach()

    file(WRITE "${kalvorin_stamp_file}" "${kalvorin_stamp_text}")
endif()

# Every JUCE module target (and the helper targets the modules define) now names the patched
# folder wherever it named Debian's.
get_property(kalvorin_targets DIRECTORY "${CMAKE_SOURCE_DIR}" PROPERTY BUILDSYSTEM_TARGETS)

foreach(target IN LISTS kalvorin_targets)
    if(NOT target MATCHES "^juce_")
        continue()
    endif()

    foreach(property IN ITEMS INTERFACE_SOURCES INTERFACE_INCLUDE_DIRECTORIES INTERFACE_JUCE_MODULE_PATH
                              INTERFACE_JUCE_MODULE_SOURCES INTERFACE_JUCE_MODULE_HEADERS)
        get_target_property(value ${target} ${property})

        if(value)
            string(REPLACE "${kalvorin_debian_modules}" "${KALVORIN_PATCHED_JUCE_DIR}" value "${value}")
            set_target_properties(${target} PROPERTIES ${property} "${value}")
        endif()
    endforeach()
endforeach()

set(JUCE_MODULES_DIR "${KALVORIN_PATCHED_JUCE_DIR}")

# The files the module carries inside itself, and the index over them.
#
# kalvorin_resources: a static library with the bytes of the Oswald Regular font and of the six
# PNG images, and the EmbeddedResources index (resources/EmbeddedResources.h). The images are the
# product's own and live in resources/; the font is fetched by scripts/fetch-font.sh into .deps/
# and never committed. The order of the files below is the order of the index.
#
# kalvorin_resource_generator (optional, not part of the normal build): draws the six images.
# `ninja kalvorin_generate_resources` runs it and rewrites the PNG files in resources/.
#
# Needs JUCE (find_package) and cmake/Dependencies.cmake to have been included first.

get_filename_component(KALVORIN_REPO_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(KALVORIN_RESOURCES_DIR "${KALVORIN_REPO_DIR}/resources")

# The one font the product embeds; its checksum pins the exact file, so every build embeds the
# same bytes (scripts/fetch-font.sh checks the same value).
set(KALVORIN_FONT_FILE "${KALVORIN_REPO_DIR}/.deps/fonts/Oswald-Regular.ttf")
set(KALVORIN_FONT_SHA256 "147373bfe10a9b1e0eb649bcf6408566d0cb7334271845f24d4c224cca1c4412")

if(NOT EXISTS "${KALVORIN_FONT_FILE}")
    message(FATAL_ERROR
        "The embedded font ${KALVORIN_FONT_FILE} is missing.\n"
        "Run scripts/setup.sh (or scripts/fetch-font.sh) to fetch it, then configure again.")
endif()

file(SHA256 "${KALVORIN_FONT_FILE}" kalvorin_font_sha256)
if(NOT kalvorin_font_sha256 STREQUAL KALVORIN_FONT_SHA256)
    message(FATAL_ERROR
        "${KALVORIN_FONT_FILE} is not the expected Oswald Regular font "
        "(SHA-256 ${kalvorin_font_sha256}, expected ${KALVORIN_FONT_SHA256}).\n"
        "Delete it and run scripts/setup.sh (or scripts/fetch-font.sh) to fetch it again.")
endif()

# Configure again (and so check again) whenever the font file changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${KALVORIN_FONT_FILE}")

set(KALVORIN_RESOURCE_FILES
    "${KALVORIN_RESOURCES_DIR}/Logo.png"
    "${KALVORIN_RESOURCES_DIR}/Logo_Big.png"
    "${KALVORIN_RESOURCES_DIR}/Settings.png"
    "${KALVORIN_RESOURCES_DIR}/Close.png"
    "${KALVORIN_FONT_FILE}"
    "${KALVORIN_RESOURCES_DIR}/History.png"
    "${KALVORIN_RESOURCES_DIR}/Loop.png")

foreach(resource IN LISTS KALVORIN_RESOURCE_FILES)
    if(NOT EXISTS "${resource}")
        message(FATAL_ERROR "The embedded resource ${resource} is missing.")
    endif()
endforeach()

# JUCE's binary-data generator writes the bytes, the per-file sizes and the name lists; the
# EmbeddedResources wrapper gives them the index's lookups.
juce_add_binary_data(kalvorin_resources
    NAMESPACE EmbeddedResourcesData
    HEADER_NAME EmbeddedResourcesData.h
    SOURCES ${KALVORIN_RESOURCE_FILES})

# JUCE's rule only watches its own list of input names; regenerate when a file's bytes change.
add_custom_command(
    OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/juce_binarydata_kalvorin_resources/JuceLibraryCode/BinaryData1.cpp"
    APPEND
    DEPENDS ${KALVORIN_RESOURCE_FILES})

target_sources(kalvorin_resources PRIVATE
    "${KALVORIN_RESOURCES_DIR}/EmbeddedResources.cpp"
    "${KALVORIN_RESOURCES_DIR}/EmbeddedResources.h")
target_include_directories(kalvorin_resources
    PUBLIC "${KALVORIN_REPO_DIR}"
    PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/juce_binarydata_kalvorin_resources/JuceLibraryCode")
# The library ends up inside the plug-in's shared module.
set_target_properties(kalvorin_resources PROPERTIES POSITION_INDEPENDENT_CODE ON)

# The drawing program of the six images. Built and run only on request.
add_executable(kalvorin_resource_generator EXCLUDE_FROM_ALL
    "${KALVORIN_RESOURCES_DIR}/generator/ResourceGenerator.cpp")
target_compile_definitions(kalvorin_resource_generator PRIVATE JUCE_STANDALONE_APPLICATION=1)
kalvorin_add_juce_config(kalvorin_resource_generator)
target_include_directories(kalvorin_resource_generator PRIVATE "${KALVORIN_REPO_DIR}")
target_link_libraries(kalvorin_resource_generator PRIVATE
    juce::juce_graphics
    kalvorin_system_codecs
    juce::juce_recommended_config_flags)

add_custom_target(kalvorin_generate_resources
    COMMAND kalvorin_resource_generator "${KALVORIN_RESOURCES_DIR}"
    COMMENT "Drawing the embedded images into ${KALVORIN_RESOURCES_DIR}"
    VERBATIM)

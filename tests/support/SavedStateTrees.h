#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <vector>

/** The plug-in's saved state built the way the plug-in writes it, for the processor tests and
    for the host tests (which hand it to the bundle inside a host chunk). */
namespace SavedStateTrees
{
/** A "KalvorinState" tree with the given References in order and, each left out when void,
    "monitorRef", "activeRefIndex" and "editorStateJson" (any type, for damaged states). */
juce::ValueTree stateTree (const std::vector<juce::String>& paths, const juce::var& activeRefIndex,
                           const juce::var& monitorRef = 0.0, const juce::var& editorState = {});

/** The tree in the framework's stream format, as the plug-in's blob. */
juce::MemoryBlock blobOf (const juce::ValueTree& tree);
} // namespace SavedStateTrees

#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

/** The plug-in's saved state as a host hands it over: the plug-in's own tree, its bytes, and
    the chunk JUCE's VST3 host wraps them in. Shared by the host tests that load References
    into a hosted instance. */
namespace HostStateChunks
{
/** The tree's bytes, as the plug-in writes its state. */
juce::MemoryBlock blobOf (const juce::ValueTree& tree);

/** The plug-in's state tree with the given References, active index, monitor and editor text. */
juce::ValueTree kalvorinState (const std::vector<juce::String>& paths, int active, double monitor,
                               const juce::String& editorState);

/** A host chunk as JUCE's VST3 host writes one, carrying `component` as the plug-in
    component's state. */
juce::MemoryBlock hostChunkCarrying (const juce::MemoryBlock& component);

/** Restores the chunk into the instance and lets the message thread settle. Message thread. */
void restore (juce::AudioPluginInstance& instance, const juce::MemoryBlock& chunk);
}

#pragma once

#include "support/TemporaryFolder.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

/** The plug-in's saved state as a host handles it: the component state the VST3 layer wraps
    around the plug-in's own "KalvorinState" tree (support/SavedStateTrees.h builds one), and the
    chunk JUCE's VST3 host stores. */
namespace HostStateChunks
{
/** The VST3 layer's legacy chunk: a 16-byte "VstW" header, then a 160-byte "CcnK" bank
    header whose last four bytes before the data give the data's size. */
constexpr size_t kVstWHeaderBytes = 16;
constexpr size_t kBankHeaderBytes = 160;
constexpr size_t kBankSizeOffset = 156;

/** A host chunk as JUCE's VST3 host writes one, carrying `component` as the plug-in
    component's state. */
juce::MemoryBlock hostChunkCarrying (const juce::MemoryBlock& component);

/** The plug-in component's state inside a host chunk; empty when there is none. */
juce::MemoryBlock componentStateIn (const juce::MemoryBlock& chunk);

/** The plug-in's own tree inside the component state the VST3 layer writes; invalid when the
    headers are missing or damaged. */
juce::ValueTree pluginTreeIn (const juce::MemoryBlock& component);

/** The host's chunk of the instance, as a DAW saves it into a project. */
juce::MemoryBlock chunkOf (juce::AudioPluginInstance& instance);

/** Restores the chunk into the instance and lets the message thread settle. Message thread. */
void restore (juce::AudioPluginInstance& instance, const juce::MemoryBlock& chunk);

/** The Reference paths of a plug-in tree, in order. */
std::vector<juce::String> pathsIn (const juce::ValueTree& state);

/** A folder of short audio files written for a test, deleted with it. */
struct AudioFolder : TemporaryFolder
{
    /** A quarter second of stereo sine at 48 kHz in a 24-bit WAV file; returns its full path,
        empty when the file could not be written. */
    juce::String sine (const juce::String& name, double frequency = 440.0);
};
} // namespace HostStateChunks

#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/** Loads the built VST3 bundle through JUCE's own VST3 hosting, as a DAW would. */
struct HostedPlugin
{
    /** The bundle's description as the host's scan sees it; false when nothing was found. */
    static bool describe (const juce::String& bundlePath, juce::PluginDescription& result, juce::String& error);

    /** A new instance created on the message thread; null with `error` set when it fails. */
    static std::unique_ptr<juce::AudioPluginInstance> create (const juce::String& bundlePath,
                                                               double sampleRate,
                                                               int blockSize,
                                                               juce::String& error);

    /** The instance's parameter whose name is `name`, or null. */
    static juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& instance, const juce::String& name);
};

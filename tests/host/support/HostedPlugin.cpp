#include "host/support/HostedPlugin.h"

bool HostedPlugin::describe (const juce::String& bundlePath, juce::PluginDescription& result, juce::String& error)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, bundlePath);

    if (found.isEmpty())
    {
        error = "no plug-in found in " + bundlePath;
        return false;
    }

    result = *found.getFirst();
    return true;
}

std::unique_ptr<juce::AudioPluginInstance> HostedPlugin::create (const juce::String& bundlePath,
                                                                  double sampleRate,
                                                                  int blockSize,
                                                                  juce::String& error)
{
    juce::PluginDescription description;

    if (! describe (bundlePath, description, error))
        return nullptr;

    juce::VST3PluginFormat format;
    return format.createInstanceFromDescription (description, sampleRate, blockSize, error);
}

juce::AudioProcessorParameter* HostedPlugin::findParameter (juce::AudioPluginInstance& instance, const juce::String& name)
{
    for (auto* parameter : instance.getParameters())
        if (parameter->getName (64) == name)
            return parameter;

    return nullptr;
}

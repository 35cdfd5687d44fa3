#include "host/support/HostStateChunks.h"

namespace HostStateChunks
{
juce::MemoryBlock blobOf (const juce::ValueTree& tree)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    tree.writeToStream (out);
    return block;
}

juce::ValueTree kalvorinState (const std::vector<juce::String>& paths, int active, double monitor,
                               const juce::String& editorState)
{
    juce::ValueTree state ("KalvorinState");
    state.setProperty ("monitorRef", monitor, nullptr);
    state.setProperty ("activeRefIndex", active, nullptr);
    state.setProperty ("editorStateJson", editorState, nullptr);
    juce::ValueTree refs ("refs");

    for (const auto& path : paths)
        refs.appendChild (juce::ValueTree ("ref").setProperty ("path", path, nullptr), nullptr);

    state.appendChild (refs, nullptr);
    return state;
}

juce::MemoryBlock hostChunkCarrying (const juce::MemoryBlock& component)
{
    juce::XmlElement xml ("VST3PluginState");
    xml.createNewChildElement ("IComponent")->addTextElement (component.toBase64Encoding());
    juce::MemoryBlock chunk;
    juce::AudioProcessor::copyXmlToBinary (xml, chunk);
    return chunk;
}

void restore (juce::AudioPluginInstance& instance, const juce::MemoryBlock& chunk)
{
    instance.setStateInformation (chunk.getData(), (int) chunk.getSize());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}
}

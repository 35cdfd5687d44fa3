#include "host/support/HostStateChunks.h"

#include "support/AudioFileFixtures.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cstring>

namespace HostStateChunks
{
namespace
{
constexpr double kSineRate = 48000.0;
constexpr double kSineSeconds = 0.25;
constexpr float kSineLevel = 0.5f;
} // namespace

juce::MemoryBlock hostChunkCarrying (const juce::MemoryBlock& component)
{
    juce::XmlElement xml ("VST3PluginState");
    xml.createNewChildElement ("IComponent")->addTextElement (component.toBase64Encoding());
    juce::MemoryBlock chunk;
    juce::AudioProcessor::copyXmlToBinary (xml, chunk);
    return chunk;
}

juce::MemoryBlock componentStateIn (const juce::MemoryBlock& chunk)
{
    juce::MemoryBlock component;
    const auto xml = juce::AudioProcessor::getXmlFromBinary (chunk.getData(), (int) chunk.getSize());

    if (xml != nullptr)
        if (auto* element = xml->getChildByName ("IComponent"))
            component.fromBase64Encoding (element->getAllSubText());

    return component;
}

juce::ValueTree pluginTreeIn (const juce::MemoryBlock& component)
{
    const auto* bytes = static_cast<const char*> (component.getData());

    if (component.getSize() < kVstWHeaderBytes + kBankHeaderBytes
        || std::memcmp (bytes, "VstW", 4) != 0
        || std::memcmp (bytes + kVstWHeaderBytes, "CcnK", 4) != 0)
        return {};

    const auto size = juce::ByteOrder::bigEndianInt (bytes + kVstWHeaderBytes + kBankSizeOffset);
    const auto offset = kVstWHeaderBytes + kBankHeaderBytes;

    if (offset + size > component.getSize())
        return {};

    return juce::ValueTree::readFromData (bytes + offset, size);
}

juce::MemoryBlock chunkOf (juce::AudioPluginInstance& instance)
{
    juce::MemoryBlock chunk;
    instance.getStateInformation (chunk);
    return chunk;
}

std::vector<juce::String> pathsIn (const juce::ValueTree& state)
{
    std::vector<juce::String> paths;

    for (const auto& ref : state.getChildWithName ("refs"))
        paths.push_back (ref["path"].toString());

    return paths;
}

juce::String AudioFolder::sine (const juce::String& name, double frequency)
{
    const auto path = file (name);
    return AudioFileFixtures::writeSine (path, kSineRate, 2, kSineSeconds, frequency, kSineLevel) ? path.getFullPathName() : juce::String();
}

void restore (juce::AudioPluginInstance& instance, const juce::MemoryBlock& chunk)
{
    instance.setStateInformation (chunk.getData(), (int) chunk.getSize());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}

} // namespace HostStateChunks

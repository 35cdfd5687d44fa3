#include "host/support/HostStateChunks.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cstring>

namespace HostStateChunks
{
namespace
{
constexpr double kSineRate = 48000.0;
constexpr double kSineSeconds = 0.25;
constexpr float kSineLevel = 0.5f;
constexpr int kSineBits = 24;
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

AudioFolder::AudioFolder()
    : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getNonexistentChildFile ("kalvorin-host-state", "", false))
{
    folder.createDirectory();
}

AudioFolder::~AudioFolder()
{
    folder.deleteRecursively();
}

juce::String AudioFolder::sine (const juce::String& name, double frequency)
{
    const auto file = folder.getChildFile (name);
    const auto length = (int) (kSineSeconds * kSineRate);
    juce::AudioBuffer<float> buffer (2, length);

    for (int i = 0; i < length; ++i)
        for (int ch = 0; ch < 2; ++ch)
            buffer.setSample (ch, i, kSineLevel * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / kSineRate));

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::OutputStream> stream (file.createOutputStream());

    if (stream == nullptr)
        return {};

    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), kSineRate, 2, kSineBits, {}, 0));

    if (writer == nullptr)
        return {};

    stream.release();
    return writer->writeFromAudioSampleBuffer (buffer, 0, length) ? file.getFullPathName() : juce::String();
}
} // namespace HostStateChunks

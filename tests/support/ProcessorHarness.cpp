#include "support/ProcessorHarness.h"

ProcessorHarness::ProcessorHarness (const juce::File& settingsFolder)
{
    SettingsStore store ("Audio-Kalvorin", "settings.txt", settingsFolder.getChildFile ("settings.txt"));
    processor = std::make_unique<KalvorinAudioProcessor> (std::move (store));
    processor->setPlayHead (&playHead);
}

void ProcessorHarness::prepare (double sampleRate, int blockSize, int inputChannels, int outputChannels)
{
    const auto setFor = [] (int n) { return n == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo(); };

    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (setFor (inputChannels));
    layout.outputBuses.add (setFor (outputChannels));
    processor->setBusesLayout (layout);
    channels = juce::jmax (inputChannels, outputChannels);

    processor->setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor->prepareToPlay (sampleRate, blockSize);
}

void ProcessorHarness::process (juce::AudioBuffer<float>& buffer)
{
    juce::MidiBuffer midi;
    const juce::ScopedLock lock (processor->getCallbackLock());

    if (processor->isSuspended())
        buffer.clear();
    else
        processor->processBlock (buffer, midi);
}

juce::AudioBuffer<float> ProcessorHarness::processConstant (int numSamples, float value)
{
    juce::AudioBuffer<float> buffer (channels, numSamples);

    for (int ch = 0; ch < channels; ++ch)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), value, numSamples);

    process (buffer);
    return buffer;
}

void ProcessorHarness::setMonitor (int choice)
{
    auto* parameter = processor->parameters.getParameter ("monitorRef");
    parameter->setValueNotifyingHost (choice == 0 ? 0.0f : 1.0f);
}

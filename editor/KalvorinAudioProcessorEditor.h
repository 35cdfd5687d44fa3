#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class KalvorinAudioProcessor;

/** The plug-in window. */
class KalvorinAudioProcessorEditor final : public juce::AudioProcessorEditor
{
public:
    explicit KalvorinAudioProcessorEditor (KalvorinAudioProcessor&);
    ~KalvorinAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;

private:
    KalvorinAudioProcessor& processor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KalvorinAudioProcessorEditor)
};

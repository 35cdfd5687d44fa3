#include "editor/KalvorinAudioProcessorEditor.h"

#include "engine/KalvorinAudioProcessor.h"

namespace
{
constexpr int kDefaultWidth = 1200;
constexpr int kDefaultHeight = 720;
}

KalvorinAudioProcessorEditor::KalvorinAudioProcessorEditor (KalvorinAudioProcessor& p)
    : juce::AudioProcessorEditor (p), processor (p)
{
    setSize (kDefaultWidth, kDefaultHeight);
}

KalvorinAudioProcessorEditor::~KalvorinAudioProcessorEditor() = default;

void KalvorinAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff07100d));
}

void KalvorinAudioProcessorEditor::resized()
{
}

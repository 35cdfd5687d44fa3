#include "tab/SignalViewTab.h"

SignalViewTab::AnalysisSourceSwitch::AnalysisSourceSwitch() = default;

SignalViewTab::AnalysisSourceSwitch::~AnalysisSourceSwitch() = default;

juce::String SignalViewTab::AnalysisSourceSwitch::getTooltip()
{
    return {};
}

SignalViewTab::SignalViewTab (const juce::String& title, juce::AudioFormatManager& formatManager,
                              juce::AudioThumbnailCache& thumbnailCache, const juce::File& file)
    : signalDisplay (formatManager, thumbnailCache),
      zoomButton ("Expand waveform"),
      hideLoopsButton ("Hide loops"),
      clearLoopsButton ("Clear all loops"),
      spectrumButton ("SPECTRUM"),
      matchButton ("MATCH"),
      stereoButton ("STEREO"),
      historyButton ("HISTORY"),
      analysisButton ("ANALYSIS"),
      sourceLegendButton ("Source", juce::Colour (0xfff2eee5)),
      referenceLegendButton ("Reference", juce::Colour (0xff20d39a))
{
    setOpaque (true);
    setName (title);
    addAndMakeVisible (signalDisplay);
    signalDisplay.setFile (file);
}

SignalViewTab::~SignalViewTab() = default;

void SignalViewTab::setViewMode (int mode)
{
    displayHost.setViewMode (mode);
}

void SignalViewTab::syncToolbar() {}

void SignalViewTab::clearDisplays() {}

void SignalViewTab::restoreViewState (const juce::var&) {}

void SignalViewTab::paint (juce::Graphics&) {}

void SignalViewTab::resized() {}

void SignalViewTab::addViewButton (ModernViewButton&) {}

void SignalViewTab::drawLegendItem (juce::Graphics&, juce::Rectangle<int>, juce::Colour, const juce::String&) {}

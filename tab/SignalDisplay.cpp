#include "tab/SignalDisplay.h"

namespace
{
constexpr int kSourceSamplesPerThumbnailSample = 512;
constexpr int kInitialWidth = 400;
constexpr int kInitialHeight = 100;
}

SignalDisplay::SignalDisplay (juce::AudioFormatManager& fm, juce::AudioThumbnailCache& thumbnailCache)
    : thumbnail (kSourceSamplesPerThumbnailSample, fm, thumbnailCache),
      formatManager (fm)
{
    thumbnail.addChangeListener (this);
    setSize (kInitialWidth, kInitialHeight);
}

SignalDisplay::~SignalDisplay()
{
    stopTimer();
    thumbnail.removeChangeListener (this);
}

void SignalDisplay::setFile (const juce::File& newFile)
{
    file = newFile;
}

double SignalDisplay::getLengthSeconds() const
{
    return 0.0;
}

float SignalDisplay::timeToX (double) const
{
    return 0.0f;
}

double SignalDisplay::xToTime (float) const
{
    return 0.0;
}

int SignalDisplay::normaliseActiveLoop()
{
    return -1;
}

void SignalDisplay::jumpToActiveLoop (bool) {}

void SignalDisplay::clearLoops() {}

void SignalDisplay::setLoopsVisible (bool shouldBeVisible)
{
    loopsVisible = shouldBeVisible;
}

void SignalDisplay::resetGestureState() {}

void SignalDisplay::startPlayheadTimer()
{
    startTimer (kTimerIntervalMs);
}

void SignalDisplay::stopPlayheadTimer()
{
    stopTimer();
}

bool SignalDisplay::isPlayheadTimerRunning() const noexcept
{
    return isTimerRunning();
}

void SignalDisplay::mouseMove (const juce::MouseEvent&) {}
void SignalDisplay::mouseDown (const juce::MouseEvent&) {}
void SignalDisplay::mouseDrag (const juce::MouseEvent&) {}
void SignalDisplay::mouseUp (const juce::MouseEvent&) {}
void SignalDisplay::mouseDoubleClick (const juce::MouseEvent&) {}
void SignalDisplay::paint (juce::Graphics&) {}
void SignalDisplay::resized() {}

juce::String SignalDisplay::getTooltip()
{
    return {};
}

void SignalDisplay::changeListenerCallback (juce::ChangeBroadcaster*) {}

void SignalDisplay::timerCallback() {}

double SignalDisplay::getMinimumLoopLength() const
{
    return 0.0;
}

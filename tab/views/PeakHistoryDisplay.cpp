#include "tab/views/PeakHistoryDisplay.h"

PeakHistoryDisplay::PeakHistoryDisplay() = default;

PeakHistoryDisplay::~PeakHistoryDisplay() = default;

bool PeakHistoryDisplay::isFrozen()
{
    return juce::ModifierKeys::currentModifiers.isShiftDown();
}

void PeakHistoryDisplay::setSeries (const std::vector<float>&, const std::vector<float>&) {}

void PeakHistoryDisplay::clearSeries() {}

void PeakHistoryDisplay::toggleReferenceVisible() {}

void PeakHistoryDisplay::toggleSourceVisible() {}

void PeakHistoryDisplay::mouseDown (const juce::MouseEvent&) {}
void PeakHistoryDisplay::mouseDrag (const juce::MouseEvent&) {}
void PeakHistoryDisplay::mouseUp (const juce::MouseEvent&) {}

void PeakHistoryDisplay::drawContent (juce::Graphics&, juce::Rectangle<float>) {}
void PeakHistoryDisplay::drawGrid (juce::Graphics&, juce::Rectangle<float>) {}
void PeakHistoryDisplay::drawAxisLabels (juce::Graphics&, juce::Rectangle<float>, juce::Rectangle<float>) {}

#include "tab/views/AnalysisDisplay.h"

int AnalysisDisplay::Content::TextBlock::getLayout (const juce::String&, int, int y, int, juce::Colour,
                                                    float, bool, const juce::String&)
{
    return y;
}

AnalysisDisplay::Content::Content() = default;

AnalysisDisplay::Content::~Content() = default;

int AnalysisDisplay::Content::layoutForWidth (int)
{
    return 0;
}

void AnalysisDisplay::Content::paint (juce::Graphics&) {}

AnalysisDisplay::AnalysisDisplay()
{
    viewport.setViewedComponent (&content, false);
    viewport.setScrollBarsShown (true, false);
    viewport.setScrollBarThickness (kScrollBarThickness);
    addAndMakeVisible (viewport);
}

AnalysisDisplay::~AnalysisDisplay() = default;

void AnalysisDisplay::setReport (const AdviceReport& report)
{
    content.shownReport = report;
}

bool AnalysisDisplay::setUsesLoop (bool shouldUseLoop)
{
    const bool changed = usesLoop != shouldUseLoop;
    usesLoop = shouldUseLoop;
    return changed;
}

void AnalysisDisplay::visibilityChanged() {}

void AnalysisDisplay::resized() {}

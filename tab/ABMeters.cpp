#include "tab/ABMeters.h"

ABMeters::ABMeters()
{
    setOpaque (true);
    outputSwitch.setToggleState (true, juce::dontSendNotification);
    addAndMakeVisible (outputSwitch);
    addAndMakeVisible (levelMatchSwitch);
}

ABMeters::~ABMeters() = default;

void ABMeters::setMeterUnits (int, int)
{
}

void ABMeters::setOutputSelection (OutputSelection selection)
{
    outputSelection = selection;
}

void ABMeters::setLevelMatchMode (int mode)
{
    levelMatchMode = mode;
}

void ABMeters::setValues (const Values& newValues)
{
    values = newValues;
}

void ABMeters::paint (juce::Graphics&) {}

void ABMeters::paintOverChildren (juce::Graphics&) {}

void ABMeters::resized() {}

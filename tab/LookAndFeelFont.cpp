#include "tab/LookAndFeelFont.h"

juce::Font lookAndFeelFont (const juce::Component& component, float height, int styleFlags)
{
    const juce::Font request (height, styleFlags);

    if (auto typeface = component.getLookAndFeel().getTypefaceForFont (request))
        return juce::Font (typeface).withHeight (height);

    return request;
}

#include "support/MouseEvents.h"

namespace MouseEvents
{
namespace
{
juce::MouseEvent make (juce::Component& component, juce::Point<float> position, juce::Point<float> downPosition,
                       bool wasDragged)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), position,
             juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY, &component, &component, now, downPosition, now, 1, wasDragged };
}
} // namespace

juce::MouseEvent at (juce::Component& component, juce::Point<float> position, bool wasDragged)
{
    return make (component, position, position, wasDragged);
}

void click (juce::Component& component, juce::Point<float> position)
{
    component.mouseDown (at (component, position));
    component.mouseUp (at (component, position));
}

void drag (juce::Component& component, juce::Point<float> from, juce::Point<float> to)
{
    component.mouseDown (at (component, from));
    component.mouseUp (make (component, to, from, true));
}
} // namespace MouseEvents

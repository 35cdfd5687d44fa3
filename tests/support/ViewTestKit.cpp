#include "support/ViewTestKit.h"

namespace ViewTestKit
{
juce::Image render (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, std::max (component.getWidth(), 1), std::max (component.getHeight(), 1), true);
    juce::Graphics g (image);
    component.paintEntireComponent (g, true);
    return image;
}

namespace
{
/** Stands in for a component's cached image to catch every repaint asked of it or its children. */
struct RepaintRecorder final : juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { return invalidate (everything); }
    bool invalidate (const juce::Rectangle<int>& area) override
    {
        areas.add (area.getIntersection (everything));
        return false;
    }
    void releaseResources() override {}

    juce::Rectangle<int> everything;
    juce::RectangleList<int> areas;
};
} // namespace

juce::RectangleList<int> recordRepaints (juce::Component& component, const std::function<void()>& change)
{
    auto* recorder = new RepaintRecorder();
    recorder->everything = component.getLocalBounds();
    component.setCachedComponentImage (recorder);
    // Taking the recorder's place repaints everything; that is not the change's doing.
    recorder->areas.clear();
    change();
    auto areas = recorder->areas;
    component.setCachedComponentImage (nullptr);
    return areas;
}

juce::Image renderInto (const juce::Image& before, juce::Component& component, const juce::RectangleList<int>& areas)
{
    auto image = before.createCopy();

    // As a window does, the areas start empty and whatever lies behind the component shows.
    for (const auto& area : areas)
        image.clear (area);

    juce::Graphics g (image);

    if (g.reduceClipRegion (areas))
        component.paintEntireComponent (g, true);

    return image;
}

int countDifferentPixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return std::max (a.getWidth() * a.getHeight(), b.getWidth() * b.getHeight());

    int count = 0;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            count += a.getPixelAt (x, y) != b.getPixelAt (x, y) ? 1 : 0;

    return count;
}

juce::File screenshotFile (const juce::String& name)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                            .getParentDirectory().getChildFile ("screenshots");
    folder.createDirectory();
    return folder.getChildFile (name);
}

juce::File saveScreenshot (juce::Component& component, const juce::String& name)
{
    const auto file = screenshotFile (name);
    file.deleteFile();

    juce::FileOutputStream stream (file);
    juce::PNGImageFormat().writeImageToStream (render (component), stream);
    return file;
}

juce::MouseEvent mouseEvent (juce::Component& component, juce::Point<float> position, juce::ModifierKeys buttons,
                             int clicks, bool dragged)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), position, buttons,
             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY, &component, &component, now, position, now, clicks, dragged };
}

void click (juce::Component& component, juce::Point<float> position, juce::ModifierKeys buttons)
{
    component.mouseDown (mouseEvent (component, position, buttons));
    component.mouseUp (mouseEvent (component, position, buttons));
}

void drag (juce::Component& component, juce::Point<float> from, juce::Point<float> to, juce::ModifierKeys buttons)
{
    component.mouseDown (mouseEvent (component, from, buttons));
    component.mouseDrag (mouseEvent (component, (from + to) * 0.5f, buttons, 1, true));
    component.mouseDrag (mouseEvent (component, to, buttons, 1, true));
    component.mouseUp (mouseEvent (component, to, buttons, 1, true));
}

void doubleClick (juce::Component& component, juce::Point<float> position)
{
    click (component, position);
    component.mouseDown (mouseEvent (component, position, juce::ModifierKeys::leftButtonModifier, 2));
    component.mouseUp (mouseEvent (component, position, juce::ModifierKeys::leftButtonModifier, 2));
    component.mouseDoubleClick (mouseEvent (component, position, juce::ModifierKeys::leftButtonModifier, 2));
}

void hover (juce::Component& component, juce::Point<float> position)
{
    component.mouseMove (mouseEvent (component, position, {}));
}

PeerMouse::PeerMouse (juce::Component& desktopComponent)
    : component (desktopComponent), time (juce::Time::currentTimeMillis())
{
}

void PeerMouse::send (juce::Point<float> position, juce::ModifierKeys buttons, int afterMs)
{
    time += afterMs;

    if (auto* peer = component.getPeer())
        peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, position, buttons,
                                juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, time);
}

// Gestures start a second after the last one, so that no two presses make a double click; a
// click is released quickly, as the framework counts a press held for 300 ms as a drag.
void PeerMouse::click (juce::Point<float> position, juce::ModifierKeys buttons)
{
    send (position, {}, 1000);
    send (position, buttons, 10);
    send (position, {}, 50);
}

void PeerMouse::drag (juce::Point<float> from, juce::Point<float> to, juce::ModifierKeys buttons)
{
    send (from, {}, 1000);
    send (from, buttons, 10);
    send ((from + to) * 0.5f, buttons, 20);
    send (to, buttons, 20);
    send (to, {}, 20);
}
}

#pragma once

#include "resources/EmbeddedResources.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Helpers for the tests that render components: the plug-in's own font and screenshots in the
    build folder, for a person to look at. */
namespace GuiSupport
{
/** Makes the embedded Oswald font the default look-and-feel's sans-serif typeface for the
    lifetime of the object, as the editor does for its window. */
struct ScopedPluginFont
{
    ScopedPluginFont()
    {
        auto& lookAndFeel = juce::LookAndFeel::getDefaultLookAndFeel();
        lookAndFeel.setDefaultSansSerifTypeface (juce::Typeface::createSystemTypefaceFor (
            EmbeddedResources::OswaldRegular_ttf, (size_t) EmbeddedResources::OswaldRegular_ttfSize));
    }

    ~ScopedPluginFont()
    {
        juce::LookAndFeel::getDefaultLookAndFeel().setDefaultSansSerifTypeface (nullptr);
    }
};

/** Renders a component at its size over a background colour into "screenshots/<name>.png"
    beside the test executable, and returns the image. */
inline juce::Image writeScreenshot (juce::Component& component, const juce::String& name, juce::Colour background)
{
    juce::Image image (juce::Image::ARGB, juce::jmax (1, component.getWidth()), juce::jmax (1, component.getHeight()), true);

    {
        juce::Graphics g (image);
        g.fillAll (background);
        component.paintEntireComponent (g, true);
    }

    const auto folder = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                            .getParentDirectory()
                            .getChildFile ("screenshots");
    folder.createDirectory();
    const auto file = folder.getChildFile (name + ".png");
    file.deleteFile();

    if (juce::FileOutputStream stream (file); stream.openedOk())
        juce::PNGImageFormat().writeImageToStream (image, stream);

    return image;
}
}

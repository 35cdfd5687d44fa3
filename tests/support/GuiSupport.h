#pragma once

#include "resources/EmbeddedResources.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Helpers for the programs that render components: the plug-in's own font and screenshots in
    the build folder, for a person to look at. */
namespace GuiSupport
{
/** Makes a look-and-feel with the embedded Oswald font as its sans-serif typeface the default
    one for the lifetime of the object, as the editor does for its window, and then gives the
    default back to the look-and-feel it found. For a program without a font of its own (a
    benchmark); the display tests have Oswald for the whole run already.

    The framework keeps laid-out text under the font's name, not its typeface, so a program
    should draw with one default typeface only: make this before the first drawing. */
struct ScopedPluginFont
{
    ScopedPluginFont() : previous (&juce::LookAndFeel::getDefaultLookAndFeel())
    {
        lookAndFeel.setDefaultSansSerifTypeface (juce::Typeface::createSystemTypefaceFor (
            EmbeddedResources::OswaldRegular_ttf, (size_t) EmbeddedResources::OswaldRegular_ttfSize));
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    }

    ~ScopedPluginFont()
    {
        juce::LookAndFeel::setDefaultLookAndFeel (previous.get());
    }

    juce::LookAndFeel_V4 lookAndFeel;
    juce::WeakReference<juce::LookAndFeel> previous;
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

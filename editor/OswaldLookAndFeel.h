#pragma once

#include "editor/KalvorinLookAndFeel.h"

/**
    The editor's own look-and-feel: it holds the embedded Oswald typeface and hands it out for
    every font, whatever its name, size or style.

    The framework resolves every juce::Font through the process's default look-and-feel, not
    through the component's, so the editor also makes this look-and-feel the default while it
    exists (installAsDefault / removeAsDefault). The plug-in's JUCE is private to its module,
    so no other plug-in sees the change; several editors of the same module hand the default on
    among themselves. Message thread only.
*/
class OswaldLookAndFeel final : public KalvorinLookAndFeel
{
public:
    OswaldLookAndFeel();
    ~OswaldLookAndFeel() override;

    /** The embedded typeface, or null while none was loaded. */
    juce::Typeface::Ptr typeface;

    /** Creates the typeface from font data, stores it and makes it the default sans-serif
        typeface; returns false (keeping the framework's typeface) when the data gives none. */
    bool loadTypeface (const void* fontData, size_t numBytes);

    /** The stored typeface for every font; without one, the framework's answer. */
    juce::Typeface::Ptr getTypefaceForFont (const juce::Font&) override;

    /** Makes this look-and-feel the process's default until removeAsDefault. */
    void installAsDefault();

    /** Hands the default on to the most recently installed look-and-feel still installed, or
        back to the default that was in force before the first one was installed. */
    void removeAsDefault();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OswaldLookAndFeel)
};

#pragma once

#include <juce_graphics/juce_graphics.h>

/**
    The one set of named colours that every part of the user interface draws with: the editor
    window, the tab bar, the Reference tab pages with their views and meters, the look-and-feels
    and the settings dialog.

    All colours are opaque and constant. They are set up by static initialisation when the module
    is loaded, before any plug-in instance exists, so every instance and every window sees the
    same values. Several names share a value; they stay separate because their roles differ, and
    a later change of one role's colour must not drag the others with it.

    Read them from the message thread (drawing and component set-up); no lock is needed. Do not
    read them from another static initialiser, whose order against these is not defined.
*/
struct ThemePalette final
{
    ThemePalette() = delete;

    /** Darkest ground: the editor window's fill, dark text on the accent, dark backdrops. */
    static inline const juce::Colour background { 0xff07100d };

    /** Tab-page and bar ground: tab pages, tabs, the header band, legend and meter grounds. */
    static inline const juce::Colour surface { 0xff0b1713 };

    /** Panels and fields: the meter panel, the view host, plot grounds, tooltips, inactive tab pills. */
    static inline const juce::Colour panel { 0xff0e1c18 };

    /** Raised or selected fields: the front tab pill, view buttons when on, switch highlights. */
    static inline const juce::Colour panelHighlight { 0xff13251f };

    /** Quiet outlines and separators. */
    static inline const juce::Colour border { 0xff244139 };

    /** Emphasised outlines: tooltips, the front tab, readout boxes, the window's outline. */
    static inline const juce::Colour borderStrong { 0xff31594d };

    /** The accent, and the Reference signal's colour wherever both signals are shown. */
    static inline const juce::Colour accent { 0xff20d39a };

    /** Darker accent: headings and the tinted ground of the analysis view. */
    static inline const juce::Colour accentDim { 0xff168d6a };

    /** The Source signal's colour wherever both signals are shown; the switch thumb when on. */
    static inline const juce::Colour sourceSignal { 0xfff2eee5 };

    /** Primary text: titles, readouts, tooltip text, the front tab's text. */
    static inline const juce::Colour text { 0xfff2f4f1 };

    /** Secondary text: captions, inactive tab texts, group titles, toolbar glyphs. */
    static inline const juce::Colour textDim { 0xff94a69f };

    /** Warnings: peaks above full scale, flagged values in the difference view. */
    static inline const juce::Colour warning { 0xffe3b341 };

    /** Text over a fill whose perceived brightness is at most kLightFillThreshold. */
    static inline const juce::Colour textOnDark { 0xfff2f4f1 };

    /** Text over a fill whose perceived brightness is above kLightFillThreshold. */
    static inline const juce::Colour textOnLight { 0xff07100d };

    /** Loop regions of the waveform and the "LOOP" side of the analysis-source switch. */
    static inline const juce::Colour loopRegion { 0xff20d39a };

    /** The highlighted focus band of the band views. */
    static inline const juce::Colour focusBand { 0xff20d39a };

    /** Marks of the recorded playback history and the "HISTORY" side of the analysis-source switch. */
    static inline const juce::Colour historyMark { 0xffd7b56d };

    /** Perceived brightness above which a fill counts as light and takes textOnLight. */
    static constexpr float kLightFillThreshold = 0.62f;

    /** Perceived brightness of a colour, 0 to 1: the square root of
        0.241 r² + 0.691 g² + 0.068 b² with the components scaled to 0..1. Any thread.
    */
    static float perceivedBrightness (juce::Colour fill) noexcept
    {
        // JUCE's own measure uses exactly these weights.
        return fill.getPerceivedBrightness();
    }

    /** The text colour that reads on the given fill: textOnLight over a light fill,
        textOnDark otherwise. Message thread (reads the palette).
    */
    static juce::Colour textColourOn (juce::Colour fill) noexcept
    {
        return perceivedBrightness (fill) > kLightFillThreshold ? textOnLight : textOnDark;
    }
};

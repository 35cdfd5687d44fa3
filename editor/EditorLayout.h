#pragma once

#include <juce_graphics/juce_graphics.h>

/**
    The editor window's layout numbers as plain functions of its size, so that they can be
    checked without a display: the header band, the tab bar and tab pages, the empty state with
    its big logo and three lines, the tooltip box and the squeeze of the tab buttons when the
    tab bar's overflow button shows. Any thread.
*/
namespace EditorLayout
{
/** Height of the header band at the top of the window (logo, tab bar, settings button). */
constexpr int kHeaderHeight = 68;
/** Depth of the tab bar. */
constexpr int kTabBarDepth = 48;
/** Where the tab bar starts, right of the small logo. */
constexpr int kTabBarX = 80;
constexpr int kTabBarY = 10;
/** Width of the window that the tab bar leaves free (logo on the left, settings on the right). */
constexpr int kTabBarReservedWidth = 254;
/** Gap the squeezed tab buttons keep before the overflow button. */
constexpr int kOverflowButtonGap = 6;

/** Where every part of the window goes at one size. */
struct WindowLayout
{
    juce::Rectangle<int> tabs;
    juce::Rectangle<int> logoButton;
    juce::Rectangle<int> settingsButton;
    juce::Rectangle<int> bigLogo;
    juce::Rectangle<int> title;
    juce::Rectangle<int> hint;
    juce::Rectangle<int> formats;
};

/** The layout of a window of the given size. */
WindowLayout windowLayout (int width, int height) noexcept;

/** The tab bar inside the tab component of the given width. */
juce::Rectangle<int> tabBarBounds (int width) noexcept;

/** A tab page inside the tab component of the given size: everything below the header. */
juce::Rectangle<int> tabPageBounds (int width, int height) noexcept;

/** Width at which a tooltip's text is laid out inside a parent area of the given width:
    20 px less than the area, at least 1, at most maxTextWidth. */
int tooltipTextWidth (int parentWidth, int maxTextWidth) noexcept;

/** The tooltip box for text of the given laid-out size (rounded up) at a pointer position:
    below right of the pointer in the upper left part of the area, flipped left of it right of
    the centre and above it below the centre, and kept inside the area. */
juce::Rectangle<int> tooltipBounds (juce::Point<int> textSize, juce::Point<int> screenPos,
                                    juce::Rectangle<int> parentArea) noexcept;

/** One tab button along the bar. */
struct ButtonSpan
{
    int x = 0;
    int width = 0;

    bool operator== (const ButtonSpan& other) const noexcept { return x == other.x && width == other.width; }
};

/** The factor that squeezes tab buttons ending at maxRight so that they end 6 px before the
    overflow button at overflowButtonX; 1 or more means no squeeze is needed (also when
    maxRight is not positive). */
double tabSqueezeFactor (int maxRight, int overflowButtonX) noexcept;

/** A tab button scaled by a squeeze factor, edges rounded to the nearest pixel (halves to even). */
ButtonSpan squeezeTabButton (ButtonSpan span, double factor) noexcept;
}

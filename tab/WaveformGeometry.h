#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <optional>
#include <utility>

/**
    Where things lie in the waveform strip: the waveform area inside the strip's margins, the
    mapping between seconds of the file and x positions, the shortest loop the mouse can make
    at this width, the recorded-range markers and the outline drawn from decoded samples.

    A small value built from the strip's size and the file's length; any thread.
*/
class WaveformGeometry final
{
public:
    /** Space left and right of the waveform area, in pixels. */
    static constexpr float kSideMargin = 12.0f;
    /** Space above and below the waveform area, in pixels. */
    static constexpr float kVerticalMargin = 10.0f;
    /** Height of the recorded-range markers at the bottom of the area, at most. */
    static constexpr float kMarkerStripHeight = 20.0f;
    /** Narrowest recorded-range marker, so that a short stretch stays visible. */
    static constexpr float kMinimumMarkerWidth = 2.0f;
    /** The shortest loop spans this many pixels ... */
    static constexpr double kMinimumLoopPixels = 17.0;
    /** ... and never less than this many seconds. */
    static constexpr double kMinimumLoopSeconds = 0.05;

    /** The geometry of a strip of `width` x `height` pixels showing a file of `lengthSeconds`. */
    WaveformGeometry (int width, int height, double lengthSeconds) noexcept;

    /** Width and height of the waveform area (never negative). */
    float getInnerWidth() const noexcept { return innerWidth; }
    float getInnerHeight() const noexcept { return innerHeight; }

    /** The file length this geometry maps. */
    double getLength() const noexcept { return length; }

    /** The waveform area in the strip's coordinates. */
    juce::Rectangle<float> getArea() const noexcept;

    /** x of a time, the time limited to the file; the area's left edge when there is no length
        or no width (or the time is not a number). */
    float timeToX (double seconds) const noexcept;

    /** The time under an x position, limited to the file; 0 when there is no length or width. */
    double xToTime (float x) const noexcept;

    /** The shortest loop at this width: 17 pixels' worth of time, at least 0.05 s. */
    double getMinimumLoopLength() const noexcept;

    /** The marker of a recorded stretch along the bottom of the area: at least 2 px wide (when
        the area is that wide), never outside the area. Nothing when the file, the width or the
        height is empty. */
    std::optional<juce::Rectangle<float>> getRecordedRangeMarker (double startSeconds, double endSeconds) const noexcept;

    /** The outline of decoded samples: one point per column (32 to 2048 points), each the mean of
        all channels, mirrored around the area's centre line. Empty for an empty buffer. */
    juce::Path makeOutlineFromSamples (const juce::AudioBuffer<float>& samples) const;

    /** The outline of per-column levels: `levelsAt (t0, t1, minimum, maximum)` gives the lowest
        and highest level between two times; 64 to 1000 queries. */
    juce::Path makeOutlineFromLevels (const std::function<void (double, double, float&, float&)>& levelsAt) const;

private:
    /** The band through `numPoints` + 1 evenly spaced points; `levelsOfPoint (i)` gives the
        levels of the band's top and bottom at point i (full scale at the area's edges). */
    juce::Path makeOutline (int numPoints, const std::function<std::pair<float, float> (int)>& levelsOfPoint) const;

    /** x of point i of `numPoints` spaced over the area. */
    float pointX (int i, int numPoints) const noexcept;

    int width = 0;
    float innerWidth = 0.0f, innerHeight = 0.0f;
    double length = 0.0;
};

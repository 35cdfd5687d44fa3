#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

/**
    The frequency axis of the band views: a list of band edges spread evenly across a plot, every
    band the same width on screen and logarithmic inside itself. Also maps levels to heights.

    A plain value with no component behind it, so that what a click or a drag picks can be worked
    out and tested without a display. Any thread; an instance is not shared between threads.
*/
class BandAxis final
{
public:
    /** Frequency limits of the band views, Hz. */
    static constexpr double kMinFrequency = 20.0;
    static constexpr double kMaxFrequency = 20000.0;

    /** The default bands: a tenth of a decade each from 20 Hz to 20 kHz. */
    static constexpr int kNumDefaultBands = 30;

    /** The smallest band spacing getMinBandSpacing reports, Hz. */
    static constexpr double kMinSpacingFloorHz = 10.0;

    /** The 31 default edges 20 x 1000^(i/30) Hz for i = 0 ... 30. */
    static std::vector<double> makeDefaultEdges();

    /** The edge list a view works with: the configured edges (when used and not empty) with the
        limits added where they lie outside them, sorted, without exact repeats; the two limits
        alone whenever fewer than two edges would remain. */
    static std::vector<double> cleanEdges (const std::vector<double>& configuredEdges, bool useConfiguredEdges,
                                           double minFrequency, double maxFrequency);

    /** An axis over the default edges and limits. */
    BandAxis();

    /** An axis over a cleaned edge list (see cleanEdges) and the frequency limits. */
    BandAxis (std::vector<double> cleanedEdges, double minFrequency, double maxFrequency);

    /** The edges, ascending, at least two. */
    const std::vector<double>& getEdges() const noexcept { return edges; }
    /** Number of edges (bands + 1). */
    int getNumEdges() const noexcept { return (int) edges.size(); }
    /** Number of bands. */
    int getNumBands() const noexcept { return getNumEdges() - 1; }
    /** The edge at an index limited to the list. */
    double getEdge (int index) const noexcept;

    /** Lower and upper frequency limit, Hz. */
    double getMinFrequency() const noexcept { return minFrequency; }
    double getMaxFrequency() const noexcept { return maxFrequency; }

    /** A frequency limited to the frequency limits; a value that is not a number gives the
        lower limit. */
    double limitFrequency (double hz) const noexcept;

    /** Index of the edge nearest to hz; on a tie the lower index. */
    int findNearestBandEdge (double hz) const noexcept;

    /** The largest edge index whose edge lies below hz (0 when none does). */
    int findEdgeBelow (double hz) const noexcept;
    /** The smallest edge index whose edge lies above hz (the last index when none does). */
    int findEdgeAbove (double hz) const noexcept;

    /** A range snapped to whole bands and limited to the frequency limits, ordered. Spans at
        least one band, except when lowHz snaps to the last edge (then it is empty). */
    juce::Range<double> snapRangeToBandEdges (double lowHz, double highHz) const noexcept;

    /** The smallest gap between neighbouring edges, at least kMinSpacingFloorHz. */
    double getMinBandSpacing() const noexcept;

    /** The band under an x position: t = (x - plot.x) / plot.w limited to 0 ... 1, scaled to
        the bands, limited to 0 ... bands - 1. */
    int bandIndexAtX (float x, juce::Rectangle<float> plot) const noexcept;

    /** Left and right x of band k on screen (every band has the same width). */
    juce::Range<float> getBandSpan (int band, juce::Rectangle<float> plot) const noexcept;

    /** Frequency at an x position of the plot, Hz. */
    double xToFrequency (float x, juce::Rectangle<float> plot) const noexcept;

    /** The natural logarithm of xToFrequency, worked out without a power or a logarithm per
        call (for curves with a vertex per pixel). */
    double xToLogFrequency (float x, juce::Rectangle<float> plot) const noexcept;

    /** x of a frequency in the plot; frequencies beyond the limits give the plot's edges. */
    float frequencyToX (double hz, juce::Rectangle<float> plot) const noexcept;

    /** The column of lowHz ... highHz in the plot; empty when high - low <= 0. */
    juce::Rectangle<float> getRangeBounds (double lowHz, double highHz, juce::Rectangle<float> plot) const noexcept;

    /** y of a level in the plot: bottom at minDb, top at maxDb, limited to the plot. */
    static float levelToY (float levelDb, float minDb, float maxDb, juce::Rectangle<float> plot) noexcept;

    /** The gap left beside a band's bars: 12 % of the band's width on screen, at most 2 px. */
    static float barGap (float bandWidth) noexcept;

    /** The plot area of a band view of the given size: 50 px cut on the left, 10 px right and
        top, bottomMargin below; never negative in size. */
    static juce::Rectangle<float> plotAreaFor (float width, float height, float bottomMargin) noexcept;

private:
    /** Where x lies: its band and the share u (0 ... 1) of the way through that band. */
    std::pair<int, double> locate (float x, juce::Rectangle<float> plot) const noexcept;

    std::vector<double> edges;
    std::vector<double> logEdges;
    double minFrequency = kMinFrequency, maxFrequency = kMaxFrequency;
};

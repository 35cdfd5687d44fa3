#pragma once

#include "tab/views/GoniometerGeometry.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/**
    The stereo view: the monitored signal (the Reference while "monitorRef" selects it, else the
    Source) as a mid/side point cloud, with the signal's name and its L/R correlation as a bar
    from -1 to +1. It draws only the points it was given last.

    Message thread only; the point store still has its own lock, taken by the editor's feed,
    the tab's clear and paint around their accesses.
*/
class GoniometerDisplay final : public juce::Component
{
public:
    /** Most points a feed of up to 2 x kMaxPoints pairs keeps: every k-th pair is taken,
        k = max (1, n / kMaxPoints). */
    static constexpr int kMaxPoints = GoniometerGeometry::kMaxPoints;

    /** One point in display units: x = (R - L) tan 30° / 2, y = (L + R) / 2. */
    using Point = GoniometerGeometry::Point;

    /** Builds an empty, opaque view showing the Reference. */
    GoniometerDisplay();
    ~GoniometerDisplay() override;

    /** Stores whether the points come from the Reference (true) or the Source; repaints when
        it changed. */
    void setShowsReference (bool pointsAreReference);

    /** Takes the left and right sample lists of the monitored signal: when both are non-empty,
        sets setShowsReference (fromReference), turns every k-th pair into a point and computes
        the correlation under the lock, and repaints when showing; with an empty list it keeps
        the last picture. */
    void setPoints (const std::vector<float>& left, const std::vector<float>& right, bool fromReference);

    /** Empties the points and sets the correlation to 0 under the lock, and repaints. */
    void clearPoints();

    /** Whether the points come from the Reference. */
    bool getShowsReference() const noexcept { return showsReference; }
    /** The correlation of the last points, -1..+1 (taken under the lock). */
    float getCorrelation() const;
    /** A copy of the points (taken under the lock). */
    std::vector<Point> getPoints() const;

    /** How many times paint has drawn the static picture (gradient, frame, rings, axes and
        labels) afresh; it is kept in an image until the size changes. */
    int getBackgroundBuildCount() const noexcept { return backgroundBuilds; }

    void paint (juce::Graphics&) override;
    /** Drops the cached background. */
    void resized() override;

private:
    /** Draws the name and correlation panel in the top-right corner. */
    void drawCorrelationBar (juce::Graphics& g, juce::Rectangle<float> area, float correlationValue);
    /** Draws the static picture into background at the given pixel scale. */
    void buildBackground (float scale);

    juce::CriticalSection pointLock;
    std::vector<Point> points;
    float correlation = 0.0f;
    bool showsReference = true;
    juce::Image background;
    bool backgroundDirty = true;

    /** The points and correlation copied out of the lock for one paint. */
    std::vector<Point> paintedPoints;
    float backgroundScale = 1.0f;
    int backgroundBuilds = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GoniometerDisplay)
};

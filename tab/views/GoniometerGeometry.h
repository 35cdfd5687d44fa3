#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

/**
    What the goniometer view decides: how stereo sample pairs become points of the mid/side
    picture (mono straight up, left and right 30 degrees to either side, out-of-phase energy
    sideways), the correlation of the pairs, where the points and labels land in a view, and
    the correlation bar. Plain functions with no component behind them, testable without a
    display. Any thread.
*/
namespace GoniometerGeometry
{
/** tan 30 degrees: the side signal's scale, which puts a one-channel signal on the 30 degree line. */
constexpr float kSideScale = 0.57735026f;

/** Pairs a feed is thinned toward: every k-th pair is taken, k = max (1, n / kMaxPoints). */
constexpr int kMaxPoints = 2048;

/** The centre of the correlation bar, px left of the view's right edge. */
constexpr float kBarCentreFromRight = 88.0f;

/** One point in display units: x = (R - L) tan 30 / 2, y = (L + R) / 2. */
struct Point
{
    float x = 0.0f;
    float y = 0.0f;
};

/** The point of one sample pair. */
Point toPoint (float left, float right) noexcept;

/** The step between the pairs taken from n pairs: max (1, n / kMaxPoints). */
int thinningStep (int numPairs) noexcept;

/** Turns every thinningStep-th pair of the two lists (as long as the shorter one) into points,
    replacing the contents of points, and returns the correlation of the pairs taken: the
    Pearson correlation of left and right, limited to -1 ... +1, and 0 for fewer than two pairs
    or when either side is constant or silent (variance 1e-9 or less). Samples that are not
    numbers count as 0. */
float makePoints (const std::vector<float>& left, const std::vector<float>& right, std::vector<Point>& points);

/** The radius of the picture's outer circle in a view of the given size: 0.4 x the smaller side. */
float radiusFor (float width, float height) noexcept;

/** Where a point lands for a centre and a radius: each coordinate limited to -1 ... +1 (so the
    cloud stays inside a square of side twice the radius), y upwards. */
juce::Point<float> toScreen (Point point, juce::Point<float> centre, float radius) noexcept;

/** The 26 x 14 px box of the label at angle degrees (0 = right, 90 = up), 1.08 radii out. */
juce::Rectangle<int> labelBox (juce::Point<float> centre, float radius, float angleDegrees) noexcept;

/** The correlation bar for a value in the panel at the top-right corner of a view whose right
    edge is right and top is top: 8 px high, from the centre 60 px per unit to the right for a
    positive value and to the left for a negative one; empty for 0 or a value that is not a
    number. */
juce::Rectangle<float> correlationBar (float value, float right, float top) noexcept;
}

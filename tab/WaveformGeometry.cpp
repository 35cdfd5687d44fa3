#include "tab/WaveformGeometry.h"

#include <cmath>
#include <vector>

namespace
{
/** Point counts of the outline drawn from decoded samples. */
constexpr int kFewestSamplePoints = 32;
constexpr int kMostSamplePoints = 2048;

/** Point counts of the outline drawn from the thumbnail's levels. */
constexpr int kFewestLevelPoints = 64;
constexpr int kMostLevelPoints = 1000;

/** A level as the outline may use it: within full scale, and 0 when it is not a number. */
float drawableLevel (float level) noexcept
{
    return std::isfinite (level) ? juce::jlimit (-1.0f, 1.0f, level) : 0.0f;
}

/** Turns the tops and bottoms of the points into one closed band: along the tops from left to
    right, back along the bottoms. */
juce::Path makeBand (const std::vector<juce::Point<float>>& tops, const std::vector<juce::Point<float>>& bottoms)
{
    juce::Path band;

    if (tops.empty())
        return band;

    band.preallocateSpace ((int) (tops.size() + bottoms.size()) * 3 + 4);
    band.startNewSubPath (tops.front());

    for (size_t i = 1; i < tops.size(); ++i)
        band.lineTo (tops[i]);

    for (auto it = bottoms.rbegin(); it != bottoms.rend(); ++it)
        band.lineTo (*it);

    band.closeSubPath();
    return band;
}
} // namespace

WaveformGeometry::WaveformGeometry (int widthInPixels, int heightInPixels, double lengthSeconds) noexcept
    : width (widthInPixels),
      innerWidth (juce::jmax ((float) widthInPixels - 2.0f * kSideMargin, 0.0f)),
      innerHeight (juce::jmax ((float) heightInPixels - 2.0f * kVerticalMargin, 0.0f)),
      length (std::isfinite (lengthSeconds) ? lengthSeconds : 0.0)
{
}

juce::Rectangle<float> WaveformGeometry::getArea() const noexcept
{
    return { kSideMargin, kVerticalMargin, innerWidth, innerHeight };
}

float WaveformGeometry::timeToX (double seconds) const noexcept
{
    if (length <= 0.0 || innerWidth <= 0.0f || ! std::isfinite (seconds))
        return kSideMargin;

    return (float) (juce::jlimit (0.0, length, seconds) / length * innerWidth) + kSideMargin;
}

double WaveformGeometry::xToTime (float x) const noexcept
{
    if (length <= 0.0 || innerWidth <= 0.0f || ! std::isfinite (x))
        return 0.0;

    return juce::jlimit (0.0, length, (double) (x - kSideMargin) / innerWidth * length);
}

double WaveformGeometry::getMinimumLoopLength() const noexcept
{
    if (length <= 0.0)
        return kMinimumLoopSeconds;

    const auto usableWidth = (double) juce::jmax (width - 2 * (int) kSideMargin, 1);
    return juce::jmax (kMinimumLoopPixels / usableWidth * length, kMinimumLoopSeconds);
}

std::optional<juce::Rectangle<float>> WaveformGeometry::getRecordedRangeMarker (double startSeconds, double endSeconds) const noexcept
{
    if (length <= 0.0 || innerWidth <= 0.0f || innerHeight <= 0.0f
        || ! std::isfinite (startSeconds) || ! std::isfinite (endSeconds))
        return std::nullopt;

    const auto a = juce::jlimit (0.0, length, startSeconds);
    const auto b = juce::jlimit (a, length, endSeconds);

    // In an area narrower than the minimum marker the marker takes the whole width: the lower
    // limit never passes the upper one.
    const auto markerWidth = juce::jlimit (juce::jmin (kMinimumMarkerWidth, innerWidth), innerWidth, timeToX (b) - timeToX (a));
    const auto x = juce::jlimit (kSideMargin, kSideMargin + innerWidth - markerWidth, timeToX (a));
    const auto stripHeight = juce::jmin (innerHeight, kMarkerStripHeight);

    return juce::Rectangle<float> { x, kVerticalMargin + innerHeight - stripHeight, markerWidth, stripHeight };
}

float WaveformGeometry::pointX (int i, int numPoints) const noexcept
{
    if (i == numPoints)
        return innerWidth + kSideMargin;

    const auto columns = juce::jmax ((int) innerWidth, 1);
    return (float) i / (float) numPoints * (float) columns + kSideMargin;
}

juce::Path WaveformGeometry::makeOutlineFromSamples (const juce::AudioBuffer<float>& samples) const
{
    const auto numSamples = samples.getNumSamples();
    const auto numChannels = samples.getNumChannels();

    if (numSamples <= 0 || numChannels <= 0)
        return {};

    const auto columns = (int) innerWidth;
    const auto numPoints = columns < kFewestSamplePoints ? kFewestSamplePoints
                                                         : juce::jmin (juce::jmax (columns, 1), kMostSamplePoints);

    // One sample per point, signed: where the mean is negative the band's top lies below its
    // bottom, and the filled outline still covers it.
    return makeOutline (numPoints, [&] (int i)
    {
        const auto index = juce::jlimit (0, numSamples - 1,
                                         (int) std::round ((double) i / numPoints * (numSamples - 1)));
        float sum = 0.0f;

        for (int ch = 0; ch < numChannels; ++ch)
        {
            const auto sample = samples.getSample (ch, index);
            sum += std::isfinite (sample) ? sample : 0.0f;
        }

        const auto mean = sum / (float) numChannels;
        return std::make_pair (mean, -mean);
    });
}

juce::Path WaveformGeometry::makeOutlineFromLevels (const std::function<void (double, double, float&, float&)>& levelsAt) const
{
    const auto columns = (int) innerWidth;
    const auto numPoints = columns < kFewestLevelPoints ? kFewestLevelPoints
                                                        : juce::jmin (juce::jmax (columns, 1), kMostLevelPoints);

    return makeOutline (numPoints, [&] (int i)
    {
        const auto t0 = (double) i / numPoints * length;
        const auto t1 = i == numPoints ? length : (double) (i + 1) / numPoints * length;
        float minimum = 0.0f, maximum = 0.0f;
        levelsAt (t0, t1, minimum, maximum);
        return std::make_pair (maximum, minimum);
    });
}

juce::Path WaveformGeometry::makeOutline (int numPoints, const std::function<std::pair<float, float> (int)>& levelsOfPoint) const
{
    const auto halfHeight = 0.5f * innerHeight;
    const auto centre = halfHeight + kVerticalMargin;

    std::vector<juce::Point<float>> tops, bottoms;
    tops.reserve ((size_t) numPoints + 1);
    bottoms.reserve ((size_t) numPoints + 1);

    for (int i = 0; i <= numPoints; ++i)
    {
        const auto [upper, lower] = levelsOfPoint (i);
        const auto x = pointX (i, numPoints);
        tops.push_back ({ x, centre - halfHeight * drawableLevel (upper) });
        bottoms.push_back ({ x, centre - halfHeight * drawableLevel (lower) });
    }

    return makeBand (tops, bottoms);
}

#include "tab/views/GoniometerGeometry.h"

#include <cmath>

namespace
{
constexpr float kRadiusShare = 0.4f;
constexpr float kLabelDistance = 1.08f;
constexpr int kLabelWidth = 26;
constexpr int kLabelHeight = 14;
constexpr double kConstantVariance = 1e-9;

// The correlation bar: its length per unit of correlation and its place below the view's top.
constexpr float kBarLengthPerUnit = 60.0f;
constexpr float kBarTop = 51.0f;
constexpr float kBarHeight = 8.0f;
}

namespace GoniometerGeometry
{
Point toPoint (float left, float right) noexcept
{
    return { -kSideScale * (left - right) * 0.5f, (left + right) * 0.5f };
}

int thinningStep (int numPairs) noexcept
{
    return std::max (1, numPairs / kMaxPoints);
}

float makePoints (const std::vector<float>& left, const std::vector<float>& right, std::vector<Point>& points)
{
    const auto numPairs = (int) std::min (left.size(), right.size());
    const auto step = thinningStep (numPairs);

    points.clear();
    points.reserve ((size_t) std::min (numPairs, kMaxPoints));

    double sumL = 0.0, sumR = 0.0, sumLL = 0.0, sumRR = 0.0, sumLR = 0.0;

    for (int i = 0; i < numPairs; i += step)
    {
        // Samples that are not numbers count as silence, as in every measurement.
        const auto l = std::isfinite (left[(size_t) i]) ? left[(size_t) i] : 0.0f;
        const auto r = std::isfinite (right[(size_t) i]) ? right[(size_t) i] : 0.0f;
        points.push_back (toPoint (l, r));

        sumL += l;
        sumR += r;
        sumLL += (double) l * l;
        sumRR += (double) r * r;
        sumLR += (double) l * r;
    }

    const auto count = (double) points.size();

    if (count < 2.0)
        return 0.0f;

    const auto meanL = sumL / count, meanR = sumR / count;
    const auto varianceL = sumLL / count - meanL * meanL;
    const auto varianceR = sumRR / count - meanR * meanR;

    if (! (varianceL > kConstantVariance && varianceR > kConstantVariance))
        return 0.0f;

    const auto r = (sumLR / count - meanL * meanR) / std::sqrt (varianceL * varianceR);
    return std::isfinite (r) ? (float) juce::jlimit (-1.0, 1.0, r) : 0.0f;
}

float radiusFor (float width, float height) noexcept
{
    return kRadiusShare * std::min (width, height);
}

juce::Point<float> toScreen (Point point, juce::Point<float> centre, float radius) noexcept
{
    return { centre.x + juce::jlimit (-1.0f, 1.0f, point.x) * radius,
             centre.y - juce::jlimit (-1.0f, 1.0f, point.y) * radius };
}

juce::Rectangle<int> labelBox (juce::Point<float> centre, float radius, float angleDegrees) noexcept
{
    const auto angle = juce::degreesToRadians (angleDegrees);
    const auto distance = kLabelDistance * radius;
    return { (int) (centre.x + distance * std::cos (angle) - (float) kLabelWidth * 0.5f),
             (int) (centre.y - distance * std::sin (angle) - (float) kLabelHeight * 0.5f),
             kLabelWidth, kLabelHeight };
}

juce::Rectangle<float> correlationBar (float value, float right, float top) noexcept
{
    const auto v = std::isfinite (value) ? juce::jlimit (-1.0f, 1.0f, value) : 0.0f;
    const auto length = std::round (std::abs (v) * kBarLengthPerUnit);
    const auto centre = right - kBarCentreFromRight;
    return { v >= 0.0f ? centre : centre - length, top + kBarTop, length, kBarHeight };
}
}

#include "tab/views/BandAxis.h"

#include <algorithm>
#include <cmath>

namespace
{
// Space cut from the plot on each side of a band view, px.
constexpr float kPlotLeftMargin = 50.0f;
constexpr float kPlotRightMargin = 10.0f;
constexpr float kPlotTopMargin = 10.0f;

// The gap beside bars: a share of the band's width, but never wider than this.
constexpr float kBarGapShare = 0.12f;
constexpr float kMaxBarGap = 2.0f;

// Guards the divisions of the logarithmic mapping inside one band.
constexpr float kMinBandWidthPx = 0.000001f;
}

std::vector<double> BandAxis::makeDefaultEdges()
{
    std::vector<double> result;
    result.reserve ((size_t) kNumDefaultBands + 1);

    for (int i = 0; i <= kNumDefaultBands; ++i)
        result.push_back (kMinFrequency * std::pow (kMaxFrequency / kMinFrequency, (double) i / kNumDefaultBands));

    return result;
}

std::vector<double> BandAxis::cleanEdges (const std::vector<double>& configuredEdges, bool useConfiguredEdges,
                                          double minFrequency, double maxFrequency)
{
    const std::vector<double> limitsOnly { minFrequency, maxFrequency };
    std::vector<double> result;

    if (useConfiguredEdges && ! configuredEdges.empty())
    {
        result = configuredEdges;

        if (result.front() > minFrequency)
            result.insert (result.begin(), minFrequency);

        if (maxFrequency > result.back())
            result.push_back (maxFrequency);
    }
    else
    {
        result = limitsOnly;
    }

    if (result.size() < 2)
        result = limitsOnly;

    std::sort (result.begin(), result.end());
    result.erase (std::unique (result.begin(), result.end()), result.end());

    if (result.size() < 2)
        result = limitsOnly;

    return result;
}

BandAxis::BandAxis()
    : BandAxis (makeDefaultEdges(), kMinFrequency, kMaxFrequency)
{
}

BandAxis::BandAxis (std::vector<double> cleanedEdges, double minHz, double maxHz)
    : edges (std::move (cleanedEdges)), minFrequency (minHz), maxFrequency (maxHz)
{
    if (edges.size() < 2)
        edges = { minFrequency, maxFrequency };

    for (auto edge : edges)
        logEdges.push_back (std::log (edge));
}

double BandAxis::getEdge (int index) const noexcept
{
    return edges[(size_t) juce::jlimit (0, getNumEdges() - 1, index)];
}

double BandAxis::limitFrequency (double hz) const noexcept
{
    if (std::isnan (hz))
        return minFrequency;

    return juce::jlimit (minFrequency, maxFrequency, hz);
}

int BandAxis::findNearestBandEdge (double hz) const noexcept
{
    int best = 0;
    double bestDistance = std::abs (edges.front() - hz);

    for (int i = 1; i < getNumEdges(); ++i)
    {
        const auto distance = std::abs (edges[(size_t) i] - hz);

        if (distance < bestDistance)
        {
            best = i;
            bestDistance = distance;
        }
    }

    return best;
}

int BandAxis::findEdgeBelow (double hz) const noexcept
{
    int index = 0;

    for (int i = 0; i < getNumEdges(); ++i)
        if (edges[(size_t) i] < hz)
            index = i;

    return index;
}

int BandAxis::findEdgeAbove (double hz) const noexcept
{
    for (int i = 0; i < getNumEdges(); ++i)
        if (edges[(size_t) i] > hz)
            return i;

    return getNumEdges() - 1;
}

juce::Range<double> BandAxis::snapRangeToBandEdges (double lowHz, double highHz) const noexcept
{
    const auto i = findNearestBandEdge (lowHz);
    const auto j = findNearestBandEdge (highHz);

    auto low = getEdge (i);
    auto high = getEdge (std::max (i + 1, j));
    const auto top = std::max (high, low);

    if (low < minFrequency)
    {
        if (top < minFrequency)
            return { minFrequency, minFrequency };

        low = minFrequency;
        high = std::min (maxFrequency, top);
    }
    else
    {
        low = std::min (maxFrequency, low);
        high = std::min (maxFrequency, top);
    }

    return juce::Range<double>::between (low, high);
}

double BandAxis::getMinBandSpacing() const noexcept
{
    auto smallest = edges[1] - edges[0];

    for (size_t i = 2; i < edges.size(); ++i)
        smallest = std::min (smallest, edges[i] - edges[i - 1]);

    return std::max (smallest, kMinSpacingFloorHz);
}

int BandAxis::bandIndexAtX (float x, juce::Rectangle<float> plot) const noexcept
{
    auto t = x - plot.getX();

    if (plot.getWidth() > 1.0f)
        t /= plot.getWidth();

    t = juce::jlimit (0.0f, 1.0f, t);

    if (std::isnan (t))
        t = 0.0f;

    return juce::jlimit (0, getNumBands() - 1, (int) std::floor (t * (float) getNumBands()));
}

juce::Range<float> BandAxis::getBandSpan (int band, juce::Rectangle<float> plot) const noexcept
{
    const auto bands = (float) getNumBands();
    return { plot.getX() + (float) band / bands * plot.getWidth(),
             plot.getX() + (float) (band + 1) / bands * plot.getWidth() };
}

std::pair<int, double> BandAxis::locate (float x, juce::Rectangle<float> plot) const noexcept
{
    const auto band = bandIndexAtX (x, plot);
    const auto span = getBandSpan (band, plot);
    auto u = (x - span.getStart()) / std::max (span.getLength(), kMinBandWidthPx);
    u = std::isnan (u) ? 0.0f : juce::jlimit (0.0f, 1.0f, u);
    return { band, (double) u };
}

double BandAxis::xToFrequency (float x, juce::Rectangle<float> plot) const noexcept
{
    const auto [band, u] = locate (x, plot);
    const auto e0 = edges[(size_t) band];
    const auto e1 = edges[(size_t) band + 1];
    return e0 * std::pow (e1 / e0, u);
}

double BandAxis::xToLogFrequency (float x, juce::Rectangle<float> plot) const noexcept
{
    const auto [band, u] = locate (x, plot);
    const auto l0 = logEdges[(size_t) band];
    return l0 + u * (logEdges[(size_t) band + 1] - l0);
}

float BandAxis::frequencyToX (double hz, juce::Rectangle<float> plot) const noexcept
{
    const auto f = limitFrequency (hz);
    const auto lastBand = getNumBands() - 1;

    int band = 0;
    while (band < lastBand && f > edges[(size_t) band + 1])
        ++band;

    const auto e0 = edges[(size_t) band];
    const auto e1 = edges[(size_t) band + 1];
    const auto u = (e1 > e0 && e0 > 0.0 && f > 0.0) ? std::log (f / e0) / std::log (e1 / e0) : 0.0;

    const auto span = getBandSpan (band, plot);
    return span.getStart() + span.getLength() * (float) u;
}

juce::Rectangle<float> BandAxis::getRangeBounds (double lowHz, double highHz, juce::Rectangle<float> plot) const noexcept
{
    if (! (highHz - lowHz > 0.0))
        return {};

    const auto x0 = frequencyToX (lowHz, plot);
    const auto x1 = frequencyToX (highHz, plot);
    return { x0, plot.getY(), std::max (x1 - x0, 1.0f), plot.getHeight() };
}

float BandAxis::levelToY (float levelDb, float minDb, float maxDb, juce::Rectangle<float> plot) noexcept
{
    auto fraction = (levelDb - minDb) / (maxDb - minDb);
    fraction = std::isnan (fraction) ? 0.0f : juce::jlimit (0.0f, 1.0f, fraction);
    return plot.getBottom() - plot.getHeight() * fraction;
}

float BandAxis::barGap (float bandWidth) noexcept
{
    return std::min (kBarGapShare * bandWidth, kMaxBarGap);
}

juce::Rectangle<float> BandAxis::plotAreaFor (float width, float height, float bottomMargin) noexcept
{
    return { std::min (width - kPlotRightMargin, kPlotLeftMargin),
             std::min (height - bottomMargin, kPlotTopMargin),
             std::max (width - kPlotLeftMargin - kPlotRightMargin, 0.0f),
             std::max (height - bottomMargin - kPlotTopMargin, 0.0f) };
}

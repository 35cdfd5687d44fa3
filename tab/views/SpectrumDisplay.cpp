#include "tab/views/SpectrumDisplay.h"

#include "engine/ThemePalette.h"

#include <cmath>
#include <limits>

namespace
{
// A level is drawn only this far above the plot's bottom, dB.
constexpr float kDrawnLevelMarginDb = 2.0f;
// Level a curve takes where a band's level is not a number, dB.
constexpr float kCurveFallbackDb = -60.0f;

constexpr juce::uint8 kBarFillAlpha = 0x59;
constexpr float kBarCapHeight = 2.0f;

constexpr float kReferenceFillAlpha = 0.065f;
constexpr float kReferenceStroke = 3.2f;
constexpr float kSourceFillAlpha = 0.012f;
constexpr float kSourceStroke = 1.6f;

constexpr juce::uint8 kPlaceholderAlpha = 0x8c;
constexpr float kPlaceholderFontHeight = 12.0f;

// Room around a moved bar or curve for the pixels its anti-aliased edges touch, px.
constexpr float kEdgeMargin = 1.0f;
// How far a stroked curve reaches beside its vertices: half the thicker stroke plus the edge
// margin, px.
constexpr float kCurveReach = kReferenceStroke * 0.5f + kEdgeMargin;
// A moved vertex changes the curve's outline up to this many vertices away on either side
// (the segments that meet there and the joints at their far ends).
constexpr size_t kVerticesAffected = 2;
// The curves are repainted in stretches at most this wide, px.
constexpr float kCurveStretchPx = 16.0f;

/** The smallest whole-pixel rectangle around an area with the edge margin added. */
juce::Rectangle<int> pixelsAround (juce::Rectangle<float> area)
{
    return area.expanded (kEdgeMargin).getSmallestIntegerContainer();
}
}

SpectrumDisplay::SpectrumDisplay()
    : clock ([] { return juce::Time::getMillisecondCounterHiRes(); })
{
}

SpectrumDisplay::~SpectrumDisplay()
{
    cancelPendingUpdate();
}

void SpectrumDisplay::requestSnap()
{
    animation.requestSnap();
    cancelPendingUpdate();
    handleAsyncUpdate();
}

void SpectrumDisplay::spectraChanged()
{
    triggerAsyncUpdate();
}

void SpectrumDisplay::handleAsyncUpdate()
{
    updateBandLevels();

    const bool snapping = animation.isSnapRequested();
    oldReferenceLevels = animation.getShownReferenceLevels();
    oldSourceLevels = animation.getShownSourceLevels();

    animation.advance (referenceBandLevels, sourceBandLevels, juce::ModifierKeys::currentModifiers.isShiftDown(),
                       clock != nullptr ? clock() : juce::Time::getMillisecondCounterHiRes());

    repaintChangedLevels (snapping);
}

bool SpectrumDisplay::drawsAnyLevel (const std::vector<float>& referenceLevels, const std::vector<float>& sourceLevels,
                                     size_t numBands) const noexcept
{
    if (referenceLevels.size() != numBands || sourceLevels.size() != numBands)
        return false;

    for (size_t band = 0; band < numBands; ++band)
        if (isDrawnLevel (referenceLevels[band]) || isDrawnLevel (sourceLevels[band]))
            return true;

    return false;
}

void SpectrumDisplay::repaintChangedLevels (bool everything)
{
    const auto& referenceLevels = animation.getShownReferenceLevels();
    const auto& sourceLevels = animation.getShownSourceLevels();

    if (referenceLevels == oldReferenceLevels && sourceLevels == oldSourceLevels && ! everything)
        return;

    const auto plot = getPlotArea();
    const auto numEdges = getAxis().getNumEdges();
    const auto numBands = (size_t) std::max (numEdges - 1, 0);
    const auto drewBefore = drawsAnyLevel (oldReferenceLevels, oldSourceLevels, numBands);
    const auto drawsNow = drawsAnyLevel (referenceLevels, sourceLevels, numBands);

    if (everything || ! painted || plot != paintedPlot || bandCentres.size() != numBands
        || oldReferenceLevels.size() != referenceLevels.size() || oldSourceLevels.size() != sourceLevels.size()
        || drewBefore != drawsNow)
    {
        repaint();
        return;
    }

    // The placeholder stays: nothing of the levels shows.
    if (! drawsNow)
        return;

    if (plotStyle == PlotStyle::Bars)
        repaintChangedBars (plot, numEdges);
    else
        repaintChangedCurves (plot, numEdges);
}

void SpectrumDisplay::repaintChangedBars (juce::Rectangle<float> plot, int numEdges)
{
    const auto& referenceLevels = animation.getShownReferenceLevels();
    const auto& sourceLevels = animation.getShownSourceLevels();
    const auto& axis = getAxis();

    // The rows of a bar that differ between two levels: between the two tops and the cap below
    // the lower one, or down to the plot's bottom when the bar shows for only one of them.
    auto changedRows = [&] (float oldLevel, float newLevel) -> juce::Range<float>
    {
        const auto wasDrawn = isDrawnLevel (oldLevel);
        const auto isDrawn = isDrawnLevel (newLevel);

        if (oldLevel == newLevel || (! wasDrawn && ! isDrawn))
            return {};

        if (wasDrawn != isDrawn)
            return { levelToY (wasDrawn ? oldLevel : newLevel, plot), plot.getBottom() };

        const auto oldTop = levelToY (oldLevel, plot);
        const auto newTop = levelToY (newLevel, plot);
        return { std::min (oldTop, newTop), std::min (std::max (oldTop, newTop) + kBarCapHeight, plot.getBottom()) };
    };

    for (int band = 0; band < numEdges - 1; ++band)
    {
        const auto reference = changedRows (oldReferenceLevels[(size_t) band], referenceLevels[(size_t) band]);
        const auto source = changedRows (oldSourceLevels[(size_t) band], sourceLevels[(size_t) band]);

        if (reference.isEmpty() && source.isEmpty())
            continue;

        const auto span = axis.getBandSpan (band, plot);
        const auto layout = SpectrumAnimation::layoutBars (span.getLength());
        const auto referenceLeft = span.getStart() + layout.gap;
        const auto sourceLeft = referenceLeft + layout.gap + layout.barWidth;

        // One rectangle per band, over whichever of its two bars moved.
        const auto left = reference.isEmpty() ? sourceLeft : referenceLeft;
        const auto right = (source.isEmpty() ? referenceLeft : sourceLeft) + layout.barWidth;
        const auto rows = reference.isEmpty() ? source : source.isEmpty() ? reference : reference.getUnionWith (source);

        repaint (pixelsAround ({ left, rows.getStart(), right - left, rows.getLength() }));
    }
}

void SpectrumDisplay::repaintChangedCurves (juce::Rectangle<float> plot, int numEdges)
{
    buildCurvePoints (oldReferenceLevels, plot, numEdges, oldReferencePoints);
    buildCurvePoints (oldSourceLevels, plot, numEdges, oldSourcePoints);
    buildCurvePoints (animation.getShownReferenceLevels(), plot, numEdges, newReferencePoints);
    buildCurvePoints (animation.getShownSourceLevels(), plot, numEdges, newSourcePoints);

    // A curve that comes or goes changes how the fills are laid over each other.
    if (oldReferencePoints.size() != newReferencePoints.size() || oldSourcePoints.size() != newSourcePoints.size()
        || (! newReferencePoints.empty() && ! newSourcePoints.empty() && newReferencePoints.size() != newSourcePoints.size()))
    {
        repaint (plot.expanded (kCurveReach).getSmallestIntegerContainer());
        return;
    }

    const std::pair<const std::vector<juce::Point<float>>*, const std::vector<juce::Point<float>>*> curves[] {
        { &oldReferencePoints, &newReferencePoints }, { &oldSourcePoints, &newSourcePoints }
    };
    const auto count = std::max (newReferencePoints.size(), newSourcePoints.size());

    auto moved = [&] (size_t vertex)
    {
        for (const auto& [before, after] : curves)
            if (! after->empty() && (*before)[vertex].y != (*after)[vertex].y)
                return true;

        return false;
    };

    // The area a moved vertex changes: its neighbours' span, between the highest and the lowest
    // of both curves there before and after the step.
    auto areaAround = [&] (size_t vertex)
    {
        const auto first = vertex >= kVerticesAffected ? vertex - kVerticesAffected : size_t { 0 };
        const auto last = std::min (vertex + kVerticesAffected, count - 1);
        auto top = std::numeric_limits<float>::max(), bottom = std::numeric_limits<float>::lowest();
        float left = 0.0f, right = 0.0f;

        for (const auto& [before, after] : curves)
        {
            if (after->empty())
                continue;

            left = (*after)[first].x;
            right = (*after)[last].x;

            for (auto k = first; k <= last; ++k)
                for (auto y : { (*before)[k].y, (*after)[k].y })
                {
                    top = std::min (top, y);
                    bottom = std::max (bottom, y);
                }
        }

        return juce::Rectangle<float>::leftTopRightBottom (left, top, right, bottom).expanded (kCurveReach);
    };

    juce::Rectangle<float> stretch;

    for (size_t vertex = 0; vertex < count; ++vertex)
    {
        if (! moved (vertex))
            continue;

        const auto area = areaAround (vertex);

        if (! stretch.isEmpty() && area.getRight() - stretch.getX() > kCurveStretchPx)
        {
            repaint (stretch.getSmallestIntegerContainer());
            stretch = {};
        }

        stretch = stretch.isEmpty() ? area : stretch.getUnion (area);
    }

    if (! stretch.isEmpty())
        repaint (stretch.getSmallestIntegerContainer());
}

bool SpectrumDisplay::isDrawnLevel (float levelDb) const noexcept
{
    return std::isfinite (levelDb) && levelDb > minDb + kDrawnLevelMarginDb;
}

void SpectrumDisplay::drawContent (juce::Graphics& g, juce::Rectangle<float> plot)
{
    painted = true;
    paintedPlot = plot;

    const auto numEdges = getAxis().getNumEdges();
    const auto numBands = bandCentres.size();

    // Before the first step there are no shown levels yet: nothing is drawn.
    const bool levelsFitBands = (size_t) numEdges == numBands + 1
                                && animation.getShownReferenceLevels().size() == numBands
                                && animation.getShownSourceLevels().size() == numBands;

    const bool drewSomething = levelsFitBands && (plotStyle == PlotStyle::Bars ? drawBars (g, plot, numEdges)
                                                                                : drawCurves (g, plot, numEdges));

    if (! drewSomething)
        drawPlaceholder (g, plot);
}

bool SpectrumDisplay::drawBars (juce::Graphics& g, juce::Rectangle<float> plot, int numEdges)
{
    const auto& referenceLevels = animation.getShownReferenceLevels();
    const auto& sourceLevels = animation.getShownSourceLevels();
    const auto& axis = getAxis();
    bool drewAny = false;

    auto drawBar = [&] (float left, float width, float level, juce::Colour colour)
    {
        if (! isDrawnLevel (level))
            return;

        const auto top = levelToY (level, plot);
        g.setColour (colour.withAlpha (kBarFillAlpha));
        g.fillRect (left, top, width, plot.getBottom() - top);
        g.setColour (colour);
        g.fillRect (left, top, width, std::min (kBarCapHeight, plot.getBottom() - top));
        drewAny = true;
    };

    for (int band = 0; band < numEdges - 1; ++band)
    {
        const auto span = axis.getBandSpan (band, plot);
        const auto layout = SpectrumAnimation::layoutBars (span.getLength());

        drawBar (span.getStart() + layout.gap, layout.barWidth, referenceLevels[(size_t) band], ThemePalette::accent);
        drawBar (span.getStart() + 2.0f * layout.gap + layout.barWidth, layout.barWidth, sourceLevels[(size_t) band],
                 ThemePalette::sourceSignal);
    }

    return drewAny;
}

bool SpectrumDisplay::drawCurves (juce::Graphics& g, juce::Rectangle<float> plot, int numEdges)
{
    buildCurvePoints (animation.getShownReferenceLevels(), plot, numEdges, referencePoints);
    buildCurvePoints (animation.getShownSourceLevels(), plot, numEdges, sourcePoints);

    if (referencePoints.empty() && sourcePoints.empty())
        return false;

    if (referencePoints.size() != sourcePoints.size())
    {
        strokeCurvePath (g, plot, toPath (referencePoints), ThemePalette::accent, kReferenceFillAlpha, kReferenceStroke);
        strokeCurvePath (g, plot, toPath (sourcePoints), ThemePalette::sourceSignal, kSourceFillAlpha, kSourceStroke);
        return true;
    }

    // Both curves share their x positions. Where both fills overlap, below the lower of the two
    // curves, one fill in the colour the two translucent fills would make on top of each other
    // takes their place; above it, each curve fills only the part that is its own. The picture
    // stays the same while every pixel is blended once instead of twice.
    lowerEnvelope.resize (referencePoints.size());
    for (size_t i = 0; i < referencePoints.size(); ++i)
        lowerEnvelope[i] = { referencePoints[i].x, std::max (referencePoints[i].y, sourcePoints[i].y) };

    // Each stretch where a curve lies above the other becomes one region down to the envelope.
    auto fillBetween = [&] (const std::vector<juce::Point<float>>& upper, juce::Colour colour)
    {
        juce::Path region;
        const auto count = upper.size();
        size_t i = 0;

        while (i < count)
        {
            if (! (upper[i].y < lowerEnvelope[i].y))
            {
                ++i;
                continue;
            }

            const auto first = i > 0 ? i - 1 : i;
            while (i < count && upper[i].y < lowerEnvelope[i].y)
                ++i;
            const auto last = std::min (i, count - 1);

            region.startNewSubPath (upper[first]);
            for (auto k = first + 1; k <= last; ++k)
                region.lineTo (upper[k]);
            for (auto k = last + 1; k-- > first;)
                region.lineTo (lowerEnvelope[k]);
            region.closeSubPath();
        }

        if (region.isEmpty())
            return;

        g.setColour (colour);
        g.fillPath (region);
    };

    auto shared = toPath (lowerEnvelope);
    shared.lineTo (plot.getBottomRight());
    shared.lineTo (plot.getBottomLeft());
    shared.closeSubPath();
    fillOverStaticLayer (g, shared, ThemePalette::accent.withAlpha (kReferenceFillAlpha)
                                        .overlaidWith (ThemePalette::sourceSignal.withAlpha (kSourceFillAlpha)));

    const auto referencePath = toPath (referencePoints);
    fillBetween (referencePoints, ThemePalette::accent.withAlpha (kReferenceFillAlpha));
    strokeCurve (g, referencePath, ThemePalette::accent, kReferenceStroke);

    fillBetween (sourcePoints, ThemePalette::sourceSignal.withAlpha (kSourceFillAlpha));
    strokeCurve (g, toPath (sourcePoints), ThemePalette::sourceSignal, kSourceStroke);
    return true;
}

void SpectrumDisplay::drawPlaceholder (juce::Graphics& g, juce::Rectangle<float> plot)
{
    g.setColour (ThemePalette::textDim.withAlpha (kPlaceholderAlpha));
    g.setFont (juce::Font (kPlaceholderFontHeight, juce::Font::bold));
    g.drawFittedText ("PLAY AUDIO TO ANALYZE", plot.toNearestInt(), juce::Justification::centred, 1);
}

juce::Path SpectrumDisplay::buildCurvePath (const std::vector<float>& levels, juce::Rectangle<float> plot, int numBandEdges)
{
    std::vector<juce::Point<float>> points;
    buildCurvePoints (levels, plot, numBandEdges, points);
    return toPath (points);
}

juce::Path SpectrumDisplay::toPath (const std::vector<juce::Point<float>>& points)
{
    juce::Path path;

    if (points.empty())
        return path;

    path.preallocateSpace ((int) points.size() * 3 + 8);
    path.startNewSubPath (points.front());

    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo (points[i]);

    return path;
}

void SpectrumDisplay::buildCurvePoints (const std::vector<float>& levels, juce::Rectangle<float> plot, int numBandEdges,
                                        std::vector<juce::Point<float>>& points)
{
    points.clear();
    const auto numBands = std::min ({ (size_t) std::max (numBandEdges - 1, 0), levels.size(), bandCentres.size() });

    bool anyDrawn = false;
    for (size_t i = 0; i < numBands; ++i)
        anyDrawn = anyDrawn || isDrawnLevel (levels[i]);

    if (! anyDrawn)
        return;

    curveLevels.resize (numBands);
    for (size_t i = 0; i < numBands; ++i)
        curveLevels[i] = std::isfinite (levels[i]) ? levels[i] : kCurveFallbackDb;

    const auto& axis = getAxis();
    auto bandX = [&] (size_t band)
    {
        const auto span = axis.getBandSpan ((int) band, plot);
        return (span.getStart() + span.getEnd()) * 0.5f;
    };

    points.emplace_back (plot.getX(), levelToY (curveLevels.front(), plot));

    for (size_t band = 0; band < numBands; ++band)
    {
        const auto x = bandX (band);
        points.emplace_back (x, levelToY (curveLevels[band], plot));

        if (band + 1 >= numBands)
            continue;

        // About one vertex per pixel between two band points, on the monotone curve.
        const auto dx = bandX (band + 1) - x;
        const auto steps = std::max (2, (int) std::ceil (dx));
        const auto span = std::log (bandCentres[band + 1] / bandCentres[band]);
        const auto logCentre = std::log (bandCentres[band]);

        for (int j = 1; j < steps; ++j)
        {
            const auto px = x + (float) j * dx / (float) steps;
            const auto t = (float) ((axis.xToLogFrequency (px, plot) - logCentre) / span);
            const auto level = interpolateLevel (curveLevels, bandCentres, (int) band, (int) band + 1, t);
            points.emplace_back (px, levelToY (level, plot));
        }
    }

    points.emplace_back (plot.getRight(), levelToY (curveLevels.back(), plot));
}

void SpectrumDisplay::strokeCurvePath (juce::Graphics& g, juce::Rectangle<float> plot, const juce::Path& path,
                                       juce::Colour colour, float fillAlpha, float strokeThickness)
{
    if (path.isEmpty())
        return;

    auto filled = path;
    filled.lineTo (plot.getBottomRight());
    filled.lineTo (plot.getBottomLeft());
    filled.closeSubPath();

    g.setColour (colour.withAlpha (fillAlpha));
    g.fillPath (filled);

    strokeCurve (g, path, colour, strokeThickness);
}

void SpectrumDisplay::strokeCurve (juce::Graphics& g, const juce::Path& path, juce::Colour colour, float thickness)
{
    g.setColour (colour);
    g.strokePath (path, juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

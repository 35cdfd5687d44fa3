#include "tab/views/BandDisplayBase.h"

#include "engine/ThemePalette.h"

#include <cmath>

namespace
{
// The frequencies that carry a grid line and a label.
constexpr double kGridFrequencies[] = { 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0 };
constexpr double kEmphasisedGridFrequency = 1000.0;
constexpr float kGridLineThickness = 1.0f;
constexpr float kEmphasisedGridLineThickness = 1.4f;
constexpr float kGridStepDb = 5.0f;
constexpr juce::uint8 kGridAlpha = 0x2b;
constexpr juce::uint8 kLabelAlpha = 0xd1;
constexpr float kLabelFontHeight = 11.0f;
constexpr int kFrequencyLabelWidth = 36;
constexpr int kLabelHeight = 16;
constexpr int kFrequencyLabelGap = 2;
constexpr int kLevelLabelWidth = 44;
constexpr int kLevelLabelInset = 2;

// The background gradient.
constexpr float kBackgroundBrighter = 0.035f;
constexpr float kBackgroundDarker = 0.08f;

// Selection overlay.
constexpr juce::uint8 kSelectionFillAlphaListening = 0x40;
constexpr juce::uint8 kSelectionFillAlphaMuted = 0x14;
constexpr float kSelectionOutlineThickness = 1.2f;
constexpr float kSelectionMutedOutlineAlpha = 0.4f;
constexpr float kHandleInset = 3.0f;
constexpr juce::uint8 kWhiteAlpha = 0xe6;
constexpr juce::uint8 kBlackAlpha = 0xa6;
constexpr float kBadgeInset = 2.0f;
constexpr float kBadgeCorner = 3.0f;
constexpr float kBadgeCrossInset = 3.0f;
constexpr float kBadgeCrossThickness = 1.6f;

// A hover position is moved only by more than this distance, px.
constexpr float kHoverMoveThreshold = 0.5f;

// Hann-window power per bin relative to a rectangular window (its noise bandwidth in bins).
constexpr double kWindowPowerGain = 1.5;
constexpr double kSmallestPower = 1e-12;

juce::String gridFrequencyText (double hz)
{
    if (hz < 1000.0)
        return juce::String ((int) hz);

    return juce::String ((int) (hz / 1000.0)) + "k";
}
}

BandDisplayBase::BandDisplayBase()
    : configuredEdges (BandAxis::makeDefaultEdges())
{
    setOpaque (true);
}

BandDisplayBase::~BandDisplayBase() = default;

//==============================================================================
void BandDisplayBase::pushSpectrum (const std::vector<float>& magnitudes, Series series, double sampleRate)
{
    auto& target = series == Series::Reference ? referenceMagnitudes : sourceMagnitudes;
    auto& rate = series == Series::Reference ? referenceSampleRate : sourceSampleRate;

    target.assign (magnitudes.begin(), magnitudes.end());

    if (sampleRate > 1.0 && std::isfinite (sampleRate))
        rate = sampleRate;

    bandLevelsValid = false;
    spectraChanged();
}

void BandDisplayBase::clearSpectra()
{
    referenceMagnitudes.clear();
    sourceMagnitudes.clear();
    bandLevelsValid = false;
    spectraChanged();
}

void BandDisplayBase::spectraChanged()
{
    repaint();
}

void BandDisplayBase::invalidateBandLevels() noexcept
{
    bandLevelsValid = false;
}

void BandDisplayBase::setPlotStyle (PlotStyle style)
{
    if (style == plotStyle)
        return;

    plotStyle = style;
    repaint();
}

void BandDisplayBase::setLevelRange (float newMinDb, float newMaxDb)
{
    minDb = newMinDb;
    maxDb = newMaxDb;
    staticLayerValid = false;
    repaint();
}

void BandDisplayBase::setBottomMargin (float newBottomMargin)
{
    bottomMargin = newBottomMargin;
    staticLayerValid = false;
    repaint();
}

void BandDisplayBase::setShowHoverReadout (bool shouldShow)
{
    showHoverReadout = shouldShow;
    repaint();
}

void BandDisplayBase::setSelectionEnabled (bool shouldBeEnabled)
{
    if (shouldBeEnabled)
    {
        bandSelection.selectionEnabled = true;
        return;
    }

    applySelectionOutcome (bandSelection.disable());
}

void BandDisplayBase::mirrorSelection (Selection newSelection, bool newBandListenOn)
{
    bandSelection.mirror (getAxis(), getPlotArea(), newSelection, newBandListenOn);
    repaint();
}

void BandDisplayBase::applySelectionOutcome (const BandSelection::Outcome& outcome)
{
    if (outcome.repaint)
        repaint();

    if (outcome.report && onSelectionChanged)
        onSelectionChanged (outcome.band);
}

//==============================================================================
const BandAxis& BandDisplayBase::getAxis()
{
    if (! edgeCacheValid)
    {
        edgeCache = BandAxis (BandAxis::cleanEdges (configuredEdges, useConfiguredEdges, minFrequency, maxFrequency),
                              minFrequency, maxFrequency);
        edgeCacheValid = true;
    }

    return edgeCache;
}

std::vector<double> BandDisplayBase::getBandEdges()
{
    return getAxis().getEdges();
}

double BandDisplayBase::getBandEdge (int index)
{
    return getAxis().getEdge (index);
}

int BandDisplayBase::findNearestBandEdge (double hz)
{
    return getAxis().findNearestBandEdge (hz);
}

juce::Range<double> BandDisplayBase::snapRangeToBandEdges (double lowHz, double highHz)
{
    return getAxis().snapRangeToBandEdges (lowHz, highHz);
}

double BandDisplayBase::getMinBandSpacing()
{
    return getAxis().getMinBandSpacing();
}

double BandDisplayBase::xToFrequency (float x, juce::Rectangle<float> plot)
{
    return getAxis().xToFrequency (x, plot);
}

float BandDisplayBase::frequencyToX (double hz, juce::Rectangle<float> plot)
{
    return getAxis().frequencyToX (hz, plot);
}

juce::Rectangle<float> BandDisplayBase::getSelectionBounds (juce::Rectangle<float> plot)
{
    const auto& selection = bandSelection.selection;
    return getAxis().getRangeBounds (selection.low, selection.high, plot);
}

juce::Rectangle<float> BandDisplayBase::getPlotArea() const noexcept
{
    return BandAxis::plotAreaFor ((float) getWidth(), (float) getHeight(), bottomMargin);
}

float BandDisplayBase::levelToY (float levelDb, juce::Rectangle<float> plot) const noexcept
{
    return BandAxis::levelToY (levelDb, minDb, maxDb, plot);
}

//==============================================================================
float BandDisplayBase::bandLevelDb (const std::vector<float>& magnitudes, double sampleRate, double lowHz, double highHz)
{
    const auto numBins = (int) magnitudes.size();
    const auto nyquist = sampleRate * 0.5;

    if (numBins <= 1 || ! std::isfinite (sampleRate) || sampleRate <= 0.0 || ! (lowHz < nyquist))
        return kFloorDb;

    const auto binWidth = nyquist / (numBins - 1);
    const auto firstBin = std::max (1, (int) std::floor (lowHz / binWidth - 0.5));
    const auto lastBin = std::min (numBins - 1, (int) std::ceil (highHz / binWidth + 0.5));

    double sum = 0.0;

    for (int k = firstBin; k <= lastBin; ++k)
    {
        const auto magnitude = (double) magnitudes[(size_t) k];

        if (! std::isfinite (magnitude))
            continue;

        const auto overlap = std::min ((k + 0.5) * binWidth, highHz) - std::max ((k - 0.5) * binWidth, lowHz);
        sum += magnitude * magnitude * std::max (overlap, 0.0) / binWidth;
    }

    return (float) (10.0 * std::log10 (std::max (sum / kWindowPowerGain, kSmallestPower)));
}

float BandDisplayBase::interpolateLevel (const std::vector<float>& levels, const std::vector<double>& frequencies,
                                         int i, int j, float t)
{
    const auto count = (int) std::min (levels.size(), frequencies.size());

    if (! juce::isPositiveAndBelow (i, count) || ! juce::isPositiveAndBelow (j, count))
        return kFloorDb;

    const auto li = (double) levels[(size_t) i];
    const auto lj = (double) levels[(size_t) j];

    if (i == j)
        return (float) li;

    const auto span = std::log (frequencies[(size_t) j] / frequencies[(size_t) i]);

    if (! std::isfinite (span) || span == 0.0)
        return (float) li;

    const auto secant = (lj - li) / span;

    // Harmonic-mean tangents that are zero at a peak or a dip: the curve never overshoots.
    auto tangentFrom = [secant] (double neighbourSlope)
    {
        return neighbourSlope * secant > 0.0 ? 2.0 * neighbourSlope * secant / (neighbourSlope + secant) : 0.0;
    };

    double tangentI = 0.0, tangentJ = 0.0;

    if (i > 0 && std::isfinite (levels[(size_t) i - 1]))
        tangentI = tangentFrom ((li - levels[(size_t) i - 1]) / std::log (frequencies[(size_t) i] / frequencies[(size_t) i - 1]));

    if (j + 1 < count && std::isfinite (levels[(size_t) j + 1]))
        tangentJ = tangentFrom ((levels[(size_t) j + 1] - lj) / std::log (frequencies[(size_t) j + 1] / frequencies[(size_t) j]));

    if (t < 0.0f)
        return (float) li;

    if (t > 1.0f)
        return (float) lj;

    const double u = t, u2 = u * u, u3 = u2 * u;
    const auto h00 = 2.0 * u3 - 3.0 * u2 + 1.0;
    const auto h10 = u3 - 2.0 * u2 + u;
    const auto h01 = 3.0 * u2 - 2.0 * u3;
    const auto h11 = u3 - u2;

    return (float) (h10 * span * tangentI + h00 * li + h01 * lj + h11 * span * tangentJ);
}

void BandDisplayBase::computeBandLevels (const std::vector<float>& magnitudes, double sampleRate,
                                         const std::vector<double>& edges, float offsetDb, std::vector<float>& levels)
{
    const auto numBands = edges.size() < 2 ? size_t { 0 } : edges.size() - 1;
    levels.resize (numBands);

    for (size_t i = 0; i < numBands; ++i)
        levels[i] = bandLevelDb (magnitudes, sampleRate, edges[i], edges[i + 1]) + offsetDb;
}

void BandDisplayBase::updateBandLevels()
{
    if (bandLevelsValid)
        return;

    const auto& edges = getAxis().getEdges();
    const auto numBands = edges.size() - 1;

    bandCentres.resize (numBands);

    for (size_t i = 0; i < numBands; ++i)
        bandCentres[i] = std::sqrt (edges[i] * edges[i + 1]);

    computeBandLevels (referenceMagnitudes, referenceSampleRate, edges, 0.0f, referenceRawBandLevels);
    computeBandLevels (sourceMagnitudes, sourceSampleRate, edges, 0.0f, sourceRawBandLevels);

    referenceBandLevels.resize (numBands);
    sourceBandLevels.resize (numBands);

    for (size_t i = 0; i < numBands; ++i)
    {
        referenceBandLevels[i] = referenceRawBandLevels[i] + referenceLevelOffset;
        sourceBandLevels[i] = sourceRawBandLevels[i] + sourceLevelOffset;
    }

    bandLevelsValid = true;
}

//==============================================================================
void BandDisplayBase::mouseMove (const juce::MouseEvent& e)
{
    if (! hovering)
    {
        hovering = true;
        hoverPosition = e.position;
        repaint();
        return;
    }

    if (e.position.getDistanceFrom (hoverPosition) > kHoverMoveThreshold)
    {
        hoverPosition = e.position;
        repaint();
    }
}

void BandDisplayBase::mouseExit (const juce::MouseEvent&)
{
    if (! hovering)
        return;

    hovering = false;
    repaint();
}

void BandDisplayBase::mouseDown (const juce::MouseEvent& e)
{
    // The right button belongs to the view host's plot-style menu.
    if (e.mods.isRightButtonDown())
        return;

    applySelectionOutcome (bandSelection.press (getAxis(), getPlotArea(), e.position));
}

void BandDisplayBase::mouseDrag (const juce::MouseEvent& e)
{
    applySelectionOutcome (bandSelection.drag (getAxis(), getPlotArea(), e.position.x));
}

void BandDisplayBase::mouseUp (const juce::MouseEvent&)
{
    applySelectionOutcome (bandSelection.release());
}

void BandDisplayBase::mouseDoubleClick (const juce::MouseEvent& e)
{
    if (e.mods.isRightButtonDown())
        return;

    applySelectionOutcome (bandSelection.doubleClick (getAxis(), getPlotArea(), e.position));
}

//==============================================================================
void BandDisplayBase::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const auto plot = getPlotArea();

    if (plot != lastPlotBounds)
    {
        bandLevelsValid = false;
        staticLayerValid = false;
    }

    bandSelection.updateGeometry (getAxis(), plot);

    drawStaticLayer (g, plot);
    updateBandLevels();
    drawContent (g, plot);
    drawSelectionOverlay (g, plot);

    if (showHoverReadout)
        drawHoverReadout (g, plot);

    g.setColour (frameColour);
    g.drawRect (bounds, 1.0f);

    lastPlotBounds = plot;
}

void BandDisplayBase::drawStaticLayer (juce::Graphics& g, juce::Rectangle<float> plot)
{
    // The background, grid and labels change only with the size, the plot and the level range,
    // while content and hover repaint many times a second: they are drawn once into an image
    // at the screen's pixel scale and copied from there.
    const auto scale = std::max (1.0f, g.getInternalContext().getPhysicalPixelScaleFactor());
    const auto width = juce::roundToInt ((float) getWidth() * scale);
    const auto height = juce::roundToInt ((float) getHeight() * scale);

    if (width <= 0 || height <= 0)
        return;

    if (! staticLayerValid || scale != staticLayerScale || staticLayer.getWidth() != width || staticLayer.getHeight() != height)
    {
        const auto bounds = getLocalBounds().toFloat();
        staticLayer = juce::Image (juce::Image::RGB, width, height, false);
        juce::Graphics layer (staticLayer);
        layer.addTransform (juce::AffineTransform::scale (scale));

        layer.setGradientFill (juce::ColourGradient (backgroundColour.brighter (kBackgroundBrighter), bounds.getCentreX(), bounds.getY(),
                                                     backgroundColour.darker (kBackgroundDarker), bounds.getCentreX(), bounds.getBottom(),
                                                     false));
        layer.fillRect (bounds);
        drawGrid (layer, plot);
        drawAxisLabels (layer, plot, bounds);

        staticLayerValid = true;
        staticLayerScale = scale;
        tintedLayerValid = false;
        ++staticLayerBuilds;
    }

    drawLayer (g, staticLayer, scale);
}

void BandDisplayBase::drawLayer (juce::Graphics& g, const juce::Image& layer, float scale)
{
    if (scale == 1.0f)
        g.drawImageAt (layer, 0, 0);
    else
        g.drawImageTransformed (layer, juce::AffineTransform::scale (1.0f / scale));
}

void BandDisplayBase::fillOverStaticLayer (juce::Graphics& g, const juce::Path& area, juce::Colour colour)
{
    if (! staticLayer.isValid())
    {
        g.setColour (colour);
        g.fillPath (area);
        return;
    }

    if (! tintedLayerValid || colour != tintColour)
    {
        tintedLayer = staticLayer.createCopy();
        juce::Graphics tint (tintedLayer);
        tint.setColour (colour);
        tint.fillAll();

        tintColour = colour;
        tintedLayerValid = true;
    }

    const juce::Graphics::ScopedSaveState saved (g);
    g.reduceClipRegion (area);
    drawLayer (g, tintedLayer, staticLayerScale);
}

void BandDisplayBase::drawSelectionOverlay (juce::Graphics& g, juce::Rectangle<float> plot)
{
    if (! bandSelection.selectionEnabled || bandSelection.selection.isEmpty())
        return;

    const auto column = getSelectionBounds (plot);

    if (! (column.getWidth() > 0.0f && column.getHeight() > 0.0f))
        return;

    const auto colour = ThemePalette::focusBand;
    const bool listening = bandSelection.bandListenOn;

    g.setColour (colour.withAlpha (listening ? kSelectionFillAlphaListening : kSelectionFillAlphaMuted));
    g.fillRect (column);
    g.setColour (listening ? colour : colour.withMultipliedAlpha (kSelectionMutedOutlineAlpha));
    g.drawRect (column, kSelectionOutlineThickness);

    for (auto handle : { bandSelection.lowerHandleBounds, bandSelection.upperHandleBounds })
    {
        if (handle.isEmpty())
            continue;

        const auto dot = handle.reduced (kHandleInset);
        g.setColour (juce::Colours::white.withAlpha (kWhiteAlpha));
        g.fillEllipse (dot);
        g.setColour (juce::Colours::black.withAlpha (kBlackAlpha));
        g.drawEllipse (dot, 1.0f);
    }

    if (bandSelection.badgeBounds.isEmpty())
        return;

    const auto r = bandSelection.badgeBounds.reduced (kBadgeInset);
    g.setColour (juce::Colours::black.withAlpha (kBlackAlpha));
    g.fillRoundedRectangle (r, kBadgeCorner);
    g.setColour (juce::Colours::white.withAlpha (kWhiteAlpha));
    g.drawRoundedRectangle (r, kBadgeCorner, 1.0f);
    g.drawLine (r.getX() + kBadgeCrossInset, r.getY() + kBadgeCrossInset,
                r.getRight() - kBadgeCrossInset, r.getBottom() - kBadgeCrossInset, kBadgeCrossThickness);
    g.drawLine (r.getRight() - kBadgeCrossInset, r.getY() + kBadgeCrossInset,
                r.getX() + kBadgeCrossInset, r.getBottom() - kBadgeCrossInset, kBadgeCrossThickness);
}

void BandDisplayBase::drawHoverReadout (juce::Graphics&, juce::Rectangle<float>)
{
    // The views that want a readout draw their own.
}

void BandDisplayBase::drawLevelLines (juce::Graphics& g, juce::Rectangle<float> plot)
{
    g.setColour (gridColour.withAlpha (kGridAlpha));

    for (auto level = std::ceil (minDb / kGridStepDb) * kGridStepDb; level <= std::floor (maxDb / kGridStepDb) * kGridStepDb; level += kGridStepDb)
    {
        const auto y = levelToY (level, plot);
        g.drawLine (plot.getX(), y, plot.getRight(), y, kGridLineThickness);
    }
}

void BandDisplayBase::drawLevelLabels (juce::Graphics& g, juce::Rectangle<float> plot, juce::Rectangle<float> bounds)
{
    g.setColour (gridColour.withAlpha (kLabelAlpha));
    g.setFont (juce::Font (kLabelFontHeight));

    for (auto level = std::ceil (minDb / kGridStepDb) * kGridStepDb; level <= std::floor (maxDb / kGridStepDb) * kGridStepDb; level += kGridStepDb)
    {
        const auto y = (int) levelToY (level, plot) - kLabelHeight / 2;
        g.drawFittedText (juce::String ((int) level), (int) bounds.getX() + kLevelLabelInset, y, kLevelLabelWidth, kLabelHeight,
                          juce::Justification::centredRight, 1);
    }
}

void BandDisplayBase::drawGrid (juce::Graphics& g, juce::Rectangle<float> plot)
{
    drawLevelLines (g, plot);

    for (auto hz : kGridFrequencies)
    {
        const auto x = frequencyToX (hz, plot);
        g.drawLine (x, plot.getY(), x, plot.getBottom(),
                    hz == kEmphasisedGridFrequency ? kEmphasisedGridLineThickness : kGridLineThickness);
    }
}

void BandDisplayBase::drawAxisLabels (juce::Graphics& g, juce::Rectangle<float> plot, juce::Rectangle<float> bounds)
{
    g.setColour (gridColour.withAlpha (kLabelAlpha));
    g.setFont (juce::Font (kLabelFontHeight));

    const auto top = (int) plot.getBottom() + kFrequencyLabelGap;

    for (auto hz : kGridFrequencies)
    {
        auto left = frequencyToX (hz, plot) - (float) kFrequencyLabelWidth * 0.5f;

        if (left < plot.getX())
            left = plot.getX();
        else if (left > plot.getRight() - (float) kFrequencyLabelWidth)
            left = plot.getRight() - (float) kFrequencyLabelWidth;

        g.drawFittedText (gridFrequencyText (hz), (int) left, top, kFrequencyLabelWidth, kLabelHeight,
                          juce::Justification::centred, 1);
    }

    drawLevelLabels (g, plot, bounds);
}

void BandDisplayBase::timerCallback() {}

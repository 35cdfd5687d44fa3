#include "tab/views/DifferenceDisplay.h"

#include "engine/ThemePalette.h"
#include "tab/views/DifferenceReadout.h"

#include <cmath>

namespace
{
// The tolerance band around 0 dB and the zero line.
constexpr float kToleranceDb = 3.0f;
constexpr juce::uint8 kToleranceAlpha = 0x12;
constexpr float kZeroLineThickness = 1.4f;

// Captions in the plot's corners.
constexpr float kCaptionFontHeight = 11.0f;
constexpr int kCaptionInset = 8;
constexpr int kCaptionMaxHeight = 18;

// Bars and curve.
constexpr juce::uint8 kBarFillAlpha = 0x59;
constexpr float kBarCapHeight = 2.0f;
constexpr float kCurveThickness = 2.2f;

// Verdict columns below the plot.
constexpr int kNumVerdictColumns = 3;
constexpr int kColumnTextInset = 5;
constexpr int kTitleOffset = 26;
constexpr int kFirstLineOffset = 44;
constexpr int kLineSpacing = 18;
constexpr int kNotEnoughSignalHeight = 62;
constexpr float kVerdictFontHeight = 11.0f;

// Hover box.
constexpr float kBoxCorner = 5.0f;
constexpr juce::uint8 kBoxAlpha = 0xf7;
constexpr int kBoxTextInset = 10;
constexpr float kBoxTitleFontHeight = 12.0f;
constexpr float kBoxTextFontHeight = 11.0f;
constexpr int kBoxLineOffsets[] = { 7, 27, 47 };
constexpr int kBoxLineHeights[] = { 20, 20, 22 };

bool sameValues (const std::vector<float>& a, const std::vector<float>& b) noexcept
{
    if (a.size() != b.size())
        return false;

    for (size_t i = 0; i < a.size(); ++i)
        if (! (a[i] == b[i] || (std::isnan (a[i]) && std::isnan (b[i]))))
            return false;

    return true;
}
}

DifferenceDisplay::DifferenceDisplay()
    : diffColour (ThemePalette::sourceSignal), matchColour (ThemePalette::accent)
{
}

DifferenceDisplay::~DifferenceDisplay() = default;

void DifferenceDisplay::setLevelDifference (bool valid, float differenceDb)
{
    levelDifferenceValid = valid && std::isfinite (differenceDb);
    sourceLevelOffset = 0.0f;
    referenceLevelOffset = levelDifferenceValid ? differenceDb : 0.0f;
    bandLevelsValid = false;
    repaint();
}

void DifferenceDisplay::setBandStats (const BandStats& stats)
{
    bandStats = stats;
    repaint();
}

void DifferenceDisplay::clearStats()
{
    levelDifferenceValid = false;
    sourceLevelOffset = 0.0f;
    referenceLevelOffset = 0.0f;
    bandLevelsValid = false;
    bandStats = {};
    repaint();
}

void DifferenceDisplay::setMatchEqMode (bool shouldShowMatchEq)
{
    matchEqMode = shouldShowMatchEq;
    repaint();
}

void DifferenceDisplay::visibilityChanged()
{
    // A readout left over from before the view was hidden would show stale numbers.
    if (! isShowing())
        hovering = false;
}

float DifferenceDisplay::plotted (size_t band) const noexcept
{
    return DifferenceReadout::plottedValue (bandDifferences[band], matchEqMode);
}

//==============================================================================
void DifferenceDisplay::drawContent (juce::Graphics& g, juce::Rectangle<float> plot)
{
    drawBackdrop (g, plot);

    DifferenceReadout::computeBandDifferences (referenceRawBandLevels, sourceRawBandLevels, referenceLevelOffset,
                                               sourceLevelOffset, levelDifferenceValid, bandDifferences);

    const bool anyKnown = std::any_of (bandDifferences.begin(), bandDifferences.end(), [] (float d) { return std::isfinite (d); });

    if (! anyKnown)
    {
        g.setColour (ThemePalette::textDim);
        g.setFont (juce::Font (kVerdictFontHeight));
        g.drawFittedText ("PLAY BOTH SIGNALS / ALLOW 3 SECONDS TO ANALYZE", plot.toNearestInt(), juce::Justification::centred, 1);
    }
    else if (plotStyle == PlotStyle::Bars)
    {
        drawDifferenceBars (g, plot);
    }
    else
    {
        drawDifferenceCurve (g, plot);
    }

    drawBandVerdicts (g, plot);
}

void DifferenceDisplay::drawBackdrop (juce::Graphics& g, juce::Rectangle<float> plot)
{
    const auto toleranceTop = levelToY (kToleranceDb, plot);
    g.setColour (ThemePalette::accent.withAlpha (kToleranceAlpha));
    g.fillRect (plot.getX(), toleranceTop, plot.getWidth(), levelToY (-kToleranceDb, plot) - toleranceTop);

    const auto zeroY = levelToY (0.0f, plot);
    g.setColour (ThemePalette::borderStrong);
    g.drawLine (plot.getX(), zeroY, plot.getRight(), zeroY, kZeroLineThickness);

    const auto area = plot.toNearestInt();
    const auto width = std::max (0, area.getWidth() - 2 * kCaptionInset);
    const auto room = std::max (0, area.getHeight() - 2 * kCaptionInset);
    const auto height = std::min (room, kCaptionMaxHeight);
    const juce::Rectangle<int> topBox (area.getX() + kCaptionInset, area.getY() + kCaptionInset, width, height);
    const auto bottomBox = topBox.withY (area.getY() + kCaptionInset + room - height);

    g.setColour (ThemePalette::textDim);
    g.setFont (juce::Font (kCaptionFontHeight));
    g.drawText (matchEqMode ? "BOOST SOURCE" : "SOURCE LOUDER", topBox, juce::Justification::centredLeft, true);
    g.drawText (matchEqMode ? "CUT SOURCE" : "SOURCE QUIETER", bottomBox, juce::Justification::centredLeft, true);
    g.drawText ("Loudness normalized / 3 s / target +/-3 dB", topBox, juce::Justification::centredRight, true);
}

void DifferenceDisplay::drawDifferenceBars (juce::Graphics& g, juce::Rectangle<float> plot)
{
    const auto& axis = getAxis();
    const auto colour = matchEqMode ? matchColour : diffColour;
    const auto zeroY = levelToY (0.0f, plot);

    for (size_t band = 0; band < bandDifferences.size(); ++band)
    {
        if (! std::isfinite (bandDifferences[band]))
            continue;

        const auto left = axis.frequencyToX (axis.getEdge ((int) band), plot);
        const auto right = axis.frequencyToX (axis.getEdge ((int) band + 1), plot);
        const auto gap = BandAxis::barGap (right - left);
        const auto barX = left + gap;
        const auto barWidth = right - left - 2.0f * gap;
        const auto valueY = levelToY (plotted (band), plot);

        g.setColour (colour.withAlpha (kBarFillAlpha));
        g.fillRect (barX, std::min (zeroY, valueY), barWidth, std::abs (valueY - zeroY));

        g.setColour (colour);
        const auto capTop = std::max (plot.getY(), std::min (plot.getBottom() - kBarCapHeight, valueY - 1.0f));
        g.fillRect (barX, capTop, barWidth, kBarCapHeight);
    }
}

void DifferenceDisplay::drawDifferenceCurve (juce::Graphics& g, juce::Rectangle<float> plot)
{
    updateDifferenceCurve (plot);

    g.setColour (matchEqMode ? matchColour : diffColour);
    g.strokePath (differenceCurve, juce::PathStrokeType (kCurveThickness, juce::PathStrokeType::curved,
                                                         juce::PathStrokeType::rounded));
}

void DifferenceDisplay::updateDifferenceCurve (juce::Rectangle<float> plot)
{
    if (plot == curvePlot && curveMatchEqMode == matchEqMode && sameValues (curveDifferences, bandDifferences))
        return;

    curvePlot = plot;
    curveMatchEqMode = matchEqMode;
    curveDifferences = bandDifferences;
    differenceCurve.clear();

    const auto& axis = getAxis();
    const auto numBands = std::min (bandDifferences.size(), bandCentres.size());
    bool runOpen = false;

    for (size_t band = 0; band < numBands; ++band)
    {
        if (! std::isfinite (bandDifferences[band]))
        {
            runOpen = false;
            continue;
        }

        const auto centreX = axis.frequencyToX (bandCentres[band], plot);
        const auto centreY = levelToY (plotted (band), plot);

        if (! runOpen)
        {
            differenceCurve.startNewSubPath (axis.frequencyToX (axis.getEdge ((int) band), plot), centreY);
            runOpen = true;
        }

        differenceCurve.lineTo (centreX, centreY);

        if (band + 1 < numBands && std::isfinite (bandDifferences[band + 1]))
        {
            const auto dx = axis.frequencyToX (bandCentres[band + 1], plot) - centreX;
            const auto steps = std::max (2, (int) std::ceil (dx));
            const auto span = std::log (bandCentres[band + 1] / bandCentres[band]);
            const auto logCentre = std::log (bandCentres[band]);

            for (int j = 1; j < steps; ++j)
            {
                const auto x = centreX + (float) j * dx / (float) steps;
                const auto t = (float) ((axis.xToLogFrequency (x, plot) - logCentre) / span);
                const auto value = interpolateLevel (bandDifferences, bandCentres, (int) band, (int) band + 1, t);
                differenceCurve.lineTo (x, levelToY (DifferenceReadout::plottedValue (value, matchEqMode), plot));
            }
        }
        else
        {
            differenceCurve.lineTo (axis.frequencyToX (axis.getEdge ((int) band + 1), plot), centreY);
            runOpen = false;
        }
    }
}

void DifferenceDisplay::drawBandVerdicts (juce::Graphics& g, juce::Rectangle<float> plot)
{
    const auto bottom = (int) (plot.getY() + plot.getHeight());
    const auto left = (int) plot.getX();
    const auto plotWidth = (int) plot.getWidth();
    const auto columnWidth = plotWidth / kNumVerdictColumns;
    const juce::Font titleFont (kVerdictFontHeight, juce::Font::bold);
    const juce::Font lineFont (kVerdictFontHeight);

    for (int column = 0; column < kNumVerdictColumns; ++column)
    {
        const auto columnX = left + column * columnWidth;
        const auto width = std::min (columnWidth, left + plotWidth - columnX);
        const auto textX = columnX + kColumnTextInset;
        const auto textWidth = std::max (0, width - 2 * kColumnTextInset);

        g.setColour (ThemePalette::textDim);
        g.setFont (titleFont);
        g.drawText (DifferenceReadout::bandTitle (column),
                    juce::Rectangle<float> ((float) textX, (float) (bottom + kTitleOffset), (float) textWidth, (float) kLineSpacing),
                    juce::Justification::centredLeft, true);

        const auto& reference = bandStats[(size_t) column];
        const auto& source = bandStats[(size_t) (column + kNumStereoBands)];

        if (! (levelDifferenceValid && reference.valid && source.valid))
        {
            g.drawText ("Not enough signal", textX, bottom + kFirstLineOffset, textWidth, kNotEnoughSignalHeight,
                        juce::Justification::topLeft, true);
            continue;
        }

        const auto phase = DifferenceReadout::phaseVerdict (reference.correlation, source.correlation);
        const juce::String lines[] = { DifferenceReadout::widthVerdict (reference.widthPercent, source.widthPercent),
                                       DifferenceReadout::crestVerdict (reference.crestDb, source.crestDb),
                                       phase.text };

        g.setFont (lineFont);

        for (int line = 0; line < 3; ++line)
        {
            g.setColour (line == 2 && phase.warning ? ThemePalette::warning : ThemePalette::textDim);
            g.drawFittedText (lines[line], textX, bottom + kFirstLineOffset + line * kLineSpacing, textWidth, kLineSpacing,
                              juce::Justification::centredLeft, 1);
        }
    }
}

void DifferenceDisplay::drawHoverReadout (juce::Graphics& g, juce::Rectangle<float> plot)
{
    if (! hovering || ! (hoverPosition.x >= plot.getX() && hoverPosition.x < plot.getRight()
                         && hoverPosition.y >= plot.getY() && hoverPosition.y < plot.getBottom()))
        return;

    const auto& axis = getAxis();
    const auto hz = axis.xToFrequency (hoverPosition.x, plot);
    const auto value = levelDifferenceValid ? DifferenceReadout::valueAt (hz, axis.getEdges(), bandCentres, bandDifferences,
                                                                          matchEqMode, plotStyle == PlotStyle::Lines)
                                            : std::numeric_limits<float>::quiet_NaN();
    const auto advice = DifferenceReadout::adviceFor (value, matchEqMode);
    const auto box = DifferenceReadout::hoverBoxBounds (plot, hoverPosition.x);

    g.setColour (ThemePalette::panel.withAlpha (kBoxAlpha));
    g.fillRoundedRectangle (box, kBoxCorner);
    g.setColour (ThemePalette::borderStrong);
    g.drawRoundedRectangle (box, kBoxCorner, 1.0f);

    const auto textX = juce::roundToInt (box.getX()) + kBoxTextInset;
    const auto textWidth = std::max (0, juce::roundToInt (box.getWidth()) - 2 * kBoxTextInset);
    const auto top = juce::roundToInt (box.getY());

    g.setColour (ThemePalette::text);
    g.setFont (juce::Font (kBoxTitleFontHeight, juce::Font::bold));
    g.drawFittedText (DifferenceReadout::readoutTitle (hz, value), textX, top + kBoxLineOffsets[0], textWidth,
                      kBoxLineHeights[0], juce::Justification::centredLeft, 1);

    g.setColour (ThemePalette::textDim);
    g.setFont (juce::Font (kBoxTextFontHeight));
    g.drawFittedText (advice.energy, textX, top + kBoxLineOffsets[1], textWidth, kBoxLineHeights[1],
                      juce::Justification::centredLeft, 1);

    g.setColour (ThemePalette::text);
    g.setFont (juce::Font (kBoxTextFontHeight, juce::Font::bold));
    g.drawFittedText (advice.action, textX, top + kBoxLineOffsets[2], textWidth, kBoxLineHeights[2],
                      juce::Justification::centredLeft, 1);
}

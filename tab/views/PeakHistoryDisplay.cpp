#include "tab/views/PeakHistoryDisplay.h"

#include "engine/ThemePalette.h"

namespace
{
constexpr juce::uint8 kFillAlpha = 0x40;
constexpr juce::uint8 kLineAlpha = 0xf2;
constexpr float kLineThickness = 1.5f;
constexpr juce::uint8 kGridAlpha = 0x2b;
constexpr juce::uint8 kCursorAlpha = 0x59;
constexpr juce::uint8 kLabelGroundAlpha = 0xe6;
constexpr float kLabelCorner = 3.0f;
constexpr float kLabelFontHeight = 10.0f;
}

PeakHistoryDisplay::PeakHistoryDisplay()
{
    setLevelRange (PeakHistoryLayout::kMinDb, PeakHistoryLayout::kMaxDb);
    setSelectionEnabled (false);
}

PeakHistoryDisplay::~PeakHistoryDisplay() = default;

bool PeakHistoryDisplay::isFrozen()
{
    return juce::ModifierKeys::currentModifiers.isShiftDown();
}

void PeakHistoryDisplay::setSeries (const std::vector<float>& referenceSeries, const std::vector<float>& sourceSeries)
{
    if (isFrozen())
        return;

    const auto count = (std::ptrdiff_t) std::min (referenceSeries.size(), sourceSeries.size());
    referencePeaks.assign (referenceSeries.begin(), referenceSeries.begin() + count);
    sourcePeaks.assign (sourceSeries.begin(), sourceSeries.begin() + count);
    pathsDirty = true;
    repaint();
}

void PeakHistoryDisplay::clearSeries()
{
    if (isFrozen())
        return;

    referencePeaks.clear();
    sourcePeaks.clear();
    pathsDirty = true;
    repaint();
}

void PeakHistoryDisplay::toggleReferenceVisible()
{
    visibility.toggleReference();
    repaint();
}

void PeakHistoryDisplay::toggleSourceVisible()
{
    visibility.toggleSource();
    repaint();
}

//==============================================================================
void PeakHistoryDisplay::moveCursor (const juce::MouseEvent& e)
{
    hoverPosition = e.position;
    hovering = true;
    repaint();
}

void PeakHistoryDisplay::mouseDown (const juce::MouseEvent& e)
{
    moveCursor (e);
    BandDisplayBase::mouseDown (e);
}

void PeakHistoryDisplay::mouseDrag (const juce::MouseEvent& e)
{
    moveCursor (e);
    BandDisplayBase::mouseDrag (e);
}

void PeakHistoryDisplay::mouseUp (const juce::MouseEvent& e)
{
    // The base's end of a selection gesture has nothing to do: the selection is off.
    moveCursor (e);
}

//==============================================================================
void PeakHistoryDisplay::drawGrid (juce::Graphics& g, juce::Rectangle<float> plot)
{
    drawLevelLines (g, plot);

    g.setColour (gridColour.withAlpha (kGridAlpha));
    g.drawLine (plot.getX(), plot.getY(), plot.getX(), plot.getBottom(), 1.0f);
    g.drawLine (plot.getRight(), plot.getY(), plot.getRight(), plot.getBottom(), 1.0f);
}

void PeakHistoryDisplay::drawAxisLabels (juce::Graphics& g, juce::Rectangle<float> plot, juce::Rectangle<float> bounds)
{
    drawLevelLabels (g, plot, bounds);
}

void PeakHistoryDisplay::updatePaths (juce::Rectangle<float> plot)
{
    if (! pathsDirty && plot == cachedPlotArea)
        return;

    cachedPlotArea = plot;
    pathsDirty = false;
    referencePath.clear();
    sourcePath.clear();

    const auto count = referencePeaks.size();
    referencePath.preallocateSpace ((int) count * 3);
    sourcePath.preallocateSpace ((int) count * 3);

    for (size_t i = 0; i < count; ++i)
    {
        const auto x = PeakHistoryLayout::valueX (i, count, plot);
        const juce::Point<float> reference (x, levelToY (referencePeaks[i], plot));
        const juce::Point<float> source (x, levelToY (sourcePeaks[i], plot));

        if (i == 0)
        {
            referencePath.startNewSubPath (reference);
            sourcePath.startNewSubPath (source);
        }
        else
        {
            referencePath.lineTo (reference);
            sourcePath.lineTo (source);
        }
    }

    pathStartX = PeakHistoryLayout::valueX (0, count, plot);
    pathEndX = PeakHistoryLayout::valueX (count - 1, count, plot);
    ++pathBuilds;
}

void PeakHistoryDisplay::drawSeries (juce::Graphics& g, const juce::Path& path, juce::Colour colour, bool filled, float bottom)
{
    if (filled)
    {
        auto area = path;
        area.lineTo (pathEndX, bottom);
        area.lineTo (pathStartX, bottom);
        area.closeSubPath();
        g.setColour (colour.withAlpha (kFillAlpha));
        g.fillPath (area);
    }

    g.setColour (colour.withAlpha (kLineAlpha));
    g.strokePath (path, juce::PathStrokeType (kLineThickness, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
}

void PeakHistoryDisplay::drawContent (juce::Graphics& g, juce::Rectangle<float> plot)
{
    if (! PeakHistoryLayout::drawsSeries (referencePeaks.size()))
        return;

    updatePaths (plot);

    const auto filled = visibility.filledSeries();

    if (visibility.referenceVisible)
        drawSeries (g, referencePath, ThemePalette::accent, filled == kReferenceSeries, plot.getBottom());

    if (visibility.sourceVisible)
        drawSeries (g, sourcePath, ThemePalette::sourceSignal, filled == kSourceSeries, plot.getBottom());

    drawCursor (g, plot);
}

void PeakHistoryDisplay::drawCursor (juce::Graphics& g, juce::Rectangle<float> plot)
{
    if (! hovering || ! PeakHistoryLayout::cursorShown (hoverPosition, plot))
        return;

    const auto y = PeakHistoryLayout::cursorY (hoverPosition, plot);
    g.setColour (ThemePalette::textDim.withAlpha (kCursorAlpha));
    g.drawLine (plot.getX(), y, plot.getRight(), y, 1.0f);

    const auto box = PeakHistoryLayout::cursorLabelBox (hoverPosition.x, y, plot);
    g.setColour (ThemePalette::surface.withAlpha (kLabelGroundAlpha));
    g.fillRoundedRectangle (box, kLabelCorner);

    g.setColour (ThemePalette::text);
    g.setFont (juce::Font (kLabelFontHeight, juce::Font::bold));
    g.drawFittedText (PeakHistoryLayout::cursorText (PeakHistoryLayout::levelAt (y, plot)), box.toNearestInt(),
                      juce::Justification::centred, 1);
}

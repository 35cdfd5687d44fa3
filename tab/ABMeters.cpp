#include "tab/ABMeters.h"

#include "engine/ThemePalette.h"
#include "tab/ABMetersLayout.h"
#include "tab/LookAndFeelFont.h"

namespace
{
// Rows of one readout panel, top to bottom.
constexpr int kPanelTextInset = 8;
constexpr int kCaptionRowHeight = 17;
constexpr int kUnitNameRowHeight = 12;
constexpr int kValueRowHeight = 24;
constexpr int kGainRowHeight = 16;

constexpr float kCaptionFontHeight = 10.5f;
constexpr float kUnitNameFontHeight = 9.5f;
constexpr float kValueFontHeight = 20.0f;
constexpr float kGainFontHeight = 10.0f;

constexpr float kFrameCorner = 6.0f;
constexpr float kFrameThickness = 1.0f;

constexpr int kMaxLevelMatchMode = 2;

/** Hands out rows from the top of a column until its height is used up. */
struct RowCursor
{
    juce::Rectangle<int> take (int rowHeight) noexcept
    {
        const auto height = juce::jmin (rowHeight, available);
        const juce::Rectangle<int> row (x, y, width, height);
        y += height;
        available -= height;
        return row;
    }

    juce::Rectangle<int> rest() const noexcept { return { x, y, width, available }; }

    int x = 0, y = 0, width = 0, available = 0;
};
} // namespace

ABMeters::ABMeters()
{
    setOpaque (true);

    outputSwitch.setLabels ("Reference", "Source");
    outputSwitch.setColours (ThemePalette::accent, ThemePalette::sourceSignal);
    outputSwitch.onClick = [this]
    {
        outputSelection = outputSwitch.getToggleState() ? OutputSelection::Reference : OutputSelection::Source;
        repaint();

        if (onOutputSelectionChanged)
            onOutputSelectionChanged (outputSelection);
    };
    outputSwitch.setToggleState (outputSelection == OutputSelection::Reference, juce::dontSendNotification);

    levelMatchSwitch.onModeChanged = [this] (int mode)
    {
        levelMatchMode = mode;

        if (onLevelMatchModeChanged)
            onLevelMatchModeChanged (mode);
    };
    levelMatchSwitch.setMode (juce::jlimit (0, kMaxLevelMatchMode, levelMatchMode));

    addAndMakeVisible (outputSwitch);
    addAndMakeVisible (levelMatchSwitch);
}

ABMeters::~ABMeters() = default;

void ABMeters::setMeterUnits (int leftUnitCode, int rightUnitCode)
{
    const auto [left, right] = MeterText::separateUnits (leftUnitCode, rightUnitCode);
    const auto newLeft = static_cast<MeterUnit> (left);
    const auto newRight = static_cast<MeterUnit> (right);

    if (newLeft == leftUnit && newRight == rightUnit)
        return;

    leftUnit = newLeft;
    rightUnit = newRight;
    repaint();
}

void ABMeters::setOutputSelection (OutputSelection selection)
{
    outputSelection = selection;
    outputSwitch.setToggleState (selection == OutputSelection::Reference, juce::dontSendNotification);
    repaint();
}

void ABMeters::setLevelMatchMode (int mode)
{
    levelMatchMode = juce::jlimit (0, kMaxLevelMatchMode, mode);
    levelMatchSwitch.setMode (levelMatchMode);
}

void ABMeters::setValues (const Values& newValues)
{
    values = newValues;
    repaint();
}

void ABMeters::resized()
{
    const auto layout = ABMetersLayout::compute (getWidth(), getHeight());
    outputSwitch.setBounds (layout.outputSwitch);
    levelMatchSwitch.setBounds (layout.levelMatchSwitch);
}

void ABMeters::paint (juce::Graphics& g)
{
    g.fillAll (ThemePalette::panel);

    g.setColour (ThemePalette::border);
    g.drawRoundedRectangle ({ 0.5f, 0.5f, (float) juce::jmax (getWidth() - 1, 0), (float) juce::jmax (getHeight() - 1, 0) },
                            kFrameCorner, kFrameThickness);

    const auto layout = ABMetersLayout::compute (getWidth(), getHeight());
    drawMeterPanel (g, layout.sourcePanel, "SOURCE INPUT", ThemePalette::sourceSignal, sourceReadings());
    drawMeterPanel (g, layout.referencePanel, "REFERENCE INPUT", ThemePalette::accent, referenceReadings());
}

void ABMeters::paintOverChildren (juce::Graphics& g)
{
    const auto layout = ABMetersLayout::compute (getWidth(), getHeight());

    g.setColour (ThemePalette::textDim);
    g.setFont (lookAndFeelFont (*this, kCaptionFontHeight, juce::Font::bold));
    g.drawFittedText ("AUDIO OUTPUT", layout.outputCaption, juce::Justification::centred, 1);
}

void ABMeters::drawMeterPanel (juce::Graphics& g, juce::Rectangle<int> area, const juce::String& caption,
                               juce::Colour captionColour, const MeterText::SignalReadings& readings) const
{
    if (area.getHeight() > 0)
    {
        g.setColour (ThemePalette::border);
        g.fillRect (area.getX(), area.getY(), 1, area.getHeight());
    }

    RowCursor rows { area.getX() + kPanelTextInset, area.getY() + 1,
                     juce::jmax (area.getWidth() - 2 * kPanelTextInset, 0), juce::jmax (area.getHeight() - 2, 0) };

    const auto drawRow = [&g] (const juce::String& text, juce::Rectangle<int> row, juce::Justification justification)
    {
        g.drawText (text, row, justification, true);
    };

    g.setColour (captionColour);
    g.setFont (lookAndFeelFont (*this, kCaptionFontHeight, juce::Font::bold));
    drawRow (caption, rows.take (kCaptionRowHeight), juce::Justification::centred);

    const auto playing = values.transportPlaying;

    for (const auto unit : { leftUnit, rightUnit })
    {
        g.setColour (ThemePalette::textDim);
        g.setFont (lookAndFeelFont (*this, kUnitNameFontHeight));
        drawRow (MeterText::rowName (unit), rows.take (kUnitNameRowHeight), juce::Justification::centred);

        const auto value = MeterText::readingFor (unit, readings);
        g.setColour (MeterText::valueColour (unit, value, playing));
        g.setFont (lookAndFeelFont (*this, kValueFontHeight));
        drawRow (MeterText::valueText (unit, value, playing), rows.take (kValueRowHeight), juce::Justification::centred);
    }

    // The status line shares the gain row's font and colour.
    g.setColour (MeterText::gainColour (readings.gainDb, readings.truePeakDb, playing));
    g.setFont (lookAndFeelFont (*this, kGainFontHeight));
    drawRow (MeterText::gainText (readings.gainDb), rows.take (kGainRowHeight), juce::Justification::centred);
    drawRow (MeterText::statusText (playing, levelMatchMode, values.levelMatchReady), rows.rest(),
             juce::Justification::centredTop);
}

MeterText::SignalReadings ABMeters::referenceReadings() const noexcept
{
    return { values.referenceShortTermLufs, values.referenceRmsDb, values.referenceTruePeakDb,
             values.referencePeakDb, values.referenceIntegratedLufs, values.referenceGainDb };
}

MeterText::SignalReadings ABMeters::sourceReadings() const noexcept
{
    return { values.sourceShortTermLufs, values.sourceRmsDb, values.sourceTruePeakDb,
             values.sourcePeakDb, values.sourceIntegratedLufs, values.sourceGainDb };
}

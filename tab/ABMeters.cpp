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

// Glyphs may reach a little past their row; a row's repaint covers that much more above and below.
constexpr int kRowRepaintOverhang = 2;

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
        updateShownReadings();

        if (onLevelMatchModeChanged)
            onLevelMatchModeChanged (mode);
    };
    levelMatchSwitch.setMode (juce::jlimit (0, kMaxLevelMatchMode, levelMatchMode));

    addAndMakeVisible (outputSwitch);
    addAndMakeVisible (levelMatchSwitch);

    shownSource = shownReadingsFor (sourceReadings());
    shownReference = shownReadingsFor (referenceReadings());
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
    shownSource = shownReadingsFor (sourceReadings());
    shownReference = shownReadingsFor (referenceReadings());
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
    updateShownReadings();
}

void ABMeters::setValues (const Values& newValues)
{
    values = newValues;
    updateShownReadings();
}

void ABMeters::updateShownReadings()
{
    const auto newSource = shownReadingsFor (sourceReadings());
    const auto newReference = shownReadingsFor (referenceReadings());
    const auto layout = ABMetersLayout::compute (getWidth(), getHeight());

    repaintChangedRows (layout.sourcePanel, shownSource, newSource);
    repaintChangedRows (layout.referencePanel, shownReference, newReference);

    shownSource = newSource;
    shownReference = newReference;
}

void ABMeters::repaintChangedRows (juce::Rectangle<int> area, const ShownReadings& before, const ShownReadings& after)
{
    const auto rows = panelRows (area);
    const auto repaintRow = [this, area] (juce::Rectangle<int> row)
    {
        repaint (row.expanded (0, kRowRepaintOverhang).getIntersection (area));
    };

    for (int i = 0; i < 2; ++i)
        if (before.valueTexts[i] != after.valueTexts[i] || before.valueColours[i] != after.valueColours[i])
            repaintRow (rows.values[i]);

    // The status line is drawn in the gain row's colour.
    if (before.gainText != after.gainText || before.gainColour != after.gainColour)
        repaintRow (rows.gain);

    if (before.statusText != after.statusText || before.gainColour != after.gainColour)
        repaintRow (rows.status);
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
    drawMeterPanel (g, layout.sourcePanel, "SOURCE INPUT", ThemePalette::sourceSignal, shownSource);
    drawMeterPanel (g, layout.referencePanel, "REFERENCE INPUT", ThemePalette::accent, shownReference);
}

void ABMeters::paintOverChildren (juce::Graphics& g)
{
    const auto layout = ABMetersLayout::compute (getWidth(), getHeight());

    g.setColour (ThemePalette::textDim);
    g.setFont (lookAndFeelFont (*this, kCaptionFontHeight, juce::Font::bold));
    g.drawFittedText ("AUDIO OUTPUT", layout.outputCaption, juce::Justification::centred, 1);
}

ABMeters::PanelRows ABMeters::panelRows (juce::Rectangle<int> area) noexcept
{
    RowCursor cursor { area.getX() + kPanelTextInset, area.getY() + 1,
                       juce::jmax (area.getWidth() - 2 * kPanelTextInset, 0), juce::jmax (area.getHeight() - 2, 0) };

    PanelRows rows;
    rows.caption = cursor.take (kCaptionRowHeight);

    for (int i = 0; i < 2; ++i)
    {
        rows.unitNames[i] = cursor.take (kUnitNameRowHeight);
        rows.values[i] = cursor.take (kValueRowHeight);
    }

    rows.gain = cursor.take (kGainRowHeight);
    rows.status = cursor.rest();
    return rows;
}

ABMeters::ShownReadings ABMeters::shownReadingsFor (const MeterText::SignalReadings& readings) const
{
    const auto playing = values.transportPlaying;
    const MeterUnit units[2] { leftUnit, rightUnit };

    ShownReadings shown;

    for (int i = 0; i < 2; ++i)
    {
        const auto value = MeterText::readingFor (units[i], readings);
        shown.valueTexts[i] = MeterText::valueText (units[i], value, playing);
        shown.valueColours[i] = MeterText::valueColour (units[i], value, playing);
    }

    shown.gainText = MeterText::gainText (readings.gainDb);
    shown.gainColour = MeterText::gainColour (readings.gainDb, readings.truePeakDb, playing);
    shown.statusText = MeterText::statusText (playing, levelMatchMode, values.levelMatchReady);
    return shown;
}

void ABMeters::drawMeterPanel (juce::Graphics& g, juce::Rectangle<int> area, const juce::String& caption,
                               juce::Colour captionColour, const ShownReadings& shown) const
{
    if (area.getHeight() > 0)
    {
        g.setColour (ThemePalette::border);
        g.fillRect (area.getX(), area.getY(), 1, area.getHeight());
    }

    const auto rows = panelRows (area);
    const auto drawRow = [&g] (const juce::String& text, juce::Rectangle<int> row, juce::Justification justification)
    {
        g.drawText (text, row, justification, true);
    };

    g.setColour (captionColour);
    g.setFont (lookAndFeelFont (*this, kCaptionFontHeight, juce::Font::bold));
    drawRow (caption, rows.caption, juce::Justification::centred);

    const MeterUnit units[2] { leftUnit, rightUnit };

    for (int i = 0; i < 2; ++i)
    {
        g.setColour (ThemePalette::textDim);
        g.setFont (lookAndFeelFont (*this, kUnitNameFontHeight));
        drawRow (MeterText::rowName (units[i]), rows.unitNames[i], juce::Justification::centred);

        g.setColour (shown.valueColours[i]);
        g.setFont (lookAndFeelFont (*this, kValueFontHeight));
        drawRow (shown.valueTexts[i], rows.values[i], juce::Justification::centred);
    }

    // The status line shares the gain row's font and colour.
    g.setColour (shown.gainColour);
    g.setFont (lookAndFeelFont (*this, kGainFontHeight));
    drawRow (shown.gainText, rows.gain, juce::Justification::centred);
    drawRow (shown.statusText, rows.status, juce::Justification::centredTop);
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

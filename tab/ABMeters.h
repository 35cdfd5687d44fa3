#pragma once

#include "tab/LabeledSwitch.h"
#include "tab/LevelMatchModeSwitch.h"
#include "tab/MeterText.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <limits>

/** What the plug-in's output plays; the same numbering as the choice index of "monitorRef". */
enum class OutputSelection : int
{
    /** The output plays the Reference (the output switch is on). */
    Reference = 0,
    /** The output plays the Source (the output switch is off). */
    Source = 1
};

/** The selection that a raw value of "monitorRef" stands for: below 0.5 the Reference, else the
    Source. The one reading of the parameter for every side that needs it. Any thread. */
inline OutputSelection outputSelectionForMonitorValue (float monitorRefValue) noexcept
{
    return monitorRefValue < 0.5f ? OutputSelection::Reference : OutputSelection::Source;
}

/** The normalised value of "monitorRef" for a selection (0 Reference, 1 Source), as
    juce::AudioProcessorParameter::setValueNotifyingHost takes it. Any thread. */
inline float monitorValueFor (OutputSelection selection) noexcept
{
    return selection == OutputSelection::Reference ? 0.0f : 1.0f;
}

/**
    The meter panel of a Reference tab: the output switch under "AUDIO OUTPUT", the level-match
    switch below it, and two readout panels ("SOURCE INPUT", "REFERENCE INPUT") that it draws
    itself, each with two readings in the user's units, the level-match gain and a status line.

    The tab page forwards its two callbacks to the editor; the editor's timer writes the
    readings. Message thread only.
*/
class ABMeters final : public juce::Component
{
public:
    /** One set of readings the editor's timer hands over per tick. NaN stands for no reading;
        levels in dB or LUFS as measured. */
    struct Values
    {
        static constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

        /** Whether the host transport plays. */
        bool transportPlaying = false;
        float referenceIntegratedLufs = kNoValue;
        float sourceIntegratedLufs = kNoValue;
        float referenceShortTermLufs = kNoValue;
        float sourceShortTermLufs = kNoValue;
        float referenceRmsDb = kNoValue;
        float sourceRmsDb = kNoValue;
        /** Held true peaks. */
        float referenceTruePeakDb = kNoValue;
        float sourceTruePeakDb = kNoValue;
        /** Held sample peaks. */
        float referencePeakDb = kNoValue;
        float sourcePeakDb = kNoValue;
        /** Gains level matching applies, dB. */
        float referenceGainDb = 0.0f;
        float sourceGainDb = 0.0f;
        /** Whether level matching could measure both signals in the last audio block. */
        bool levelMatchReady = false;
    };

    /** Builds the panel: output switch on (Reference), level-match mode 0, units LUFS-S and
        TRUE PEAK, every reading NaN. */
    ABMeters();
    ~ABMeters() override;

    /** Fired when the output switch chooses what the output plays (possibly twice for one
        click, with the same value). Set by the tab page; skipped when empty. */
    std::function<void (OutputSelection)> onOutputSelectionChanged;

    /** Fired with the mode (0..2) on every click in a level-match segment. Set by the tab page;
        skipped when empty. */
    std::function<void (int mode)> onLevelMatchModeChanged;

    /** Sets the units of the first and second readout from their codes; equal codes are made
        different (the right one becomes TRUE PEAK for 1..3, LUFS-S otherwise). Repaints only
        when a unit changed. */
    void setMeterUnits (int leftUnitCode, int rightUnitCode);

    /** Shows a selection on the output switch without reporting it, and repaints. */
    void setOutputSelection (OutputSelection selection);

    /** Shows a level-match mode (clamped to 0..2) without reporting it; repaints the status
        lines when their text changed. */
    void setLevelMatchMode (int mode);

    /** Takes the readings of one timer tick and repaints the readout rows whose text or colour
        changed; the switches and the rest of the panel are left alone. */
    void setValues (const Values& newValues);

    /** The selection the output switch shows. */
    OutputSelection getOutputSelection() const noexcept { return outputSelection; }
    /** The level-match mode last chosen or set, 0..2. */
    int getLevelMatchMode() const noexcept { return levelMatchMode; }
    /** The unit of the first readout of each panel. */
    MeterUnit getLeftUnit() const noexcept { return leftUnit; }
    /** The unit of the second readout of each panel. */
    MeterUnit getRightUnit() const noexcept { return rightUnit; }
    /** The readings last written. */
    const Values& getValues() const noexcept { return values; }

    /** Fills the ground, frames the panel and draws both readout panels. */
    void paint (juce::Graphics&) override;
    /** Draws the caption "AUDIO OUTPUT" above the output switch. */
    void paintOverChildren (juce::Graphics&) override;
    /** Places the two switches. */
    void resized() override;

    /** "Reference" (on, right) / "Source" (off, left). */
    LabeledSwitch outputSwitch;
    /** The level-match mode selector. */
    LevelMatchModeSwitch levelMatchSwitch;

private:
    /** What one readout panel shows in the rows that follow the readings. */
    struct ShownReadings
    {
        juce::String valueTexts[2];
        juce::Colour valueColours[2];
        juce::String gainText;
        juce::Colour gainColour;
        juce::String statusText;
    };

    /** Where the rows of one readout panel lie, top to bottom. */
    struct PanelRows
    {
        juce::Rectangle<int> caption;
        juce::Rectangle<int> unitNames[2];
        juce::Rectangle<int> values[2];
        juce::Rectangle<int> gain;
        juce::Rectangle<int> status;
    };

    /** The rows of a readout panel occupying area. */
    static PanelRows panelRows (juce::Rectangle<int> area) noexcept;

    /** What a panel shows for these readings with the current units, mode and transport. */
    ShownReadings shownReadingsFor (const MeterText::SignalReadings& readings) const;

    /** Recomputes what both panels show and repaints the rows that changed. */
    void updateShownReadings();

    /** Repaints the rows of the panel in area whose text or colour differs between the two. */
    void repaintChangedRows (juce::Rectangle<int> area, const ShownReadings& before, const ShownReadings& after);

    /** Draws one signal's readout panel: separator, caption, two readouts, gain and status. */
    void drawMeterPanel (juce::Graphics& g, juce::Rectangle<int> area, const juce::String& caption,
                         juce::Colour captionColour, const ShownReadings& shown) const;

    /** The Reference's and the Source's readings from the values last written. */
    MeterText::SignalReadings referenceReadings() const noexcept;
    MeterText::SignalReadings sourceReadings() const noexcept;

    Values values;
    int levelMatchMode = 0;
    OutputSelection outputSelection = OutputSelection::Reference;
    MeterUnit leftUnit = MeterUnit::LufsShortTerm;
    MeterUnit rightUnit = MeterUnit::TruePeak;
    ShownReadings shownSource, shownReference;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ABMeters)
};

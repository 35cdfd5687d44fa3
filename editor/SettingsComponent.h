#pragma once

#include "engine/SettingsStore.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The look-and-feel of the dialog, its controls and its tooltip window. */
using SettingsLookAndFeel = juce::LookAndFeel_V4;

/**
    The content of the settings dialog: the units of the two level meters, the analyzer's plot
    style and the playback history (on or off, and its length), with OK and Cancel.

    It shows the store's values when it is built and leaves the store untouched until OK, which
    writes the five keys and saves the file; OK and Cancel then close the dialog window that
    holds it.

    Message thread only.
*/
class SettingsComponent final : public juce::Component
{
public:
    /** Builds the controls and fills them from the store. */
    explicit SettingsComponent (SettingsStore& store);

    /** Detaches the look-and-feel from this component and its tooltip window. */
    ~SettingsComponent() override;

    /** A vertical gradient from the surface colour to the background colour. */
    void paint (juce::Graphics&) override;

    /** Places the groups and controls (SettingsLayout). */
    void resized() override;

    /** Fills a meter-unit box with the five units, peak first; an item's id is its unit + 1. */
    static void fillMeterUnitBox (juce::ComboBox& box);

    /** Shows the store's values in the controls without sending change notifications. */
    void fillFromStore();

    /** OK: writes the controls' values into the store, saves the file and closes the dialog. */
    void apply();

    /** Cancel: closes the enclosing dialog window, if any, without writing anything. */
    void close();

private:
    SettingsLookAndFeel lookAndFeel;
    juce::TooltipWindow tooltipWindow;
    SettingsStore& store;

public:
    // The children, public so that tests can drive them as a user would.
    juce::GroupComponent generalGroup;
    juce::Label leftUnitLabel;
    juce::ComboBox leftUnitBox;
    juce::Label rightUnitLabel;
    juce::ComboBox rightUnitBox;
    juce::Label analyzerStyleLabel;
    juce::ComboBox analyzerStyleBox;
    juce::ToggleButton historyToggle;
    juce::Label historyLengthLabel;
    juce::TextEditor historyLengthEditor;
    juce::GroupComponent versionGroup;
    juce::Label versionLabel;
    juce::HyperlinkButton creditLink;
    juce::TextButton okButton;
    juce::TextButton cancelButton;

private:
    void setColours();
    void setUpChildren();
    void wireEvents();
    void applyClashRule (juce::ComboBox& changed, juce::ComboBox& other);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsComponent)
};

/** Opens the modal settings dialog on the store, centred on the editor, and returns at once;
    the dialog deletes itself when dismissed. Message thread. */
void showSettingsDialog (juce::Component& editor, SettingsStore& store);

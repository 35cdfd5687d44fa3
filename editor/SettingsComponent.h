#pragma once

#include "editor/KalvorinLookAndFeel.h"
#include "engine/SettingsStore.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The look-and-feel of the dialog, its controls and its tooltip window. */
using SettingsLookAndFeel = KalvorinLookAndFeel;

/**
    The content of the settings dialog: the units of the two level meters, the analyzer's plot
    style and the playback history (on or off, and its length), with OK and Cancel.

    It shows the store's values when it is built and leaves the store untouched until OK, which
    writes the five keys and saves the file; OK and Cancel then close the dialog window that
    holds it.

    The store belongs to the processor, while the dialog is a top-level window of its own that
    could outlive the editor and, after it, the processor. So the component follows an owner
    (the editor, which always goes before the processor): when the owner is deleted it lets go
    of the store at once and deletes the dialog window, so that no later OK can write into a
    store that is gone.

    Message thread only.
*/
class SettingsComponent final : public juce::Component,
                                private juce::ComponentListener
{
public:
    /** Builds the controls and fills them from the store. When owner is given, its deletion
        detaches the store and deletes the enclosing dialog window (see the class comment). */
    SettingsComponent (SettingsStore& store, juce::Component* owner);

    /** Detaches the look-and-feel from this component and its tooltip window, then stops
        following the owner. */
    ~SettingsComponent() override;

    /** A vertical gradient from the surface colour to the background colour. */
    void paint (juce::Graphics&) override;

    /** Places the groups and controls (SettingsLayout). */
    void resized() override;

    /** Fills a meter-unit box with the five units, peak first; an item's id is its unit + 1. */
    static void fillMeterUnitBox (juce::ComboBox& box);

    /** Shows the store's values in the controls without sending change notifications. */
    void fillFromStore();

    /** OK: writes the controls' values into the store, saves the file and closes the dialog.
        Once the owner is gone it only closes. */
    void apply();

    /** Cancel: closes the enclosing dialog window, if any, without writing anything. */
    void close();

    /** Whether the component still holds its store (false once the owner was deleted). */
    bool isAttachedToStore() const noexcept { return store != nullptr; }

private:
    SettingsLookAndFeel lookAndFeel;
    juce::TooltipWindow tooltipWindow;
    SettingsStore* store = nullptr;
    juce::Component* owner = nullptr;

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
    void writeToStore (SettingsStore& target);

    void componentBeingDeleted (juce::Component&) override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsComponent)
};

/** Opens the modal settings dialog on the store, centred on the editor, and returns at once;
    the dialog deletes itself when dismissed. It also closes, without writing, when the editor
    is deleted, so the editor need not do anything for it. Message thread. */
void showSettingsDialog (juce::Component& editor, SettingsStore& store);

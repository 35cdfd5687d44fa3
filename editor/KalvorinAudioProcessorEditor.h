#pragma once

#include "editor/DarkTabsLookAndFeel.h"
#include "editor/KalvorinLookAndFeel.h"
#include "editor/NotifyingTabs.h"
#include "editor/OswaldLookAndFeel.h"
#include "editor/PlaybackHistoryRecorder.h"
#include "editor/SignalViewTabTarget.h"
#include "editor/TimerFeed.h"
#include "tab/SignalViewTab.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <atomic>
#include <memory>
#include <vector>

class KalvorinAudioProcessor;

/**
    The plug-in window: one tab per loaded Reference plus the "+ ADD" tab, the empty state with
    the big logo while no Reference tab exists, the logo and settings buttons, the file dialog
    and drag-and-drop target, and the thumbnail cache and format manager the tab pages share.

    It keeps the tabs in step with the processor's Reference list, makes the current tab's
    Reference the active one, saves and restores the tabs in the project's editor state, and
    lets every tab's output switch follow the host parameter "monitorRef".

    Everything runs on the message thread, except parameterChanged, which may run on any thread
    (the audio thread while the host automates "monitorRef") and only records the new choice.
*/
class KalvorinAudioProcessorEditor final : public juce::AudioProcessorEditor,
                                           public juce::FileDragAndDropTarget,
                                           private juce::AudioProcessorValueTreeState::Listener,
                                           private juce::Timer
{
public:
    /** Builds the window for the processor and restores the tabs of its editor state.
        Called by the processor's createEditor on the message thread. */
    explicit KalvorinAudioProcessorEditor (KalvorinAudioProcessor&);
    /** Saves the editor state and takes the window down. */
    ~KalvorinAudioProcessorEditor() override;

    //==============================================================================
    /** A right click on a Reference tab opens the tab menu; a left click into the empty
        window opens the file dialog. */
    void mouseDown (const juce::MouseEvent&) override;
    /** A middle click on a Reference tab closes it. */
    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    /** Ctrl+W closes the current Reference tab; every other key goes on. */
    bool keyPressed (const juce::KeyPress&) override;
    void resized() override;

    /** True when at least one of the paths is a file the editor can load. */
    bool isInterestedInFileDrag (const juce::StringArray& files) override;
    /** Loads every loadable file in the given order; the last one loaded ends as current. */
    void filesDropped (const juce::StringArray& files, int x, int y) override;
    /** Shows the drop highlight while acceptable files are dragged over the window. */
    void fileDragEnter (const juce::StringArray& files, int x, int y) override;
    /** Removes the drop highlight. */
    void fileDragExit (const juce::StringArray& files) override;

    //==============================================================================
    // Tabs. Message thread only.

    /** Selects the tab of a file already open (applying the view to it), or builds a page for
        the file, wires it, applies the view, inserts it before "+ ADD" and makes it current.
        view may be null. */
    void addReferenceTab (const juce::File& file, int refIndex, const juce::var* view);
    /** Whether the tab at an index is the "+ ADD" tab. */
    bool isPlusTab (int tabIndex) const;
    /** The number of tabs that are not the "+ ADD" tab. */
    int countReferenceTabs() const;
    /** Appends the "+ ADD" tab when a Reference tab exists and it is missing. */
    void addPlusTabIfNeeded();
    /** Removes the "+ ADD" tab when no Reference tab is left. */
    void removePlusTabIfUnneeded();
    /** "Add reference" for "+ ADD", the file's full path for a Reference tab. */
    void updateTabTooltips();
    /** Recomputes every tab's "refIndex" from the processor's list by path and makes the
        current tab's Reference active. */
    void syncTabReferenceIndices();
    /** Removes tabs whose file left the processor's list and shows or hides the empty state. */
    void refreshTabs();
    /** Removes a Reference tab's file from the processor and the tab from the bar; the
        caller runs the follow-up operations once after all its removals. */
    void closeReferenceTab (int tabIndex);
    /** Sets every Reference tab's output switch to Source (true) or Reference. */
    void applyMonitorSelectionToTabs (bool sourceSelected);
    /** The tab component. */
    NotifyingTabs& getTabs() noexcept { return tabs; }
    /** The Reference page of a tab, or null for "+ ADD", a missing page or a bad index. */
    SignalViewTab* getReferencePage (int tabIndex) const;

    //==============================================================================
    // Files. Message thread only.

    /** Whether a file exists as a regular file that a registered format claims or reads. */
    bool canLoadFile (const juce::File& file);
    /** Opens the file dialog asynchronously (replacing one that is open). */
    void openFileDialog();
    /** What the file dialog does with its result (an empty file when cancelled): loads the
        file when it can, updates the tabs and saves the state, and lets the dialog go. */
    void loadChosenFile (const juce::File& file);
    /** How many times the file dialog was opened since the window was built. */
    int getNumFileDialogsOpened() const noexcept { return fileDialogsOpened; }
    /** The line of supported formats of the empty state. */
    const juce::String& getSupportedFormatsText() const noexcept { return supportedFormatsText; }
    /** Whether the empty state (no Reference tab) shows. */
    bool isShowingEmptyState() const { return hintLabel.isVisible(); }

    //==============================================================================
    /** Writes the tabs, their views and the current tab into the project's editor state
        (the stored text changes only when it differs). Message thread only. */
    void saveEditorState();

    /** A seek asked for by a tab's waveform. It moves the tab's own Reference: when another
        Reference is active (a tab restored in the background), the seek waits until the tab's
        Reference becomes active. Otherwise the playback history and the loop passes follow the
        jump: a user's seek while playing starts them afresh, the waveform's jump back to a
        loop's start ends a loop pass, and a seek while stopped shows the moment recorded there.
        Message thread only. */
    void handleSeek (SignalViewTab& tab, SignalDisplay::SeekOrigin origin, double seconds);

    //==============================================================================
    /** One tick of the editor's clock: takes the display settings, chooses the timer's rate
        from what the current tab shows, reads what the engine published, feeds the current
        tab's meter panel, records the playback history and feeds the tab's views. The timer
        calls it; a test may call it to tick at a moment of its choosing. Message thread only. */
    void timerCallback() override;

    /** The interval the timer runs at, ms. */
    using juce::Timer::getTimerInterval;

    /** The live measurements of the last tick. */
    const AnalysisSnapshot& getLiveSnapshot() const noexcept { return liveSnapshot; }

    /** The playback history, loop passes and written analysis. */
    const PlaybackHistoryRecorder& getRecorder() const noexcept { return recorder; }

    /** The tab menu of a tab bar holding the given number of Reference tabs. */
    static juce::PopupMenu createTabMenu (int numReferenceTabs);

    /** Tab menu item identifiers. */
    enum TabMenuItem
    {
        closeTabItem = 1,
        closeOthersItem = 2,
        closeAllItem = 3,
        settingsItem = 4
    };

private:
    //==============================================================================
    void parameterChanged (const juce::String& parameterID, float newValue) override;

    void layoutComponents();
    void drawCachedLogo (juce::Graphics&, const juce::Image& source, juce::Image& cache, juce::Rectangle<int> area);

    void handleCurrentTabChanged (int newIndex);
    /** Sets every Reference tab's "refIndex" from the processor's list, selecting nothing. */
    void recomputeTabReferenceIndices();
    /** Makes a tab's Reference the active one and gives it a seek that waited for that. */
    void activateReferenceOfTab (int tabIndex);
    /** sync, "+ ADD" in or out, tooltips, refresh and save: what every tab action ends with. */
    void runTabFollowUps();

    int findTabUnder (const juce::MouseEvent&) const;
    bool isInTabBar (const juce::Component*) const;
    void showTabMenu (int tabIndex, juce::Point<int> screenPosition);
    void handleTabMenuResult (int result, int tabIndex);

    void restoreTabs();
    void rebuildTabsAfterStateRestore();
    /** Hands a loadable file to the processor and gives it a tab when the processor took it. */
    void loadReferenceFile (const juce::File& file);
    void applyPendingMonitorSelection();

    /** The display settings, pushed into every tab (the meter units only when they changed). */
    void applyMeterUnitSettings();
    void applyPlotStyleSetting();
    void applyHistorySettings();

    /** The current tab's page; null when no tab or "+ ADD" is current. */
    SignalViewTab* currentSignalViewTab() const;
    /** The recorder's view of a page. */
    SignalViewTabTarget targetFor (SignalViewTab& tab);
    /** Writes a snapshot into a page's views, with the stereo points of the monitored signal. */
    void pushSnapshotToTab (SignalViewTab& tab, const AnalysisSnapshot& snapshot, bool live);
    /** Timer step: refreshes the live measurements and hands the tick to the recorder. */
    void recordPlaybackHistory (SignalViewTab* tab);

    /** The project's editor-state text, and where a new one is stored. */
    juce::String readStoredEditorState() const;
    void storeEditorState (const juce::String& text);

    //==============================================================================
    KalvorinAudioProcessor& processor;
    OswaldLookAndFeel oswaldLookAndFeel;
    NotifyingTabs tabs;
    KalvorinLookAndFeel tooltipLookAndFeel;
    juce::TooltipWindow tooltipWindow;
    juce::Label hintLabel, titleLabel, formatsLabel;
    std::unique_ptr<juce::FileChooser> fileChooser;
    juce::AudioFormatManager formatManager;
    juce::AudioThumbnailCache thumbnailCache;
    bool dragHover = false;
    DarkTabsLookAndFeel tabsLookAndFeel;
    juce::String supportedFormatsText;
    juce::Image logoImage, smallLogoCache, bigLogoCache;
    juce::Rectangle<int> bigLogoBounds;
    juce::Image settingsIcon;
    juce::ImageButton settingsButton;
    juce::HyperlinkButton logoButton;

    /** The timer's reading of the engine: rate, peak holds, peak series, meter units. */
    TimerFeed timerFeed { processor };
    /** The processor's restore count that the tabs were last built for. */
    int tabsBuiltForRestore = 0;
    bool menuOpen = false;
    /** The playback history, the loop passes and the written analysis. */
    PlaybackHistoryRecorder recorder;
    /** What the engine measured on the last tick. */
    AnalysisSnapshot liveSnapshot;

    /** The last "monitorRef" choice the listener saw and the tabs have not yet shown:
        -1 none, 0 Reference, 1 Source. Written on any thread, taken by the timer. */
    std::atomic<int> pendingMonitorSelection { -1 };
    int fileDialogsOpened = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KalvorinAudioProcessorEditor)
};

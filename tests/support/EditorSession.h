#pragma once

#include "editor/KalvorinAudioProcessorEditor.h"
#include "support/ProcessorHarness.h"

#include <functional>
#include <memory>

/**
    A processor with its settings and audio files in a temporary folder, and its editor, the
    way the host opens it: made by the processor's createEditor, optionally shown in a real
    window on the test's X server. Message thread.
*/
struct EditorSession
{
    EditorSession();
    ~EditorSession();

    /** Builds the editor (not yet on screen); the processor must outlive it. */
    KalvorinAudioProcessorEditor& open();

    /** Loads sine WAV files of the given names and length (as a restored project would), builds
        the editor, which makes one tab per file, and lets its posted calls run. */
    KalvorinAudioProcessorEditor& openWithReferences (const juce::StringArray& names, double seconds);

    /** Puts the editor in a window of its own at (40, 40) and waits until it shows and has the
        keyboard focus. */
    void showOnScreen();

    /** Saves the editor state and destroys the editor, as closing the window does (through
        JUCE's VST3 layer), then waits until what it left open has gone. */
    void close();

    /** Takes the plug-in down as JUCE's VST3 layer does when the host removes it: the window
        first (the processor told that its editor goes), then `betweenWindowAndProcessor` (the
        host stopping its audio thread, say), then the processor, in one turn of the message
        loop. Whatever the window left open or queued runs after both. */
    void removePlugin (const std::function<void()>& betweenWindowAndProcessor = {});

    /** A short sine WAV file of the given name in the session's folder. */
    juce::File writeWav (const juce::String& name, double seconds = 0.5) const;

    /** The texts of all tabs, in order. */
    juce::StringArray tabTexts() const;

    /** The full paths of the processor's References, in order. */
    juce::StringArray referencePaths() const;

    /** The "fullPath" of the Reference tabs, in order. */
    juce::StringArray tabPaths() const;

    /** Where a point of a component in the editor's window is on the screen. */
    juce::Point<int> toScreen (const juce::Component& component, juce::Point<int> localPoint) const;

    /** The centre of a tab's button on the screen. */
    juce::Point<int> tabButtonCentre (int tabIndex) const;

    /** The current tab's page, or null. */
    SignalViewTab* currentPage() const;

    /** Renders the editor and writes it as a PNG into the build folder; returns the file. */
    juce::File saveScreenshot (const juce::String& name) const;

    TemporaryFolder folder;
    ProcessorHarness harness;
    std::unique_ptr<KalvorinAudioProcessorEditor> editor;
    /** How far the window really is from where JUCE places it, found by showOnScreen. */
    juce::Point<int> screenOffset;

private:
    /** Closes the plug-in's menus, tells the processor that its editor goes, then deletes it,
        as JUCE's VST3 layer does. */
    void destroyEditor();
};

#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/**
    The hosted plug-in's editor in a top-level window with a native title bar, as a DAW shows it:
    the host's side of the editor fills the window's client area, and the plug-in's own window is
    embedded in it. Closing the window (or destroying this) deletes the editor, which makes the
    plug-in save its editor state. Message thread.
*/
struct HostEditorWindow
{
    /** Opens the editor of the instance, prepared for the block size, and runs the message
        loop for a moment while feeding it silent blocks, as a stopped transport does; `editor`
        stays null when the plug-in has none. */
    HostEditorWindow (juce::AudioPluginInstance& instance, int blockSize);
    ~HostEditorWindow();

    /** Runs the message loop for a moment while feeding silent blocks on the message thread;
        only while no other thread processes blocks. */
    void pump();

    /** Where the editor lies on the screen as the X server has placed it. */
    juce::Rectangle<int> screenArea() const;

    /** Grabs the screen and keeps the editor's part of it in `file`; false when that fails. */
    bool grabInto (const juce::File& file) const;

    /** Takes the editor down, as a host does when the user closes the plug-in's window. */
    void close();

    juce::AudioPluginInstance& instance;
    const int blockSize;
    juce::DocumentWindow window { "Audio-Kalvorin", juce::Colours::black, 0 };
    std::unique_ptr<juce::AudioProcessorEditor> editor;

    JUCE_DECLARE_NON_COPYABLE (HostEditorWindow)
};

/** One area of the screen as the X server shows it now; invalid when the grab fails. */
juce::Image grabScreenImage (juce::Rectangle<int> area);

/** Grabs the whole screen and keeps one area of it in a PNG file; false when that fails. */
bool grabScreenArea (juce::Rectangle<int> area, const juce::File& file);

/** A PNG file of the given name in the build folder's "screenshots" folder (made when missing),
    for a person to look at. */
juce::File screenshotFile (const juce::String& name);

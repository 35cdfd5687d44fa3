#pragma once

#include "support/EditorPlayback.h"
#include "support/EditorSession.h"
#include "tab/DisplayHost.h"

#include <memory>

/**
    A playing session for the editor benchmarks: a processor with one Reference, a minute of
    music, and its editor (made by the processor, as a host does) in a real window on the X
    display, 1200 x 720; the Source, the same music with its bass cut, plays through the
    processor in host blocks with the transport running, so spectra, stereo points, meters and
    the peak history are live, and the peak history is full from the start.

    Made on first use and kept for the whole run, never destroyed: shutting JUCE down from a
    static destructor would run after JUCE's own statics are gone. Message thread.
*/
class EditorBenchRig final
{
public:
    /** The rig of the run; call only when hasDisplay() holds. */
    static EditorBenchRig& get();

    /** Whether an X display is reachable: the editor needs a window (run the benchmarks under
        scripts/with-display.sh). */
    static bool hasDisplay();

    /** The editor in its window, opened (and filled with a full peak history) when it is not. */
    KalvorinAudioProcessorEditor& openOnScreen();

    /** Destroys the editor as the host does when it closes the window. */
    void closeEditor();

    /** The Reference tab's page; the editor must be open. */
    SignalViewTab& page() const;

    /** Makes a view the visible one and plays a few ticks, so that the timer runs at the view's
        rate and the view shows settled live data, as it does for a user watching it. */
    void showView (ViewMode mode);

    /** Plays the audio of one timer interval with the transport running and waits until the
        tick is due, one timer interval after the previous one: the editor's throttles (the
        written analysis is rebuilt at most four times a second) follow the wall clock, so the
        ticks come at the timer's pace. The caller then ticks. */
    void playToNextTick();

    /** playToNextTick, then one tick of the editor. */
    void playOneTick();

    /** The blocks of the Source between the ticks. */
    EditorPlayback& getPlayback() noexcept { return *playback; }

    /** The Source, for a playback of its own (a feeder that plays from another thread). */
    const juce::AudioBuffer<float>& getSource() const noexcept { return source; }

    EditorSession& getSession() noexcept { return session; }

private:
    EditorBenchRig();

    juce::ScopedJuceInitialiser_GUI juce;
    EditorSession session;
    juce::AudioBuffer<float> source;
    std::unique_ptr<EditorPlayback> playback;
    /** When the next tick is due, juce::Time::getMillisecondCounterHiRes. */
    double nextTickMs = 0.0;

    JUCE_DECLARE_NON_COPYABLE (EditorBenchRig)
};

#pragma once

#include "tab/LoopRegionEditing.h"
#include "tab/WaveformGeometry.h"

#include <juce_audio_utils/juce_audio_utils.h>

#include <functional>
#include <memory>
#include <vector>

/** A stretch of the file, in seconds, for which the playback history holds recorded analysis. */
struct RecordedRange
{
    double start = 0.0;
    double end = 0.0;
};

/**
    The waveform strip of one Reference tab: the whole file with the user's loops, the recorded
    stretches of playback history, an optional inspect marker and the playhead.

    It pulls the playhead from its owner on its own 16 ms timer (started by the editor for the
    current tab only) and keeps playback inside the active loop by asking for a seek back to the
    loop's start. The waveform comes from a juce::AudioThumbnail built in the background; a file
    shorter than 10 seconds is also decoded whole and drawn from its samples.

    Message thread only. The public data members are written by the owner (the tab page and the
    editor), which repaints the display after changing them.
*/
class SignalDisplay final : public juce::Component,
                            public juce::TooltipClient,
                            private juce::ChangeListener,
                            private juce::Timer
{
public:
    /** The origin code sent with every seek. */
    enum class SeekOrigin : int
    {
        /** A click, drag, loop selection or restore by the user. */
        UserSeek = 0,
        /** The display's own jump back to the start of the active loop. */
        LoopWrap = 1
    };

    /** Interval of the playhead timer. */
    static constexpr int kTimerIntervalMs = 16;
    /** Files shorter than this (strictly) are also decoded whole into memory. */
    static constexpr double kInMemoryLimitSeconds = 10.0;
    /** Distance in pixels a press must travel before it becomes a drag. */
    static constexpr int kDragThresholdPx = 3;

    /** Builds an empty display (400 x 100 px) on the editor's format manager and thumbnail
        cache, which must outlive it. The timer is not started. */
    SignalDisplay (juce::AudioFormatManager& formatManager, juce::AudioThumbnailCache& thumbnailCache);
    ~SignalDisplay() override;

    /** Called with whether loops remain after a loop was created or deleted, all loops were
        cleared, or the tab restored its view. Set by the tab page; skipped when empty. */
    std::function<void (bool hasLoops)> onLoopsChanged;

    /** Called for every seek the display asks for. Set by the editor; skipped when empty. */
    std::function<void (double seconds, SeekOrigin origin)> onSeek;

    /** The loops in creation order; written by the tab's restore, read by the editor. */
    juce::Array<LoopRegion> loops;

    /** Index of the active loop, -1 for none. */
    int activeLoopIndex = -1;

    /** Stretches recorded in the playback history; written by the editor through
        setRecordedRanges. */
    std::vector<RecordedRange> recordedRanges;

    /** Takes the recorded stretches and repaints the markers of those that changed (where they
        were and where they are now), not the whole strip. */
    void setRecordedRanges (std::vector<RecordedRange> ranges);

    /** Whether the inspect marker shows, and where (seconds); written by the editor. */
    bool showInspectMarker = false;
    double inspectMarkerSeconds = 0.0;

    /** The drawn playhead in seconds of the file. */
    double playheadSeconds = 0.0;

    /** Returns the playback position of this page's Reference in seconds. Set by the editor,
        which also sets hasPlayheadSource. */
    std::function<double()> getPlayheadSeconds;

    /** True once the editor installed getPlayheadSeconds. */
    bool hasPlayheadSource = false;

    /** Whether loops are shown and active; while false the waveform is a scrubbing surface. */
    bool loopsVisible = true;

    /** Gives the display its file: sets up the thumbnail and, for a short file, the in-memory
        decoding. Used once by the tab page. */
    void setFile (const juce::File& newFile);

    /** The Reference file. */
    const juce::File& getFile() const noexcept { return file; }

    /** The file length in seconds (from the decoded samples, else from the thumbnail). */
    double getLengthSeconds() const;

    /** x of a time in seconds (12 when there is no length or width). */
    float timeToX (double seconds) const;

    /** Time in seconds of an x position, limited to the file. */
    double xToTime (float x) const;

    /** Makes sure exactly one loop is active when there are loops; returns its index, or -1. */
    int normaliseActiveLoop();

    /** Moves the playhead to the active loop's start; with seek true, also asks for the seek. */
    void jumpToActiveLoop (bool seek);

    /** Removes every loop, reports onLoopsChanged (false) and repaints. */
    void clearLoops();

    /** Shows or hides the loops, resets the gesture state and repaints. */
    void setLoopsVisible (bool shouldBeVisible);

    /** Ends any gesture in progress and empties the hit areas. */
    void resetGestureState();

    /** Starts the 16 ms playhead timer (the editor does this for the current tab only). */
    void startPlayheadTimer();

    /** Stops the playhead timer. */
    void stopPlayheadTimer();

    /** Whether the playhead timer runs. */
    bool isPlayheadTimerRunning() const noexcept;

    /** One tick of the playhead timer, run now: takes the reported position and, while loops are
        shown, sends the LoopWrap seek when it left the active loop. The timer calls it every
        16 ms; nothing happens while the mouse scrubs or the file has no length. */
    void pollPlayhead();

    /** Whether the file was short enough to be decoded whole (the outline then comes from its
        samples rather than from the thumbnail). */
    bool hasSamplesInMemory() const noexcept { return samples != nullptr; }

    void mouseMove (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    void resized() override;

    /** "Inspect recorded analysis while playback is stopped" over a recorded-range marker,
        empty elsewhere. */
    juce::String getTooltip() override;

private:
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void timerCallback() override;

    /** Shortest loop allowed at the current width, in seconds. */
    double getMinimumLoopLength() const;

    /** The strip's geometry at the current size and file length. */
    WaveformGeometry getGeometry() const;

    /** Moves the drawn playhead and repaints the columns it left and entered. */
    void setDrawnPlayhead (double seconds);

    /** Repaints the columns around the playhead at `seconds`. */
    void repaintPlayheadColumn (double seconds);

    /** Puts the playhead on the time under the mouse and asks for the seek (loops hidden, or a
        plain click without loops). */
    void seekToMouse (const juce::MouseEvent&);

    /** Calls onLoopsChanged with whether loops remain. */
    void notifyLoopsChanged();

    /** Empties the hit areas of the loops' delete boxes and handles (the next paint lays them out). */
    void forgetHitAreas();

    /** After loops were added, removed or dropped: forgets the selection and the hit areas,
        reports onLoopsChanged and repaints. */
    void afterLoopListChanged();

    /** Fits loops restored from a saved state to the file once its length is known (drops and
        clamps, see LoopRegionEditing::fitToFile); reports a change like a deletion. Left alone
        while a gesture runs. */
    void fitLoopsToFile();

    /** Whether a press, drag or move of a loop is under way. */
    bool isGestureInProgress() const noexcept;

    // The gesture steps, in the order the mouse handlers try them.
    void deleteLoopAt (int index);
    bool pressHandle (juce::Point<float> position);
    void moveDraggedLoop (const juce::MouseEvent&);
    void resizeDraggedLoop (const juce::MouseEvent&);
    void finishNewLoop();
    void finishLoopClick();

    // The layers of paint, bottom to top.
    void paintMessage (juce::Graphics&, const juce::String& text);
    void paintOutline (juce::Graphics&, const WaveformGeometry&, bool dimmed);
    void paintLoops (juce::Graphics&, const WaveformGeometry&);
    void paintNewLoop (juce::Graphics&, const WaveformGeometry&);
    void paintRecordedRanges (juce::Graphics&, const WaveformGeometry&);
    void paintMarkers (juce::Graphics&, const WaveformGeometry&);

    juce::File file;
    std::unique_ptr<juce::AudioBuffer<float>> samples;
    juce::AudioThumbnail thumbnail;
    juce::AudioFormatManager& formatManager;
    double sampleRate = 44100.0;
    juce::Image historyIcon, loopIcon;

    juce::Array<juce::Rectangle<float>> deleteBoxes, startHandles, endHandles;

    bool creatingLoop = false;
    double newLoopStart = 0.0, newLoopEnd = 0.0;
    double newLoopAnchor = 0.0;
    int dragEdge = 0;
    int dragLoopIndex = -1;
    double grabOffset = 0.0;
    double grabLength = 0.0;
    bool gestureHandled = false;
    bool scrubbing = false;
    bool movingLoop = false;
    double grabSeconds = 0.0;
    int pressedLoopIndex = -1;
    int lastSelectedLoop = -1;

    /** The current press landed on a delete box. Unlike gestureHandled it survives a reset of the
        gesture state from onLoopsChanged, so that the release and any drag of that press do
        nothing more. */
    bool pressConsumedByDelete = false;

    juce::Path waveformPath;
    juce::Rectangle<float> waveformArea;
    bool waveformDirty = true;

    /** The filled outline, rendered once at the screen's pixel scale: a paint (above all the
        playhead's few columns on every tick) copies it instead of filling the path again.
        Redrawn when the outline, the scale or its shade (loops shown or not) changes. */
    juce::Image waveformImage;
    float waveformImageScale = 0.0f;
    bool waveformImageDimmed = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SignalDisplay)
};

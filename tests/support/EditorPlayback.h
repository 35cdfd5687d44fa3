#pragma once

#include "support/EditorSession.h"

#include <functional>

/**
    Plays audio through an editor session's processor the way a host does and ticks the editor's
    timer in step with it: after every timer interval's worth of audio (the interval the timer
    runs at), one tick. The Source is a buffer that the test gives, played in a loop; the
    transport follows the session's play head. The editor's own timer is not needed: the test
    does not turn the message loop while it plays. Message thread.
*/
class EditorPlayback final
{
public:
    /** Plays `source` (any length, looped) into the session's processor; the editor must be open. */
    EditorPlayback (EditorSession& session, const juce::AudioBuffer<float>& source);

    /** Plays the given seconds of audio in blocks of `blockSize` samples, ticking the editor on
        the way; returns the number of ticks. */
    int playFor (double seconds);

    /** Plays up to the next tick and ticks once. */
    void playOneTick();

    /** Plays up to the next tick and counts it as taken without ticking: the caller ticks (a
        benchmark that times the tick alone). */
    void playToNextTick();

    /** Plays one block without ticking. */
    void playBlock();

    /** Samples per block. */
    int blockSize = 256;

    /** Called after every block, for example to run the waveform's playhead timer in audio time. */
    std::function<void()> onBlock;

private:
    EditorSession& session;
    juce::AudioBuffer<float> source;
    juce::AudioBuffer<float> block;
    int sourcePosition = 0;
    double samplesSinceTick = 0.0;

    double samplesPerTick() const;
};

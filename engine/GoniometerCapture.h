#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <vector>

/**
    Hands the editor a thinned copy of the last audio block of one signal as pairs of left and
    right values, for the goniometer's point cloud.

    Two buffers alternate: the audio thread writes the next capture into the buffer that is not
    ready, under a lock that it only tries once, and skips the block when the editor holds the
    lock. The editor enters the same lock and copies the ready buffer when the sequence counter
    has moved since its last copy.
*/
class GoniometerCapture final
{
public:
    /** Most pairs one capture holds; longer blocks are thinned to every step-th sample. */
    static constexpr int kMaxPoints = 2048;

    /** Creates a capture with nothing ready yet; room for kMaxPoints pairs is reserved here
        already, so capturing never allocates even before prepare(). Message thread. */
    GoniometerCapture();
    ~GoniometerCapture();

    /** Reserves room for kMaxPoints pairs in both buffers (prepareToPlay; never while a block
        is processed). Keeps the last capture: the ready buffer survives preparation. */
    void prepare();

    /** Captures one block into the write buffer and makes it the ready buffer; channel 0 is
        left, channel 1 right (channel 0 again for a one-channel buffer), values clamped to
        -1 ... +1. Skips the block when the lock is held. Audio thread; never allocates or waits. */
    void process (const juce::AudioBuffer<float>& buffer) noexcept KALVORIN_NONBLOCKING;

    /** Copies the newest capture when its sequence differs from lastSeenSequence, and then
        updates lastSeenSequence. Returns false, leaving left and right alone, when nothing new
        is ready. Message thread: spins on the lock and holds it only for the copy. */
    bool copyLatest (std::vector<float>& left, std::vector<float>& right, int& lastSeenSequence) const;

    /** The lock that guards the buffers, readyBuffer and the sequence counter. The editor enters
        it with a spinning lock; the audio thread only tries it. */
    juce::SpinLock& getLock() noexcept                       { return lock; }

    /** The buffer that holds the newest capture: -1 none yet, 0 A, 1 B. Read under the lock. */
    int getReadyBuffer() const noexcept                      { return readyBuffer; }

    /** Number of captures so far. Read under the lock. */
    int getSequence() const noexcept                         { return sequence.load(); }

    /** Left values of buffer 0 (A) or 1 (B). Read under the lock. */
    const std::vector<float>& getLeft (int bufferIndex) const noexcept    { return bufferIndex == 0 ? leftA : leftB; }

    /** Right values of buffer 0 (A) or 1 (B). Read under the lock. */
    const std::vector<float>& getRight (int bufferIndex) const noexcept   { return bufferIndex == 0 ? rightA : rightB; }

private:
    juce::SpinLock lock;
    std::vector<float> leftA, rightA;
    std::vector<float> leftB, rightB;
    int writeBuffer = 0;
    int readyBuffer = -1;
    std::atomic<int> sequence { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GoniometerCapture)
};

#pragma once

#include "RealtimeAnnotations.h"

#include <juce_core/juce_core.h>

#include <vector>

/**
    The last published spectrum of one signal, handed from the audio thread to the editor.

    The audio thread only ever tries the lock once and skips a publication when the editor holds
    it; the editor enters the lock with spinning and copies quickly. The sequence counter tells
    the editor whether anything new arrived since it last copied.
*/
class SpectrumSnapshot final
{
public:
    /** Sample rate the snapshot reports before anything has been published. */
    static constexpr double kDefaultSampleRate = 48000.0;

    /** Creates an empty snapshot: no magnitudes, sequence 0, kDefaultSampleRate. */
    SpectrumSnapshot() = default;

    /** Makes the magnitude list numBins zeros, so that publications copy without allocating.
        Call while no publication can run (prepareToPlay). */
    void prepare (int numBins);

    /** Audio thread: publishes a spectrum unless the editor holds the lock. Takes the lock with
        a single compare-and-swap and never waits. Returns false, leaving the snapshot and its
        sequence unchanged, when the lock was busy or when numBins differs from the prepared
        size (copying then would have to allocate). */
    bool tryPublish (const float* newMagnitudes, int numBins, double newSampleRate) noexcept KALVORIN_NONBLOCKING;

    /** Audio thread: the same as above for a whole list of magnitudes. */
    bool tryPublish (const std::vector<float>& newMagnitudes, double newSampleRate) noexcept KALVORIN_NONBLOCKING;

    /** Editor (message thread): when a publication newer than lastSequence is there, copies the
        magnitudes and the sample rate into the destinations, sets lastSequence to the snapshot's
        sequence and returns true; otherwise leaves all three untouched and returns false.
        Enters the lock with spinning; the copy may allocate the destination's storage. */
    bool readIfNew (std::vector<float>& destMagnitudes, double& destSampleRate, int& lastSequence) const;

    /** Guards magnitudes, sampleRate and sequence. The audio thread only tries it. */
    juce::SpinLock lock;

    /** The last published spectrum; sized by prepare(). Written under lock by the audio thread. */
    std::vector<float> magnitudes;

    /** The analyser's sample rate at the last publication. Written under lock by the audio thread. */
    double sampleRate = kDefaultSampleRate;

    /** Counts publications; changed and read only while lock is held. */
    int sequence = 0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrumSnapshot)
};

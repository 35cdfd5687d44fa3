#pragma once

#include "editor/AnalysisSnapshot.h"
#include "engine/KalvorinAudioProcessor.h"
#include "tab/ABMeters.h"

#include <limits>
#include <vector>

/** The values the engine publishes as atomics, as read on one timer tick. Levels in dB or LUFS;
    NaN for no reading. */
struct EngineMeterReading
{
    static constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

    /** Whether the host transport played in the last block. */
    bool playing = false;

    float referenceShortTermLufs = kNoValue;
    float sourceShortTermLufs = kNoValue;
    float referenceRmsDb = kNoValue;
    float sourceRmsDb = kNoValue;
    float referenceIntegratedLufs = kNoValue;
    float sourceIntegratedLufs = kNoValue;

    /** The highest peaks since the previous reading; NaN when nothing was measured. */
    float referenceTruePeakDb = kNoValue;
    float sourceTruePeakDb = kNoValue;
    float referenceSamplePeakDb = kNoValue;
    float sourceSamplePeakDb = kNoValue;

    /** The gains level matching applies, dB. */
    float referenceGainDb = 0.0f;
    float sourceGainDb = 0.0f;

    /** Whether level matching could measure both signals in the last block. */
    bool levelMatchReady = false;
};

/**
    The editor's one door to the engine: reads the six kinds of value the processor publishes
    (atomics, meter readings, peak holds, the band snapshot, spectra and goniometer points) and
    knows how each one is handed over, so that nothing else in the editor repeats a lock protocol.

    Peak holds are taken by read-and-reset exchange, so every peak reaches exactly one reading.
    The try-locked records are entered with a spinning lock, held only for a copy; spectra and
    goniometer points are copied only when their sequence counter moved since the last copy.

    Message thread only (the audio thread only tries the locks this class enters).
*/
class EngineReader final
{
public:
    /** A peak magnitude that reads as no peak (nothing measured). */
    static constexpr float kNoPeak = 0.0f;

    /** Peaks below this level are raised to it, in dB. */
    static constexpr float kPeakFloorDb = -100.0f;

    /** Reads the given processor, which must outlive the reader. */
    explicit EngineReader (KalvorinAudioProcessor& processorToRead);
    ~EngineReader();

    /** Reads the published atomics and takes the four peak holds (Reference true peak, Source
        true peak, Reference sample peak, Source sample peak, each reset to 0 by the read). */
    EngineMeterReading readMeters();

    /** Copies each spectrum whose sequence moved since its last copy into the snapshot, with
        its sample rate (the processor's own rate when the published one is not positive).
        A published list of one value or none is dropped, but counts as taken. */
    void copySpectra (AnalysisSnapshot& live);

    /** Copies each signal's newest goniometer capture into the snapshot when its sequence moved;
        a signal with no finished capture yet leaves its lists as they are. */
    void copyStereoPoints (AnalysisSnapshot& live);

    /** The six band results as last published: Reference LOW, MID, HIGH, then Source. */
    AnalysisSnapshot::BandResultSet readBands();

    /** The moment's measurements of the live snapshot that the playback history records: the
        playhead, both short-term loudness values, whether level matching measured both signals,
        and the band results. */
    void readLiveMeasurements (AnalysisSnapshot& live);

    /** The active Reference's playhead in seconds (0 without one). */
    double readPlayheadSeconds() const;

    /** What the output plays by "monitorRef"; the Reference when the parameter is missing. */
    OutputSelection readOutputSelection() const;

    /** A linear peak magnitude in dB: floored at kPeakFloorDb; NaN for no peak (0 or less, or
        NaN). Any thread. */
    static float peakToDb (float magnitude) noexcept;

    /** The sequence counters of the last copies, 0 before the first. */
    int getLastReferenceSpectrumSequence() const noexcept    { return lastReferenceSpectrumSequence; }
    int getLastSourceSpectrumSequence() const noexcept       { return lastSourceSpectrumSequence; }
    int getLastReferenceGoniometerSequence() const noexcept  { return lastReferenceGoniometerSequence; }
    int getLastSourceGoniometerSequence() const noexcept     { return lastSourceGoniometerSequence; }

private:
    /** Copies one spectrum when it moved; returns whether the destination changed. */
    void copySpectrum (const SpectrumSnapshot& snapshot, int& lastSequence,
                       std::vector<float>& destination, double& destinationRate);

    KalvorinAudioProcessor& processor;
    const std::atomic<float>* monitorRefValue = nullptr;

    int lastReferenceSpectrumSequence = 0;
    int lastSourceSpectrumSequence = 0;
    int lastReferenceGoniometerSequence = 0;
    int lastSourceGoniometerSequence = 0;

    // The copies taken under the locks; their storage is kept from tick to tick.
    std::vector<float> spectrumCopy;
    std::vector<float> referenceLeft, referenceRight;
    std::vector<float> sourceLeft, sourceRight;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EngineReader)
};

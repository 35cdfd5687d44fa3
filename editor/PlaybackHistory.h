#pragma once

#include "editor/AnalysisSnapshot.h"
#include "editor/LoopPassAccumulator.h"
#include "editor/PeakSeriesLog.h"
#include "editor/SpectrumBands.h"
#include "tab/SignalDisplay.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

/**
    The recorded playback history: one entry per playing timer tick, oldest first, from which a
    stopped playhead's moment is shown again, the recorded stretches are marked under the
    waveform and the written analysis is aggregated.

    An hour of history at the timer's fastest rate is about 108 000 entries, so an entry keeps
    only what showing the moment again and the advice need: the 30 band levels of each spectrum
    instead of the spectrum (a recorded moment gets a stand-in spectrum with exactly those band
    levels), a thinned set of stereo points shared with the previous entry while the capture did
    not change, and its place in a log of the peak series instead of copies of both series.
    The recorded stretches and the aggregate are kept up to date piece by piece, so neither
    walks every entry on a tick.

    Message thread only.
*/
class PlaybackHistory final
{
public:
    /** Stereo points kept per signal of an entry (the capture holds up to 2048). */
    static constexpr int kStoredStereoPairs = 128;
    /** Entries per block of the running aggregate. */
    static constexpr int kAggregateBlockEntries = 256;

    /** The stereo points of both signals, thinned and held as 16-bit values. Shared between
        consecutive entries while they are equal. */
    struct StereoPoints
    {
        /** Pairs held for the Reference and the Source. */
        std::array<std::uint16_t, 2> counts {};
        /** Reference left, Reference right, Source left, Source right; kStoredStereoPairs each. */
        std::array<std::int16_t, 4 * (size_t) kStoredStereoPairs> values {};

        bool operator== (const StereoPoints& other) const noexcept;
    };

    /** One recorded tick. */
    struct Entry
    {
        double playheadSeconds = 0.0;
        double timeStamp = 0.0;
        double durationSeconds = 0.0;
        AnalysisSnapshot::BandDifferences bandDifferenceDb {};
        /** The band results of the tick; also the ones the differences came with when they are
            valid. */
        AnalysisSnapshot::BandResultSet bands {};
        SpectrumBands::Levels referenceLevels {}, sourceLevels {};
        double referenceSampleRate = 0.0, sourceSampleRate = 0.0;
        PeakSeriesLog::Span referencePeaks, sourcePeaks;
        std::shared_ptr<const StereoPoints> stereoPoints;
        float referenceShortTermLufs = 0.0f, sourceShortTermLufs = 0.0f;
        bool bandDifferencesValid = false;
        bool levelMatchActive = false;
        bool hasReferenceSpectrum = false, hasSourceSpectrum = false;
    };

    PlaybackHistory();
    ~PlaybackHistory();

    /** Appends the tick of a live snapshot at a playhead, with its time stamp and weight, the
        band levels of its two spectra and its band comparison. */
    void append (const AnalysisSnapshot& live, const SpectrumBands::Levels& referenceLevels,
                 const SpectrumBands::Levels& sourceLevels, const BandComparison& comparison,
                 double playheadSeconds, double timeStamp, double durationSeconds);

    /** Removes the oldest entries while the recorded time has passed their time stamp by more
        than historySeconds. */
    void dropOlderThan (double recordedSeconds, double historySeconds);

    /** Removes every entry. */
    void clear();

    bool isEmpty() const noexcept { return entries.empty(); }
    int size() const noexcept { return (int) entries.size(); }
    /** The entry at an index, 0 = oldest. */
    const Entry& getEntry (int index) const { return entries[(size_t) index]; }

    /** The playhead ranges the entries cover: every run of rising playheads is a range, then
        the ranges are sorted by start and overlapping or touching ones merged. */
    std::vector<RecordedRange> getRecordedRanges() const;

    /** Index of the entry whose playhead is nearest to seconds (the newest on a tie); -1 when
        there is none. */
    int findNearest (double seconds) const;

    /** The recorded moment of an entry as a full snapshot: stand-in spectra with the recorded
        band levels, the stored stereo points and the peak series as they were. */
    AnalysisSnapshot makeSnapshot (int index) const;

    /** The time-weighted comparison of all entries (entries without a positive, finite weight
        are left out; matched entries add their band differences). */
    LoopPassAccumulator aggregate() const;

    /** Bytes held by the entries and what they share, for measurement. */
    size_t getMemoryBytes() const noexcept;

private:
    /** A run of entries whose playheads rise. */
    struct Run
    {
        double start = 0.0, end = 0.0;
        std::int64_t count = 0;
    };

    static void addEntryTo (LoopPassAccumulator& accumulator, const Entry& entry) noexcept;
    std::shared_ptr<const StereoPoints> storeStereoPoints (const AnalysisSnapshot& live);
    void closeBlockIfFull();
    std::int64_t endIndex() const noexcept { return firstIndex + (std::int64_t) entries.size(); }

    std::deque<Entry> entries;
    /** The entries' playheads again, packed, so that finding the nearest one reads little. */
    std::deque<double> playheads;
    /** Index of entries.front() since the last clear. */
    std::int64_t firstIndex = 0;
    std::deque<Run> runs;
    /** Sums of whole blocks of kAggregateBlockEntries entries that are still all present. */
    std::deque<LoopPassAccumulator> blockSums;
    /** Block number of blockSums.front(). */
    std::int64_t firstBlock = 0;
    PeakSeriesLog referencePeakLog, sourcePeakLog;
    /** Stereo point sets held (each shared by one or more consecutive entries). */
    size_t storedStereoSets = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PlaybackHistory)
};

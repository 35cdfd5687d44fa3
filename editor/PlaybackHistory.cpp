#include "editor/PlaybackHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
// Full scale of a stored stereo point (the capture limits samples to -1 ... +1).
constexpr float kStereoPointScale = 32767.0f;

std::int16_t quantise (float sample) noexcept
{
    const float limited = std::isfinite (sample) ? juce::jlimit (-1.0f, 1.0f, sample) : 0.0f;
    return (std::int16_t) std::lround (limited * kStereoPointScale);
}

// Takes up to kStoredStereoPairs pairs spread evenly over the lists into four blocks of values.
std::uint16_t thinInto (const std::vector<float>& left, const std::vector<float>& right,
                        std::int16_t* leftOut, std::int16_t* rightOut) noexcept
{
    const size_t available = std::min (left.size(), right.size());
    const size_t kept = std::min (available, (size_t) PlaybackHistory::kStoredStereoPairs);

    for (size_t i = 0; i < kept; ++i)
    {
        const size_t source = i * available / kept;
        leftOut[i] = quantise (left[source]);
        rightOut[i] = quantise (right[source]);
    }

    return (std::uint16_t) kept;
}

void restore (const std::int16_t* values, size_t count, std::vector<float>& out)
{
    out.resize (count);

    for (size_t i = 0; i < count; ++i)
        out[i] = (float) values[i] / kStereoPointScale;
}
}

bool PlaybackHistory::StereoPoints::operator== (const StereoPoints& other) const noexcept
{
    return counts == other.counts && values == other.values;
}

PlaybackHistory::PlaybackHistory() = default;

PlaybackHistory::~PlaybackHistory() = default;

void PlaybackHistory::append (const AnalysisSnapshot& live, const SpectrumBands::Levels& referenceLevels,
                              const SpectrumBands::Levels& sourceLevels, const BandComparison& comparison,
                              double playheadSeconds, double timeStamp, double durationSeconds)
{
    // The comparison's band results are the live snapshot's own when it is valid (and zero
    // otherwise), so the entry keeps them once.
    Entry entry;
    entry.playheadSeconds = playheadSeconds;
    entry.timeStamp = timeStamp;
    entry.durationSeconds = durationSeconds;
    entry.bandDifferenceDb = comparison.bandDifferenceDb;
    entry.bandDifferencesValid = comparison.bandDifferencesValid;
    entry.bands = live.bands;
    entry.referenceLevels = referenceLevels;
    entry.sourceLevels = sourceLevels;
    entry.hasReferenceSpectrum = ! live.referenceSpectrum.empty();
    entry.hasSourceSpectrum = ! live.sourceSpectrum.empty();
    entry.referenceSampleRate = live.referenceSampleRate;
    entry.sourceSampleRate = live.sourceSampleRate;
    entry.referenceShortTermLufs = live.referenceShortTermLufs;
    entry.sourceShortTermLufs = live.sourceShortTermLufs;
    entry.levelMatchActive = live.levelMatchActive;
    entry.referencePeaks = referencePeakLog.append (live.referencePeakSeries);
    entry.sourcePeaks = sourcePeakLog.append (live.sourcePeakSeries);
    entry.stereoPoints = storeStereoPoints (live);

    if (! runs.empty() && playheadSeconds >= runs.back().end)
    {
        runs.back().end = playheadSeconds;
        ++runs.back().count;
    }
    else
    {
        runs.push_back ({ playheadSeconds, playheadSeconds, 1 });
    }

    entries.push_back (std::move (entry));
    playheads.push_back (playheadSeconds);
    closeBlockIfFull();
}

std::shared_ptr<const PlaybackHistory::StereoPoints> PlaybackHistory::storeStereoPoints (const AnalysisSnapshot& live)
{
    auto points = std::make_shared<StereoPoints>();
    auto* values = points->values.data();
    constexpr size_t block = (size_t) kStoredStereoPairs;
    points->counts[0] = thinInto (live.referenceLeft, live.referenceRight, values, values + block);
    points->counts[1] = thinInto (live.sourceLeft, live.sourceRight, values + 2 * block, values + 3 * block);

    // The capture changes more slowly than the timer ticks at times; equal sets are held once.
    if (! entries.empty() && entries.back().stereoPoints != nullptr && *entries.back().stereoPoints == *points)
        return entries.back().stereoPoints;

    ++storedStereoSets;
    return points;
}

void PlaybackHistory::closeBlockIfFull()
{
    const std::int64_t end = endIndex();

    if (end % kAggregateBlockEntries != 0)
        return;

    const std::int64_t block = end / kAggregateBlockEntries - 1;
    const std::int64_t start = block * kAggregateBlockEntries;

    if (start < firstIndex)
        return; // part of the block is gone already; its entries are summed one by one

    if (! blockSums.empty() && firstBlock + (std::int64_t) blockSums.size() != block)
        blockSums.clear();

    if (blockSums.empty())
        firstBlock = block;

    LoopPassAccumulator sum;

    for (std::int64_t index = start; index < end; ++index)
        addEntryTo (sum, entries[(size_t) (index - firstIndex)]);

    blockSums.push_back (sum);
}

void PlaybackHistory::dropOlderThan (double recordedSeconds, double historySeconds)
{
    bool dropped = false;

    while (! entries.empty() && recordedSeconds - entries.front().timeStamp > historySeconds)
    {
        if (entries.front().stereoPoints.use_count() == 1)
            --storedStereoSets;

        entries.pop_front();
        playheads.pop_front();
        ++firstIndex;
        dropped = true;

        auto& oldest = runs.front();

        if (--oldest.count == 0)
            runs.pop_front();
        else
            oldest.start = playheads.front();
    }

    if (! dropped)
        return;

    while (! blockSums.empty() && firstBlock * kAggregateBlockEntries < firstIndex)
    {
        blockSums.pop_front();
        ++firstBlock;
    }

    if (! entries.empty())
    {
        const auto& oldest = entries.front();
        referencePeakLog.forgetBefore (oldest.referencePeaks.end - oldest.referencePeaks.length);
        sourcePeakLog.forgetBefore (oldest.sourcePeaks.end - oldest.sourcePeaks.length);
    }
}

void PlaybackHistory::clear()
{
    entries.clear();
    entries.shrink_to_fit();
    playheads.clear();
    playheads.shrink_to_fit();
    runs.clear();
    blockSums.clear();
    firstIndex = 0;
    firstBlock = 0;
    storedStereoSets = 0;
    referencePeakLog.clear();
    sourcePeakLog.clear();
}

std::vector<RecordedRange> PlaybackHistory::getRecordedRanges() const
{
    std::vector<RecordedRange> sorted;
    sorted.reserve (runs.size());

    for (const auto& run : runs)
        sorted.push_back ({ run.start, run.end });

    std::sort (sorted.begin(), sorted.end(),
               [] (const RecordedRange& a, const RecordedRange& b) { return a.start < b.start; });

    std::vector<RecordedRange> merged;

    for (const auto& range : sorted)
    {
        if (! merged.empty() && range.start <= merged.back().end)
            merged.back().end = std::max (merged.back().end, range.end);
        else
            merged.push_back (range);
    }

    return merged;
}

int PlaybackHistory::findNearest (double seconds) const
{
    int nearest = -1;
    double nearestDistance = std::numeric_limits<double>::infinity();
    int index = size() - 1;

    // From the newest back, so that the newest of equally near entries wins.
    for (auto playhead = playheads.rbegin(); playhead != playheads.rend(); ++playhead, --index)
    {
        const double distance = std::abs (*playhead - seconds);

        if (nearest < 0 || distance < nearestDistance)
        {
            nearest = index;
            nearestDistance = distance;
        }
    }

    return nearest;
}

AnalysisSnapshot PlaybackHistory::makeSnapshot (int index) const
{
    const auto& entry = entries[(size_t) index];
    AnalysisSnapshot snapshot;
    snapshot.playheadSeconds = entry.playheadSeconds;
    snapshot.timeStamp = entry.timeStamp;
    snapshot.durationSeconds = entry.durationSeconds;
    snapshot.bandDifferenceDb = entry.bandDifferenceDb;
    snapshot.bandDifferencesValid = entry.bandDifferencesValid;

    if (entry.bandDifferencesValid)
        snapshot.measuredBands = entry.bands;

    snapshot.referenceShortTermLufs = entry.referenceShortTermLufs;
    snapshot.sourceShortTermLufs = entry.sourceShortTermLufs;
    snapshot.levelMatchActive = entry.levelMatchActive;
    snapshot.bands = entry.bands;
    snapshot.referenceSampleRate = entry.referenceSampleRate;
    snapshot.sourceSampleRate = entry.sourceSampleRate;

    if (entry.hasReferenceSpectrum)
        snapshot.referenceSpectrum = SpectrumBands::makeStandInSpectrum (entry.referenceLevels, entry.referenceSampleRate);

    if (entry.hasSourceSpectrum)
        snapshot.sourceSpectrum = SpectrumBands::makeStandInSpectrum (entry.sourceLevels, entry.sourceSampleRate);

    if (entry.stereoPoints != nullptr)
    {
        const auto* values = entry.stereoPoints->values.data();
        constexpr size_t block = (size_t) kStoredStereoPairs;
        const size_t referenceCount = entry.stereoPoints->counts[0], sourceCount = entry.stereoPoints->counts[1];
        restore (values, referenceCount, snapshot.referenceLeft);
        restore (values + block, referenceCount, snapshot.referenceRight);
        restore (values + 2 * block, sourceCount, snapshot.sourceLeft);
        restore (values + 3 * block, sourceCount, snapshot.sourceRight);
    }

    snapshot.referencePeakSeries = referencePeakLog.read (entry.referencePeaks);
    snapshot.sourcePeakSeries = sourcePeakLog.read (entry.sourcePeaks);
    return snapshot;
}

void PlaybackHistory::addEntryTo (LoopPassAccumulator& accumulator, const Entry& entry) noexcept
{
    const double weight = entry.durationSeconds;

    if (! std::isfinite (weight) || weight <= 0.0)
        return;

    accumulator.totalSeconds += weight;

    if (entry.bandDifferencesValid)
        accumulator.addMatchedMoment (entry.bandDifferenceDb, entry.bands, weight);
}

LoopPassAccumulator PlaybackHistory::aggregate() const
{
    LoopPassAccumulator sum;
    const std::int64_t end = endIndex();
    const std::int64_t lastBlock = firstBlock + (std::int64_t) blockSums.size();

    for (std::int64_t index = firstIndex; index < end;)
    {
        const std::int64_t block = index / kAggregateBlockEntries;

        if (index % kAggregateBlockEntries == 0 && block >= firstBlock && block < lastBlock)
        {
            sum.add (blockSums[(size_t) (block - firstBlock)]);
            index += kAggregateBlockEntries;
        }
        else
        {
            addEntryTo (sum, entries[(size_t) (index - firstIndex)]);
            ++index;
        }
    }

    return sum;
}

size_t PlaybackHistory::getMemoryBytes() const noexcept
{
    // A shared set costs its object and the shared pointer's control block, which
    // std::make_shared allocates together with it.
    constexpr size_t stereoSetBytes = sizeof (StereoPoints) + 2 * sizeof (void*);

    return entries.size() * (sizeof (Entry) + sizeof (double))
         + storedStereoSets * stereoSetBytes
         + runs.size() * sizeof (Run)
         + blockSums.size() * sizeof (LoopPassAccumulator)
         + referencePeakLog.getMemoryBytes()
         + sourcePeakLog.getMemoryBytes();
}

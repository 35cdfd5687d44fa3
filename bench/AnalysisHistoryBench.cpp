#include "editor/PlaybackHistoryRecorder.h"
#include "tests/support/FakeAnalysisTab.h"
#include "tests/support/SyntheticAnalysis.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cmath>
#include <deque>
#include <memory>

// An hour of playback history at the timer's fastest rate (33 ms, the stereo view): what it
// holds in memory, and what the message thread pays per timer tick with it full: recording one
// tick (which also drops the oldest), rebuilding the recorded ranges, rebuilding the written
// analysis, and finding and unpacking the moment under a stopped playhead. The stereo capture
// changes on every tick (the worst case for sharing) and the spectra are the analyser's 4097
// bins at 48 kHz.

namespace
{
constexpr int kFastestIntervalMs = 33;
constexpr double kHourSeconds = 3600.0;
constexpr int kStereoPairs = 2048;
constexpr int kPeakSeriesLength = 512;
constexpr double kMegabyte = 1024.0 * 1024.0;

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

/** A live snapshot that moves like a real one: spectra that drift, a fresh stereo capture on
    every tick and peak series that grow by one value per tick. */
struct LiveFeed
{
    LiveFeed()
    {
        live = SyntheticAnalysis::makeLiveSnapshot (3.0f);
        live.referenceSpectrum.assign (4097, 0.0f);
        live.sourceSpectrum.assign (4097, 0.0f);
        live.referenceLeft.resize (kStereoPairs);
        live.referenceRight.resize (kStereoPairs);
        live.sourceLeft.resize (kStereoPairs);
        live.sourceRight.resize (kStereoPairs);
    }

    const AnalysisSnapshot& next()
    {
        ++tick;

        for (size_t bin = 1; bin < live.referenceSpectrum.size(); bin += 7)
        {
            live.referenceSpectrum[bin] = 0.02f * (1.0f + random.nextFloat()) / std::sqrt ((float) bin);
            live.sourceSpectrum[bin] = 0.008f * (1.0f + random.nextFloat()) / std::sqrt ((float) bin);
        }

        for (int i = 0; i < kStereoPairs; ++i)
        {
            live.referenceLeft[(size_t) i] = random.nextFloat() - 0.5f;
            live.referenceRight[(size_t) i] = random.nextFloat() - 0.5f;
            live.sourceLeft[(size_t) i] = random.nextFloat() - 0.5f;
            live.sourceRight[(size_t) i] = random.nextFloat() - 0.5f;
        }

        referencePeaks.push_back (-6.0f - 10.0f * random.nextFloat());
        sourcePeaks.push_back (-8.0f - 10.0f * random.nextFloat());

        if (referencePeaks.size() > kPeakSeriesLength)
        {
            referencePeaks.pop_front();
            sourcePeaks.pop_front();
        }

        live.referencePeakSeries.assign (referencePeaks.begin(), referencePeaks.end());
        live.sourcePeakSeries.assign (sourcePeaks.begin(), sourcePeaks.end());
        live.bands[1].widthPercent = 30.0f + 10.0f * random.nextFloat();
        live.bands[4].crestDb = 8.0f + 4.0f * random.nextFloat();
        return live;
    }

    AnalysisSnapshot live;
    std::deque<float> referencePeaks, sourcePeaks;
    juce::Random random { 5 };
    int tick = 0;
};

/** A recorder holding an hour of playback at the fastest rate, made once for all benchmarks,
    optionally with the playhead looping a 2 s passage (many recorded runs). */
struct FullHour
{
    explicit FullHour (double loopSeconds)
    {
        tab.showingAnalysis = false; // the fill itself does not rebuild the analysis
        const size_t heapBefore = heapInUse();
        recorder = std::make_unique<PlaybackHistoryRecorder>();
        recorder->setHistorySettings (true, kHourSeconds);
        const int ticks = (int) (kHourSeconds * 1000.0 / kFastestIntervalMs) + 1;

        for (int i = 0; i < ticks; ++i)
            tickOnce (loopSeconds);

        heapBytes = (double) (heapInUse() - heapBefore);
        tab.showingAnalysis = true;
    }

    void tickOnce (double loopSeconds)
    {
        recorder->recordPlaybackHistory (&tab, true, playhead, feed.next(), kFastestIntervalMs);
        playhead += kFastestIntervalMs / 1000.0;

        if (loopSeconds > 0.0 && playhead > loopSeconds)
            playhead = 0.0;
    }

    static FullHour& straight()
    {
        static FullHour hour (0.0);
        return hour;
    }

    static FullHour& looping()
    {
        static FullHour hour (2.0);
        return hour;
    }

    std::unique_ptr<PlaybackHistoryRecorder> recorder;
    FakeAnalysisTab tab;
    LiveFeed feed;
    double playhead = 0.0;
    double heapBytes = 0.0;
};

void reportSize (benchmark::State& state, const FullHour& hour)
{
    state.counters["entries"] = hour.recorder->getHistory().size();
    state.counters["heap_MB"] = hour.heapBytes / kMegabyte;
    state.counters["counted_MB"] = (double) hour.recorder->getHistory().getMemoryBytes() / kMegabyte;
}

void anHourOfHistoryRecordsOneMoreTick (benchmark::State& state)
{
    auto& hour = FullHour::straight();
    hour.tab.showingAnalysis = false;

    for (auto _ : state)
        hour.tickOnce (0.0);

    hour.tab.showingAnalysis = true;
    reportSize (state, hour);
}

void anHourOfHistoryRebuildsItsRanges (benchmark::State& state)
{
    auto& hour = state.range (0) == 0 ? FullHour::straight() : FullHour::looping();

    for (auto _ : state)
        benchmark::DoNotOptimize (hour.recorder->getRecordedRanges());

    state.counters["ranges"] = (double) hour.recorder->getRecordedRanges().size();
    reportSize (state, hour);
}

void anHourOfHistoryRebuildsTheAdvice (benchmark::State& state)
{
    auto& hour = FullHour::looping();

    for (auto _ : state)
    {
        hour.recorder->analysisSourceChanged();
        hour.recorder->updateAnalysisStatus (hour.tab, false);
    }

    state.counters["tone_lines"] = (double) hour.tab.report.lines[0].size();
}

void anHourOfHistoryFindsAndUnpacksAStoppedMoment (benchmark::State& state)
{
    auto& hour = FullHour::looping();
    const auto& history = hour.recorder->getHistory();
    double seconds = 0.0;

    for (auto _ : state)
    {
        seconds = std::fmod (seconds + 0.37, 2.0);
        benchmark::DoNotOptimize (history.makeSnapshot (history.findNearest (seconds)));
    }
}
}

BENCHMARK (anHourOfHistoryRecordsOneMoreTick)->Unit (benchmark::kMicrosecond);
BENCHMARK (anHourOfHistoryRebuildsItsRanges)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);
BENCHMARK (anHourOfHistoryRebuildsTheAdvice)->Unit (benchmark::kMicrosecond);
BENCHMARK (anHourOfHistoryFindsAndUnpacksAStoppedMoment)->Unit (benchmark::kMicrosecond);

#include "editor/TimerFeed.h"

#include <juce_events/juce_events.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

// One tick of the editor's timer logic on the message thread, in the worst case: both spectra
// and both goniometer captures are new, so the reader copies 2 x 4097 magnitudes and 4 x 2048
// points under the engine's locks, besides the meter atomics, the holds and the peak series.
// The tick period is 33 ms at the fastest rate; the counter reports the share of it used.

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 2048;
constexpr double kFastestTickNs = 33.0e6;

struct Rig
{
    Rig()
    {
        // The message manager lives for the whole run, as in the other benchmarks.
        static const auto* juce = new juce::ScopedJuceInitialiser_GUI();
        juce::ignoreUnused (juce);

        processor = std::make_unique<KalvorinAudioProcessor> (
            SettingsStore ("Audio-Kalvorin", "settings.txt",
                           juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("kalvorin-bench-unused.txt")));
        processor->prepareToPlay (kSampleRate, kBlockSize);
        feed = std::make_unique<TimerFeed> (*processor);

        block.setSize (2, kBlockSize);
        juce::Random random (5);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kBlockSize; ++i)
                block.setSample (c, i, 0.5f * (random.nextFloat() * 2.0f - 1.0f));
    }

    /** What the audio thread publishes between two ticks: new spectra and captures. */
    void publish()
    {
        processor->referenceSpectrumSnapshot.tryPublish (magnitudes, kSampleRate);
        processor->sourceSpectrumSnapshot.tryPublish (magnitudes, kSampleRate);
        processor->referenceGoniometer.process (block);
        processor->sourceGoniometer.process (block);
    }

    std::unique_ptr<KalvorinAudioProcessor> processor;
    std::unique_ptr<TimerFeed> feed;
    std::vector<float> magnitudes = std::vector<float> (SpectrumAnalyser::kNumBins, 0.25f);
    juce::AudioBuffer<float> block;
    AnalysisSnapshot live;
};
} // namespace

static void TimerFeed_TickWithEverythingNew (benchmark::State& state)
{
    Rig rig;
    double totalNs = 0.0;

    for (auto _ : state)
    {
        state.PauseTiming();
        rig.publish();
        state.ResumeTiming();

        const auto start = juce::Time::getHighResolutionTicks();
        rig.feed->readMeters (33);
        rig.feed->meterValues();
        rig.feed->updateLiveSnapshot (rig.live);
        rig.feed->getReader().readLiveMeasurements (rig.live);
        totalNs += 1.0e9 * (double) (juce::Time::getHighResolutionTicks() - start)
                 / (double) juce::Time::getHighResolutionTicksPerSecond();
        benchmark::DoNotOptimize (rig.live.referencePeakSeries.data());
    }

    state.counters["shareOfFastestTick"] = totalNs / (double) state.iterations() / kFastestTickNs;
}
BENCHMARK (TimerFeed_TickWithEverythingNew)->Unit (benchmark::kMicrosecond);

static void TimerFeed_TickWithNothingNew (benchmark::State& state)
{
    Rig rig;

    for (auto _ : state)
    {
        rig.feed->readMeters (33);
        rig.feed->meterValues();
        rig.feed->updateLiveSnapshot (rig.live);
        benchmark::DoNotOptimize (rig.live.referencePeakSeries.data());
    }
}
BENCHMARK (TimerFeed_TickWithNothingNew)->Unit (benchmark::kMicrosecond);

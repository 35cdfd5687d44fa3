#include "engine/LoudnessMeter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

// The loudness meter against the floor it cannot go below: the K-weighting alone (two biquads
// per channel in double precision) over the same stereo 48 kHz stream in 512-sample host blocks.
// The third benchmark times both passes in the same iterations and reports their ratio.

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kNumChannels = 2;
constexpr int kBlockSize = 512;
constexpr int kStreamSeconds = 10;

/** Ten seconds of programme-like stereo audio (a tone over noise at about -20 dBFS), cut into
    host-sized blocks that refer to it without copying.
*/
struct StereoStream
{
    StereoStream()
        : audio (kNumChannels, (int) kSampleRate * kStreamSeconds)
    {
        juce::Random random (42);

        for (int c = 0; c < kNumChannels; ++c)
            for (int i = 0; i < audio.getNumSamples(); ++i)
                audio.setSample (c, i, (float) (0.05 * std::sin (0.0571 * i + c)
                                                + 0.08 * (random.nextDouble() * 2.0 - 1.0)));

        for (int start = 0; start < audio.getNumSamples(); start += kBlockSize)
        {
            const int n = juce::jmin (kBlockSize, audio.getNumSamples() - start);
            float* channels[kNumChannels];
            for (int c = 0; c < kNumChannels; ++c)
                channels[c] = audio.getWritePointer (c, start);

            blocks.push_back (std::make_unique<juce::AudioBuffer<float>> (channels, kNumChannels, n));
        }
    }

    juce::AudioBuffer<float> audio;
    std::vector<std::unique_ptr<juce::AudioBuffer<float>>> blocks;
};

const StereoStream& stream()
{
    static const StereoStream s;
    return s;
}

/** The K-weighting and nothing else: shelf then high-pass, transposed direct form II. */
class KWeightingPass
{
public:
    KWeightingPass()
        : k (LoudnessMeter::makeKWeighting (kSampleRate)),
          output (kNumChannels, kBlockSize)
    {
    }

    void process (const juce::AudioBuffer<float>& block) noexcept
    {
        for (int c = 0; c < kNumChannels; ++c)
        {
            const float* in = block.getReadPointer (c);
            float* out = output.getWritePointer (c);
            double* s = state[c];

            for (int i = 0; i < block.getNumSamples(); ++i)
            {
                const double x = in[i];
                const double y1 = k.shelf.b0 * x + s[0];
                s[0] = k.shelf.b1 * x - k.shelf.a1 * y1 + s[1];
                s[1] = k.shelf.b2 * x - k.shelf.a2 * y1;

                const double y2 = y1 + s[2];
                s[2] = -2.0 * y1 - k.highPass.a1 * y2 + s[3];
                s[3] = y1 - k.highPass.a2 * y2;

                out[i] = (float) y2;
            }
        }

        benchmark::DoNotOptimize (output.getReadPointer (0));
        benchmark::ClobberMemory();
    }

private:
    LoudnessMeter::KWeighting k;
    juce::AudioBuffer<float> output;
    double state[kNumChannels][4] = {};
};

template <typename Processor>
void runStream (Processor&& process)
{
    for (const auto& block : stream().blocks)
        process (*block);
}

void setThroughput (benchmark::State& state)
{
    const auto samples = (int64_t) state.iterations() * stream().audio.getNumSamples();
    state.SetItemsProcessed (samples);
    state.counters["realtime_x"] = benchmark::Counter ((double) samples / kSampleRate,
                                                       benchmark::Counter::kIsRate);
}

void loudnessMeter (benchmark::State& state)
{
    juce::ScopedNoDenormals noDenormals;
    LoudnessMeter meter;
    meter.prepare (kNumChannels, kSampleRate);

    for (auto _ : state)
        runStream ([&meter] (const auto& block) { meter.process (block, true); });

    benchmark::DoNotOptimize (meter.integratedLufsOut.load());
    setThroughput (state);
}

void kWeightingOnly (benchmark::State& state)
{
    juce::ScopedNoDenormals noDenormals;
    KWeightingPass filters;

    for (auto _ : state)
        runStream ([&filters] (const auto& block) { filters.process (block); });

    setThroughput (state);
}

void meterOverKWeighting (benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;

    juce::ScopedNoDenormals noDenormals;
    LoudnessMeter meter;
    meter.prepare (kNumChannels, kSampleRate);
    KWeightingPass filters;
    Clock::duration meterTime {}, filterTime {};

    for (auto _ : state)
    {
        const auto t0 = Clock::now();
        runStream ([&meter] (const auto& block) { meter.process (block, true); });
        const auto t1 = Clock::now();
        runStream ([&filters] (const auto& block) { filters.process (block); });
        const auto t2 = Clock::now();

        meterTime += t1 - t0;
        filterTime += t2 - t1;
    }

    const auto samples = (double) state.iterations() * stream().audio.getNumSamples();
    const auto meterNs = (double) std::chrono::duration_cast<std::chrono::nanoseconds> (meterTime).count();
    const auto filterNs = (double) std::chrono::duration_cast<std::chrono::nanoseconds> (filterTime).count();

    state.counters["meter_ns_per_frame"] = meterNs / samples;
    state.counters["kweighting_ns_per_frame"] = filterNs / samples;
    state.counters["meter_over_kweighting"] = filterNs > 0.0 ? meterNs / filterNs : 0.0;
}
} // namespace

BENCHMARK (loudnessMeter)->Name ("LoudnessMeter/stereo48k/block512")->Unit (benchmark::kMillisecond);
BENCHMARK (kWeightingOnly)->Name ("KWeightingOnly/stereo48k/block512")->Unit (benchmark::kMillisecond);
BENCHMARK (meterOverKWeighting)->Name ("LoudnessMeterOverKWeighting/stereo48k/block512")->Unit (benchmark::kMillisecond);

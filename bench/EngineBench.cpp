#include "engine/BandStereoAnalyser.h"
#include "engine/SpectrumAnalyser.h"
#include "engine/TruePeakMeter.h"
#include "support/FrameworkEngines.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <functional>

// Each heavy engine against the same measurement done the plain way on the framework's building
// blocks (tests/support/FrameworkEngines.h: its oversampler, its IIR filters sample by sample,
// its FFT), both fed the same stereo 48 kHz programme-like signal block by block in the same
// iterations, so that the ratio engine_over_framework is measured under the same machine load.
// Argument: the host block size.

namespace
{
using Clock = std::chrono::steady_clock;

constexpr double kSampleRate = 48000.0;
constexpr int kNumChannels = 2;
constexpr int kStreamSamples = 2048 * 117; // about 5 s, a whole number of spectrum hops

const juce::AudioBuffer<float>& stream()
{
    static const auto audio = []
    {
        juce::AudioBuffer<float> a (kNumChannels, kStreamSamples);
        juce::Random random (5);

        for (int c = 0; c < kNumChannels; ++c)
            for (int i = 0; i < kStreamSamples; ++i)
                a.setSample (c, i, (float) (0.2 * std::sin (0.0571 * i + c) + 0.1 * (random.nextDouble() * 2.0 - 1.0)));

        return a;
    }();

    return audio;
}

/** Times two ways of doing the same work on the same blocks, alternating block by block. */
void compare (benchmark::State& state,
              const std::function<void (const juce::AudioBuffer<float>&)>& framework,
              const std::function<void (const juce::AudioBuffer<float>&)>& engine)
{
    juce::ScopedNoDenormals noDenormals;
    const auto blockSize = (int) state.range (0);
    const auto& audio = stream();
    Clock::duration frameworkTime {}, engineTime {};
    std::int64_t blocks = 0;

    for (auto _ : state)
    {
        for (int start = 0; start + blockSize <= audio.getNumSamples(); start += blockSize)
        {
            const juce::AudioBuffer<float> block (const_cast<float* const*> (audio.getArrayOfReadPointers()),
                                                  kNumChannels, start, blockSize);
            const auto t0 = Clock::now();
            framework (block);
            const auto t1 = Clock::now();
            engine (block);
            const auto t2 = Clock::now();

            frameworkTime += t1 - t0;
            engineTime += t2 - t1;
            ++blocks;
        }
    }

    const auto us = [blocks] (Clock::duration d)
    {
        return std::chrono::duration<double, std::micro> (d).count() / (double) std::max<std::int64_t> (1, blocks);
    };

    state.counters["framework_us_per_block"] = us (frameworkTime);
    state.counters["engine_us_per_block"] = us (engineTime);
    state.counters["engine_over_framework"] = us (engineTime) / us (frameworkTime);
}

void truePeak (benchmark::State& state)
{
    FrameworkTruePeak framework;
    TruePeakMeter engine;
    framework.prepare (kNumChannels, (int) state.range (0));
    engine.prepare (kNumChannels, (int) state.range (0), kSampleRate);
    float sink = 0.0f;

    compare (state,
             [&] (const auto& block) { sink = std::max (sink, framework.process (block)); },
             [&] (const auto& block) { engine.process (block, true); });

    benchmark::DoNotOptimize (sink);
    benchmark::DoNotOptimize (engine.truePeakHold.load());
}

/** Two analysers prepared for the rate alone, fed every block. */
template <typename Framework, typename Engine>
void compareAnalysers (benchmark::State& state)
{
    Framework framework;
    Engine engine;
    framework.prepare (kSampleRate);
    engine.prepare (kSampleRate);

    compare (state,
             [&] (const auto& block) { framework.process (block); },
             [&] (const auto& block) { engine.process (block); });

    benchmark::ClobberMemory();
}

void spectrum (benchmark::State& state)    { compareAnalysers<FrameworkSpectrum, SpectrumAnalyser> (state); }
void bands (benchmark::State& state)       { compareAnalysers<FrameworkBandAnalyser, BandStereoAnalyser> (state); }
} // namespace

BENCHMARK (truePeak)->Name ("EngineOverFramework/truePeak/stereo48k")->Arg (32)->Arg (512)->Unit (benchmark::kMillisecond);
BENCHMARK (spectrum)->Name ("EngineOverFramework/spectrum/stereo48k")->Arg (32)->Arg (512)->Unit (benchmark::kMillisecond);
BENCHMARK (bands)->Name ("EngineOverFramework/bands/stereo48k")->Arg (32)->Arg (512)->Unit (benchmark::kMillisecond);

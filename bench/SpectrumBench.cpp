#include "engine/SpectrumAnalyser.h"
#include "engine/SpectrumSnapshot.h"

#include <juce_dsp/juce_dsp.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cmath>
#include <vector>

// What the two spectrum analysers (Reference and Source) cost the audio thread per host block
// at 48 kHz / 512 samples, publication into their snapshots included: the average block, and
// the worst one, which is a block in which both analysers complete a frame (four 8192-point
// transforms). Beside it, the units the analyser's cost is made of: the packed complex FFT by
// FFTW that serves both channels of a frame, and for scale the framework's own 8192-point real
// FFT, which a frame would need twice.

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kNumChannels = 2;
constexpr int kBlockSize = 512;
constexpr double kBlockBudgetMicroseconds = 1.0e6 * kBlockSize / kSampleRate;

using Clock = std::chrono::steady_clock;

/** A tone over noise at roughly programme level, different in the two channels. */
juce::AudioBuffer<float> makeBlock (int seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> block (kNumChannels, kBlockSize);

    for (int c = 0; c < kNumChannels; ++c)
        for (int i = 0; i < kBlockSize; ++i)
            block.setSample (c, i, static_cast<float> (0.1 * std::sin (0.0571 * i + c)
                                                       + 0.1 * (random.nextDouble() * 2.0 - 1.0)));

    return block;
}

/** One analyser with its snapshot, wired as the processor wires them. */
struct AnalysedSignal
{
    AnalysedSignal()
    {
        snapshot.prepare (SpectrumAnalyser::kNumBins);
        analyser.onSpectrum = [this] (const std::vector<float>& magnitudes, double rate)
        {
            snapshot.tryPublish (magnitudes, rate);
        };
        analyser.prepare (kSampleRate);
    }

    SpectrumAnalyser analyser;
    SpectrumSnapshot snapshot;
};

void twoSpectrumAnalysers (benchmark::State& state)
{
    AnalysedSignal reference, source;
    const auto referenceBlock = makeBlock (1);
    const auto sourceBlock = makeBlock (2);

    double worstMicroseconds = 0.0;
    double totalMicroseconds = 0.0;
    double frameBlockMicroseconds = 0.0;
    std::int64_t blocks = 0;
    std::int64_t frameBlocks = 0;

    for (auto _ : state)
    {
        const auto sequenceBefore = reference.snapshot.sequence;

        const auto start = Clock::now();
        reference.analyser.process (referenceBlock);
        source.analyser.process (sourceBlock);
        const auto end = Clock::now();

        benchmark::ClobberMemory();

        const auto microseconds = std::chrono::duration<double, std::micro> (end - start).count();
        worstMicroseconds = std::max (worstMicroseconds, microseconds);
        totalMicroseconds += microseconds;
        ++blocks;

        // Blocks that completed a frame: the analysers' own worst case, as opposed to the
        // single worst block, which also catches the scheduler's interruptions.
        if (reference.snapshot.sequence != sequenceBefore)
        {
            frameBlockMicroseconds += microseconds;
            ++frameBlocks;
        }
    }

    const auto averageMicroseconds = blocks > 0 ? totalMicroseconds / static_cast<double> (blocks) : 0.0;
    state.counters["avg_block_us"] = averageMicroseconds;
    state.counters["worst_block_us"] = worstMicroseconds;
    state.counters["avg_frame_block_us"] = frameBlocks > 0 ? frameBlockMicroseconds / static_cast<double> (frameBlocks) : 0.0;
    state.counters["avg_pct_of_block"] = 100.0 * averageMicroseconds / kBlockBudgetMicroseconds;
    state.counters["worst_pct_of_block"] = 100.0 * worstMicroseconds / kBlockBudgetMicroseconds;
    state.counters["publications"] = static_cast<double> (reference.snapshot.sequence + source.snapshot.sequence);
}

void plainFft8192 (benchmark::State& state)
{
    juce::dsp::FFT fft (SpectrumAnalyser::kFftOrder);
    juce::Random random (3);

    std::vector<float> input (static_cast<size_t> (SpectrumAnalyser::kFftSize));
    for (auto& x : input)
        x = random.nextFloat() * 2.0f - 1.0f;

    std::vector<float> work (static_cast<size_t> (2 * SpectrumAnalyser::kFftSize), 0.0f);

    for (auto _ : state)
    {
        // A fresh copy each time, as the analyser makes: transforming the output again would
        // grow it without bound.
        std::copy (input.begin(), input.end(), work.begin());
        fft.performRealOnlyForwardTransform (work.data());
        benchmark::DoNotOptimize (work.data());
        benchmark::ClobberMemory();
    }
}

void packedStereoFft8192 (benchmark::State& state)
{
    StereoFft fft (SpectrumAnalyser::kFftOrder);
    juce::Random random (3);

    for (int i = 0; i < 2 * SpectrumAnalyser::kFftSize; ++i)
        fft.getInput()[i] = random.nextFloat() * 2.0f - 1.0f;

    for (auto _ : state)
    {
        fft.perform();
        benchmark::DoNotOptimize (fft.getOutput());
        benchmark::ClobberMemory();
    }

    state.SetLabel (StereoFft::getLibraryVersion());
}
} // namespace

BENCHMARK (twoSpectrumAnalysers)->Name ("SpectrumAnalyser/twoSignals/stereo48k/block512")
    ->Unit (benchmark::kMicrosecond)->MinTime (2.0);
BENCHMARK (plainFft8192)->Name ("PlainFft/framework/realForward/8192")->Unit (benchmark::kMicrosecond);
BENCHMARK (packedStereoFft8192)->Name ("PlainFft/fftw/packedStereo/8192")->Unit (benchmark::kMicrosecond);

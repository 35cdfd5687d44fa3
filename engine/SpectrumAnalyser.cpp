#include "SpectrumAnalyser.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** Scales the summed power of two channels so that a full-scale sine centred on a bin and
        present in both reads 1.0: with a window summing to kFftSize, each channel's bin holds
        (kFftSize / 2)^2 = 2^24, two channels 2^25. */
    constexpr double kPowerScale = 1.0 / 33554432.0; // 2^-25

    inline float finiteOrZero (float x) noexcept
    {
        return std::isfinite (x) ? x : 0.0f;
    }
}

SpectrumAnalyser::SpectrumAnalyser()
    : fft (kFftOrder),
      window (static_cast<size_t> (kFftSize), juce::dsp::WindowingFunction<float>::hann, true)
{
}

SpectrumAnalyser::~SpectrumAnalyser() = default;

void SpectrumAnalyser::prepare (double newSampleRate)
{
    sampleRate = newSampleRate;
    historyFrames = std::max (1, juce::roundToInt (kAverageSeconds * newSampleRate / kHopSize));

    history.assign (static_cast<size_t> (historyFrames) * kNumBins, 0.0);
    runningSum.assign (kNumBins, 0.0);
    magnitudes.assign (kNumBins, 0.0f);
    fifoLeft.assign (kFftSize, 0.0f);
    fifoRight.assign (kFftSize, 0.0f);
    fftLeft.assign (2 * kFftSize, 0.0f);
    fftRight.assign (2 * kFftSize, 0.0f);

    // Every bin's running sum is rebuilt from the history once per history length, a slice per
    // frame, so that rounding and the cancellation left behind by an overloaded frame do not
    // stay in the average for good.
    resumBinsPerFrame = (kNumBins + historyFrames - 1) / historyFrames;
    resumCursor = 0;

    fifoIndex = kFftSize - kHopSize;
    historyIndex = 0;
}

void SpectrumAnalyser::reset() noexcept
{
    std::fill (fifoLeft.begin(), fifoLeft.end(), 0.0f);
    std::fill (fifoRight.begin(), fifoRight.end(), 0.0f);
    std::fill (history.begin(), history.end(), 0.0);
    std::fill (runningSum.begin(), runningSum.end(), 0.0);
    std::fill (magnitudes.begin(), magnitudes.end(), 0.0f);

    fifoIndex = kFftSize - kHopSize;
    historyIndex = 0;
    resumCursor = 0;
}

void SpectrumAnalyser::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();

    if (numChannels < 1 || numSamples < 1 || fifoLeft.empty())
        return;

    const auto* left = buffer.getReadPointer (0);
    const auto* right = buffer.getReadPointer (numChannels > 1 ? 1 : 0);

    for (int i = 0; i < numSamples; ++i)
    {
        fifoLeft[static_cast<size_t> (fifoIndex)] = finiteOrZero (left[i]);
        fifoRight[static_cast<size_t> (fifoIndex)] = finiteOrZero (right[i]);

        if (++fifoIndex == kFftSize)
        {
            computeFrame();

            // Keep the newest three quarters for the next, overlapping frame.
            std::copy (fifoLeft.begin() + kHopSize, fifoLeft.end(), fifoLeft.begin());
            std::copy (fifoRight.begin() + kHopSize, fifoRight.end(), fifoRight.begin());
            fifoIndex = kFftSize - kHopSize;
        }
    }
}

void SpectrumAnalyser::transformChannel (const std::vector<float>& fifo, std::vector<float>& work) noexcept
{
    std::copy (fifo.begin(), fifo.end(), work.begin());
    std::fill (work.begin() + kFftSize, work.end(), 0.0f);
    window.multiplyWithWindowingTable (work.data(), static_cast<size_t> (kFftSize));
    fft.performRealOnlyForwardTransform (work.data());
}

void SpectrumAnalyser::computeFrame() noexcept
{
    transformChannel (fifoLeft, fftLeft);
    transformChannel (fifoRight, fftRight);

    auto* row = history.data() + static_cast<size_t> (historyIndex) * kNumBins;

    for (size_t k = 0; k < static_cast<size_t> (kNumBins); ++k)
    {
        const auto reL = static_cast<double> (fftLeft[2 * k]);
        const auto imL = static_cast<double> (fftLeft[2 * k + 1]);
        const auto reR = static_cast<double> (fftRight[2 * k]);
        const auto imR = static_cast<double> (fftRight[2 * k + 1]);

        auto power = (reL * reL + imL * imL + reR * reR + imR * imR) * kPowerScale;

        // A transform that overflowed the float range must not put infinity (and later
        // infinity minus infinity) into the running sum.
        if (! std::isfinite (power))
            power = 0.0;

        runningSum[k] += power - row[k];
        row[k] = power;
    }

    resumSlice();

    const auto frames = static_cast<double> (historyFrames);

    for (size_t k = 0; k < static_cast<size_t> (kNumBins); ++k)
    {
        const auto mean = runningSum[k] / frames;
        magnitudes[k] = mean > 0.0 ? static_cast<float> (std::sqrt (mean)) : 0.0f;
    }

    historyIndex = (historyIndex + 1) % historyFrames;

    if (onSpectrum)
        onSpectrum (magnitudes, sampleRate);
}

void SpectrumAnalyser::resumSlice() noexcept
{
    const auto end = std::min (kNumBins, resumCursor + resumBinsPerFrame);

    for (int k = resumCursor; k < end; ++k)
    {
        double sum = 0.0;

        for (int frame = 0; frame < historyFrames; ++frame)
            sum += history[static_cast<size_t> (frame) * kNumBins + static_cast<size_t> (k)];

        runningSum[static_cast<size_t> (k)] = sum;
    }

    resumCursor = end < kNumBins ? end : 0;
}

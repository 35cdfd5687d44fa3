#include "SpectrumAnalyser.h"

#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <cmath>

#if defined (__SSE2__)
 #include <immintrin.h>
#endif

namespace
{
    /** Scales the power of one packed transform so that a full-scale sine centred on a bin and
        present in both channels reads 1.0: with a window summing to kFftSize, each channel's
        bin holds (kFftSize / 2)^2 = 2^24, two channels 2^25, and the packed transform gives
        twice the sum of both (see StereoFft). */
    constexpr double kPackedPowerScale = 1.0 / 67108864.0; // 2^-26

    constexpr int kRingMask = SpectrumAnalyser::kFftSize - 1;

    inline float finiteOrZero (float x) noexcept
    {
        return std::isfinite (x) ? x : 0.0f;
    }
}

SpectrumAnalyser::SpectrumAnalyser()
    : window (static_cast<size_t> (kFftSize), 0.0f)
{
    juce::dsp::WindowingFunction<float>::fillWindowingTables (window.data(), static_cast<size_t> (kFftSize),
                                                              juce::dsp::WindowingFunction<float>::hann, true);
}

SpectrumAnalyser::~SpectrumAnalyser() = default;

void SpectrumAnalyser::prepare (double newSampleRate, int newFrameLead)
{
    sampleRate = newSampleRate;
    frameLead = juce::jlimit (0, kHopSize - 1, newFrameLead);
    historyFrames = std::max (1, juce::roundToInt (kAverageSeconds * newSampleRate / kHopSize));

    history.assign (static_cast<size_t> (historyFrames) * kNumBins, 0.0);
    runningSum.assign (kNumBins, 0.0);
    magnitudes.assign (kNumBins, 0.0f);
    ringLeft.assign (kFftSize, 0.0f);
    ringRight.assign (kFftSize, 0.0f);

    // Every bin's running sum is rebuilt from the history once per history length, a slice per
    // frame, so that rounding and the cancellation left behind by an overloaded frame do not
    // stay in the average for good.
    resumBinsPerFrame = (kNumBins + historyFrames - 1) / historyFrames;
    resumCursor = 0;

    ringPosition = 0;
    samplesToNextFrame = kHopSize - frameLead;
    historyIndex = 0;
}

void SpectrumAnalyser::reset() noexcept
{
    std::fill (ringLeft.begin(), ringLeft.end(), 0.0f);
    std::fill (ringRight.begin(), ringRight.end(), 0.0f);
    std::fill (history.begin(), history.end(), 0.0);
    std::fill (runningSum.begin(), runningSum.end(), 0.0);
    std::fill (magnitudes.begin(), magnitudes.end(), 0.0f);

    ringPosition = 0;
    samplesToNextFrame = kHopSize - frameLead;
    historyIndex = 0;
    resumCursor = 0;
}

void SpectrumAnalyser::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();

    if (numChannels < 1 || numSamples < 1 || ringLeft.empty())
        return;

    const auto* left = buffer.getReadPointer (0);
    const auto* right = buffer.getReadPointer (numChannels > 1 ? 1 : 0);

    for (int done = 0; done < numSamples;)
    {
        const auto count = std::min (numSamples - done, samplesToNextFrame);
        writeToRings (left + done, right + done, count);
        done += count;
        samplesToNextFrame -= count;

        if (samplesToNextFrame == 0)
        {
            computeFrame();
            samplesToNextFrame = kHopSize;
        }
    }
}

void SpectrumAnalyser::writeToRings (const float* left, const float* right, int count) noexcept
{
    for (int done = 0; done < count;)
    {
        const auto run = std::min (count - done, kFftSize - ringPosition);
        auto* ringL = ringLeft.data() + ringPosition;
        auto* ringR = ringRight.data() + ringPosition;

        for (int i = 0; i < run; ++i)
        {
            ringL[i] = finiteOrZero (left[done + i]);
            ringR[i] = finiteOrZero (right[done + i]);
        }

        done += run;
        ringPosition = (ringPosition + run) & kRingMask;
    }
}

void SpectrumAnalyser::windowIntoTransform() noexcept
{
    // The oldest sample sits at ringPosition: the frame is the ring from there to its end,
    // then from its start up to ringPosition.
    auto* packed = fft.getInput();
    const auto* w = window.data();
    const auto firstRun = kFftSize - ringPosition;

    const auto pack = [packed, w] (const float* ringL, const float* ringR, int from, int count) noexcept
    {
        for (int i = 0; i < count; ++i)
        {
            packed[2 * (from + i)] = ringL[i] * w[from + i];
            packed[2 * (from + i) + 1] = ringR[i] * w[from + i];
        }
    };

    pack (ringLeft.data() + ringPosition, ringRight.data() + ringPosition, 0, firstRun);
    pack (ringLeft.data(), ringRight.data(), firstRun, ringPosition);
}

void SpectrumAnalyser::computeFrame() noexcept
{
    windowIntoTransform();
    fft.perform();

    const auto* z = fft.getOutput();
    auto* row = history.data() + static_cast<size_t> (historyIndex) * kNumBins;

    for (int k = 0; k < kNumBins; ++k)
    {
        // Bin k and its mirror N - k of the packed transform hold both channels' power.
        const auto mirror = (kFftSize - k) & kRingMask;
        const auto re = static_cast<double> (z[2 * k]);
        const auto im = static_cast<double> (z[2 * k + 1]);
        const auto reMirror = static_cast<double> (z[2 * mirror]);
        const auto imMirror = static_cast<double> (z[2 * mirror + 1]);

        auto power = (re * re + im * im + reMirror * reMirror + imMirror * imMirror) * kPackedPowerScale;

        // A transform that overflowed the float range must not put infinity (and later
        // infinity minus infinity) into the running sum.
        if (! std::isfinite (power))
            power = 0.0;

        runningSum[static_cast<size_t> (k)] += power - row[k];
        row[k] = power;
    }

    resumSlice();

    averageIntoMagnitudes();

    historyIndex = (historyIndex + 1) % historyFrames;

    if (onSpectrum)
        onSpectrum (magnitudes, sampleRate);
}

void SpectrumAnalyser::averageIntoMagnitudes() noexcept
{
    // The square root is taken in single precision, four bins at a time: the magnitudes are
    // floats, and a float's root of the mean rounded to float is within one unit in the last
    // place of the root taken in double precision.
    const auto frames = static_cast<double> (historyFrames);
    const auto* sum = runningSum.data();
    auto* out = magnitudes.data();
    int k = 0;

   #if defined (__SSE2__)
    const auto framesVector = _mm_set1_pd (frames);

    for (; k + 4 <= kNumBins; k += 4)
    {
        const auto low = _mm_cvtpd_ps (_mm_div_pd (_mm_loadu_pd (sum + k), framesVector));
        const auto high = _mm_cvtpd_ps (_mm_div_pd (_mm_loadu_pd (sum + k + 2), framesVector));
        const auto means = _mm_movelh_ps (low, high);

        // A mean that is not above 0 (rounding can leave a running sum slightly negative) reads 0.
        const auto positive = _mm_cmpgt_ps (means, _mm_setzero_ps());
        _mm_storeu_ps (out + k, _mm_and_ps (_mm_sqrt_ps (means), positive));
    }
   #endif

    for (; k < kNumBins; ++k)
    {
        const auto mean = static_cast<float> (sum[k] / frames);
        out[k] = mean > 0.0f ? std::sqrt (mean) : 0.0f;
    }
}

void SpectrumAnalyser::resumSlice() noexcept
{
    const auto end = std::min (kNumBins, resumCursor + resumBinsPerFrame);
    auto* sum = runningSum.data();

    std::fill (sum + resumCursor, sum + end, 0.0);

    // Row by row, so that the history is read in the order it lies in memory; each bin still
    // adds its rows from the first to the last.
    for (int frame = 0; frame < historyFrames; ++frame)
    {
        const auto* row = history.data() + static_cast<size_t> (frame) * kNumBins;

        for (int k = resumCursor; k < end; ++k)
            sum[k] += row[k];
    }

    resumCursor = end < kNumBins ? end : 0;
}

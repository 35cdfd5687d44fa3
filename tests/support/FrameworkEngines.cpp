#include "support/FrameworkEngines.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace
{
float finiteOrZero (float x) noexcept { return std::isfinite (x) ? x : 0.0f; }

constexpr int kFftSize = 8192;
constexpr int kNumBins = kFftSize / 2 + 1;
constexpr int kHop = 2048;
} // namespace

//==============================================================================
void FrameworkTruePeak::prepare (int numChannels, int newMaxBlockSize)
{
    using Oversampling = juce::dsp::Oversampling<float>;
    maxBlockSize = std::max (1, newMaxBlockSize);
    oversamplers.clear();

    for (int c = 0; c < numChannels; ++c)
    {
        oversamplers.push_back (std::make_unique<Oversampling> (1, 2, Oversampling::filterHalfBandFIREquiripple, true, false));
        oversamplers.back()->initProcessing ((size_t) maxBlockSize);
    }

    scratch.setSize (1, maxBlockSize);
}

float FrameworkTruePeak::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    float peak = 0.0f;
    const auto channels = std::min (buffer.getNumChannels(), (int) oversamplers.size());

    for (int c = 0; c < channels; ++c)
    {
        const auto* samples = buffer.getReadPointer (c);

        for (int start = 0; start < buffer.getNumSamples(); start += maxBlockSize)
        {
            const auto length = std::min (maxBlockSize, buffer.getNumSamples() - start);
            auto* chunk = scratch.getWritePointer (0);

            for (int i = 0; i < length; ++i)
            {
                chunk[i] = finiteOrZero (samples[start + i]);
                peak = std::max (peak, std::abs (chunk[i]));
            }

            const float* const channelList[] = { chunk };
            const auto up = oversamplers[(size_t) c]->processSamplesUp ({ channelList, 1, (size_t) length });

            for (size_t i = 0; i < up.getNumSamples(); ++i)
                peak = std::max (peak, std::abs (up.getSample (0, (int) i)));
        }
    }

    return peak;
}

//==============================================================================
FrameworkSpectrum::FrameworkSpectrum()
    : fft (13)
{
    window.assign (kFftSize, 0.0f);
    juce::dsp::WindowingFunction<float>::fillWindowingTables (window.data(), kFftSize,
                                                              juce::dsp::WindowingFunction<float>::hann, true);
}

void FrameworkSpectrum::prepare (double sampleRate)
{
    historyFrames = std::max (1, juce::roundToInt (3.0 * sampleRate / kHop));
    resumBins = (kNumBins + historyFrames - 1) / historyFrames;
    history.assign ((size_t) historyFrames * kNumBins, 0.0);
    runningSum.assign (kNumBins, 0.0);
    magnitudes.assign (kNumBins, 0.0f);
    fifoLeft.assign (kFftSize, 0.0f);
    fifoRight.assign (kFftSize, 0.0f);
    workLeft.assign (2 * kFftSize, 0.0f);
    workRight.assign (2 * kFftSize, 0.0f);
    fifoIndex = kFftSize - kHop;
    historyIndex = resumCursor = 0;
}

int FrameworkSpectrum::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    const auto* left = buffer.getReadPointer (0);
    const auto* right = buffer.getReadPointer (buffer.getNumChannels() > 1 ? 1 : 0);
    int frames = 0;

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        fifoLeft[(size_t) fifoIndex] = finiteOrZero (left[i]);
        fifoRight[(size_t) fifoIndex] = finiteOrZero (right[i]);

        if (++fifoIndex == kFftSize)
        {
            computeFrame();
            ++frames;
            std::copy (fifoLeft.begin() + kHop, fifoLeft.end(), fifoLeft.begin());
            std::copy (fifoRight.begin() + kHop, fifoRight.end(), fifoRight.begin());
            fifoIndex = kFftSize - kHop;
        }
    }

    return frames;
}

void FrameworkSpectrum::computeFrame() noexcept
{
    for (auto [fifo, work] : { std::pair { &fifoLeft, &workLeft }, std::pair { &fifoRight, &workRight } })
    {
        std::fill (work->begin(), work->end(), 0.0f);
        juce::FloatVectorOperations::multiply (work->data(), fifo->data(), window.data(), kFftSize);
        fft.performRealOnlyForwardTransform (work->data());
    }

    auto* row = history.data() + (size_t) historyIndex * kNumBins;

    for (size_t k = 0; k < (size_t) kNumBins; ++k)
    {
        auto power = ((double) workLeft[2 * k] * workLeft[2 * k] + (double) workLeft[2 * k + 1] * workLeft[2 * k + 1]
                      + (double) workRight[2 * k] * workRight[2 * k] + (double) workRight[2 * k + 1] * workRight[2 * k + 1])
                     / 33554432.0;
        power = std::isfinite (power) ? power : 0.0;
        runningSum[k] += power - row[k];
        row[k] = power;
    }

    const auto end = std::min (kNumBins, resumCursor + resumBins);

    for (int k = resumCursor; k < end; ++k)
    {
        double sum = 0.0;

        for (int frame = 0; frame < historyFrames; ++frame)
            sum += history[(size_t) frame * kNumBins + (size_t) k];

        runningSum[(size_t) k] = sum;
    }

    resumCursor = end < kNumBins ? end : 0;

    for (size_t k = 0; k < (size_t) kNumBins; ++k)
    {
        const auto mean = runningSum[k] / historyFrames;
        magnitudes[k] = mean > 0.0 ? (float) std::sqrt (mean) : 0.0f;
    }

    historyIndex = (historyIndex + 1) % historyFrames;
}

//==============================================================================
void FrameworkBandAnalyser::prepare (double sampleRate)
{
    using Coefficients = juce::dsp::IIR::Coefficients<float>;
    const auto top = std::min (BandStereoAnalyser::kTopEdgeShareOfRate * sampleRate, BandStereoAnalyser::kHighestEdgeHz);
    const double edges[] = { BandStereoAnalyser::kLowestEdgeHz, BandStereoAnalyser::kLowMidEdgeHz,
                             BandStereoAnalyser::kMidHighEdgeHz, top };

    for (size_t k = 0; k < bands.size(); ++k)
    {
        const auto highPassHz = (float) std::min (BandStereoAnalyser::kHighPassShareOfRate * sampleRate, edges[k]);
        const auto lowPassHz = (float) std::min (BandStereoAnalyser::kTopEdgeShareOfRate * sampleRate, edges[k + 1]);
        auto& band = bands[k];

        for (auto* filter : { &band.highPassLeft, &band.highPassRight })
        {
            filter->coefficients = Coefficients::makeHighPass (sampleRate, highPassHz);
            filter->reset();
        }

        for (auto* filter : { &band.lowPassLeft, &band.lowPassRight })
        {
            filter->coefficients = Coefficients::makeLowPass (sampleRate, lowPassHz);
            filter->reset();
        }

        band.current = {};
        band.history.fill ({});
    }

    groupLength = std::max (1, juce::roundToInt (BandStereoAnalyser::kGroupSeconds * sampleRate));
    groupCount = groupIndex = groupsFilled = 0;
    results = {};
}

void FrameworkBandAnalyser::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    const auto* left = buffer.getReadPointer (0);
    const auto* right = buffer.getReadPointer (buffer.getNumChannels() > 1 ? 1 : 0);

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        const auto l = finiteOrZero (left[i]);
        const auto r = finiteOrZero (right[i]);

        for (auto& band : bands)
        {
            const double yL = band.lowPassLeft.processSample (band.highPassLeft.processSample (l));
            const double yR = band.lowPassRight.processSample (band.highPassRight.processSample (r));
            band.current.ll += yL * yL;
            band.current.rr += yR * yR;
            band.current.lr += yL * yR;
            band.current.peak = std::max (band.current.peak, std::max (std::abs (yL), std::abs (yR)));
        }

        if (++groupCount >= groupLength)
            closeGroup();
    }

    for (auto& band : bands)
        for (auto* filter : { &band.highPassLeft, &band.lowPassLeft, &band.highPassRight, &band.lowPassRight })
            filter->snapToZero();
}

void FrameworkBandAnalyser::closeGroup() noexcept
{
    const auto windowFull = groupsFilled >= BandStereoAnalyser::kHistoryGroups - 1;
    groupsFilled = std::min (groupsFilled + 1, BandStereoAnalyser::kHistoryGroups);
    groupCount = 0;

    for (size_t k = 0; k < bands.size(); ++k)
    {
        auto& band = bands[k];
        band.history[(size_t) groupIndex] = std::exchange (band.current, Sums {});

        Sums window;

        for (const auto& group : band.history)
        {
            window.ll += group.ll;
            window.rr += group.rr;
            window.lr += group.lr;
            window.peak = std::max (window.peak, group.peak);
        }

        results[k] = BandStereoAnalyser::resultFromWindow (window.ll, window.rr, window.lr, window.peak,
                                                           groupLength, windowFull);
    }

    groupIndex = (groupIndex + 1) % BandStereoAnalyser::kHistoryGroups;
}

//==============================================================================
juce::AudioBuffer<float> makeTestProgramme (double sampleRate, double seconds, int seed)
{
    const auto numSamples = (int) (seconds * sampleRate);
    juce::AudioBuffer<float> audio (2, numSamples);
    juce::Random random (seed);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto t = i / sampleRate;
        const auto tones = 0.3 * std::sin (juce::MathConstants<double>::twoPi * 440.0 * t)
                         + 0.1 * std::sin (juce::MathConstants<double>::twoPi * 0.37 * sampleRate * t);
        auto left = tones + 0.1 * (random.nextDouble() * 2.0 - 1.0);
        auto right = 0.7 * tones + 0.1 * (random.nextDouble() * 2.0 - 1.0);

        const auto part = t / seconds;

        if (part > 0.3 && part < 0.32)          // a burst beyond full scale
        {
            left *= 4.0;
            right *= -4.0;
        }
        else if (part > 0.5 && part < 0.6)      // silence
        {
            left = right = 0.0;
        }
        else if (part > 0.7 && part < 0.75)     // the left channel alone
        {
            right = 0.0;
        }

        audio.setSample (0, i, (float) left);
        audio.setSample (1, i, (float) right);
    }

    audio.setSample (0, numSamples / 5, std::numeric_limits<float>::quiet_NaN());
    audio.setSample (1, numSamples / 4, std::numeric_limits<float>::infinity());
    return audio;
}

void forEachVaryingBlock (const juce::AudioBuffer<float>& signal,
                          const std::function<void (const juce::AudioBuffer<float>&)>& process)
{
    static constexpr int sizes[] = { 512, 1, 7, 32, 100, 4096, 333, 2048, 64, 1000 };
    auto* const* channels = const_cast<float* const*> (signal.getArrayOfReadPointers());

    for (int start = 0, n = 0; start < signal.getNumSamples(); ++n)
    {
        const auto length = std::min (sizes[(size_t) n % std::size (sizes)], signal.getNumSamples() - start);
        process (juce::AudioBuffer<float> (channels, signal.getNumChannels(), start, length));
        start += length;
    }
}

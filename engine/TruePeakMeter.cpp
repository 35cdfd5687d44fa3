#include "TruePeakMeter.h"

#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <cmath>

#if defined (__SSE2__)
 #include <immintrin.h>
#endif

namespace
{
    /** The framework's maximum-quality settings for its equiripple stages: the transition
        width (halved for the first stage, which sees the widest band) and the stopband
        attenuation of the first stage, which each further stage relaxes by a step. */
    constexpr float kTransitionWidth = 0.10f;
    constexpr float kFirstStageWidthShare = 0.5f;
    constexpr float kFirstStageStopbandDb = -90.0f;
    constexpr float kStopbandStepDb = 10.0f;

    /** Outputs computed together: four vectors of four, so that the sums stay in registers. */
    constexpr int kOutputsAtOnce = 16;

    /** Non-finite samples count as silence, so one bad sample cannot poison the filter history. */
    inline float finiteOrZero (float x) noexcept
    {
        return std::isfinite (x) ? x : 0.0f;
    }

    /** One even output of a stage: v points at the oldest input it needs. Starting from 0 and
        adding the terms from the outer taps inwards is the framework's order, so every output
        equals the framework's to the bit. */
    inline float evenOutput (const float* v, const float* taps, int order) noexcept
    {
        auto sum = 0.0f;

        for (int j = 0; j <= order; ++j)
            sum += (v[j] + v[2 * order + 1 - j]) * taps[j];

        return sum;
    }

    /** count (at most kOutputsAtOnce) consecutive even outputs into out; v as above for the
        first. A full block runs on four vectors, one output per lane, each lane taking its
        terms in the same order as evenOutput(). */
    inline void evenOutputBlock (const float* v, const float* taps, int order, float* out, int count) noexcept
    {
       #if defined (__SSE2__)
        if (count == kOutputsAtOnce)
        {
            auto s0 = _mm_setzero_ps(), s1 = _mm_setzero_ps(), s2 = _mm_setzero_ps(), s3 = _mm_setzero_ps();

            for (int j = 0; j <= order; ++j)
            {
                const auto tap = _mm_set1_ps (taps[j]);
                const auto* older = v + j;
                const auto* newer = v + 2 * order + 1 - j;

                s0 = _mm_add_ps (s0, _mm_mul_ps (_mm_add_ps (_mm_loadu_ps (older),      _mm_loadu_ps (newer)),      tap));
                s1 = _mm_add_ps (s1, _mm_mul_ps (_mm_add_ps (_mm_loadu_ps (older + 4),  _mm_loadu_ps (newer + 4)),  tap));
                s2 = _mm_add_ps (s2, _mm_mul_ps (_mm_add_ps (_mm_loadu_ps (older + 8),  _mm_loadu_ps (newer + 8)),  tap));
                s3 = _mm_add_ps (s3, _mm_mul_ps (_mm_add_ps (_mm_loadu_ps (older + 12), _mm_loadu_ps (newer + 12)), tap));
            }

            _mm_storeu_ps (out, s0);
            _mm_storeu_ps (out + 4, s1);
            _mm_storeu_ps (out + 8, s2);
            _mm_storeu_ps (out + 12, s3);
            return;
        }
       #endif

        for (int i = 0; i < count; ++i)
            out[i] = evenOutput (v + i, taps, order);
    }

    /** Raises peak to the largest magnitude of values[i] x scale over count values; a NaN is
        passed over, as std::max passes it over, so the order of comparisons does not matter. */
    inline float raisePeak (float peak, const float* values, int count, float scale) noexcept
    {
        int i = 0;

       #if defined (__SSE2__)
        const auto magnitudeMask = _mm_castsi128_ps (_mm_set1_epi32 (0x7fffffff));
        const auto factor = _mm_set1_ps (scale);
        auto lanes = _mm_set1_ps (peak);

        // maxps (x, lanes) keeps lanes where x is NaN, as std::max (lanes, x) does.
        for (; i + 4 <= count; i += 4)
            lanes = _mm_max_ps (_mm_and_ps (_mm_mul_ps (_mm_loadu_ps (values + i), factor), magnitudeMask), lanes);

        alignas (16) float lane[4];
        _mm_store_ps (lane, lanes);

        for (auto value : lane)
            peak = std::max (peak, value);
       #endif

        for (; i < count; ++i)
            peak = std::max (peak, std::abs (values[i] * scale));

        return peak;
    }
}

TruePeakMeter::TruePeakMeter() = default;
TruePeakMeter::~TruePeakMeter() = default;

TruePeakMeter::HalfBandStage TruePeakMeter::designStage (int position)
{
    const auto width = kTransitionWidth * (position == 0 ? kFirstStageWidthShare : 1.0f);
    const auto stopbandDb = kFirstStageStopbandDb + kStopbandStepDb * (float) position;
    const auto design = juce::dsp::FilterDesign<float>::designFIRLowpassHalfBandEquirippleMethod (width, stopbandDb);

    // The design has 4 n + 3 taps: every second one is zero except the centre one, at 2 n + 1.
    const auto* fir = design->getRawCoefficients();
    const auto numTaps = (int) design->getFilterOrder() + 1;

    HalfBandStage stage;
    stage.order = (numTaps - 3) / 4;
    stage.centre = fir[2 * stage.order + 1];

    for (int j = 0; j <= stage.order; ++j)
        stage.taps.push_back (fir[2 * j]);

    return stage;
}

void TruePeakMeter::prepare (int newNumChannels, int newMaxBlockSize, double newSampleRate)
{
    numChannels = std::max (0, newNumChannels);
    sampleRate = newSampleRate;
    maxBlockSize = std::max (1, newMaxBlockSize);

    firstStage = designStage (0);
    secondStage = designStage (1);

    histories.assign ((size_t) numChannels, {});

    for (auto& history : histories)
    {
        history.firstStage.assign ((size_t) (firstStage.historyLength() + maxBlockSize), 0.0f);
        history.secondStage.assign ((size_t) (secondStage.historyLength() + 2 * maxBlockSize), 0.0f);
    }

    samplePeakHold.store (0.0f);
    truePeakHold.store (0.0f);
}

void TruePeakMeter::reset() noexcept
{
    for (auto& history : histories)
    {
        std::fill (history.firstStage.begin(), history.firstStage.end(), 0.0f);
        std::fill (history.secondStage.begin(), history.secondStage.end(), 0.0f);
    }

    samplePeakHold.exchange (0.0f);
    truePeakHold.exchange (0.0f);
}

void TruePeakMeter::process (const juce::AudioBuffer<float>& buffer, bool playing) noexcept
{
    const auto numSamples = buffer.getNumSamples();

    if (numSamples < 1 || numChannels < 1 || sampleRate <= 0.0)
        return;

    const auto chans = std::min (buffer.getNumChannels(), numChannels);

    float samplePeak = 0.0f;
    float truePeak = 0.0f;

    for (int channel = 0; channel < chans; ++channel)
    {
        const auto* samples = buffer.getReadPointer (channel);

        for (int i = 0; i < numSamples; ++i)
            samplePeak = std::max (samplePeak, std::abs (finiteOrZero (samples[i])));

        truePeak = std::max (truePeak, measureChannelTruePeak (histories[(size_t) channel], samples, numSamples));
    }

    if (! playing)
    {
        samplePeakHold.store (0.0f);
        truePeakHold.store (0.0f);
        return;
    }

    raiseHold (samplePeakHold, samplePeak);
    // The oversampling filters delay the signal, so a peak in the block's last samples has not
    // reached their output yet: the sample peak is the floor of what this block is known to hold.
    raiseHold (truePeakHold, std::max (truePeak, samplePeak));
}

float TruePeakMeter::measureChannelTruePeak (ChannelHistory& history, const float* samples, int numSamples) noexcept
{
    auto* input = history.firstStage.data() + firstStage.historyLength();
    float peak = 0.0f;

    for (int start = 0; start < numSamples; start += maxBlockSize)
    {
        const auto length = std::min (maxBlockSize, numSamples - start);

        // The stage filters its input times 2, which makes the half-band's gain 2.
        for (int i = 0; i < length; ++i)
            input[i] = 2.0f * finiteOrZero (samples[start + i]);

        peak = std::max (peak, oversampleChunk (history, length));
    }

    return peak;
}

float TruePeakMeter::oversampleChunk (ChannelHistory& history, int length) noexcept
{
    auto* first = history.firstStage.data();
    auto* second = history.secondStage.data();
    auto* secondInput = second + secondStage.historyLength();

    float block[kOutputsAtOnce];

    // First stage: even outputs by the filter, odd ones the delayed input times the centre tap;
    // both go on, times 2, as the second stage's input.
    for (int start = 0; start < length; start += kOutputsAtOnce)
    {
        const auto count = std::min (kOutputsAtOnce, length - start);
        evenOutputBlock (first + start, firstStage.taps.data(), firstStage.order, block, count);

        for (int t = 0; t < count; ++t)
        {
            const auto i = start + t;
            secondInput[2 * i] = 2.0f * block[t];
            secondInput[2 * i + 1] = 2.0f * (first[i + firstStage.order + 1] * firstStage.centre);
        }
    }

    // Second stage: the filter's outputs, then the delayed inputs times the centre tap.
    const auto outputs = 2 * length;
    float peak = 0.0f;

    for (int start = 0; start < outputs; start += kOutputsAtOnce)
    {
        const auto count = std::min (kOutputsAtOnce, outputs - start);
        evenOutputBlock (second + start, secondStage.taps.data(), secondStage.order, block, count);
        peak = raisePeak (peak, block, count, 1.0f);
    }

    peak = raisePeak (peak, second + secondStage.order + 1, outputs, secondStage.centre);

    // Keep each stage's newest inputs as the next chunk's past.
    std::copy (first + length, first + length + firstStage.historyLength(), first);
    std::copy (second + outputs, second + outputs + secondStage.historyLength(), second);

    return peak;
}

void TruePeakMeter::raiseHold (std::atomic<float>& hold, float value) noexcept
{
    auto current = hold.load();

    while (value > current && ! hold.compare_exchange_weak (current, value))
    {
    }
}

#include "BandStereoAnalyser.h"

#include <algorithm>
#include <cmath>

#if defined (__SSE2__)
 #include <immintrin.h>
#endif

namespace
{
    /** Energy of a band (both channels, whole window) below which width is not defined. */
    constexpr double kSilentEnergy = 1.0e-15;

    /** Product of the two channels' energies below which correlation is not defined. */
    constexpr double kSilentEnergyProduct = 1.0e-20;

    /** Non-finite samples count as silence, so one bad sample cannot poison the filters. */
    inline float finiteOrZero (float x) noexcept
    {
        return std::isfinite (x) ? x : 0.0f;
    }

    /** Copies a second-order design (normalised: b0, b1, b2, a1, a2) into one lane. */
    template <typename Lanes>
    void setLane (Lanes& lanes, int lane, const juce::dsp::IIR::Coefficients<float>& design) noexcept
    {
        const auto* c = design.getRawCoefficients();
        lanes.b0[lane] = c[0];
        lanes.b1[lane] = c[1];
        lanes.b2[lane] = c[2];
        lanes.a1[lane] = c[3];
        lanes.a2[lane] = c[4];
    }

    /** The framework's rule for filter states that have decayed to nearly nothing. */
    inline void snapToZero (float& x) noexcept
    {
        if (! (x < -1.0e-8f || x > 1.0e-8f))
            x = 0.0f;
    }
}

BandStereoAnalyser::BandStereoAnalyser() = default;
BandStereoAnalyser::~BandStereoAnalyser() = default;

void BandStereoAnalyser::prepare (double newSampleRate)
{
    if (! (newSampleRate > 0.0) || ! std::isfinite (newSampleRate))
    {
        // No filter can be designed without a rate: stay unprepared rather than fill the
        // sums with NaN.
        sampleRate = 0.0;
        groupLength = 0;
        reset();
        return;
    }

    sampleRate = newSampleRate;

    const auto topEdge = std::min (kTopEdgeShareOfRate * sampleRate, kHighestEdgeHz);
    const std::array<double, (size_t) kNumStereoBands + 1> edges { kLowestEdgeHz, kLowMidEdgeHz,
                                                                   kMidHighEdgeHz, topEdge };

    using Coefficients = juce::dsp::IIR::Coefficients<float>;

    highPass = {};
    lowPass = {};

    for (size_t k = 0; k < bands.size(); ++k)
    {
        const auto highPassHz = (float) std::min (kHighPassShareOfRate * sampleRate, edges[k]);
        const auto lowPassHz  = (float) std::min (kTopEdgeShareOfRate * sampleRate, edges[k + 1]);

        // Designing allocates, which is fine outside the audio thread.
        highPassDesigns[k] = Coefficients::makeHighPass (sampleRate, highPassHz);
        lowPassDesigns[k]  = Coefficients::makeLowPass (sampleRate, lowPassHz);

        // Both channels' lanes of a band take the same values.
        for (const auto lane : { (int) k, (int) k + kRightLaneOffset })
        {
            setLane (highPass, lane, *highPassDesigns[k]);
            setLane (lowPass, lane, *lowPassDesigns[k]);
        }
    }

    groupLength = std::max (1, juce::roundToInt (kGroupSeconds * sampleRate));
    reset();
}

void BandStereoAnalyser::reset() noexcept
{
    groupsFilled = 0;
    groupSampleCount = 0;
    groupWriteIndex = 0;

    for (auto& band : bands)
        clearBand (band);

    for (auto* lanes : { &highPass, &lowPass })
    {
        std::fill (std::begin (lanes->s1), std::end (lanes->s1), 0.0f);
        std::fill (std::begin (lanes->s2), std::end (lanes->s2), 0.0f);
    }

    results = BandResults {};
}

void BandStereoAnalyser::clearBand (BandState& band) noexcept
{
    band.sumLL = band.sumRR = band.sumLR = band.peak = 0.0;
    band.groupHistory.fill (GroupSums {});
}

void BandStereoAnalyser::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();

    if (groupLength < 1 || numChannels < 1 || numSamples < 1)
        return;

    const auto* left = buffer.getReadPointer (0);
    const auto* right = buffer.getReadPointer (numChannels > 1 ? 1 : 0);

    for (int done = 0; done < numSamples;)
    {
        const auto run = std::min (numSamples - done, groupLength - groupSampleCount);
        accumulate (left, right, done, run);
        done += run;
        groupSampleCount += run;

        if (groupSampleCount >= groupLength)
            closeGroup();
    }

    // Sample-by-sample filtering does not flush tiny values itself; without this a decaying
    // tail would crawl through denormals when the host does not flush them.
    for (auto* lanes : { &highPass, &lowPass })
    {
        for (int lane = 0; lane < kNumLanes; ++lane)
        {
            snapToZero (lanes->s1[lane]);
            snapToZero (lanes->s2[lane]);
        }
    }
}

#if defined (__SSE2__)

namespace
{
    /** One biquad on four lanes: y = b0 x + s1; s1 = b1 x - a1 y + s2; s2 = b2 x - a2 y, the
        framework's order of operations, so every lane equals its biquad to the bit. */
    struct BiquadVector
    {
        __m128 b0, b1, b2, a1, a2, s1, s2;

        inline __m128 process (__m128 x) noexcept
        {
            const auto y = _mm_add_ps (_mm_mul_ps (b0, x), s1);
            s1 = _mm_add_ps (_mm_sub_ps (_mm_mul_ps (b1, x), _mm_mul_ps (a1, y)), s2);
            s2 = _mm_sub_ps (_mm_mul_ps (b2, x), _mm_mul_ps (a2, y));
            return y;
        }
    };

    template <typename Lanes>
    BiquadVector loadLanes (const Lanes& lanes, int first) noexcept
    {
        return { _mm_load_ps (lanes.b0 + first), _mm_load_ps (lanes.b1 + first), _mm_load_ps (lanes.b2 + first),
                 _mm_load_ps (lanes.a1 + first), _mm_load_ps (lanes.a2 + first),
                 _mm_load_ps (lanes.s1 + first), _mm_load_ps (lanes.s2 + first) };
    }

    template <typename Lanes>
    void storeState (Lanes& lanes, int first, const BiquadVector& biquad) noexcept
    {
        _mm_store_ps (lanes.s1 + first, biquad.s1);
        _mm_store_ps (lanes.s2 + first, biquad.s2);
    }

    inline __m128d magnitude (__m128d x) noexcept
    {
        return _mm_and_pd (x, _mm_castsi128_pd (_mm_set1_epi64x (0x7fffffffffffffffLL)));
    }

    /** std::max (a, b) on two lanes: maxpd (b, a) returns a where std::max returns a. */
    inline __m128d stdMax (__m128d a, __m128d b) noexcept
    {
        return _mm_max_pd (b, a);
    }
}

void BandStereoAnalyser::accumulate (const float* left, const float* right, int start, int count) noexcept
{
    static_assert (kNumStereoBands == 3 && kRightLaneOffset == 3 && kNumLanes == 8,
                   "the vector layout below is for lanes L0 L1 L2 R0 | R1 R2 - -");

    // Lanes 0-3 and 4-7 of the high-passes and the low-passes, kept in registers for the run.
    auto highPassA = loadLanes (highPass, 0), highPassB = loadLanes (highPass, 4);
    auto lowPassA = loadLanes (lowPass, 0), lowPassB = loadLanes (lowPass, 4);

    // The sums in pairs: (LOW, MID) of each kind, and (left, right) energies of HIGH.
    auto& lowBand = bands[(size_t) Band::low];
    auto& midBand = bands[(size_t) Band::mid];
    auto& highBand = bands[(size_t) Band::high];
    auto sumLL = _mm_set_pd (midBand.sumLL, lowBand.sumLL);
    auto sumRR = _mm_set_pd (midBand.sumRR, lowBand.sumRR);
    auto sumLR = _mm_set_pd (midBand.sumLR, lowBand.sumLR);
    auto peak = _mm_set_pd (midBand.peak, lowBand.peak);
    auto highEnergies = _mm_set_pd (highBand.sumRR, highBand.sumLL);
    auto highLR = _mm_set_sd (highBand.sumLR);
    auto highPeak = _mm_set_sd (highBand.peak);

    for (int i = start; i < start + count; ++i)
    {
        const auto l = finiteOrZero (left[i]);
        const auto r = finiteOrZero (right[i]);

        const auto yA = lowPassA.process (highPassA.process (_mm_set_ps (r, l, l, l)));    // L0 L1 L2 R0
        const auto yB = lowPassB.process (highPassB.process (_mm_set1_ps (r)));           // R1 R2 - -

        // (L2 R0 R1 R2), then (R0 R1 L2 R2): LOW and MID of the right channel, and HIGH's pair.
        const auto mixed = _mm_shuffle_ps (yA, yB, _MM_SHUFFLE (1, 0, 3, 2));
        const auto rightAndHigh = _mm_shuffle_ps (mixed, mixed, _MM_SHUFFLE (3, 0, 2, 1));

        const auto dL = _mm_cvtps_pd (yA);                                   // L0 L1
        const auto dR = _mm_cvtps_pd (rightAndHigh);                         // R0 R1
        const auto dHigh = _mm_cvtps_pd (_mm_movehl_ps (rightAndHigh, rightAndHigh)); // L2 R2

        sumLL = _mm_add_pd (sumLL, _mm_mul_pd (dL, dL));
        sumRR = _mm_add_pd (sumRR, _mm_mul_pd (dR, dR));
        sumLR = _mm_add_pd (sumLR, _mm_mul_pd (dL, dR));
        peak = stdMax (peak, stdMax (magnitude (dL), magnitude (dR)));

        const auto highRight = _mm_unpackhi_pd (dHigh, dHigh);
        highEnergies = _mm_add_pd (highEnergies, _mm_mul_pd (dHigh, dHigh));
        highLR = _mm_add_sd (highLR, _mm_mul_sd (dHigh, highRight));
        highPeak = _mm_max_sd (stdMax (magnitude (dHigh), magnitude (highRight)), highPeak);
    }

    storeState (highPass, 0, highPassA);
    storeState (highPass, 4, highPassB);
    storeState (lowPass, 0, lowPassA);
    storeState (lowPass, 4, lowPassB);

    const auto lane = [] (__m128d pair, int index)
    {
        return index == 0 ? _mm_cvtsd_f64 (pair) : _mm_cvtsd_f64 (_mm_unpackhi_pd (pair, pair));
    };

    lowBand.sumLL = lane (sumLL, 0);      midBand.sumLL = lane (sumLL, 1);
    lowBand.sumRR = lane (sumRR, 0);      midBand.sumRR = lane (sumRR, 1);
    lowBand.sumLR = lane (sumLR, 0);      midBand.sumLR = lane (sumLR, 1);
    lowBand.peak = lane (peak, 0);        midBand.peak = lane (peak, 1);
    highBand.sumLL = lane (highEnergies, 0);
    highBand.sumRR = lane (highEnergies, 1);
    highBand.sumLR = _mm_cvtsd_f64 (highLR);
    highBand.peak = _mm_cvtsd_f64 (highPeak);
}

#else

void BandStereoAnalyser::accumulate (const float* left, const float* right, int start, int count) noexcept
{
    for (int i = start; i < start + count; ++i)
    {
        const auto l = finiteOrZero (left[i]);
        const auto r = finiteOrZero (right[i]);
        float out[kNumLanes];

        for (int lane = 0; lane < kNumLanes; ++lane)
        {
            const auto x = lane < kRightLaneOffset ? l : r;
            auto& hp = highPass;
            auto& lp = lowPass;
            const auto h = hp.b0[lane] * x + hp.s1[lane];
            hp.s1[lane] = hp.b1[lane] * x - hp.a1[lane] * h + hp.s2[lane];
            hp.s2[lane] = hp.b2[lane] * x - hp.a2[lane] * h;

            const auto y = lp.b0[lane] * h + lp.s1[lane];
            lp.s1[lane] = lp.b1[lane] * h - lp.a1[lane] * y + lp.s2[lane];
            lp.s2[lane] = lp.b2[lane] * h - lp.a2[lane] * y;
            out[lane] = y;
        }

        for (int k = 0; k < kNumStereoBands; ++k)
        {
            auto& band = bands[(size_t) k];
            const auto dL = (double) out[k];
            const auto dR = (double) out[k + kRightLaneOffset];
            band.sumLL += dL * dL;
            band.sumRR += dR * dR;
            band.sumLR += dL * dR;
            band.peak = std::max (band.peak, std::max (std::abs (dL), std::abs (dR)));
        }
    }
}

#endif

void BandStereoAnalyser::closeGroup() noexcept
{
    const auto groupsBefore = groupsFilled;
    groupSampleCount = 0;
    groupsFilled = std::min (groupsBefore + 1, kHistoryGroups);

    const auto slot = (size_t) groupWriteIndex;
    const auto windowFull = groupsBefore >= kHistoryGroups - 1;

    for (size_t k = 0; k < bands.size(); ++k)
    {
        auto& band = bands[k];
        band.groupHistory[slot] = { band.sumLL, band.sumRR, band.sumLR, band.peak };
        band.sumLL = band.sumRR = band.sumLR = band.peak = 0.0;

        results[k] = computeResult (band, windowFull);
    }

    groupWriteIndex = (groupWriteIndex + 1) % kHistoryGroups;
}

BandResult BandStereoAnalyser::computeResult (const BandState& band, bool windowFull) const noexcept
{
    double ll = 0.0, rr = 0.0, lr = 0.0, peak = 0.0;

    for (const auto& group : band.groupHistory)
    {
        ll += group.sumLL;
        rr += group.sumRR;
        lr += group.sumLR;
        peak = std::max (peak, group.peak);
    }

    return resultFromWindow (ll, rr, lr, peak, groupLength, windowFull);
}

BandResult BandStereoAnalyser::resultFromWindow (double ll, double rr, double lr, double peak,
                                                 int groupLength, bool windowFull) noexcept
{
    const auto energy = ll + rr;
    const auto meanSquare = energy / (2.0 * kHistoryGroups * groupLength);

    BandResult result;

    // 50 - 100 LR / E equals 100 x side energy / (side energy + mid energy).
    result.widthPercent = energy > kSilentEnergy
                            ? (float) juce::jlimit (0.0, 100.0, 50.0 - 100.0 * lr / energy)
                            : 0.0f;

    result.valid = windowFull && meanSquare > kValidMeanSquare;

    result.correlation = ll * rr > kSilentEnergyProduct
                           ? (float) juce::jlimit (-1.0, 1.0, lr / std::sqrt (ll * rr))
                           : 0.0f;

    result.crestDb = meanSquare > kSilentEnergy
                       ? (float) (20.0 * std::log10 (std::max (peak / std::sqrt (meanSquare), 1.0)))
                       : 0.0f;

    return result;
}

double BandStereoAnalyser::getBandMagnitude (Band band, double frequencyHz) const noexcept
{
    if (sampleRate <= 0.0)
        return 1.0;

    return highPassDesigns[(size_t) band]->getMagnitudeForFrequency (frequencyHz, sampleRate)
         * lowPassDesigns[(size_t) band]->getMagnitudeForFrequency (frequencyHz, sampleRate);
}

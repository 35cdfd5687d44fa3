#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{
/** Names each case of a table after its `name` field. */
template <typename Case>
std::string caseName (const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

constexpr double kRate = 48000.0;
constexpr int kBlock = 480;
constexpr int kSettledBlocks = 350;     // 3.5 s: every 3 s window is full
constexpr int kHop = 2048;              // samples between two spectra
constexpr float kMinusInfinity = -std::numeric_limits<float>::infinity();

/** One sine component with its own level on each channel. */
struct Tone
{
    double hz;
    float left, right;
    double phase = 0.0;
};

/** A phase-continuous sum of tones, block after block. */
struct Signal
{
    std::vector<Tone> tones;
    std::int64_t clock = 0;

    void fill (juce::AudioBuffer<float>& buffer)
    {
        for (int i = 0; i < buffer.getNumSamples(); ++i, ++clock)
        {
            float left = 0.0f, right = 0.0f;

            for (const auto& t : tones)
            {
                const auto s = (float) std::sin (juce::MathConstants<double>::twoPi * t.hz * (double) clock / kRate + t.phase);
                left += t.left * s;
                right += t.right * s;
            }

            buffer.setSample (0, i, left);

            if (buffer.getNumChannels() > 1)
                buffer.setSample (1, i, right);
        }
    }
};

/** Tones in all three analysis bands (LOW, MID, HIGH), a little narrower on the right. */
Signal richSource()
{
    return { { { 100.0, 0.2f, 0.16f }, { 1000.0, 0.2f, 0.16f }, { 5000.0, 0.2f, 0.16f } } };
}

Signal tone (double hz, float left, float right, double phase = 0.0)
{
    return { { { hz, left, right, phase } } };
}

float maxOf (const std::vector<float>& values)
{
    return values.empty() ? 0.0f : *std::max_element (values.begin(), values.end());
}

int argMax (const std::vector<float>& values)
{
    return (int) std::distance (values.begin(), std::max_element (values.begin(), values.end()));
}

double rmsDb (const juce::AudioBuffer<float>& buffer, int channel, int start, int length)
{
    return juce::Decibels::gainToDecibels ((double) buffer.getRMSLevel (channel, start, length), -300.0);
}

struct PipelineRig : ::testing::Test
{
    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    KalvorinAudioProcessor& processor = *harness.processor;

    /** Writes `seconds` of the signal as a stereo 24-bit WAV file and adds it as a Reference. */
    int addReference (const juce::String& name, Signal signal, double seconds = 4.0)
    {
        juce::AudioBuffer<float> buffer (2, (int) std::lround (seconds * kRate));
        signal.fill (buffer);
        const auto file = temp.file (name);
        EXPECT_TRUE (AudioFileFixtures::writeWav (file, buffer, kRate));
        return processor.addReference (file.getFullPathName());
    }

    /** Processes `blocks` blocks of the signal as the host's input; returns the last output. */
    juce::AudioBuffer<float> run (int blocks, Signal& source, int blockSize = kBlock)
    {
        juce::AudioBuffer<float> buffer (2, blockSize);

        for (int b = 0; b < blocks; ++b)
        {
            source.fill (buffer);
            harness.process (buffer);
        }

        return buffer;
    }

    juce::AudioBuffer<float> runSilence (int blocks)
    {
        Signal silence;
        return run (blocks, silence);
    }

    BandSnapshot copyBandSnapshot()
    {
        const juce::SpinLock::ScopedLockType lock (processor.bandSnapshotLock);
        return processor.bandSnapshot;
    }

    static int sequenceOf (SpectrumSnapshot& snapshot)
    {
        const juce::SpinLock::ScopedLockType lock (snapshot.lock);
        return snapshot.sequence;
    }

    static std::vector<float> magnitudesOf (SpectrumSnapshot& snapshot)
    {
        const juce::SpinLock::ScopedLockType lock (snapshot.lock);
        return snapshot.magnitudes;
    }
};

bool allValid (const BandResults& results)
{
    return std::all_of (results.begin(), results.end(), [] (const BandResult& r) { return r.valid; });
}

bool noneValid (const BandResults& results)
{
    return std::none_of (results.begin(), results.end(), [] (const BandResult& r) { return r.valid; });
}

//==============================================================================
struct StartCase
{
    const char* name;
    bool stopsBeforeTheSilence;
};

struct PipelineTransportStart : PipelineRig, ::testing::WithParamInterface<StartCase> {};

const StartCase startCases[] = {
    { "restartedTransportClears", true },
    { "runningTransportKeeps", false },
};
} // namespace

// A loud stretch, then a silent block: whatever the Source's meters show after it is what they
// kept from before. Only a transport start in between may empty them.
TEST_P (PipelineTransportStart, startClearsTheSourceWindowsSpectrumBandsAndPeaksButNotItsRmsOrIntegratedLoudness)
{
    const auto restarts = GetParam().stopsBeforeTheSilence;
    harness.prepare (kRate, kBlock);
    auto source = richSource();

    harness.playHead.playing = true;
    run (kSettledBlocks, source);
    const auto integratedBefore = processor.sourceLoudness.integratedLufsOut.load();
    const auto rmsBefore = processor.meterReadings.sourceRmsDb.load();
    ASSERT_TRUE (std::isfinite (integratedBefore));
    ASSERT_TRUE (allValid (copyBandSnapshot().source));

    harness.playHead.playing = ! restarts;
    run (1, source);
    processor.readPeakHolds();

    harness.playHead.playing = true;
    runSilence (1);

    const auto holds = processor.readPeakHolds();
    const auto bands = copyBandSnapshot().source;
    const auto shortTerm = processor.sourceLoudness.shortTermLufs.load();
    const auto momentary = processor.sourceLoudness.momentaryLufs.load();

    if (restarts)
    {
        EXPECT_EQ (shortTerm, kMinusInfinity);
        EXPECT_EQ (momentary, kMinusInfinity);
        EXPECT_EQ (processor.meterReadings.sourceShortTermLufs.load(), kMinusInfinity);
        EXPECT_TRUE (noneValid (bands));
        EXPECT_EQ (holds.sourceTruePeak, 0.0f) << "the oversampler's memory of the loud block is gone";
    }
    else
    {
        EXPECT_GT (shortTerm, -20.0f);
        EXPECT_GT (momentary, -30.0f);
        EXPECT_TRUE (allValid (bands));
        EXPECT_GT (holds.sourceTruePeak, 0.01f) << "the loud block still rings out of the oversampler";
    }

    EXPECT_EQ (holds.sourceSamplePeak, 0.0f);
    EXPECT_NEAR (processor.meterReadings.sourceRmsDb.load(), rmsBefore, 0.1) << "10 ms of silence in a 1 s window";
    EXPECT_NEAR (processor.sourceLoudness.integratedLufsOut.load(), integratedBefore, 0.05);

    // The next spectrum: an empty history shows nothing, a kept one still the tones.
    const auto sequence = sequenceOf (processor.sourceSpectrumSnapshot);
    runSilence ((kHop + kBlock - 1) / kBlock);
    ASSERT_GT (sequenceOf (processor.sourceSpectrumSnapshot), sequence);

    if (restarts)
        EXPECT_LT (maxOf (magnitudesOf (processor.sourceSpectrumSnapshot)), 1.0e-6f);
    else
        EXPECT_GT (maxOf (magnitudesOf (processor.sourceSpectrumSnapshot)), 0.01f);
}

INSTANTIATE_TEST_SUITE_P (PipelineStarts, PipelineTransportStart, ::testing::ValuesIn (startCases),
                          caseName<StartCase>);

//==============================================================================
namespace
{
struct ResetCase
{
    const char* name;
    std::function<void (KalvorinAudioProcessor&)> request;
    bool resets;
};

struct PipelineReset : PipelineRig, ::testing::WithParamInterface<ResetCase> {};

const ResetCase resetCases[] = {
    { "noRequestKeeps", [] (KalvorinAudioProcessor&) {}, false },
    { "anotherActiveReferenceClears", [] (KalvorinAudioProcessor& p) { p.setActiveReference (1); }, true },
    { "seekWhileStoppedClears", [] (KalvorinAudioProcessor& p) { p.requestSeek (1.0); }, true },
};
} // namespace

TEST_P (PipelineReset, resetRequestClearsTheReferenceMetersAndRestartsBothIntegratedValues)
{
    const auto& c = GetParam();
    harness.prepare (kRate, kBlock);
    ASSERT_EQ (addReference ("a.wav", tone (1000.0, 0.25f, 0.2f)), 0);
    ASSERT_EQ (addReference ("b.wav", tone (1000.0, 0.1f, 0.1f)), 1);
    auto source = tone (1000.0, 0.3f, 0.3f);

    harness.playHead.playing = true;
    run (kSettledBlocks, source);
    ASSERT_TRUE (std::isfinite (processor.referenceLoudness.integratedLufsOut.load()));
    ASSERT_TRUE (std::isfinite (processor.sourceLoudness.integratedLufsOut.load()));
    ASSERT_TRUE (copyBandSnapshot().reference[BandStereoAnalyser::mid].valid);

    harness.playHead.playing = false;
    run (1, source);
    c.request (processor);

    // While stopped the Reference is silent: cleared meters read silence, kept ones the tone.
    run ((kHop + kBlock - 1) / kBlock, source);

    const auto referenceShortTerm = processor.referenceLoudness.shortTermLufs.load();
    const auto referenceRms = processor.meterReadings.referenceRmsDb.load();
    const auto referenceSpectrum = maxOf (magnitudesOf (processor.referenceSpectrumSnapshot));

    if (c.resets)
    {
        EXPECT_EQ (referenceShortTerm, kMinusInfinity);
        EXPECT_EQ (processor.meterReadings.referenceShortTermLufs.load(), kMinusInfinity);
        EXPECT_EQ (processor.referenceLoudness.momentaryLufs.load(), kMinusInfinity);
        EXPECT_EQ (referenceRms, RmsMeter::kFloorDb) << "only silence since the reset";
        EXPECT_TRUE (noneValid (copyBandSnapshot().reference));
        EXPECT_LT (referenceSpectrum, 1.0e-6f);
        EXPECT_TRUE (std::isnan (processor.referenceLoudness.integratedLufsOut.load()));
        EXPECT_TRUE (std::isnan (processor.sourceLoudness.integratedLufsOut.load()));
    }
    else
    {
        EXPECT_GT (referenceShortTerm, -20.0f);
        EXPECT_GT (referenceRms, -20.0f);
        EXPECT_TRUE (copyBandSnapshot().reference[BandStereoAnalyser::mid].valid);
        EXPECT_GT (referenceSpectrum, 0.01f);
        EXPECT_TRUE (std::isfinite (processor.referenceLoudness.integratedLufsOut.load()));
        EXPECT_TRUE (std::isfinite (processor.sourceLoudness.integratedLufsOut.load()));
    }

    // A reset is the Reference's affair: the Source's windows run on.
    EXPECT_NEAR (processor.sourceLoudness.shortTermLufs.load(), juce::Decibels::gainToDecibels (0.3), 0.2);
    EXPECT_TRUE (copyBandSnapshot().source[BandStereoAnalyser::mid].valid);
    EXPECT_FALSE (processor.levelMatchReady.load());
}

INSTANTIATE_TEST_SUITE_P (PipelineResets, PipelineReset, ::testing::ValuesIn (resetCases),
                          caseName<ResetCase>);

//==============================================================================
namespace
{
struct PipelineMeasurement : PipelineRig
{
    static bool same (float a, float b) { return (std::isnan (a) && std::isnan (b)) || a == b; }

    void expectAllReadingsNan()
    {
        const auto& m = processor.meterReadings;
        EXPECT_TRUE (std::isnan (m.referenceShortTermLufs.load()));
        EXPECT_TRUE (std::isnan (m.sourceShortTermLufs.load()));
        EXPECT_TRUE (std::isnan (m.referenceRmsDb.load()));
        EXPECT_TRUE (std::isnan (m.sourceRmsDb.load()));
    }
};
} // namespace

TEST_F (PipelineMeasurement, meterReadingsAreNanAfterPrepareAndCarryTheEnginesValuesAfterEachBlock)
{
    harness.prepare (kRate, kBlock);
    expectAllReadingsNan();

    // Both channels at amplitude a: the RMS meter adds the channels' powers, so it reads
    // 20 log10 (a); at 1 kHz the short-term loudness reads the same.
    ASSERT_EQ (addReference ("r.wav", tone (1000.0, 0.5f, 0.5f)), 0);
    auto source = tone (1000.0, 0.25f, 0.25f);
    harness.playHead.playing = true;

    const auto& m = processor.meterReadings;

    for (int b = 0; b < kSettledBlocks; ++b)
    {
        run (1, source);
        ASSERT_TRUE (same (m.referenceShortTermLufs.load(), processor.referenceLoudness.shortTermLufs.load())) << b;
        ASSERT_TRUE (same (m.sourceShortTermLufs.load(), processor.sourceLoudness.shortTermLufs.load())) << b;
        ASSERT_TRUE (same (m.referenceRmsDb.load(), processor.referenceRms.longRmsDb.load())) << b;
        ASSERT_TRUE (same (m.sourceRmsDb.load(), processor.sourceRms.longRmsDb.load())) << b;
    }

    EXPECT_NEAR (m.referenceShortTermLufs.load(), -6.02, 0.1);
    EXPECT_NEAR (m.sourceShortTermLufs.load(), -12.04, 0.1);
    EXPECT_NEAR (m.referenceRmsDb.load(), -6.02, 0.05);
    EXPECT_NEAR (m.sourceRmsDb.load(), -12.04, 0.05);

    harness.prepare (kRate, kBlock);
    expectAllReadingsNan();
}

TEST_F (PipelineMeasurement, readPeakHoldsGivesReferenceThenSourceTruePeaksThenSamplePeaksAndClearsThem)
{
    // A tone at a quarter of the sample rate, 45 degrees off its samples: its samples reach only
    // 0.707 of the peak that lies between them, so true and sample peaks differ clearly.
    const auto quarter = kRate / 4.0;
    const auto offset = juce::MathConstants<double>::pi / 4.0;
    harness.prepare (kRate, kBlock);
    ASSERT_EQ (addReference ("r.wav", tone (quarter, 0.8f, 0.8f, offset)), 0);
    auto source = tone (quarter, 0.4f, 0.4f, offset);

    harness.playHead.playing = true;
    run (20, source);
    processor.readPeakHolds();   // drops the onset, where the oversampling filters ring
    run (10, source);

    const auto holds = processor.readPeakHolds();
    EXPECT_NEAR (holds.referenceTruePeak, 0.8f, 0.01f);
    EXPECT_NEAR (holds.sourceTruePeak, 0.4f, 0.005f);
    EXPECT_NEAR (holds.referenceSamplePeak, 0.8f * std::sqrt (0.5f), 1.0e-5f);
    EXPECT_NEAR (holds.sourceSamplePeak, 0.4f * std::sqrt (0.5f), 1.0e-6f);

    const auto again = processor.readPeakHolds();
    EXPECT_EQ (again.referenceTruePeak, 0.0f);
    EXPECT_EQ (again.sourceTruePeak, 0.0f);
    EXPECT_EQ (again.referenceSamplePeak, 0.0f);
    EXPECT_EQ (again.sourceSamplePeak, 0.0f);

    run (1, source);
    EXPECT_GT (processor.readPeakHolds().sourceSamplePeak, 0.0f) << "holds rise again while playing";
}

TEST_F (PipelineMeasurement, spectraArePublishedEveryHopIntoTheirOwnSnapshotAndSkippedWhileTheEditorHoldsTheLock)
{
    constexpr int block = 512;
    constexpr double binHz = kRate / SpectrumAnalyser::kFftSize;
    harness.prepare (kRate, block);
    ASSERT_EQ (addReference ("r.wav", tone (512 * binHz, 0.5f, 0.5f)), 0);   // 3 kHz, bin 512
    auto source = tone (128 * binHz, 0.5f, 0.5f);                              // 750 Hz, bin 128
    harness.playHead.playing = true;

    auto& ref = processor.referenceSpectrumSnapshot;
    auto& src = processor.sourceSpectrumSnapshot;
    const auto refStart = sequenceOf (ref), srcStart = sequenceOf (src);

    for (int b = 1; b <= 16; ++b)
    {
        run (1, source, block);
        EXPECT_EQ (sequenceOf (ref), refStart + b * block / kHop) << b;
        EXPECT_EQ (sequenceOf (src), srcStart + b * block / kHop) << b;
    }

    EXPECT_EQ (magnitudesOf (src).size(), (size_t) SpectrumAnalyser::kNumBins);
    EXPECT_EQ (argMax (magnitudesOf (src)), 128);
    EXPECT_EQ (argMax (magnitudesOf (ref)), 512);
    EXPECT_EQ (src.sampleRate, kRate);

    // The editor holds the Source's lock across a whole hop: that spectrum is dropped, the
    // Reference's still arrives, and the block is not held up.
    const auto refHeld = sequenceOf (ref), srcHeld = sequenceOf (src);
    {
        const juce::SpinLock::ScopedLockType editorCopying (src.lock);
        run (kHop / block, source, block);
    }
    EXPECT_EQ (sequenceOf (src), srcHeld);
    EXPECT_EQ (sequenceOf (ref), refHeld + 1);

    run (kHop / block, source, block);
    EXPECT_EQ (sequenceOf (src), srcHeld + 1) << "publication resumes with the next hop";
}

// A spectrum frame is the heaviest work of a block; with small host blocks, whose period is
// short, the Source's and the Reference's frames must not fall into the same block, neither
// from the start nor after the transport restarts.
TEST_F (PipelineMeasurement, withSmallBlocksTheTwoSpectraAreNeverPublishedInTheSameBlock)
{
    constexpr int block = 32;
    harness.prepare (kRate, block);
    ASSERT_EQ (addReference ("r.wav", tone (1000.0, 0.5f, 0.5f)), 0);
    auto source = tone (500.0, 0.5f, 0.5f);

    auto& ref = processor.referenceSpectrumSnapshot;
    auto& src = processor.sourceSpectrumSnapshot;
    int together = 0, referenceFrames = 0, sourceFrames = 0;

    for (const auto playing : { true, false, true })
    {
        harness.playHead.playing = playing;

        for (int b = 0; b < 4 * kHop / block; ++b)
        {
            const auto refBefore = sequenceOf (ref), srcBefore = sequenceOf (src);
            run (1, source, block);
            const auto refNew = sequenceOf (ref) != refBefore;
            const auto srcNew = sequenceOf (src) != srcBefore;
            referenceFrames += refNew ? 1 : 0;
            sourceFrames += srcNew ? 1 : 0;
            together += refNew && srcNew ? 1 : 0;
        }
    }

    EXPECT_EQ (referenceFrames, 12);
    EXPECT_EQ (sourceFrames, 12);
    EXPECT_EQ (together, 0);
}

TEST_F (PipelineMeasurement, bandSnapshotIsPublishedAfterEachBlockUnlessTheEditorHoldsItsLock)
{
    harness.prepare (kRate, kBlock);
    ASSERT_EQ (addReference ("r.wav", tone (1000.0, 0.5f, -0.5f)), 0);   // opposite phase
    auto source = tone (1000.0, 0.5f, 0.5f);                              // mono
    harness.playHead.playing = true;

    {
        const juce::SpinLock::ScopedLockType editorCopying (processor.bandSnapshotLock);
        run (kSettledBlocks, source);
        EXPECT_TRUE (noneValid (processor.bandSnapshot.reference));
        EXPECT_TRUE (noneValid (processor.bandSnapshot.source));
    }

    run (1, source);
    const auto snapshot = copyBandSnapshot();
    const auto& ref = snapshot.reference[BandStereoAnalyser::mid];
    const auto& src = snapshot.source[BandStereoAnalyser::mid];

    ASSERT_TRUE (ref.valid);
    ASSERT_TRUE (src.valid);
    EXPECT_NEAR (ref.widthPercent, 100.0f, 1.0f);
    EXPECT_NEAR (ref.correlation, -1.0f, 0.01f);
    EXPECT_NEAR (src.widthPercent, 0.0f, 1.0f);
    EXPECT_NEAR (src.correlation, 1.0f, 0.01f);
    EXPECT_NEAR (src.crestDb, 3.01f, 0.3f) << "a sine's peak over its RMS";
    EXPECT_NEAR (ref.crestDb, 3.01f, 0.3f);
}

TEST_F (PipelineMeasurement, goniometersCaptureTheLastBlockOfEachSignal)
{
    harness.prepare (kRate, kBlock);
    ASSERT_EQ (addReference ("r.wav", tone (1000.0, 0.5f, -0.5f)), 0);
    auto source = tone (440.0, 0.6f, 0.3f);
    harness.playHead.playing = true;
    run (5, source);

    juce::AudioBuffer<float> input (2, kBlock);
    auto copy = source;
    copy.fill (input);
    run (1, source);

    std::vector<float> left, right;
    int seen = -1;
    ASSERT_TRUE (processor.sourceGoniometer.copyLatest (left, right, seen));
    ASSERT_EQ (left.size(), (size_t) kBlock);
    ASSERT_EQ (right.size(), (size_t) kBlock);

    for (int i = 0; i < kBlock; ++i)
    {
        ASSERT_EQ (left[(size_t) i], input.getSample (0, i)) << i;
        ASSERT_EQ (right[(size_t) i], input.getSample (1, i)) << i;
    }

    seen = -1;
    ASSERT_TRUE (processor.referenceGoniometer.copyLatest (left, right, seen));
    ASSERT_EQ (left.size(), (size_t) kBlock);
    EXPECT_NEAR (maxOf (left), 0.5f, 0.01f);

    for (size_t i = 0; i < left.size(); ++i)
        ASSERT_NEAR (right[i], -left[i], 1.0e-6f) << i;
}

//==============================================================================
namespace
{
struct BandCase
{
    const char* name;
    double firstEdgeHz, secondEdgeHz;
    double toneHz;
    double expectedGainDb;
};

struct PipelineBandListen : PipelineRig, ::testing::WithParamInterface<BandCase> {};

// Second-order Butterworth high-pass and low-pass at the band's edges, designed by the bilinear
// transform at 48 kHz: |H|^2 = 1 / (1 + (tan (pi f / fs) / tan (pi fc / fs))^(+-4)).
const BandCase bandCases[] = {
    { "toneAboveTheBandIsCut",          100.0, 1000.0, 5000.0, -28.58 },
    { "reversedEdgesGiveTheSameBand",   1000.0, 100.0, 5000.0, -28.58 },
    { "toneBelowTheBandIsCut",          100.0, 1000.0,   30.0, -20.95 },
    { "toneInsideTheBandPasses",        100.0, 1000.0,  300.0,  -0.09 },
};
} // namespace

TEST_P (PipelineBandListen, focusBandFiltersTheOutput)
{
    const auto& c = GetParam();
    harness.prepare (kRate, kBlock);
    processor.setFocusBand (makeFocusBand (c.firstEdgeHz, c.secondEdgeHz));
    auto source = tone (c.toneHz, 0.5f, 0.5f);
    harness.playHead.playing = true;

    run (50, source);   // 0.5 s: the filters have settled
    juce::AudioBuffer<float> out (2, 10 * kBlock);

    for (int b = 0; b < 10; ++b)
    {
        const auto block = run (1, source);
        for (int ch = 0; ch < 2; ++ch)
            out.copyFrom (ch, b * kBlock, block, ch, 0, kBlock);
    }

    const auto inputDb = juce::Decibels::gainToDecibels (0.5 * std::sqrt (0.5));
    EXPECT_NEAR (rmsDb (out, 0, 0, out.getNumSamples()) - inputDb, c.expectedGainDb, 0.3);
    EXPECT_NEAR (rmsDb (out, 1, 0, out.getNumSamples()) - inputDb, c.expectedGainDb, 0.3);
}

INSTANTIATE_TEST_SUITE_P (PipelineBands, PipelineBandListen, ::testing::ValuesIn (bandCases),
                          caseName<BandCase>);

TEST_F (PipelineMeasurement, withoutABandTheSourcePassesBitForBit)
{
    const struct
    {
        const char* name;
        std::function<void (KalvorinAudioProcessor&)> before, after;
    } cases[] = {
        { "never set", [] (auto&) {}, [] (auto&) {} },
        { "band removed", [] (auto& p) { p.setFocusBand (makeFocusBand (100.0, 1000.0)); },
                          [] (auto& p) { p.setFocusBand (FocusBand {}); } },
        { "whole span", [] (auto& p) { p.setFocusBand (makeFocusBand (10.0, 50000.0)); }, [] (auto&) {} },
    };

    for (const auto& c : cases)
    {
        TemporaryFolder folder;
        ProcessorHarness fresh (folder.folder);
        fresh.prepare (kRate, kBlock);
        fresh.playHead.playing = true;
        auto source = tone (5000.0, 0.5f, 0.4f);
        juce::AudioBuffer<float> buffer (2, kBlock);

        c.before (*fresh.processor);
        for (int b = 0; b < 5; ++b)
        {
            source.fill (buffer);
            fresh.process (buffer);
        }

        // Band listen hands over from the filtered to the untouched signal in 5 ms, inside the
        // first block after the band is removed; the block after that is the Source itself.
        c.after (*fresh.processor);
        source.fill (buffer);
        fresh.process (buffer);

        source.fill (buffer);
        juce::AudioBuffer<float> input (buffer);
        fresh.process (buffer);

        for (int ch = 0; ch < 2; ++ch)
            EXPECT_EQ (std::memcmp (buffer.getReadPointer (ch), input.getReadPointer (ch), sizeof (float) * kBlock), 0)
                << c.name << ", channel " << ch;
    }
}

//==============================================================================
namespace
{
struct GoneCase
{
    const char* name;
    std::function<void (KalvorinAudioProcessor&, const juce::MemoryBlock& emptyState, const juce::MemoryBlock& savedState)> trigger;
};

struct PipelineReferenceGone : PipelineRig, ::testing::WithParamInterface<GoneCase> {};

const GoneCase goneCases[] = {
    { "lastReferenceRemoved", [] (auto& p, const auto&, const auto&) { p.removeReference (0); } },
    { "emptyStateRestored", [] (auto& p, const auto& empty, const auto&) { p.setStateInformation (empty.getData(), (int) empty.getSize()); } },
    { "sameStateRestored", [] (auto& p, const auto&, const auto& saved) { p.setStateInformation (saved.getData(), (int) saved.getSize()); } },
};
} // namespace

TEST_P (PipelineReferenceGone, referencePeakIsZeroAndReferenceReadingsAreNan)
{
    harness.prepare (kRate, kBlock);
    juce::MemoryBlock emptyState, savedState;
    processor.getStateInformation (emptyState);
    ASSERT_EQ (addReference ("r.wav", tone (1000.0, 0.5f, 0.5f)), 0);
    processor.getStateInformation (savedState);

    auto source = tone (1000.0, 0.25f, 0.25f);
    harness.playHead.playing = true;
    run (150, source);
    ASSERT_GT (processor.referencePeak.load(), 0.4f);
    ASSERT_TRUE (std::isfinite (processor.meterReadings.referenceRmsDb.load()));
    const auto sourceShortTerm = processor.meterReadings.sourceShortTermLufs.load();
    const auto sourceRms = processor.meterReadings.sourceRmsDb.load();

    GetParam().trigger (processor, emptyState, savedState);

    EXPECT_EQ (processor.referencePeak.load(), 0.0f);
    EXPECT_TRUE (std::isnan (processor.meterReadings.referenceShortTermLufs.load()));
    EXPECT_TRUE (std::isnan (processor.meterReadings.referenceRmsDb.load()));
    EXPECT_EQ (processor.meterReadings.sourceShortTermLufs.load(), sourceShortTerm) << "the Source's readings stay";
    EXPECT_EQ (processor.meterReadings.sourceRmsDb.load(), sourceRms);
}

INSTANTIATE_TEST_SUITE_P (PipelineReferenceLoss, PipelineReferenceGone, ::testing::ValuesIn (goneCases),
                          caseName<GoneCase>);

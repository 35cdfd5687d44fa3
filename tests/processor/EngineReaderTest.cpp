// The editor's door to the engine, read against a processor whose processBlock runs in the
// test: spectra and stereo points are copied only when their sequence moved, and every reading
// that is no number stays one (the panel shows "--" for it).

#include "editor/EngineReader.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr float kLevel = 0.25f;

struct ReaderRig
{
    ReaderRig()
    {
        harness.prepare (kRate, kBlock);
        harness.playHead.playing = true;
    }

    /** Enough blocks for the spectrum analysers to publish at least once. */
    void playUntilPublished()
    {
        for (int i = 0; i < 8; ++i)
            harness.processConstant (kBlock, kLevel);
    }

    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    KalvorinAudioProcessor& processor = *harness.processor;
    EngineReader reader { processor };
    AnalysisSnapshot live;
};
} // namespace

TEST (EngineReader, spectraAreCopiedOnlyWhenTheirSequenceMoved)
{
    ReaderRig rig;
    rig.reader.copySpectra (rig.live);
    EXPECT_TRUE (rig.live.sourceSpectrum.empty());
    EXPECT_EQ (rig.reader.getLastSourceSpectrumSequence(), 0);

    rig.playUntilPublished();
    rig.reader.copySpectra (rig.live);

    const auto firstSequence = rig.reader.getLastSourceSpectrumSequence();
    EXPECT_GT (firstSequence, 0);
    EXPECT_EQ (rig.live.sourceSpectrum.size(), (size_t) SpectrumAnalyser::kNumBins);
    EXPECT_EQ (rig.live.referenceSpectrum.size(), (size_t) SpectrumAnalyser::kNumBins);
    EXPECT_EQ (rig.live.sourceSampleRate, kRate);

    // Nothing new published: the snapshot keeps whatever it holds, even an emptied list.
    rig.live.sourceSpectrum.clear();
    rig.live.referenceSpectrum.clear();
    rig.reader.copySpectra (rig.live);
    EXPECT_TRUE (rig.live.sourceSpectrum.empty());
    EXPECT_TRUE (rig.live.referenceSpectrum.empty());
    EXPECT_EQ (rig.reader.getLastSourceSpectrumSequence(), firstSequence);

    rig.playUntilPublished();
    rig.reader.copySpectra (rig.live);
    EXPECT_EQ (rig.live.sourceSpectrum.size(), (size_t) SpectrumAnalyser::kNumBins);
    EXPECT_GT (rig.reader.getLastSourceSpectrumSequence(), firstSequence);
}

TEST (EngineReader, aSpectrumWithoutARateTakesTheProcessorsAndOneValueIsDropped)
{
    ReaderRig rig;
    auto& snapshot = rig.processor.sourceSpectrumSnapshot;

    const std::vector<float> magnitudes (SpectrumAnalyser::kNumBins, 1.0f);
    ASSERT_TRUE (snapshot.tryPublish (magnitudes, 0.0));
    rig.reader.copySpectra (rig.live);
    EXPECT_EQ (rig.live.sourceSampleRate, kRate);

    ASSERT_TRUE (snapshot.tryPublish (magnitudes, std::numeric_limits<double>::quiet_NaN()));
    rig.reader.copySpectra (rig.live);
    EXPECT_EQ (rig.live.sourceSampleRate, kRate);

    // A list of one value is no spectrum: dropped, but its publication counts as taken.
    snapshot.prepare (1);
    ASSERT_TRUE (snapshot.tryPublish (std::vector<float> { 5.0f }, 44100.0));
    rig.reader.copySpectra (rig.live);
    EXPECT_EQ (rig.live.sourceSpectrum.size(), (size_t) SpectrumAnalyser::kNumBins);
    EXPECT_EQ (rig.live.sourceSampleRate, kRate);
    EXPECT_EQ (rig.reader.getLastSourceSpectrumSequence(), snapshot.sequence);
}

TEST (EngineReader, stereoPointsWaitForTheFirstCaptureAndAreCopiedOnlyWhenNew)
{
    ReaderRig rig;
    rig.reader.copyStereoPoints (rig.live);
    EXPECT_TRUE (rig.live.sourceLeft.empty() && rig.live.referenceLeft.empty());
    EXPECT_EQ (rig.reader.getLastSourceGoniometerSequence(), 0);

    rig.harness.processConstant (kBlock, kLevel);
    rig.reader.copyStereoPoints (rig.live);
    ASSERT_EQ (rig.live.sourceLeft.size(), (size_t) kBlock);
    EXPECT_EQ (rig.live.sourceRight.size(), (size_t) kBlock);
    EXPECT_EQ (rig.live.sourceLeft.front(), kLevel);
    EXPECT_EQ (rig.live.referenceLeft.size(), (size_t) kBlock);

    rig.live.sourceLeft.clear();
    rig.reader.copyStereoPoints (rig.live);
    EXPECT_TRUE (rig.live.sourceLeft.empty());

    rig.harness.processConstant (kBlock, -kLevel);
    rig.reader.copyStereoPoints (rig.live);
    ASSERT_EQ (rig.live.sourceLeft.size(), (size_t) kBlock);
    EXPECT_EQ (rig.live.sourceLeft.front(), -kLevel);
}

TEST (EngineReader, peaksAreTakenOnceAndNoPeakIsNoNumber)
{
    ReaderRig rig;
    rig.harness.processConstant (kBlock, kLevel);

    const auto first = rig.reader.readMeters();
    EXPECT_TRUE (first.playing);
    EXPECT_NEAR (first.sourceSamplePeakDb, 20.0f * std::log10 (kLevel), 1.0e-4f);
    EXPECT_GE (first.sourceTruePeakDb, first.sourceSamplePeakDb);
    EXPECT_TRUE (std::isnan (first.referenceSamplePeakDb));

    // The read reset the holds: no block, no peak.
    const auto second = rig.reader.readMeters();
    EXPECT_TRUE (std::isnan (second.sourceSamplePeakDb));
    EXPECT_TRUE (std::isnan (second.sourceTruePeakDb));
}

TEST (EngineReader, peakMagnitudesBecomeDecibelsWithAFloor)
{
    const std::pair<float, float> cases[] = {
        { 1.0f, 0.0f },
        { 0.5f, 20.0f * std::log10 (0.5f) },
        { 1.0e-9f, -100.0f },
        { 2.0f, 20.0f * std::log10 (2.0f) },
    };

    for (const auto& [magnitude, db] : cases)
        EXPECT_FLOAT_EQ (EngineReader::peakToDb (magnitude), db) << magnitude;

    for (const auto magnitude : { 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN() })
        EXPECT_TRUE (std::isnan (EngineReader::peakToDb (magnitude))) << magnitude;
}

TEST (EngineReader, theLiveMeasurementsAndTheMonitoredSignalComeFromTheEngine)
{
    ReaderRig rig;
    rig.playUntilPublished();

    rig.live.bands[0].valid = true;
    rig.reader.readLiveMeasurements (rig.live);
    EXPECT_EQ (rig.live.playheadSeconds, 0.0);
    EXPECT_EQ (rig.live.sourceShortTermLufs, rig.processor.meterReadings.sourceShortTermLufs.load());
    EXPECT_FALSE (rig.live.levelMatchActive);
    // Under a second of signal: no band is valid yet.
    EXPECT_FALSE (rig.live.bands[0].valid);

    EXPECT_EQ (rig.reader.readOutputSelection(), OutputSelection::Reference);
    rig.harness.setMonitor (1);
    EXPECT_EQ (rig.reader.readOutputSelection(), OutputSelection::Source);
}

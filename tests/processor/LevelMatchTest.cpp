#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace
{
/** Names each case of a table after its `name` field. */
template <typename Case>
std::string caseName (const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

constexpr double kRate = 48000.0;
constexpr int kBlock = 480;                   // 10 ms: ten whole periods of the test tone
constexpr double kToneHz = 1000.0;
constexpr double kReferenceSeconds = 4.0;     // a whole number of periods, so the loop is seamless
constexpr int kShortTermBlocks = 300;         // 3 s of blocks fill a short-term window
constexpr int kSettledBlocks = 350;           // 3.5 s: windows full and the 0.1 s ramps done
constexpr int kRampBlocks = 10;               // 0.1 s
constexpr int kRampSamples = kRampBlocks * kBlock;
constexpr double kGainToleranceDb = 0.1;
constexpr double kLevelToleranceDb = 0.1;
constexpr double kMaxMatchDb = 24.0;
constexpr double kSineRmsOffsetDb = -3.0103;  // RMS of a sine below its peak

/** Amplitude of a 1 kHz sine on both channels that reads `lufs`: at 1 kHz the K-weighting lifts
    the tone by what the loudness offset takes away, and the two channels add what a sine's RMS
    lies below its peak, so the loudness is the peak level. */
float amplitudeFor (double lufs)
{
    return (float) juce::Decibels::decibelsToGain (lufs, -300.0);
}

double rmsDb (const juce::AudioBuffer<float>& buffer, int channel = 0)
{
    return juce::Decibels::gainToDecibels ((double) buffer.getRMSLevel (channel, 0, buffer.getNumSamples()), -300.0);
}

double toDb (double gain)
{
    return 20.0 * std::log10 (gain);
}

double toGain (double db)
{
    return std::pow (10.0, db / 20.0);
}

/** A processor fed a steady 1 kHz Source from the host buffer, with steady 1 kHz References. */
class LevelMatchRig : public ::testing::Test
{
protected:
    /** Builds and prepares the processor; its settings come from the temporary folder. */
    void create()
    {
        harness = std::make_unique<ProcessorHarness> (temp.folder);
        harness->prepare (kRate, kBlock);
    }

    KalvorinAudioProcessor& processor() { return *harness->processor; }

    /** Adds a stereo WAV Reference of the tone at `lufs`; returns its index. */
    int addReference (double lufs)
    {
        const auto file = temp.file ("tone" + juce::String (fileCount++) + ".wav");
        EXPECT_TRUE (AudioFileFixtures::writeSine (file, kRate, 2, kReferenceSeconds, kToneHz, amplitudeFor (lufs)));
        return processor().addReference (file.getFullPathName());
    }

    /** Processes `blocks` blocks of the Source tone at `sourceLufs` and returns the last output. */
    juce::AudioBuffer<float> run (int blocks, double sourceLufs)
    {
        juce::AudioBuffer<float> buffer (2, kBlock);

        for (int b = 0; b < blocks; ++b)
        {
            const auto amplitude = amplitudeFor (sourceLufs);

            for (int i = 0; i < kBlock; ++i)
            {
                const auto value = amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * kToneHz * i / kRate);
                buffer.setSample (0, i, value);
                buffer.setSample (1, i, value);
            }

            harness->process (buffer);
        }

        return buffer;
    }

    void setPlaying (bool playing) { harness->playHead.playing = playing; }

    double referenceGain() { return processor().referenceGainDb.load(); }
    double sourceGain() { return processor().sourceGainDb.load(); }
    bool ready() { return processor().levelMatchReady.load(); }
    double sourceShortTerm() { return processor().sourceLoudness.shortTermLufs.load(); }
    double referenceShortTerm() { return processor().referenceLoudness.shortTermLufs.load(); }

    TemporaryFolder temp;
    std::unique_ptr<ProcessorHarness> harness;
    int fileCount = 0;
};

//==============================================================================
struct ModeCase
{
    const char* name;
    int mode;
    double sourceLufs, referenceLufs;
    double referenceGainDb, sourceGainDb;
};

struct LevelMatchTable : LevelMatchRig, ::testing::WithParamInterface<ModeCase> {};

const ModeCase modeCases[] = {
    { "referenceToSourceTurnsTheReferenceDown",   1, -14.0,  -8.0,  -6.0,  0.0 },
    { "referenceToSourceTurnsTheReferenceUp",     1,  -8.0, -14.0,   6.0,  0.0 },
    { "referenceToSourceLimitsAtPlus24",          1, -10.0, -40.0,  24.0,  0.0 },
    { "referenceToSourceLimitsAtMinus24",         1, -40.0, -10.0, -24.0,  0.0 },
    { "louderToQuieterTurnsTheSourceDown",        2, -10.0, -14.0,   0.0, -4.0 },
    { "louderToQuieterTurnsTheReferenceDown",     2, -14.0, -10.0,  -4.0,  0.0 },
    { "louderToQuieterWithEqualLevelsTurnsNothing", 2, -12.0, -12.0, 0.0,  0.0 },
    { "louderToQuieterLimitsAtMinus24",           2, -10.0, -40.0,   0.0, -24.0 },
    { "offLeavesBothAtUnity",                     0, -14.0,  -8.0,   0.0,  0.0 },
};
} // namespace

TEST_P (LevelMatchTable, gainsSettleOnTheMeasuredDifferenceAndTheOutputFollows)
{
    const auto& c = GetParam();
    create();
    processor().setLevelMatchMode (c.mode);
    ASSERT_EQ (addReference (c.referenceLufs), 0);
    setPlaying (true);

    run (kSettledBlocks, c.sourceLufs);

    const auto s = sourceShortTerm(), r = referenceShortTerm();
    ASSERT_NEAR (s, c.sourceLufs, kLevelToleranceDb) << "the Source fixture reads as intended";
    ASSERT_NEAR (r, c.referenceLufs, kLevelToleranceDb) << "the Reference fixture reads as intended";

    EXPECT_TRUE (ready()) << "ready in every mode, Off included";
    EXPECT_NEAR (referenceGain(), c.referenceGainDb, kGainToleranceDb);
    EXPECT_NEAR (sourceGain(), c.sourceGainDb, kGainToleranceDb);

    // Where the gain is not limited it follows the measured difference itself, not the nominal one.
    if (c.referenceGainDb != 0.0 && std::abs (c.referenceGainDb) < kMaxMatchDb)
    {
        EXPECT_NEAR (referenceGain(), s - r, 0.01);
    }

    if (c.sourceGainDb != 0.0 && std::abs (c.sourceGainDb) < kMaxMatchDb)
    {
        EXPECT_NEAR (sourceGain(), r - s, 0.01);
    }

    // Monitoring the Reference (the default), the output is the Reference tone times its gain.
    const auto referenceOut = run (1, c.sourceLufs);
    EXPECT_NEAR (rmsDb (referenceOut, 0), c.referenceLufs + kSineRmsOffsetDb + c.referenceGainDb, kGainToleranceDb);
    EXPECT_NEAR (rmsDb (referenceOut, 1), c.referenceLufs + kSineRmsOffsetDb + c.referenceGainDb, kGainToleranceDb);

    // Monitoring the Source (after the 10 ms crossfade), the output is the Source times its gain.
    harness->setMonitor (1);
    run (1, c.sourceLufs);
    const auto sourceOut = run (1, c.sourceLufs);
    EXPECT_NEAR (rmsDb (sourceOut, 0), c.sourceLufs + kSineRmsOffsetDb + c.sourceGainDb, kGainToleranceDb);
}

INSTANTIATE_TEST_SUITE_P (LevelMatchModes, LevelMatchTable, ::testing::ValuesIn (modeCases),
                          caseName<ModeCase>);

//==============================================================================
namespace
{
struct LevelMatch : LevelMatchRig {};
} // namespace

TEST_F (LevelMatch, becomesReadyOnlyOnceBothShortTermWindowsHoldThreeSeconds)
{
    create();
    processor().setLevelMatchMode (1);
    ASSERT_EQ (addReference (-8.0), 0);
    setPlaying (true);

    run (kShortTermBlocks - 1, -14.0);
    EXPECT_FALSE (ready()) << "2.99 s";
    EXPECT_EQ (referenceGain(), 0.0) << "nothing held yet: unity";

    run (1, -14.0);
    EXPECT_TRUE (ready()) << "3 s";

    EXPECT_LT (referenceGain(), 0.0) << "the ramp starts in the first ready block";

    // The first targets still move by a few millionths of a dB while the signals' onsets slide
    // out of the windows, and every move restarts the 0.1 s ramp; a few ramp lengths settle it.
    run (3 * kRampBlocks, -14.0);
    EXPECT_NEAR (referenceGain(), -6.0, kGainToleranceDb);
    EXPECT_EQ (sourceGain(), 0.0);
}

TEST_F (LevelMatch, switchingTheModeWhileReadyRampsFromTheCurrentGainsToNewTargetsAtOnce)
{
    create();
    processor().setLevelMatchMode (1);
    ASSERT_EQ (addReference (-14.0), 0);
    setPlaying (true);
    run (kSettledBlocks, -10.0);
    ASSERT_TRUE (ready());
    ASSERT_NEAR (referenceGain(), 4.0, kGainToleranceDb);

    const auto startReference = toGain (referenceGain());
    const auto targetSource = toGain (referenceShortTerm() - sourceShortTerm());

    processor().setLevelMatchMode (2);

    // Linear ramps in gain over 0.1 s, starting with the first block after the request.
    for (const auto blocks : { 1, 5 })
    {
        run (blocks == 1 ? 1 : 4, -10.0);
        const auto progress = (double) (blocks * kBlock) / kRampSamples;
        EXPECT_NEAR (referenceGain(), toDb (startReference + (1.0 - startReference) * progress), 0.02) << blocks;
        EXPECT_NEAR (sourceGain(), toDb (1.0 + (targetSource - 1.0) * progress), 0.02) << blocks;
        EXPECT_TRUE (ready());
    }

    run (kRampBlocks - 5, -10.0);
    EXPECT_NEAR (referenceGain(), 0.0, kGainToleranceDb);
    EXPECT_NEAR (sourceGain(), toDb (targetSource), kGainToleranceDb);
    EXPECT_NEAR (sourceGain(), -4.0, kGainToleranceDb);
}

TEST_F (LevelMatch, aSourcePauseMakesItNotReadyWhileItsShortTermIsStillMeasurable)
{
    create();
    processor().setLevelMatchMode (1);
    ASSERT_EQ (addReference (-8.0), 0);
    setPlaying (true);
    run (kSettledBlocks, -14.0);
    ASSERT_TRUE (ready());

    // 0.6 s at -75 LUFS: the 400 ms momentary window holds nothing else, the 3 s one still
    // holds the tone. While the momentary loudness is still above -70 the targets follow the
    // falling short-term loudness; from then on they are held.
    run (60, -75.0);
    EXPECT_NEAR (processor().sourceLoudness.momentaryLufs.load(), -75.0, 0.5);
    EXPECT_TRUE (std::isfinite (sourceShortTerm()));
    EXPECT_GT (sourceShortTerm(), -70.0);
    EXPECT_FALSE (ready());

    const auto held = referenceGain();
    EXPECT_NEAR (held, -6.0, 1.0) << "not back to unity";
    run (20, -75.0);
    EXPECT_FALSE (ready());
    EXPECT_GT (sourceShortTerm(), -70.0);
    EXPECT_EQ (referenceGain(), held) << "the gains are held through the pause";
    EXPECT_EQ (sourceGain(), 0.0);

    run (50, -14.0);
    EXPECT_TRUE (ready()) << "the Source is back";
}

//==============================================================================
namespace
{
struct HoldCase
{
    const char* name;
    int mode;
    double sourceLufs, firstReferenceLufs, secondReferenceLufs;
    double firstReferenceGainDb, firstSourceGainDb;
    double secondReferenceGainDb, secondSourceGainDb;
};

struct LevelMatchHolding : LevelMatchRig, ::testing::WithParamInterface<HoldCase>
{
    /** Two References, the first active, matched to the Source after 3.5 s of playing. */
    void matchFirstReference()
    {
        const auto& c = GetParam();
        create();
        processor().setLevelMatchMode (c.mode);
        ASSERT_EQ (addReference (c.firstReferenceLufs), 0);
        ASSERT_EQ (addReference (c.secondReferenceLufs), 1);
        setPlaying (true);
        run (kSettledBlocks, c.sourceLufs);
        ASSERT_TRUE (ready());
        ASSERT_NEAR (referenceGain(), c.firstReferenceGainDb, kGainToleranceDb);
        ASSERT_NEAR (sourceGain(), c.firstSourceGainDb, kGainToleranceDb);
    }
};

const HoldCase holdCases[] = {
    { "referenceToSource", 1, -14.0, -8.0, -20.0, -6.0, 0.0, 6.0, 0.0 },
    { "louderToQuieter",   2, -10.0, -14.0, -6.0, 0.0, -4.0, -4.0, 0.0 },
};
} // namespace

TEST_P (LevelMatchHolding, stoppingTheTransportHoldsTheGainsAndSoDoesTheNextStart)
{
    const auto& c = GetParam();
    matchFirstReference();
    const auto heldReference = referenceGain(), heldSource = sourceGain();

    setPlaying (false);
    harness->setMonitor (1);
    run (kRampBlocks, c.sourceLufs);
    EXPECT_FALSE (ready());
    EXPECT_NEAR (referenceGain(), heldReference, 1e-3);
    EXPECT_NEAR (sourceGain(), heldSource, 1e-3);

    const auto out = run (1, c.sourceLufs);
    EXPECT_NEAR (rmsDb (out), c.sourceLufs + kSineRmsOffsetDb + c.firstSourceGainDb, kGainToleranceDb)
        << "stopped and monitoring the Source: the Source with its held gain";

    // A start clears both windows; for the next 3 s the held gains stay in force.
    setPlaying (true);
    run (kShortTermBlocks - 1, c.sourceLufs);
    EXPECT_FALSE (ready());
    EXPECT_NEAR (referenceGain(), heldReference, 1e-3);
    EXPECT_NEAR (sourceGain(), heldSource, 1e-3);

    run (1, c.sourceLufs);
    EXPECT_TRUE (ready());
}

TEST_P (LevelMatchHolding, anotherActiveReferenceReturnsTheGainsToUnityAndMatchesItAfterThreeSeconds)
{
    const auto& c = GetParam();
    matchFirstReference();

    processor().setActiveReference (1);
    run (2 * kRampBlocks, c.sourceLufs);
    EXPECT_FALSE (ready());
    EXPECT_NEAR (referenceGain(), 0.0, 1e-3);
    EXPECT_NEAR (sourceGain(), 0.0, 1e-3);

    run (kShortTermBlocks - 2 * kRampBlocks - 1, c.sourceLufs);
    EXPECT_FALSE (ready()) << "2.99 s after the change";
    EXPECT_NEAR (referenceGain(), 0.0, 1e-3);

    run (1, c.sourceLufs);
    EXPECT_TRUE (ready()) << "3 s after the change";

    run (2 * kRampBlocks, c.sourceLufs);
    EXPECT_NEAR (referenceGain(), c.secondReferenceGainDb, kGainToleranceDb);
    EXPECT_NEAR (sourceGain(), c.secondSourceGainDb, kGainToleranceDb);
}

INSTANTIATE_TEST_SUITE_P (LevelMatchHeld, LevelMatchHolding, ::testing::ValuesIn (holdCases),
                          caseName<HoldCase>);

//==============================================================================
namespace
{
struct SettingsCase
{
    const char* name;
    const char* text;
    double referenceGainDb, sourceGainDb;
};

struct LevelMatchSetting : LevelMatchRig, ::testing::WithParamInterface<SettingsCase> {};

// Source -10 LUFS, Reference -14 LUFS: Off leaves both, mode 1 lifts the Reference by 4 dB,
// mode 2 turns the Source down by 4 dB.
const SettingsCase settingsCases[] = {
    { "aboveTheRangeIsLouderToQuieter", "7",  0.0, -4.0 },
    { "referenceToSource",              "1",  4.0,  0.0 },
    { "belowTheRangeIsOff",             "-3", 0.0,  0.0 },
    { "emptyIsOff",                     "",   0.0,  0.0 },
};
} // namespace

TEST_P (LevelMatchSetting, modeComesFromTheSettingsFileAtConstruction)
{
    const auto& c = GetParam();
    ASSERT_TRUE (temp.file ("settings.txt").replaceWithText (juce::String ("[General]\nLevelMatchMode=") + c.text + "\n"));
    create();
    ASSERT_EQ (addReference (-14.0), 0);
    setPlaying (true);

    run (kSettledBlocks, -10.0);
    EXPECT_TRUE (ready());
    EXPECT_NEAR (referenceGain(), c.referenceGainDb, kGainToleranceDb);
    EXPECT_NEAR (sourceGain(), c.sourceGainDb, kGainToleranceDb);
}

INSTANTIATE_TEST_SUITE_P (LevelMatchSettings, LevelMatchSetting, ::testing::ValuesIn (settingsCases),
                          caseName<SettingsCase>);

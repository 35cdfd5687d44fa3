#include "support/AllocationGuard.h"
#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

namespace
{
struct ProcessorLifecycle : ::testing::Test
{
    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    KalvorinAudioProcessor& processor = *harness.processor;
};

juce::AudioProcessor::BusesLayout layoutOf (juce::AudioChannelSet in, juce::AudioChannelSet out)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (in);
    layout.outputBuses.add (out);
    return layout;
}
} // namespace

TEST_F (ProcessorLifecycle, declaresStereoBusesAndTheMonitorParameter)
{
    EXPECT_EQ (processor.getName(), "Audio-Kalvorin");
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getMainBusNumInputChannels(), 2);
    EXPECT_EQ (processor.getMainBusNumOutputChannels(), 2);

    auto* monitor = dynamic_cast<juce::AudioParameterChoice*> (processor.parameters.getParameter ("monitorRef"));
    ASSERT_NE (monitor, nullptr);
    EXPECT_EQ (monitor->getName (32), "Monitor");
    EXPECT_EQ (monitor->choices, (juce::StringArray { "Reference", "Source" }));
    EXPECT_EQ (monitor->getIndex(), 0);
    EXPECT_EQ (monitor->getVersionHint(), 1);
    EXPECT_EQ (processor.parameters.state.getType().toString(), "PARAMS");
}

TEST_F (ProcessorLifecycle, hasFixedAnswersForTheHost)
{
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    processor.setCurrentProgram (3);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    // A nameless program fails hosts' validation, so the one program is called "Default".
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_EQ (processor.getProgramName (5), "Default");
}

TEST_F (ProcessorLifecycle, acceptsMonoAndStereoOnEachSideAndNothingElse)
{
    using Set = juce::AudioChannelSet;
    const struct { Set in, out; bool accepted; } cases[] = {
        { Set::mono(), Set::mono(), true },
        { Set::mono(), Set::stereo(), true },
        { Set::stereo(), Set::mono(), true },
        { Set::stereo(), Set::stereo(), true },
        { Set::create5point1(), Set::stereo(), false },
        { Set::stereo(), Set::createLCR(), false },
        { Set::disabled(), Set::stereo(), false },
        { Set::stereo(), Set::disabled(), false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (processor.isBusesLayoutSupported (layoutOf (c.in, c.out)), c.accepted)
            << c.in.getDescription() << " -> " << c.out.getDescription();
}

TEST_F (ProcessorLifecycle, passesTheSourceThroughWithoutAReference)
{
    harness.prepare (48000.0, 256);

    for (const auto playing : { false, true })
    {
        harness.playHead.playing = playing;
        juce::AudioBuffer<float> buffer (2, 256);

        for (int i = 0; i < 256; ++i)
        {
            buffer.setSample (0, i, std::sin ((float) i * 0.1f) * 0.5f);
            buffer.setSample (1, i, std::cos ((float) i * 0.1f) * 0.25f);
        }

        juce::AudioBuffer<float> input (buffer);
        harness.process (buffer);

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 256; ++i)
                ASSERT_FLOAT_EQ (buffer.getSample (ch, i), input.getSample (ch, i)) << "playing " << playing;
    }
}

TEST_F (ProcessorLifecycle, monoSourceOnStereoOutputIsHeardOnBothSides)
{
    harness.prepare (48000.0, 128, 1, 2);
    // The host's buffer holds the mono input in channel 0; channel 1 is the output's own.
    juce::AudioBuffer<float> output (2, 128);
    juce::FloatVectorOperations::fill (output.getWritePointer (0), 0.25f, 128);
    juce::FloatVectorOperations::fill (output.getWritePointer (1), 0.9f, 128);
    harness.process (output);

    for (int i = 0; i < 128; ++i)
    {
        EXPECT_FLOAT_EQ (output.getSample (0, i), 0.25f);
        EXPECT_FLOAT_EQ (output.getSample (1, i), 0.25f);
    }
}

TEST_F (ProcessorLifecycle, stereoInputOnMonoOutputClearsTheExtraChannel)
{
    harness.prepare (48000.0, 128, 2, 1);
    auto output = harness.processConstant (128, 0.5f);

    for (int i = 0; i < 128; ++i)
    {
        EXPECT_FLOAT_EQ (output.getSample (0, i), 0.5f);
        EXPECT_FLOAT_EQ (output.getSample (1, i), 0.0f);
    }
}

TEST_F (ProcessorLifecycle, publishesTheSourcePeakLimitedToFullScale)
{
    harness.prepare (48000.0, 64);
    juce::AudioBuffer<float> buffer (2, 64);
    buffer.clear();
    buffer.setSample (1, 10, -1.5f);
    harness.process (buffer);
    EXPECT_FLOAT_EQ (processor.sourcePeak.load(), 1.0f);

    buffer.clear();
    buffer.setSample (0, 3, 0.25f);
    harness.process (buffer);
    EXPECT_FLOAT_EQ (processor.sourcePeak.load(), 0.25f);
    EXPECT_FLOAT_EQ (processor.referencePeak.load(), 0.0f);
}

TEST_F (ProcessorLifecycle, missingPlayHeadOrPositionCountsAsStopped)
{
    harness.prepare (48000.0, 64);
    harness.playHead.playing = true;
    harness.playHead.hasPosition = false;
    harness.processConstant (64);
    EXPECT_FALSE (processor.isPlaying.load());

    harness.playHead.hasPosition = true;
    harness.processConstant (64);
    EXPECT_TRUE (processor.isPlaying.load());

    processor.setPlayHead (nullptr);
    harness.processConstant (64);
    EXPECT_FALSE (processor.isPlaying.load());
}

TEST_F (ProcessorLifecycle, survivesPreparationAtANonPositiveRate)
{
    for (const auto rate : { 0.0, -44100.0 })
    {
        harness.prepare (rate, 256);
        auto output = harness.processConstant (256, 0.125f);
        EXPECT_FLOAT_EQ (output.getSample (0, 255), 0.125f);
    }

    harness.prepare (44100.0, 256);
    auto output = harness.processConstant (256, 0.125f);
    EXPECT_FLOAT_EQ (output.getSample (1, 100), 0.125f);
}

TEST_F (ProcessorLifecycle, processesBlocksLongerThanPreparedAndEmptyBlocks)
{
    harness.prepare (48000.0, 64);
    auto longer = harness.processConstant (4096, 0.5f);
    EXPECT_FLOAT_EQ (longer.getSample (0, 4095), 0.5f);

    juce::AudioBuffer<float> empty (2, 0);
    harness.process (empty);
    EXPECT_FLOAT_EQ (processor.sourcePeak.load(), 0.0f);
}

// A host block longer than the prepared size is processed in place in pieces of that size: it
// allocates nothing and sounds exactly like the prepared-size blocks it is made of, with a
// Reference playing through the resampler and the monitor on the Reference.
TEST_F (ProcessorLifecycle, aLongHostBlockSoundsLikeThePreparedBlocksItIsMadeOf)
{
    constexpr int kPrepared = 64;
    constexpr int kLong = 16 * kPrepared + 5;
    const auto reference = temp.file ("ref.wav");
    ASSERT_TRUE (AudioFileFixtures::writeSine (reference, 44100.0, 2, 0.5, 1000.0, 0.2f));

    TemporaryFolder otherTemp;
    ProcessorHarness inPieces { otherTemp.folder };

    for (auto* h : { &harness, &inPieces })
    {
        ASSERT_EQ (h->processor->addReference (reference.getFullPathName()), 0);
        h->prepare (48000.0, kPrepared);
        h->playHead.playing = true;
    }

    juce::AudioBuffer<float> whole (2, kLong);
    juce::Random random (5);

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < kLong; ++i)
            whole.setSample (ch, i, 0.3f * (random.nextFloat() * 2.0f - 1.0f));

    juce::AudioBuffer<float> pieces (whole);

    {
        const AllocationGuard guard;
        harness.process (whole);
        EXPECT_EQ (guard.allocationsSoFar(), 0);
        EXPECT_EQ (guard.releasesSoFar(), 0);
    }

    for (int start = 0; start < kLong; start += kPrepared)
    {
        juce::AudioBuffer<float> piece (pieces.getArrayOfWritePointers(), 2, start, juce::jmin (kPrepared, kLong - start));
        inPieces.process (piece);
    }

    EXPECT_GT (whole.getMagnitude (0, kLong), 0.0f);

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < kLong; ++i)
            ASSERT_EQ (whole.getSample (ch, i), pieces.getSample (ch, i)) << "channel " << ch << ", sample " << i;
}

// Before prepareToPlay nothing is sized for a block: the Source passes untouched, and nothing
// is allocated to make room for it.
TEST_F (ProcessorLifecycle, passesTheSourceBeforePreparationWithoutAllocating)
{
    juce::AudioBuffer<float> buffer (2, 512);

    for (int i = 0; i < 512; ++i)
    {
        buffer.setSample (0, i, std::sin ((float) i * 0.1f) * 0.5f);
        buffer.setSample (1, i, -0.25f);
    }

    const juce::AudioBuffer<float> input (buffer);

    {
        const AllocationGuard guard;
        harness.process (buffer);
        EXPECT_EQ (guard.allocationsSoFar(), 0);
    }

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 512; ++i)
            ASSERT_EQ (buffer.getSample (ch, i), input.getSample (ch, i));
}

TEST_F (ProcessorLifecycle, suspendedProcessorOutputsSilenceLikeTheHostLayer)
{
    harness.prepare (48000.0, 64);
    processor.suspendProcessing (true);
    auto output = harness.processConstant (64, 0.5f);
    EXPECT_EQ (output.getMagnitude (0, 64), 0.0f);
    processor.suspendProcessing (false);
}

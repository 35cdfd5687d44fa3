#include "engine/GoniometerCapture.h"
#include "support/AllocationGuard.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
/** A stereo block whose left channel rises by a small step per sample and whose right channel
    is its negative, so every captured pair tells which sample it came from. */
juce::AudioBuffer<float> makeRamp (int numSamples, float offset = 0.0f)
{
    juce::AudioBuffer<float> buffer (2, numSamples);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto value = offset + 1.0e-4f * (float) i;
        buffer.setSample (0, i, value);
        buffer.setSample (1, i, -value);
    }

    return buffer;
}

struct ThinningCase
{
    int blockLength;
    int expectedPairs;
    int expectedStep;
};

class GoniometerCaptureThinning : public ::testing::TestWithParam<ThinningCase> {};
} // namespace

TEST_P (GoniometerCaptureThinning, capturesEveryStepthSampleAndNeverMoreThan2048Pairs)
{
    const auto [blockLength, expectedPairs, expectedStep] = GetParam();
    const auto block = makeRamp (blockLength);

    GoniometerCapture capture;
    capture.prepare();
    capture.process (block);

    ASSERT_EQ (capture.getReadyBuffer(), 0);
    const auto& left = capture.getLeft (0);
    const auto& right = capture.getRight (0);
    ASSERT_EQ ((int) left.size(), expectedPairs);
    ASSERT_EQ ((int) right.size(), expectedPairs);

    for (int i = 0; i < expectedPairs; ++i)
    {
        ASSERT_EQ (left[(size_t) i], block.getSample (0, i * expectedStep)) << "pair " << i;
        ASSERT_EQ (right[(size_t) i], block.getSample (1, i * expectedStep)) << "pair " << i;
    }
}

INSTANTIATE_TEST_SUITE_P (BlockLengths, GoniometerCaptureThinning,
                          ::testing::Values (ThinningCase { 1, 1, 1 },
                                             ThinningCase { 512, 512, 1 },
                                             ThinningCase { 2048, 2048, 1 },
                                             ThinningCase { 2049, 1024, 2 },
                                             ThinningCase { 3000, 1500, 2 },
                                             ThinningCase { 4096, 2048, 2 },
                                             ThinningCase { 8192, 2048, 4 }));

TEST (GoniometerCapture, monoBufferGivesPairsWithEqualLeftAndRight)
{
    juce::AudioBuffer<float> mono (1, 256);
    for (int i = 0; i < mono.getNumSamples(); ++i)
        mono.setSample (0, i, 0.001f * (float) i);

    GoniometerCapture capture;
    capture.process (mono);

    ASSERT_EQ (capture.getReadyBuffer(), 0);
    EXPECT_EQ (capture.getLeft (0), capture.getRight (0));
    EXPECT_EQ (capture.getLeft (0)[100], mono.getSample (0, 100));
}

TEST (GoniometerCapture, valuesOutsideFullScaleAreClampedAndNonFiniteOnesCountAsSilence)
{
    juce::AudioBuffer<float> block (2, 4);
    const float left[] = { 1.5f, -2.0f, 0.25f, std::numeric_limits<float>::quiet_NaN() };
    const float right[] = { -1.0f, 3.0f, std::numeric_limits<float>::infinity(), -0.5f };
    block.copyFrom (0, 0, left, 4);
    block.copyFrom (1, 0, right, 4);

    GoniometerCapture capture;
    capture.process (block);

    EXPECT_EQ (capture.getLeft (0), (std::vector<float> { 1.0f, -1.0f, 0.25f, 0.0f }));
    EXPECT_EQ (capture.getRight (0), (std::vector<float> { -1.0f, 1.0f, 0.0f, -0.5f }));
}

TEST (GoniometerCapture, capturesAlternateBetweenTheTwoBuffersAndCountTheSequence)
{
    GoniometerCapture capture;
    EXPECT_EQ (capture.getReadyBuffer(), -1);
    EXPECT_EQ (capture.getSequence(), 0);

    const auto first = makeRamp (64, 0.1f);
    const auto second = makeRamp (64, 0.5f);
    const auto third = makeRamp (64, 0.9f);

    capture.process (first);
    EXPECT_EQ (capture.getReadyBuffer(), 0);
    EXPECT_EQ (capture.getSequence(), 1);

    capture.process (second);
    EXPECT_EQ (capture.getReadyBuffer(), 1);
    EXPECT_EQ (capture.getSequence(), 2);
    // The buffer that was ready before is left as it was.
    EXPECT_EQ (capture.getLeft (0)[0], first.getSample (0, 0));
    EXPECT_EQ (capture.getLeft (1)[0], second.getSample (0, 0));

    capture.process (third);
    EXPECT_EQ (capture.getReadyBuffer(), 0);
    EXPECT_EQ (capture.getSequence(), 3);
    EXPECT_EQ (capture.getLeft (0)[0], third.getSample (0, 0));
    EXPECT_EQ (capture.getLeft (1)[0], second.getSample (0, 0));
}

TEST (GoniometerCapture, emptyBlockChangesNothing)
{
    GoniometerCapture capture;
    capture.process (makeRamp (32));

    juce::AudioBuffer<float> noSamples (2, 0);
    juce::AudioBuffer<float> noChannels (0, 32);
    capture.process (noSamples);
    capture.process (noChannels);

    EXPECT_EQ (capture.getReadyBuffer(), 0);
    EXPECT_EQ (capture.getSequence(), 1);
    EXPECT_EQ (capture.getLeft (0).size(), 32u);

    // The lock was released: the next block is captured.
    capture.process (makeRamp (16));
    EXPECT_EQ (capture.getSequence(), 2);
}

TEST (GoniometerCapture, blockThatFindsTheLockHeldIsSkipped)
{
    GoniometerCapture capture;
    const auto first = makeRamp (64, 0.1f);
    capture.process (first);

    {
        const juce::SpinLock::ScopedLockType editorCopying (capture.getLock());
        capture.process (makeRamp (128, 0.7f));
    }

    EXPECT_EQ (capture.getReadyBuffer(), 0);
    EXPECT_EQ (capture.getSequence(), 1);
    EXPECT_EQ (capture.getLeft (0).size(), 64u);
    EXPECT_EQ (capture.getLeft (0)[0], first.getSample (0, 0));
}

TEST (GoniometerCapture, copyLatestCopiesEachCaptureOnce)
{
    GoniometerCapture capture;
    std::vector<float> left, right;
    int lastSeen = 0;

    EXPECT_FALSE (capture.copyLatest (left, right, lastSeen)) << "nothing captured yet";

    const auto block = makeRamp (100, 0.2f);
    capture.process (block);
    ASSERT_TRUE (capture.copyLatest (left, right, lastSeen));
    EXPECT_EQ (lastSeen, 1);
    ASSERT_EQ (left.size(), 100u);
    EXPECT_EQ (left[42], block.getSample (0, 42));
    EXPECT_EQ (right[42], block.getSample (1, 42));

    EXPECT_FALSE (capture.copyLatest (left, right, lastSeen)) << "same capture again";

    capture.process (makeRamp (10));
    EXPECT_TRUE (capture.copyLatest (left, right, lastSeen));
    EXPECT_EQ (left.size(), 10u);
}

TEST (GoniometerCapture, capturingNeverAllocates)
{
    GoniometerCapture capture;
    capture.prepare();
    const auto longBlock = makeRamp (8192);
    const auto shortBlock = makeRamp (3);

    AllocationGuard guard;
    for (int i = 0; i < 4; ++i)
    {
        capture.process (longBlock);
        capture.process (shortBlock);
    }

    EXPECT_EQ (guard.allocationsSoFar(), 0);
}

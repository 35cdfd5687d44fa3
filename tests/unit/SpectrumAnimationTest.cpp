#include "tab/views/SpectrumAnimation.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (SpectrumAnimation, oneStepOf33MsRisesFasterThanItFalls)
{
    EXPECT_NEAR (SpectrumAnimation::glide (-50.0f, -40.0f, 33.0) + 50.0f, 10.0 * (1.0 - std::exp (-33.0 / 250.0)), 1e-4);
    EXPECT_NEAR (SpectrumAnimation::glide (-50.0f, -40.0f, 33.0) + 50.0f, 1.24f, 0.005f);
    EXPECT_NEAR (-50.0f - SpectrumAnimation::glide (-50.0f, -60.0f, 33.0), 0.46f, 0.005f);
}

TEST (SpectrumAnimation, differencesUnder0Point2DbAndStepsOfNoTimeDoNotMove)
{
    EXPECT_FLOAT_EQ (SpectrumAnimation::glide (-30.0f, -30.19f, 33.0), -30.0f);
    EXPECT_FLOAT_EQ (SpectrumAnimation::glide (-30.0f, -29.85f, 250.0), -30.0f);
    EXPECT_FLOAT_EQ (SpectrumAnimation::glide (-30.0f, -20.0f, 0.0), -30.0f);
    EXPECT_NE (SpectrumAnimation::glide (-30.0f, -29.7f, 33.0), -30.0f);
}

TEST (SpectrumAnimation, aPauseCountsAsAQuarterSecondAndTheFirstPaintAsOneFrame)
{
    EXPECT_DOUBLE_EQ (SpectrumAnimation::stepMs (0.0, 5000.0), 16.666666);
    EXPECT_DOUBLE_EQ (SpectrumAnimation::stepMs (1000.0, 2000.0), 250.0);
    EXPECT_DOUBLE_EQ (SpectrumAnimation::stepMs (1000.0, 1033.0), 33.0);
    EXPECT_DOUBLE_EQ (SpectrumAnimation::stepMs (1000.0, 1000.0), 0.0);
    EXPECT_DOUBLE_EQ (SpectrumAnimation::stepMs (1000.0, 900.0), 0.0);
}

TEST (SpectrumAnimation, barsShareABandAfterThreeGaps)
{
    struct Case { float bandWidth, gap, bar; };

    for (const auto& c : { Case { 10.0f, 1.2f, 3.2f }, Case { 40.0f, 2.0f, 17.0f }, Case { 0.0f, 0.0f, 0.0f } })
    {
        const auto layout = SpectrumAnimation::layoutBars (c.bandWidth);
        EXPECT_NEAR (layout.gap, c.gap, 1e-5f) << c.bandWidth;
        EXPECT_NEAR (layout.barWidth, c.bar, 1e-5f) << c.bandWidth;
    }
}

TEST (SpectrumAnimation, theFirstDataIsShownAtOnceAndLaterDataGlides)
{
    SpectrumAnimation animation;
    animation.advance ({ -40.0f, -50.0f }, { -30.0f, -60.0f }, false, 1000.0);
    EXPECT_EQ (animation.getShownReferenceLevels(), (std::vector<float> { -40.0f, -50.0f }));
    EXPECT_EQ (animation.getShownSourceLevels(), (std::vector<float> { -30.0f, -60.0f }));

    animation.advance ({ -30.0f, -60.0f }, { -30.0f, -60.0f }, false, 1033.0);
    EXPECT_NEAR (animation.getShownReferenceLevels()[0], -40.0f + 1.24f, 0.005f);
    EXPECT_NEAR (animation.getShownReferenceLevels()[1], -50.0f - 0.46f, 0.005f);
}

TEST (SpectrumAnimation, shiftHoldsThePictureAndReleasingItGlidesOnFromThere)
{
    SpectrumAnimation animation;
    animation.advance ({ -40.0f }, { -40.0f }, false, 1000.0);
    animation.advance ({ -30.0f }, { -30.0f }, false, 1033.0);
    const auto held = animation.getShownReferenceLevels();

    for (double now = 1066.0; now < 2000.0; now += 33.0)
        animation.advance ({ -10.0f }, { -80.0f }, true, now);

    animation.advance ({ -10.0f }, { -80.0f }, true, 2000.0);

    EXPECT_TRUE (animation.isFrozen());
    EXPECT_EQ (animation.getShownReferenceLevels(), held);

    animation.advance ({ -10.0f }, { -80.0f }, false, 2033.0);
    EXPECT_FALSE (animation.isFrozen());
    EXPECT_NEAR (animation.getShownReferenceLevels()[0], SpectrumAnimation::glide (held[0], -10.0f, 33.0), 1e-4f);
}

TEST (SpectrumAnimation, aSnapShowsTheTargetsWithoutGliding)
{
    SpectrumAnimation animation;
    animation.advance ({ -60.0f }, { -60.0f }, false, 1000.0);

    animation.requestSnap();
    animation.advance ({ -20.0f }, { -70.0f }, false, 1033.0);

    EXPECT_FALSE (animation.isSnapRequested());
    EXPECT_FLOAT_EQ (animation.getShownReferenceLevels()[0], -20.0f);
    EXPECT_FLOAT_EQ (animation.getShownSourceLevels()[0], -70.0f);
}

#include "editor/PeakHold.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kTickMs = 41;
constexpr float kTolerance = 1.0e-4f;
} // namespace

// A -3 dB peak followed by nothing, ticked every 41 ms: held for 250 ms, then falling 10 dB per
// second, the first falling tick only for its part beyond the hold time.
TEST (PeakHold, aSinglePeakIsHeldThenFallsTenDbPerSecond)
{
    PeakHold hold;
    hold.update (-3.0f, kNaN, kTickMs);

    const float expected[] = { -3.0f, -3.0f, -3.0f, -3.0f, -3.0f, -3.0f, -3.37f, -3.78f, -4.19f };

    for (size_t tick = 0; tick < std::size (expected); ++tick)
    {
        hold.update (kNaN, kNaN, kTickMs);
        EXPECT_NEAR (hold.referenceDb, expected[tick], kTolerance) << "tick " << tick + 1;
        EXPECT_TRUE (std::isnan (hold.sourceDb));
    }

    EXPECT_EQ (hold.referenceHoldMs, PeakHold::kHoldMs);
}

TEST (PeakHold, aFallingHoldIsDroppedAtMinus90)
{
    PeakHold hold;
    hold.update (-3.0f, -80.0f, kTickMs);

    int ticks = 0;

    while (std::isfinite (hold.referenceDb) && ticks < 1000)
    {
        hold.update (kNaN, kNaN, kTickMs);
        ++ticks;

        if (std::isfinite (hold.referenceDb))
            EXPECT_GT (hold.referenceDb, PeakHold::kFloorDb);
    }

    // 250 ms held, then 87 dB at 10 dB/s: 8.95 s of 41 ms ticks.
    EXPECT_EQ (ticks, (int) std::ceil ((250.0 + 8700.0) / kTickMs));
    EXPECT_EQ (hold.referenceHoldMs, 0);
    EXPECT_TRUE (std::isnan (hold.sourceDb));
}

TEST (PeakHold, anEqualReadingReArmsTheHoldAndALowerOneStopsTheFall)
{
    PeakHold hold;
    hold.update (-6.0f, kNaN, kTickMs);

    for (int i = 0; i < 8; ++i)
        hold.update (kNaN, kNaN, kTickMs);

    ASSERT_LT (hold.referenceDb, -6.0f);
    hold.update (hold.referenceDb, kNaN, kTickMs);
    EXPECT_EQ (hold.referenceHoldMs, 0);

    // Re-armed: six more ticks stay put.
    const auto held = hold.referenceDb;

    for (int i = 0; i < 6; ++i)
        hold.update (kNaN, kNaN, kTickMs);

    EXPECT_EQ (hold.referenceDb, held);

    // A falling hold never drops below the reading of the moment.
    for (int i = 0; i < 100; ++i)
        hold.update (held - 1.0f, kNaN, kTickMs);

    EXPECT_EQ (hold.referenceDb, held - 1.0f);
}

TEST (PeakHold, readingsThatAreNoPeakNeverRaiseTheHold)
{
    const float noPeaks[] = { kNaN, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                              -90.0f, -120.0f };

    for (const auto reading : noPeaks)
    {
        PeakHold hold;
        hold.update (reading, reading, kTickMs);
        EXPECT_TRUE (std::isnan (hold.referenceDb)) << reading;
        EXPECT_TRUE (std::isnan (hold.sourceDb)) << reading;
        EXPECT_EQ (hold.referenceHoldMs, 0);
    }
}

TEST (PeakHold, theStepIsClampedToOneSecondAndClearEmptiesBoth)
{
    PeakHold hold;
    hold.update (-3.0f, -3.0f, kTickMs);

    // An absurd interval counts as 1000 ms: 750 ms beyond the hold, 7.5 dB.
    hold.update (kNaN, kNaN, 1000000);
    EXPECT_NEAR (hold.referenceDb, -10.5f, kTolerance);

    // A zero or negative interval counts as 1 ms.
    PeakHold slow;
    slow.update (-3.0f, kNaN, 0);

    for (int i = 0; i < 250; ++i)
        slow.update (kNaN, kNaN, -5);

    EXPECT_EQ (slow.referenceDb, -3.0f);

    hold.clear();
    EXPECT_TRUE (std::isnan (hold.referenceDb) && std::isnan (hold.sourceDb));
    EXPECT_EQ (hold.referenceHoldMs + hold.sourceHoldMs, 0);
}

#include "editor/PeakSeries.h"

#include <gtest/gtest.h>

#include <limits>

TEST (PeakSeries, keepsTheNewest512ValuesOldestFirst)
{
    PeakSeries series;

    for (int i = 0; i < 600; ++i)
        series.append ((float) (i % 70) - 50.0f, -1.0f);

    std::vector<float> reference, source;
    series.copyTo (reference, source);

    ASSERT_EQ (reference.size(), PeakSeries::kMaxValues);
    ASSERT_EQ (source.size(), PeakSeries::kMaxValues);
    // The 600 appended values lost their first 88.
    EXPECT_EQ (reference.front(), (float) (88 % 70) - 50.0f);
    EXPECT_EQ (reference.back(), (float) (599 % 70) - 50.0f);
}

TEST (PeakSeries, readingsAreClampedAndNoReadingIsTheBottom)
{
    const std::pair<float, float> cases[] = {
        { std::numeric_limits<float>::quiet_NaN(), -60.0f },
        { -std::numeric_limits<float>::infinity(), -60.0f },
        { std::numeric_limits<float>::infinity(), 20.0f },
        { -100.0f, -60.0f },
        { -60.0f, -60.0f },
        { -3.25f, -3.25f },
        { 25.0f, 20.0f },
    };

    for (const auto& [reading, stored] : cases)
        EXPECT_EQ (PeakSeries::clampToRange (reading), stored) << reading;

    PeakSeries series;
    series.append (1.0f, 2.0f);
    series.clear();

    std::vector<float> reference { 9.0f }, source { 9.0f };
    series.copyTo (reference, source);
    EXPECT_TRUE (reference.empty() && source.empty());
}

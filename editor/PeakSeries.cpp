#include "editor/PeakSeries.h"

#include <cmath>

float PeakSeries::clampToRange (float db) noexcept
{
    if (std::isnan (db) || db < kBottomDb)
        return kBottomDb;

    return db > kTopDb ? kTopDb : db;
}

void PeakSeries::push (std::deque<float>& series, float db)
{
    series.push_back (clampToRange (db));

    while (series.size() > kMaxValues)
        series.pop_front();
}

void PeakSeries::append (float referenceTruePeakDb, float sourceTruePeakDb)
{
    push (referenceValues, referenceTruePeakDb);
    push (sourceValues, sourceTruePeakDb);
}

void PeakSeries::clear()
{
    referenceValues.clear();
    sourceValues.clear();
}

void PeakSeries::copyTo (std::vector<float>& referenceSeries, std::vector<float>& sourceSeries) const
{
    referenceSeries.assign (referenceValues.begin(), referenceValues.end());
    sourceSeries.assign (sourceValues.begin(), sourceValues.end());
}

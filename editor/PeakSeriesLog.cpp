#include "editor/PeakSeriesLog.h"

#include <cstring>

PeakSeriesLog::PeakSeriesLog() = default;

PeakSeriesLog::~PeakSeriesLog() = default;

PeakSeriesLog::Span PeakSeriesLog::append (const std::vector<float>& series)
{
    const int length = (int) series.size();
    const std::int64_t logEnd = firstIndex + (std::int64_t) values.size();

    // How many values are new: normally one; none when the series did not move; all of them
    // when it does not continue the last one.
    const auto continuesWith = [&] (int added)
    {
        const int kept = length - added;
        return kept <= last.length && last.end - kept >= firstIndex
            && logMatches (last.end - kept, series, kept);
    };

    int added = length;

    for (int candidate : { 1, 0 })
    {
        if (candidate <= length && continuesWith (candidate))
        {
            added = candidate;
            break;
        }
    }

    if (added == length)
        for (int candidate = 2; candidate < length; ++candidate)
            if (continuesWith (candidate))
            {
                added = candidate;
                break;
            }

    jassert (last.end == logEnd);

    for (int i = length - added; i < length; ++i)
        values.push_back (series[(size_t) i]);

    last = { logEnd + added, length };
    return last;
}

std::vector<float> PeakSeriesLog::read (Span span) const
{
    const std::int64_t start = juce::jmax (span.end - span.length, firstIndex);
    const std::int64_t end = juce::jmin (span.end, firstIndex + (std::int64_t) values.size());
    std::vector<float> series;

    if (end > start)
        series.assign (values.begin() + (std::ptrdiff_t) (start - firstIndex),
                       values.begin() + (std::ptrdiff_t) (end - firstIndex));

    return series;
}

void PeakSeriesLog::forgetBefore (std::int64_t index)
{
    while (! values.empty() && firstIndex < index)
    {
        values.pop_front();
        ++firstIndex;
    }
}

void PeakSeriesLog::clear()
{
    values.clear();
    values.shrink_to_fit();
    firstIndex = 0;
    last = {};
}

size_t PeakSeriesLog::getMemoryBytes() const noexcept
{
    return values.size() * sizeof (float);
}

bool PeakSeriesLog::logMatches (std::int64_t logStart, const std::vector<float>& series, int count) const
{
    auto position = values.begin() + (std::ptrdiff_t) (logStart - firstIndex);

    for (int i = 0; i < count; ++i, ++position)
        if (std::memcmp (&*position, &series[(size_t) i], sizeof (float)) != 0)
            return false;

    return true;
}
